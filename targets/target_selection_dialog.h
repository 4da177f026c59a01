// The scan target dialog as the settings page opens it.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace qws {

// Lets the user edit `targets`, the list as the settings page holds it (tokens and compact
// items, joined by "|"). The new list in compact form on OK, nothing on Cancel.
std::optional<std::wstring> ChooseScanTargets(HWND owner, const std::wstring& targets);

}  // namespace qws
