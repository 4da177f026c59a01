// The rules against a Wine computer that the test prepares for real.
#include <gtest/gtest.h>

#include <string>

#include "base/u16.h"
#include "detect/detection_database.h"
#include "detect/rule_evaluation.h"
#include "detect/win_detection_system.h"
#include "tests/detect/fake_computer.h"

namespace qws {
namespace {

constexpr REGSAM k64 = KEY_WOW64_64KEY;
constexpr REGSAM k32 = KEY_WOW64_32KEY;
constexpr wchar_t kVendorKey[] = L"SOFTWARE\\QwsDetectTest";
constexpr int64_t kOld = 1500000000;  // 2017
constexpr int64_t kNew = 1600000000;  // 2020

std::string Utf8(const std::wstring& text) { return U16ToUtf8(ToU16(text)); }

// The one version of a one-vendor database, evaluated on this computer.
struct Evaluated {
  WinDetectionSystem system;
  std::vector<Vendor> vendors;
  DetectionMatch match;
  bool found = false;
  explicit Evaluated(const std::string& versionBody, int vendorId = 40) {
    const std::string text = "<V><VENDOR COMPANY=\"Test\" ID=\"" + std::to_string(vendorId) +
                             "\"><VERSION NAME=\"1\" PRODUCT=\"P\" ID=\"2\">" + versionBody +
                             "</VERSION></VENDOR></V>";
    EXPECT_EQ(ParseDetectionText(text, system, vendors), DatabaseParse::Complete) << text;
    if (vendors.size() != 1 || vendors[0].products.size() != 1) return;
    RuleEvaluator evaluator(system);
    match = evaluator.EvaluateVersion(vendors[0].products[0], vendorId, &found);
  }
  int Field(int bit) const { return static_cast<int>(match.status >> bit & 3); }
};

std::string Reg(const std::string& type, const std::string& key, const std::string& more = "") {
  return "<REG TYPE=\"" + type + "\" KEY=\"" + key + "\" " + more + "/>";
}

class RuleEvaluationWin : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::wstring key = kVendorKey;
    computer_.SetString(HKEY_LOCAL_MACHINE, k32, key + L"\\Only32", L"Version", L"12.5.1");
    computer_.SetString(HKEY_LOCAL_MACHINE, k64, key + L"\\Only64", L"Path", program64_ + L"\\QwsDetectTest");
    computer_.SetDword(HKEY_LOCAL_MACHINE, k64, key + L"\\Only64", L"Count", 4000000000u);
    computer_.SetBinary(HKEY_LOCAL_MACHINE, k64, key + L"\\Only64", L"Bytes", std::string("\x01\xFF\x00", 3));
    computer_.SetString(HKEY_LOCAL_MACHINE, k64, key + L"\\Only64", L"Multi", L"a", REG_MULTI_SZ);
    computer_.SetString(HKEY_LOCAL_MACHINE, k64, key + L"\\Only64", L"On", L"1");
    computer_.SetString(HKEY_LOCAL_MACHINE, k64, key + L"\\Only64", L"Off", L"0");
    computer_.SetString(HKEY_LOCAL_MACHINE, k64, key + L"\\Only64", L"Updated", L"20240301");
    computer_.SetString(HKEY_LOCAL_MACHINE, k64, key + L"\\Only64\\Releases\\7.4", L"x", L"y");
    computer_.SetString(HKEY_LOCAL_MACHINE, k64, key + L"\\Only64\\Versions\\7.4", L"x", L"y");
    computer_.SetString(HKEY_CURRENT_USER, k64, key, L"User", L"1");

    // An installation in the 32-bit Program Files folder, with chosen times.
    const std::wstring folder = program32_ + L"\\QwsDetectTest";
    computer_.WriteFile(folder + L"\\guard.exe", "MZ\x90\x00guard", kNew);
    computer_.WriteFile(folder + L"\\old.dll", "old", kOld);
    computer_.WriteFile(folder + L"\\c1.dat", "1", kOld + 10);
    computer_.WriteFile(folder + L"\\c2.dat", "2", kOld + 20);
    computer_.WriteFile(folder + L"\\Engine\\22.1\\engine.exe", "e", kOld + 30);
    computer_.WriteFile(folder + L"\\Engine\\22.2\\engine.exe", "e", kOld + 40);
    computer_.WriteFile(folder + L"\\settings.ini",
                        "Enabled = 0\r\n[Guard]\r\nEnabled = 1\r\nMode=fast \r\n[Other]\r\nX=1\r\n", kOld);
    for (const wchar_t* sub : {L"\\Engine\\22.1", L"\\Engine\\22.2", L"\\Engine", L""}) {
      test::FakeComputer::SetFolderTime(folder + sub, kOld + 5);
    }
    computer_.SetString(HKEY_LOCAL_MACHINE, k32, key + L"\\Only32", L"Dir", folder);
    computer_.CreateService(L"QwsDetectTestSvc");
  }

  const std::wstring program64_ = test::ProgramFilesFolder(k64);
  const std::wstring program32_ = test::ProgramFilesFolder(k32);
  test::FakeComputer computer_;
};

TEST_F(RuleEvaluationWin, FindsRegistryRulesInBothViewsAndRoots) {
  const std::string k = "SOFTWARE\\QwsDetectTest";
  const struct {
    std::string rule;
    bool found;
  } cases[] = {
      {Reg("local", k + "\\Only32"), true},
      {Reg("local", k + "\\Only64"), true},
      {Reg("local", k + "\\Missing"), false},
      {Reg("local", "HKEY_CURRENT_USER\\" + k), true},
      {Reg("local", k), true},  // both views hold the test key under HKEY_LOCAL_MACHINE
      {Reg("app", k), true},    // HKEY_CURRENT_USER
      {Reg("app", k + "\\Only32"), false},
      {Reg("unknown", k + "\\Only32"), false},  // no default root
      {Reg("unknown", "HKEY_LOCAL_MACHINE\\" + k + "\\Only32"), true},
      {Reg("local", "hkey_local_machine\\" + k + "\\Only32"), false},  // root names are exact
      {Reg("service", "HKEY_CURRENT_USER\\SYSTEM\\CurrentControlSet\\Services\\QwsDetectTestSvc"), true},
      {Reg("base", k + "\\Only64", "PROPERTY=\"Path\""), true},
      {Reg("base", k + "\\Only64", "PROPERTY=\"Multi\""), false},  // REG_MULTI_SZ is unreadable
      {Reg("version", k + "\\Only64", "PROPERTY=\"Count\""), true},
      {Reg("version", k + "\\Only64", "PROPERTY=\"Bytes\""), true},
      {Reg("version", k + "\\Only64\\Releases", "NEXTKEY=\"1\""), true},
      {Reg("version", k + "\\Only64\\Releases\\7.4", "NEXTKEY=\"1\""), false},
      {Reg("check", k + "\\Only32", "PROPERTY=\"Version[0-2]\" VALUE=\"12.\""), true},
      {Reg("check", k + "\\Only32", "PROPERTY=\"Version[0-2]\" VALUE=\"13.\""), false},
      {Reg("check", k + "\\Only32", "PROPERTY=\"Version[7]\" VALUE=\"1\""), false},
      {Reg("check", k + "\\Only64", "PROPERTY=\"Count\" VALUE=\"4000000000\""), true},
      {Reg("check", k + "\\Only64", "PROPERTY=\"Bytes\" VALUE=\"1 255 0\""), true},
      {Reg("uninstall", k + "\\Only32", "PROPERTY=\"Version\""), true},
      {Reg("uninstall", k + "\\Only32", "NAME=\"guid\" VALUE=\"{X}\""), true},
      {Reg("uninstall", k + "\\Missing", "NAME=\"GUID\" VALUE=\"{X}\""), false},
      {Reg("uninstall", k + "\\Only32", "NAME=\"GUID\" VALUE=\"\""), false},
      {Reg("local", k + "\\Only32", "OS=\"W7\""), false},
  };
  for (const auto& c : cases) {
    Evaluated e("<REGS>" + c.rule + "</REGS>");
    EXPECT_EQ(e.found, c.found) << c.rule;
  }
}

TEST_F(RuleEvaluationWin, ReplacesEmbeddedVariablesFromTheRegistry) {
  const std::string k = "SOFTWARE\\QwsDetectTest\\Only64";
  Evaluated e("<REGS>" + Reg("embedded", k + "\\Releases", "NEXTKEY=\"1\" NAME=\"REL\"") +
              Reg("local", k + "\\Versions\\%REL%") + Reg("local", k + "\\Versions\\%NONE%") +
              "</REGS>");
  EXPECT_TRUE(e.found);
  EXPECT_EQ(e.match.registryCount, 3u);
  EXPECT_EQ(e.match.registryScore, 6666u);
  EXPECT_EQ(e.vendors[0].products[0].regs[1].key, u"SOFTWARE\\QwsDetectTest\\Only64\\Versions\\7.4");
}

TEST_F(RuleEvaluationWin, FindsFoldersAndFilesWithMacrosWildcardsAndTimes) {
  // %PROGRAM% tries the 64-bit folder first; the installation is in the 32-bit one.
  Evaluated e(
      "<FILES PATH=\"%PROGRAM%\\QwsDetectTest\" LASTTIME=\"yes\">"
      "<FILE NAME=\"guard.exe\" LASTTIME=\"yes\"/><FILE NAME=\"old.dll\"/>"
      "<FILE NAME=\"c*.dat\"/><FILE NAME=\"missing*.bin\"/><FILE NAME=\"GUARD.EXE_\"/>"
      "<FILES PATH=\"Engine\\*\"><FILE NAME=\"engine.exe\"/></FILES>"
      "<FILES PATH=\"Nothing\\*\"><FILE NAME=\"x.exe\"/></FILES>"
      "</FILES>"
      "<FILES PATH=\"%REG%\" KEY=\"SOFTWARE\\QwsDetectTest\\Only32\" PROPERTY=\"Dir\">"
      "<FILE NAME=\"settings.ini\"/></FILES>"
      "<FILES PATH=\"%REG%\" KEY=\"SOFTWARE\\QwsDetectTest\\Only32\" PROPERTY=\"NoDir\">"
      "<FILE NAME=\"settings.ini\"/></FILES>"
      "<FILES PATH=\"%COMMON%\\QwsNotInstalled\"><FILE NAME=\"a.dll\"/></FILES>");
  EXPECT_TRUE(e.found);
  // Folders: the installation, two engine folders, one unmatched wildcard, the %REG% folder, the
  // unreadable %REG%, the missing common folder. Files: guard, old, c1, c2, one unmatched
  // pattern, one missing name, two engines, settings.ini.
  EXPECT_EQ(e.match.fileCount, 7u + 9u);
  EXPECT_EQ(e.match.fileScore, (4u + 7u) * 10000u / 16u);
  EXPECT_EQ(e.match.newestFileTime, kNew);
  EXPECT_EQ(e.match.oldestFileTime, kOld);

  Evaluated withoutFiles("<FILES PATH=\"%PROGRAM%\\QwsDetectTest\"/>");
  EXPECT_TRUE(withoutFiles.found);
  EXPECT_EQ(withoutFiles.match.fileScore, 0u);  // no file evaluated
}

TEST_F(RuleEvaluationWin, QueriesServicesAndStatusConditions) {
  const std::string k = "SOFTWARE\\QwsDetectTest\\Only64";
  const std::string dir = "KEY=\"SOFTWARE\\QwsDetectTest\\Only32\" PROPERTY=\"Dir\"";
  Evaluated e(
      "<REGS>" + Reg("service", "SYSTEM\\CurrentControlSet\\Services\\QwsDetectTestSvc") + "</REGS>"
      "<SERVICES><SERVICE NAME=\"QwsDetectTestSvc\"/><SERVICE NAME=\"QwsNoSuchSvc\"/></SERVICES>"
      "<STATUS CURRENT=\"and\" RESTART=\"or\">"
      "<CURRENT TYPE=\"service\" NAME=\"QwsDetectTestSvc\" PROPERTY=\"CurrentState\" ON=\"1\" OFF=\"4\"/>"
      "<CURRENT TYPE=\"reg\" KEY=\"" + k + "\" PROPERTY=\"On|Off\" ON=\"1\" OFF=\"0\"/>"
      "<RESTART TYPE=\"service\" NAME=\"QwsNoSuchSvc\" PROPERTY=\"Exist\" ON=\"*\"/>"
      "<RESTART TYPE=\"path_reg+ini\" " + dir + " PATH=\"settings.ini\" SECTION=\"Guard\" ENTRY=\"Enabled\" ON=\"1\" OFF=\"0\"/>"
      "<UPDATE TYPE=\"reg\" KEY=\"" + k + "\" PROPERTY=\"Updated\" FORMAT=\"yyyymmdd\"/>"
      "<INSTALL TYPE=\"path_reg+ini\" " + dir + " PATH=\"settings.ini\" SECTION=\"Guard\" ENTRY=\"Mode\" OFF=\"fast\"/>"
      "</STATUS>");
  EXPECT_TRUE(e.found);
  EXPECT_EQ(e.match.serviceCount, 2u);
  EXPECT_EQ(e.match.serviceScore, 5000u);
  EXPECT_EQ(e.Field(0), 2);  // the service is not running
  EXPECT_EQ(e.Field(2), 3);
  EXPECT_EQ(e.Field(4), 3);
  EXPECT_EQ(e.Field(6), 2);   // stopped (1) and On=1 but Off=0: 1 and 1 and 2
  EXPECT_EQ(e.Field(8), 1);   // 2 or 1
  EXPECT_EQ(e.Field(10), 1);  // the update time was read
  EXPECT_EQ(e.Field(12), 2);  // the install entry says "off"
  EXPECT_EQ(e.match.updateTime, e.system.LocalTimeToUtc(2024, 3, 1, 0, 0, 0).value());
  EXPECT_EQ(e.match.installTime, 0);
  EXPECT_EQ(e.match.status >> 24, 0u);  // not the maker's own product
}

TEST_F(RuleEvaluationWin, ReadsConditionResultsOneByOne) {
  const std::string k = "SOFTWARE\\QwsDetectTest\\Only64";
  const std::string dir = "KEY=\"SOFTWARE\\QwsDetectTest\\Only32\" PROPERTY=\"Dir\"";
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring image = std::wstring(self).substr(std::wstring(self).rfind(L'\\') + 1);
  const struct {
    std::string condition;
    int result;
  } cases[] = {
      {"TYPE=\"reg\" KEY=\"" + k + "\" PROPERTY=\"Missing\" DEFAULT=\"true\"", 1},
      {"TYPE=\"reg\" KEY=\"" + k + "\" PROPERTY=\"Missing\" DEFAULT=\"false\"", 2},
      {"TYPE=\"reg\" KEY=\"" + k + "\" PROPERTY=\"Missing\" DEFAULT=\"yes\"", 0},
      {"TYPE=\"reg\" KEY=\"" + k + "\" PROPERTY=\"Missing\" ON=\"*\" DEFAULT=\"true\"", 2},
      {"TYPE=\"reg\" KEY=\"HKEY_LOCAL_MACHINE\\" + k + "\" PROPERTY=\"Off\" ON=\"1\" OFF=\"*\"", 2},
      {"TYPE=\"service\" NAME=\"QwsNoSuchSvc\" PROPERTY=\"CurrentState\" ON=\"4\"", 0},
      {"TYPE=\"service\" NAME=\"QwsNoSuchSvc\" PROPERTY=\"CurrentState\" ON=\"*\"", 2},
      {"TYPE=\"service\" NAME=\"QwsDetectTestSvc\" PROPERTY=\"ServiceType\" ANDMASK=\"48\" ON=\"16\" OFF=\"32\"", 1},
      {"TYPE=\"service\" NAME=\"QwsDetectTestSvc\" PROPERTY=\"Bogus\" ON=\"1\"", 0},
      {"TYPE=\"process\" NAME=\"" + Utf8(image) + "\"", 1},
      {"TYPE=\"process\" NAME=\"qws-no-such-process.exe\"", 0},
      {"TYPE=\"path_reg+file\" " + dir + " PATH=\"guard.exe\" OFFSET=\"0\" SIZE=\"3\" ON=\"MZ\\220\" OFF=\"\\000\"", 1},
      {"TYPE=\"path_reg+file\" " + dir + " PATH=\"guard.exe\" OFFSET=\"1\" SIZE=\"1\" ON=\"A\" OFF=\"Z\"", 2},
      {"TYPE=\"path_reg+file\" " + dir + " PATH=\"guard.exe\" OFFSET=\"0\" SIZE=\"1\" ANDMASK=\"&#15;\" ON=\"\\015\" OFF=\"\\001\"", 1},
      {"TYPE=\"path_reg+file\" " + dir + " PATH=\"guard.exe\" OFFSET=\"100\" SIZE=\"1\" ON=\"*\"", 2},
      {"TYPE=\"path_reg+file\" " + dir + " PATH=\"guard.exe\" OFFSET=\"100\" SIZE=\"1\" ON=\"A\"", 0},
      {"TYPE=\"path_reg+ini\" " + dir + " PATH=\"settings.ini\" SECTION=\"Other\" ENTRY=\"Enabled\" ON=\"*\"", 2},
      {"TYPE=\"path_reg+ini\" KEY=\"" + k + "\" PROPERTY=\"NoDir\" PATH=\"s.ini\" ON=\"*\"", 0},
      {"TYPE=\"path_reg+xml\" " + dir + " PATH=\"a.xml\" ON=\"*\"", 2},
      {"TYPE=\"call\" NAME=\"IsActive\"", 3},
      {"TYPE=\"file\" PATH=\"x\"", 3},
  };
  for (const auto& c : cases) {
    // The maker's own status bits show a condition's first result as it is.
    Evaluated e("<SERVICES><SERVICE NAME=\"QwsDetectTestSvc\"/></SERVICES><STATUS><QAV_STATUS " +
                    c.condition + "/></STATUS>",
                kOwnVendorId);
    ASSERT_TRUE(e.found);
    EXPECT_EQ(e.Field(14), c.result) << c.condition;
  }
}

TEST_F(RuleEvaluationWin, FillsTheOwnProductBitsForTheMaker) {
  const std::string k = "SOFTWARE\\QwsDetectTest\\Only64";
  const std::string body =
      "<SERVICES><SERVICE NAME=\"QwsDetectTestSvc\"/></SERVICES><STATUS>"
      "<QAV_STATUS TYPE=\"reg\" KEY=\"" + k + "\" PROPERTY=\"On|Off|Missing\" ON=\"1\" OFF=\"0\"/>"
      "<QAV_EVAL TYPE=\"reg\" KEY=\"" + k + "\" PROPERTY=\"Off\" ON=\"1\" OFF=\"0\"/></STATUS>";
  Evaluated own(body, kOwnVendorId);
  ASSERT_TRUE(own.found);
  EXPECT_EQ(own.Field(14), 1);
  EXPECT_EQ(own.Field(16), 2);
  EXPECT_EQ(own.Field(18), 0);
  EXPECT_EQ(own.Field(20), 3);
  EXPECT_EQ(own.Field(22), 3);
  EXPECT_EQ(own.Field(24), 2);
  Evaluated other(body, 41);
  EXPECT_EQ(other.Field(14), 3);
  EXPECT_EQ(other.Field(24), 0);
}

TEST(OsCode, ClassifiesWindowsVersions) {
  const struct {
    DWORD platform, major, minor;
    WORD servicePack;
    BYTE type;
    int code;
  } cases[] = {
      {1, 4, 0, 0, 1, 1},   {1, 4, 10, 0, 1, 2},  {1, 4, 90, 0, 1, 3},  {2, 4, 0, 6, 1, 4},
      {2, 5, 0, 4, 1, 5},   {2, 5, 1, 2, 1, 8},   {2, 5, 1, 4, 1, 0},   {2, 5, 2, 2, 1, 8},
      {2, 5, 2, 2, 3, 11},  {2, 6, 0, 1, 1, 13},  {2, 6, 0, 2, 2, 16},  {2, 6, 1, 1, 1, 17},
      {2, 6, 1, 1, 3, 18},  {2, 6, 2, 0, 1, 19},  {2, 6, 3, 0, 3, 22},  {2, 10, 0, 0, 1, 23},
      {2, 10, 0, 0, 9, 0},  {2, 11, 0, 0, 1, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(OsCodeFor(c.platform, c.major, c.minor, c.servicePack, c.type), c.code)
        << c.major << "." << c.minor;
  }
  WinDetectionSystem system;
  EXPECT_GT(system.OsCode(), 0);
  EXPECT_EQ(system.WindowsBits(), 64);
}

}  // namespace
}  // namespace qws
