#include "app/proxy_settings.h"

#include "app/program_key.h"
#include "base/u16.h"
#include "net/password_scramble.h"

namespace qws {

namespace {

constexpr wchar_t kAddress[] = L"qws_proxy_addr";
constexpr wchar_t kPort[] = L"qws_proxy_port";
constexpr wchar_t kUserName[] = L"qws_proxy_username";
constexpr wchar_t kPassword[] = L"qws_proxy_password_enc";
constexpr wchar_t kEnabled[] = L"qws_proxy_enabled";

constexpr size_t kMaxTextChars = 259;
constexpr size_t kPasswordValueBytesLimit = 1026;  // stored values must be shorter

void ReadText(const RegKey& key, const wchar_t* name, std::wstring& field) {
  if (auto value = key.ReadString(name, kMaxTextChars)) field = std::move(*value);
}

}  // namespace

void LoadProxySettings(ProxySettings& settings) {
  RegKey key = OpenProgramKeyForReading();
  if (!key.is_valid()) return;
  ReadText(key, kAddress, settings.address);
  ReadText(key, kPort, settings.port);
  ReadText(key, kUserName, settings.userName);
  if (auto enabled = key.ReadString(kEnabled, kMaxTextChars)) {
    settings.enabled = wcstol(enabled->c_str(), nullptr, 10) != 0;
  }
  if (auto stored = key.ReadBinary(kPassword, kPasswordValueBytesLimit)) {
    std::u16string password = DecodeStoredPassword(*stored);
    if (!password.empty()) settings.password = ToWide(password);
  }
}

void SaveProxySettings(const ProxySettings& settings) {
  RegKey key = OpenProgramKeyForWriting();
  if (!key.is_valid()) return;
  (void)key.WriteString(kAddress, settings.address);
  (void)key.WriteString(kPort, settings.port);
  (void)key.WriteString(kUserName, settings.userName);
  (void)key.WriteBinary(kPassword, EncodeStoredPassword(ToU16(settings.password)));
  (void)key.WriteString(kEnabled, settings.enabled ? L"1" : L"0");
}

void DeleteProxySettings() {
  // Opened, never created: removing the traces must not leave a new key behind.
  RegKey key;
  if (key.Open(HKEY_CURRENT_USER, kProgramKeyPath, KEY_SET_VALUE) != ERROR_SUCCESS) return;
  for (const wchar_t* name : {kAddress, kPort, kUserName, kPassword, kEnabled})
    (void)key.DeleteValue(name);
}

}  // namespace qws
