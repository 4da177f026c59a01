// The proxy record and the remembered scan durations, read back from the real (Wine) registry.
#include <gtest/gtest.h>

#include "app/last_scan_entry.h"
#include "app/last_scan_time.h"
#include "app/program_key.h"
#include "app/proxy_settings.h"
#include "base/u16.h"
#include "net/password_scramble.h"

namespace qws {
namespace {

struct RawValue {
  DWORD type = REG_NONE;
  std::string bytes;
};

std::optional<RawValue> ReadRaw(const wchar_t* subKey, const wchar_t* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return std::nullopt;
  RawValue value;
  DWORD size = 0;
  LONG status = RegQueryValueExW(key, name, nullptr, &value.type, nullptr, &size);
  if (status == ERROR_SUCCESS) {
    value.bytes.resize(size);
    status = RegQueryValueExW(key, name, nullptr, &value.type,
                              reinterpret_cast<BYTE*>(value.bytes.data()), &size);
  }
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) return std::nullopt;
  return value;
}

std::string WideBytes(const std::wstring& text, bool withTerminator = true) {
  return std::string(reinterpret_cast<const char*>(text.c_str()),
                     (text.size() + (withTerminator ? 1 : 0)) * sizeof(wchar_t));
}

void WriteRaw(const wchar_t* name, DWORD type, const std::string& bytes) {
  RegKey key = OpenProgramKeyForWriting();
  ASSERT_TRUE(key.is_valid());
  ASSERT_EQ(RegSetValueExW(key.get(), name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                           static_cast<DWORD>(bytes.size())),
            ERROR_SUCCESS);
}

bool ProgramKeyExists() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kProgramKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

class SettingsStore : public testing::Test {
 protected:
  void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, kProgramKeyPath); }
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kProgramKeyPath); }
};

TEST_F(SettingsStore, EmptyRegistryLeavesTheRecordAsItWas) {
  ProxySettings settings;
  LoadProxySettings(settings);
  EXPECT_TRUE(settings.address.empty());
  EXPECT_TRUE(settings.port.empty());
  EXPECT_TRUE(settings.password.empty());
  EXPECT_FALSE(settings.enabled);
  EXPECT_FALSE(ProgramKeyExists()) << "reading must not create the key";
}

TEST_F(SettingsStore, SavesTheFiveValuesWithTheirNamesAndTypes) {
  ProxySettings saved{L"proxy.example", L"3128", L"alice", L"p\u00e4ss", true};
  SaveProxySettings(saved);

  const auto address = ReadRaw(kProgramKeyPath, L"qws_proxy_addr");
  ASSERT_TRUE(address);
  EXPECT_EQ(address->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(address->bytes, WideBytes(L"proxy.example"));  // with the terminating zero
  EXPECT_EQ(ReadRaw(kProgramKeyPath, L"qws_proxy_port")->bytes, WideBytes(L"3128"));
  EXPECT_EQ(ReadRaw(kProgramKeyPath, L"qws_proxy_username")->bytes, WideBytes(L"alice"));
  const auto enabled = ReadRaw(kProgramKeyPath, L"qws_proxy_enabled");
  EXPECT_EQ(enabled->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(enabled->bytes, WideBytes(L"1"));
  const auto password = ReadRaw(kProgramKeyPath, L"qws_proxy_password_enc");
  EXPECT_EQ(password->type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(password->bytes, EncodeStoredPassword(u"p\u00e4ss"));  // no terminator
  EXPECT_NE(password->bytes, WideBytes(L"p\u00e4ss", false)) << "the password must be scrambled";

  ProxySettings loaded;
  LoadProxySettings(loaded);
  EXPECT_EQ(loaded.address, saved.address);
  EXPECT_EQ(loaded.port, saved.port);
  EXPECT_EQ(loaded.userName, saved.userName);
  EXPECT_EQ(loaded.password, saved.password);
  EXPECT_TRUE(loaded.enabled);

  saved.enabled = false;
  saved.password.clear();
  SaveProxySettings(saved);
  EXPECT_EQ(ReadRaw(kProgramKeyPath, L"qws_proxy_enabled")->bytes, WideBytes(L"0"));
  EXPECT_EQ(ReadRaw(kProgramKeyPath, L"qws_proxy_password_enc")->bytes.size(), 0u);
}

TEST_F(SettingsStore, LongPasswordIsStoredWholeAndLoadedCut) {
  ProxySettings saved;
  saved.password = std::wstring(300, L'x');
  SaveProxySettings(saved);
  EXPECT_EQ(ReadRaw(kProgramKeyPath, L"qws_proxy_password_enc")->bytes.size(), 600u);
  ProxySettings loaded;
  LoadProxySettings(loaded);
  EXPECT_EQ(loaded.password, std::wstring(255, L'x'));
}

TEST_F(SettingsStore, UnreadableValuesLeaveTheirFieldsUnchanged) {
  WriteRaw(L"qws_proxy_addr", REG_DWORD, std::string(4, '\1'));
  WriteRaw(L"qws_proxy_port", REG_SZ, WideBytes(std::wstring(260, L'9')));
  WriteRaw(L"qws_proxy_username", REG_EXPAND_SZ, WideBytes(std::wstring(259, L'u')));
  WriteRaw(L"qws_proxy_password_enc", REG_BINARY, std::string(1026, 'z'));
  WriteRaw(L"qws_proxy_enabled", REG_SZ, WideBytes(L"x"));

  ProxySettings loaded{L"keep-addr", L"keep-port", L"keep-user", L"keep-pass", true};
  LoadProxySettings(loaded);
  EXPECT_EQ(loaded.address, L"keep-addr");           // wrong type
  EXPECT_EQ(loaded.port, L"keep-port");              // 260 characters
  EXPECT_EQ(loaded.userName, std::wstring(259, L'u'));  // 259 still fits, REG_EXPAND_SZ taken
  EXPECT_EQ(loaded.password, L"keep-pass");          // 1026 bytes are too many
  EXPECT_FALSE(loaded.enabled);                      // "x" reads as 0

  // A value that unscrambles to nothing leaves the password alone.
  WriteRaw(L"qws_proxy_password_enc", REG_BINARY, "");
  LoadProxySettings(loaded);
  EXPECT_EQ(loaded.password, L"keep-pass");
  // Data without its terminator is still read.
  WriteRaw(L"qws_proxy_addr", REG_SZ, WideBytes(L"bare", false));
  WriteRaw(L"qws_proxy_enabled", REG_SZ, WideBytes(L"12"));
  LoadProxySettings(loaded);
  EXPECT_EQ(loaded.address, L"bare");
  EXPECT_TRUE(loaded.enabled);
}

TEST_F(SettingsStore, DeleteRemovesTheValuesButNeverCreatesTheKey) {
  DeleteProxySettings();
  EXPECT_FALSE(ProgramKeyExists());

  SaveProxySettings(ProxySettings{L"a", L"1", L"u", L"p", true});
  {
    RegKey key = OpenProgramKeyForWriting();
    StoreLastScanTime(key.get(), L"T0000000000000000-1-5:0");
  }
  DeleteProxySettings();
  for (const wchar_t* name : {L"qws_proxy_addr", L"qws_proxy_port", L"qws_proxy_username",
                              L"qws_proxy_password_enc", L"qws_proxy_enabled"}) {
    EXPECT_FALSE(ReadRaw(kProgramKeyPath, name)) << name;
  }
  EXPECT_TRUE(ReadRaw(L"Software\\Quellix\\WebSweep_v2\\LastScanTime", L"LST_0"));
}

constexpr wchar_t kLastScanPath[] = L"Software\\Quellix\\WebSweep_v2\\LastScanTime";

std::wstring Entry(const std::wstring& id, bool archives, uint64_t duration) {
  return ToWide(FormatLastScanEntry(ToU16(id), archives, duration));
}

TEST_F(SettingsStore, LastScanTimesReplaceTheirOwnEntryAndAddOthers) {
  RegKey key = OpenProgramKeyForWriting();
  const std::wstring id = ToWide(MakeTargetId(u"${Memory}|C:\\"));
  EXPECT_FALSE(ReadLastScanTime(key.get(), id, true));

  StoreLastScanTime(key.get(), Entry(id, true, 0x100000005ull));
  StoreLastScanTime(key.get(), Entry(id, true, 0xBEEFull));
  EXPECT_EQ(ReadRaw(kLastScanPath, L"LST_0")->bytes, WideBytes(id + L"-1-beef:0"));
  EXPECT_FALSE(ReadRaw(kLastScanPath, L"LST_1")) << "the same selection keeps one entry";
  EXPECT_EQ(ReadLastScanTime(key.get(), id, true), 0xBEEFull);

  StoreLastScanTime(key.get(), Entry(id, false, 7));
  EXPECT_EQ(ReadRaw(kLastScanPath, L"LST_1")->bytes, WideBytes(id + L"-0-7:0"));
  EXPECT_EQ(ReadLastScanTime(key.get(), id, false), 7u);
  EXPECT_EQ(ReadLastScanTime(key.get(), id, true), 0xBEEFull);

  // A gap at index 0 hides every later entry from the walk.
  ASSERT_EQ(RegDeleteKeyValueW(HKEY_CURRENT_USER, kLastScanPath, L"LST_0"), ERROR_SUCCESS);
  EXPECT_FALSE(ReadLastScanTime(key.get(), id, false));
  StoreLastScanTime(key.get(), Entry(id, false, 9));
  EXPECT_EQ(ReadRaw(kLastScanPath, L"LST_0")->bytes, WideBytes(id + L"-0-9:0"));

  DeleteLastScanTimes(key.get());
  HKEY subkey = nullptr;
  EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, kLastScanPath, 0, KEY_READ, &subkey), ERROR_SUCCESS);
  EXPECT_FALSE(ReadLastScanTime(key.get(), id, false));
  EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, kLastScanPath, 0, KEY_READ, &subkey), ERROR_SUCCESS)
      << "reading must not create the subkey";
}

TEST_F(SettingsStore, LastScanWalkSkipsDamagedEntriesAndStopsAtForeignTypes) {
  RegKey key = OpenProgramKeyForWriting();
  const std::wstring id = ToWide(MakeTargetId(u"D:\\"));
  RegKey subkey;
  ASSERT_EQ(subkey.OpenOrCreate(key.get(), kLastScanTimeSubkey, KEY_ALL_ACCESS), ERROR_SUCCESS);
  ASSERT_EQ(subkey.WriteString(L"LST_0", id + L"-1-zz:0"), ERROR_SUCCESS);   // damaged numbers
  ASSERT_EQ(subkey.WriteString(L"LST_1", id + L"-1-2a:0"), ERROR_SUCCESS);
  EXPECT_EQ(ReadLastScanTime(key.get(), id, true), 0x2Au);

  const DWORD number = 5;
  ASSERT_EQ(RegSetValueExW(subkey.get(), L"LST_0", 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&number), sizeof(number)),
            ERROR_SUCCESS);
  EXPECT_FALSE(ReadLastScanTime(key.get(), id, true));
  ASSERT_EQ(subkey.WriteString(L"LST_0", std::wstring(64, L'7')), ERROR_SUCCESS);  // too long
  EXPECT_FALSE(ReadLastScanTime(key.get(), id, true));

  // A null key reads nothing and stores nothing; an entry over 63 characters is refused.
  EXPECT_FALSE(ReadLastScanTime(nullptr, id, true));
  StoreLastScanTime(nullptr, Entry(id, true, 1));
  StoreLastScanTime(key.get(), std::wstring(64, L'T'));
  EXPECT_EQ(ReadRaw(kLastScanPath, L"LST_0")->bytes, WideBytes(std::wstring(64, L'7')));
}

}  // namespace
}  // namespace qws
