// Conversions at the boundary between platform-neutral UTF-16 (char16_t) and Windows wide text.
#pragma once

#include <string>
#include <string_view>

namespace qws {

// UTF-8 to UTF-16 and back; invalid input becomes U+FFFD. Used by tests and tools.
std::u16string Utf8ToU16(std::string_view utf8);
std::string U16ToUtf8(std::u16string_view text);

#ifdef _WIN32
static_assert(sizeof(wchar_t) == sizeof(char16_t));
inline std::u16string ToU16(std::wstring_view text) { return {text.begin(), text.end()}; }
inline std::wstring ToWide(std::u16string_view text) { return {text.begin(), text.end()}; }
#endif

}  // namespace qws
