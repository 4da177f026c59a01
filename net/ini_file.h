// Values of an INI file (Opera's opera6.ini, the connection manager's cnetcfg.ini), looked up as
// the profile functions of the system do: section and key without regard to ASCII case, the
// first match wins, white space around names and values and one pair of enclosing quotes
// dropped. Platform-neutral; texts stay 8-bit.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qws {

// The value cut to maxChars characters; nothing when the key is missing.
std::optional<std::string> ReadIniText(std::string_view file, std::string_view section,
                                       std::string_view key, size_t maxChars);
// The value's leading integer, `fallback` when the key is missing or empty.
int ReadIniInteger(std::string_view file, std::string_view section, std::string_view key,
                   int fallback);

}  // namespace qws
