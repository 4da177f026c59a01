#include "base/reg_key.h"

#include <vector>

namespace qws {

LONG RegKey::Open(HKEY parent, const wchar_t* subKey, REGSAM access) {
  Close();
  return ::RegOpenKeyExW(parent, subKey, 0, access, &key_);
}

LONG RegKey::OpenOrCreate(HKEY parent, const wchar_t* subKey, REGSAM access) {
  LONG status = Open(parent, subKey, access);
  if (status == ERROR_SUCCESS) return status;
  HKEY created = nullptr;
  status = ::RegCreateKeyExW(parent, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                             nullptr, &created, nullptr);
  if (status != ERROR_SUCCESS) return status;
  ::RegCloseKey(created);
  return Open(parent, subKey, access);
}

void RegKey::Close() {
  if (key_) ::RegCloseKey(key_);
  key_ = nullptr;
}

std::optional<std::wstring> RegKey::ReadString(const wchar_t* name, size_t maxChars) const {
  if (!key_) return std::nullopt;
  // Room for the characters, a terminator, and one more to tell "too long" from "just fits".
  std::vector<wchar_t> buffer(maxChars + 2);
  DWORD type = 0;
  DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
  LONG status = ::RegQueryValueExW(key_, name, nullptr, &type,
                                   reinterpret_cast<BYTE*>(buffer.data()), &bytes);
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
  size_t chars = bytes / sizeof(wchar_t);
  // The stored data need not carry its terminator.
  while (chars > 0 && buffer[chars - 1] == L'\0') --chars;
  std::wstring text(buffer.data(), chars);
  text.resize(wcsnlen(text.c_str(), text.size()));
  if (text.size() > maxChars) return std::nullopt;
  return text;
}

std::optional<std::string> RegKey::ReadBinary(const wchar_t* name, size_t maxBytes) const {
  if (!key_ || maxBytes == 0) return std::nullopt;
  std::string buffer(maxBytes, '\0');
  DWORD type = 0;
  DWORD bytes = static_cast<DWORD>(buffer.size());
  LONG status = ::RegQueryValueExW(key_, name, nullptr, &type,
                                   reinterpret_cast<BYTE*>(buffer.data()), &bytes);
  if (status != ERROR_SUCCESS || type != REG_BINARY || bytes >= maxBytes) return std::nullopt;
  buffer.resize(bytes);
  return buffer;
}

LONG RegKey::WriteString(const wchar_t* name, const std::wstring& value) const {
  const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
  return ::RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          bytes);
}

LONG RegKey::WriteBinary(const wchar_t* name, const std::string& bytes) const {
  return ::RegSetValueExW(key_, name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(bytes.data()),
                          static_cast<DWORD>(bytes.size()));
}

LONG RegKey::DeleteValue(const wchar_t* name) const { return ::RegDeleteValueW(key_, name); }

}  // namespace qws
