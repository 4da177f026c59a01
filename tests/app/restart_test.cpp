// The scan plan file, the RunOnce registration and the restart, on real files, the Wine
// registry and the process token.
#include "app/restart.h"

#include <gtest/gtest.h>

#include "app/log.h"
#include "app/scan_plan.h"
#include "app/scan_plan_win.h"
#include "app/work_folder.h"
#include "base/reg_key.h"
#include "tests/support/win_test_support.h"

namespace qws {
namespace {

// Runs in a fresh current directory, where the plan is written, and puts the old one back.
class InFreshFolder : public testing::Test {
 protected:
  void SetUp() override {
    previous_ = test::CurrentDirectory();
    ASSERT_TRUE(SetCurrentDirectoryW(folder_.path().c_str()));
  }
  void TearDown() override { SetCurrentDirectoryW(previous_.c_str()); }

  std::string PlanBytes() const { return test::ReadFileBytes(folder_ / kScanPlanFileName); }

  test::TempFolder folder_;
  std::wstring previous_;
};

using ScanPlanFile = InFreshFolder;

TEST_F(ScanPlanFile, HoldsOneAnsiLinePerNameAndReadsBackJoined) {
  ASSERT_EQ(GetACP(), 1252u) << "the expected bytes are those of the Western code page";
  const std::u16string longName = u"C:\\" + std::u16string(1097, u'n');  // 1,100 bytes
  const std::vector<std::u16string> names = {
      u"C:\\first.com", u"", longName, u"C:\\caf\u00E9\\\u4E2D\u6587.com", u"${Memory}"};
  ASSERT_EQ(WriteScanPlan(names), 0);
  const std::string cut = "C:\\" + std::string(1019, 'n');
  EXPECT_EQ(PlanBytes(), "C:\\first.com\n" + cut + "\nC:\\caf\xE9\\??.com\n${Memory}\n");

  std::wstring targets;
  ASSERT_EQ(ReadScanPlan(targets), 0);
  EXPECT_EQ(targets, L"C:\\first.com|" + std::wstring(cut.begin(), cut.end()) +
                         L"|C:\\caf\u00E9\\??.com|${Memory}");

  // Writing again starts the file afresh; an empty list gives an empty file.
  ASSERT_EQ(WriteScanPlan({}), 0);
  EXPECT_EQ(PlanBytes(), "");
  ASSERT_EQ(ReadScanPlan(targets), 0);
  EXPECT_EQ(targets, L"");
}

TEST_F(ScanPlanFile, ReadingFollowsThePatternOnAFileOfAnotherHand) {
  const std::string tooLong(1024, 'x');
  test::WriteFileBytes(folder_ / kScanPlanFileName,
                       "C:\\a.com\n\n\n  C:\\b.com\r\n" + tooLong + "\nC:\\after.com\n");
  std::wstring targets = L"left over";
  ASSERT_EQ(ReadScanPlan(targets), 0);
  EXPECT_EQ(targets, L"C:\\a.com|C:\\b.com");

  test::WriteFileBytes(folder_ / kScanPlanFileName, " C:\\lead.com\n");
  ASSERT_EQ(ReadScanPlan(targets), 0);
  EXPECT_EQ(targets, L" C:\\lead.com");
}

TEST_F(ScanPlanFile, MissingOrUncreatableFileFails) {
  std::wstring targets;
  EXPECT_EQ(ReadScanPlan(targets), -1);
  // A folder in the plan's place cannot be opened as the file.
  ASSERT_TRUE(CreateDirectoryW((folder_ / kScanPlanFileName).c_str(), nullptr));
  EXPECT_EQ(WriteScanPlan({u"C:\\a.com"}), -1);
  EXPECT_EQ(ReadScanPlan(targets), -1);
}

TEST(ScanPlanCut, NeverLeavesHalfACharacter) {
  // Shift-JIS: two bytes per kanji, so 1,022 bytes would end in a lead byte.
  const std::wstring kanji = L"C:\\" + std::wstring(600, L'\u65E5');
  const std::string sjis = ToCodePageCut(kanji, 932, 1022);
  ASSERT_EQ(sjis.size(), 1021u);
  wchar_t back[1100] = {};
  const int chars = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, sjis.data(), static_cast<int>(sjis.size()), back, 1100);
  EXPECT_EQ(std::wstring(back, chars), L"C:\\" + std::wstring(509, L'\u65E5'));

  // UTF-8 and a surrogate pair at the cut: the pair goes whole or not at all.
  const std::wstring emoji = std::wstring(1019, L'a') + L"\U0001F600";
  EXPECT_EQ(ToCodePageCut(emoji, CP_UTF8, 1022), std::string(1019, 'a'));
  EXPECT_EQ(ToCodePageCut(emoji, CP_UTF8, 1023).size(), 1023u);
  EXPECT_EQ(ToCodePageCut(L"short", CP_ACP, 1022), "short");
}

// The user's RunOnce key, as Windows keeps it; the value is removed again afterwards.
class RunOnceValue : public testing::Test {
 protected:
  void TearDown() override {
    RegKey key;
    if (key.Open(HKEY_CURRENT_USER, kRunOnceKey, KEY_SET_VALUE) == ERROR_SUCCESS)
      (void)key.DeleteValue(kRestartValueName);
  }

  // The value's type and raw data, terminating zero included.
  static std::pair<DWORD, std::wstring> Read() {
    RegKey key;
    if (key.Open(HKEY_CURRENT_USER, kRunOnceKey, KEY_QUERY_VALUE) != ERROR_SUCCESS) return {};
    DWORD type = 0, bytes = 0;
    if (RegQueryValueExW(key.get(), kRestartValueName, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) return {};
    std::wstring data(bytes / sizeof(wchar_t), L'\0');
    RegQueryValueExW(key.get(), kRestartValueName, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &bytes);
    return {type, data};
  }
};

TEST_F(RunOnceValue, NamesTheRunningProgramWithResetStart) {
  RegisterRestartRun();
  const auto [type, data] = Read();
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(data, ModulePath() + L" RESETSTART" + std::wstring(1, L'\0'));
  EXPECT_EQ(RestartRunData(std::wstring(1030, L'p')), std::wstring(1024, L'p') + L" RESETSTART");
}

bool ShutdownPrivilegeEnabled() {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return false;
  ScopedHandle token(raw);
  LUID shutdown{};
  LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &shutdown);
  DWORD bytes = 0;
  GetTokenInformation(token.get(), TokenPrivileges, nullptr, 0, &bytes);
  std::string buffer(bytes, '\0');
  if (!GetTokenInformation(token.get(), TokenPrivileges, buffer.data(), bytes, &bytes)) return false;
  const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
  for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
    const LUID_AND_ATTRIBUTES& entry = privileges->Privileges[i];
    if (entry.Luid.LowPart == shutdown.LowPart && entry.Luid.HighPart == shutdown.HighPart)
      return (entry.Attributes & SE_PRIVILEGE_ENABLED) != 0;
  }
  return false;
}

class Restart : public InFreshFolder {
 protected:
  void SetUp() override {
    InFreshFolder::SetUp();
    previousLogFolder_ = LogFolder();
    SetLogFolder(folder_.path());
  }
  void TearDown() override {
    SetLogFolder(previousLogFolder_);
    RegKey key;
    if (key.Open(HKEY_CURRENT_USER, kRunOnceKey, KEY_SET_VALUE) == ERROR_SUCCESS)
      (void)key.DeleteValue(kRestartValueName);
    InFreshFolder::TearDown();
  }
  std::string Log() const { return test::ReadFileBytes(LogFilePath()); }
  static bool RunOnceRegistered() {
    RegKey key;
    return key.Open(HKEY_CURRENT_USER, kRunOnceKey, KEY_QUERY_VALUE) == ERROR_SUCCESS &&
           key.ReadString(kRestartValueName, 2048).has_value();
  }

  std::wstring previousLogFolder_;
};

bool g_privilegeAtRequest = false;

TEST_F(Restart, RefusedRestartIsLoggedAndThePrivilegeDisabledAgain) {
  ASSERT_FALSE(ShutdownPrivilegeEnabled());
  const bool underWay = RestartNow([] {
    g_privilegeAtRequest = ShutdownPrivilegeEnabled();
    return false;
  });
  EXPECT_FALSE(underWay);
  EXPECT_TRUE(g_privilegeAtRequest) << "the privilege is held while Windows is asked";
  EXPECT_FALSE(ShutdownPrivilegeEnabled());
  EXPECT_NE(Log().find(" Restart not succeed\r\n"), std::string::npos) << Log();
  // The plan and the registration were written before the request.
  EXPECT_TRUE(test::FileExists(folder_ / kScanPlanFileName));
  EXPECT_TRUE(RunOnceRegistered());
}

// Wine's InitiateSystemShutdownW restarts nothing: it only reports success. Anywhere else the
// real call would restart the machine, so it is made only under Wine.
bool UnderWine() {
  return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

TEST_F(Restart, RealRequestUnderWineIsUnderWayWithThePrivilegeHeld) {
  if (!UnderWine()) GTEST_SKIP() << "this would restart the computer";
  EXPECT_TRUE(RestartNow());
  EXPECT_TRUE(ShutdownPrivilegeEnabled());
  EXPECT_EQ(Log().find("Restart not succeed"), std::string::npos) << Log();
  EXPECT_TRUE(test::FileExists(folder_ / kScanPlanFileName));
  EXPECT_TRUE(RunOnceRegistered());
  DisableShutdownPrivilege();
  EXPECT_FALSE(ShutdownPrivilegeEnabled());
}

TEST_F(Restart, LaterWritesPlanAndRegistrationOrLogsThePlanFailure) {
  RestartLater();
  EXPECT_TRUE(test::FileExists(folder_ / kScanPlanFileName));
  EXPECT_TRUE(RunOnceRegistered());
  EXPECT_EQ(Log().find("ScanPlan"), std::string::npos);

  ASSERT_TRUE(DeleteFileW((folder_ / kScanPlanFileName).c_str()));
  ASSERT_TRUE(CreateDirectoryW((folder_ / kScanPlanFileName).c_str(), nullptr));
  RestartLater();
  EXPECT_NE(Log().find(" Cannot create Malware ScanPlan file\r\n"), std::string::npos) << Log();
  EXPECT_TRUE(RunOnceRegistered());
}

}  // namespace
}  // namespace qws
