#include "app/string_table.h"

#include <windows.h>

namespace qws {

std::wstring LoadText(unsigned id) {
  const wchar_t* text = nullptr;
  // With a zero buffer size LoadStringW hands out a pointer into the resource itself.
  const int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<wchar_t*>(&text), 0);
  return length > 0 && text ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}

std::wstring FormatCount(const std::wstring& text, unsigned count) {
  std::wstring formatted = text;
  const size_t at = formatted.find(L"%u");
  if (at != std::wstring::npos) formatted.replace(at, 2, std::to_wstring(count));
  return formatted;
}

}  // namespace qws
