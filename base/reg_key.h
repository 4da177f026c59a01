// A registry key owner whose operations return the Win32 status.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <utility>

namespace qws {

class RegKey {
 public:
  RegKey() = default;
  RegKey(RegKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
  RegKey& operator=(RegKey&& other) noexcept {
    if (this != &other) {
      Close();
      key_ = std::exchange(other.key_, nullptr);
    }
    return *this;
  }
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  ~RegKey() { Close(); }

  [[nodiscard]] LONG Open(HKEY parent, const wchar_t* subKey, REGSAM access);
  // Opens the key, creating it with all access when it is missing.
  [[nodiscard]] LONG OpenOrCreate(HKEY parent, const wchar_t* subKey, REGSAM access);
  void Close();

  HKEY get() const { return key_; }
  bool is_valid() const { return key_ != nullptr; }

  // A REG_SZ or REG_EXPAND_SZ value of at most maxChars characters (terminator not counted).
  std::optional<std::wstring> ReadString(const wchar_t* name, size_t maxChars) const;
  // A REG_BINARY value shorter than maxBytes bytes.
  std::optional<std::string> ReadBinary(const wchar_t* name, size_t maxBytes) const;
  [[nodiscard]] LONG WriteString(const wchar_t* name, const std::wstring& value) const;
  [[nodiscard]] LONG WriteBinary(const wchar_t* name, const std::string& bytes) const;
  [[nodiscard]] LONG DeleteValue(const wchar_t* name) const;

 private:
  HKEY key_ = nullptr;
};

}  // namespace qws
