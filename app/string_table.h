// Texts of the string table (4000 to 4126).
#pragma once

#include <string>

namespace qws {

std::wstring LoadText(unsigned id);

}  // namespace qws
