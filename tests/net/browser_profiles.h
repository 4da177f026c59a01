// Proxy sources written into the real (Wine) registry and profile folders, removed again at the
// end: the Internet settings values and stored connection settings, Firefox and Mozilla prefs.js files, Opera's opera6.ini and
// the connection manager file.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/support/win_test_support.h"

namespace qws::test {

class BrowserProfiles {
 public:
  BrowserProfiles() {
    wchar_t folder[MAX_PATH] = L"";
    SHGetSpecialFolderPathW(nullptr, folder, CSIDL_APPDATA, TRUE);
    appData_ = folder;
    Clear();
  }
  ~BrowserProfiles() { Clear(); }
  BrowserProfiles(const BrowserProfiles&) = delete;
  BrowserProfiles& operator=(const BrowserProfiles&) = delete;

  const std::wstring& appData() const { return appData_; }

  void SetInternetSetting(const wchar_t* name, DWORD value) {
    HKEY key = OpenSettings();
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    RegCloseKey(key);
  }
  void SetInternetSetting(const wchar_t* name, const std::wstring& value) {
    HKEY key = OpenSettings();
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
  }

  // The LAN connection's stored settings, in the layout the system keeps them in
  // ("Connections\DefaultConnectionSettings"): flags (PROXY_TYPE_...), proxy, bypass list and
  // automatic configuration script address.
  void SetConnectionSettings(DWORD flags, const std::string& autoConfigUrl, const std::string& proxy = "") {
    std::string blob;
    auto word = [&blob](DWORD value) { blob.append(reinterpret_cast<const char*>(&value), sizeof(value)); };
    auto text = [&](const std::string& value) {
      word(static_cast<DWORD>(value.size()));
      blob += value;
    };
    word(0x46);  // the layout's version
    word(++settingsCounter_);
    word(flags);
    text(proxy);
    text("");
    text(autoConfigUrl);
    blob.append(32, '\0');  // automatic detection state, unused here
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, kConnectionsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExW(key, L"DefaultConnectionSettings", 0, REG_BINARY, reinterpret_cast<const BYTE*>(blob.data()),
                   static_cast<DWORD>(blob.size()));
    RegCloseKey(key);
  }

  // A Firefox (or old Mozilla) profile folder with this prefs.js.
  void AddFirefoxProfile(const std::wstring& profile, const std::string& prefs, bool oldMozilla = false) {
    const std::wstring base = appData_ + (oldMozilla ? L"\\Mozilla\\Profiles" : L"\\Mozilla\\Firefox\\Profiles");
    CreateFolders(base + L"\\" + profile);
    WriteFileBytes(base + L"\\" + profile + L"\\prefs.js", prefs);
  }
  void SetOperaIni(const std::string& ini) {
    CreateFolders(appData_ + L"\\Opera\\Opera\\profile");
    WriteFileBytes(appData_ + L"\\Opera\\Opera\\profile\\opera6.ini", ini);
  }
  // %DaContents%\system\net\cnetcfg\cnetcfg.ini below the given folder.
  void SetConnectionManagerIni(const std::wstring& root, const std::string& ini) {
    CreateFolders(root + L"\\system\\net\\cnetcfg");
    WriteFileBytes(root + L"\\system\\net\\cnetcfg\\cnetcfg.ini", ini);
    SetEnvironmentVariableW(L"DaContents", root.c_str());
  }

  void Clear() {
    HKEY key = OpenSettings();
    for (const wchar_t* name : {L"ProxyEnable", L"ProxyServer", L"AutoConfigURL", L"ProxyOverride"})
      RegDeleteValueW(key, name);
    RegCloseKey(key);
    RegDeleteKeyW(HKEY_CURRENT_USER, kConnectionsKey);
    RemoveTree(appData_ + L"\\Mozilla");
    RemoveTree(appData_ + L"\\Opera");
    SetEnvironmentVariableW(L"DaContents", nullptr);
  }

 private:
  static HKEY OpenSettings() {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", 0,
                    nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    return key;
  }
  static void CreateFolders(const std::wstring& path) {
    for (size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1))
      CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
    CreateDirectoryW(path.c_str(), nullptr);
  }

  static constexpr wchar_t kConnectionsKey[] =
      L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";
  std::wstring appData_;
  DWORD settingsCounter_ = 0;
};

inline std::string FirefoxManualPrefs(const std::string& host, int port) {
  return "user_pref(\"network.proxy.http\", \"" + host + "\");\n"
         "user_pref(\"network.proxy.http_port\", " + std::to_string(port) + ");\n"
         "user_pref(\"network.proxy.type\", 1);\n";
}

}  // namespace qws::test
