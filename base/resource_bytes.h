// The bytes of an RCDATA resource, which stay mapped as long as the module stays loaded.
#pragma once

#include <windows.h>

#include <string_view>

namespace qws {

// Empty when the module has no such resource or it is empty.
std::string_view RcdataBytes(HMODULE module, int id);

}  // namespace qws
