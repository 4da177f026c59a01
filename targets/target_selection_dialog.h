// The scan target dialog as the settings page opens it.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace qws {

// Lets the user edit `targets`, the settings page's list expanded into drives (items joined by
// "|"); the memory is offered only with anti-stealth. The new list in compact form on OK,
// nothing on Cancel.
std::optional<std::wstring> ChooseScanTargets(HWND owner, const std::wstring& targets, bool antiStealth);

}  // namespace qws
