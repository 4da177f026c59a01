// The removals on close, on a real work folder and the real (Wine) registry.
#include "app/close_removals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/log.h"
#include "app/program_key.h"
#include "base/reg_key.h"
#include "tests/support/win_test_support.h"

namespace qws {
namespace {

using test::FileExists;
using test::FolderExists;
using test::WriteFileBytes;

constexpr const wchar_t* kProxyValues[] = {L"qws_proxy_addr", L"qws_proxy_port",
                                           L"qws_proxy_username", L"qws_proxy_password_enc",
                                           L"qws_proxy_enabled"};
constexpr wchar_t kProgramFile[] = L"QuellixWebSweep.exe";

// The test folders' names are plain ASCII.
std::string Ascii(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out.push_back(static_cast<char>(c));
  return out;
}

void MakeFolder(const std::wstring& path) { ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr)); }

// A work folder as a run leaves it, with the program file when it is the program's own folder.
void MakeWorkFolder(const std::wstring& work, bool withProgram) {
  MakeFolder(work);
  for (const wchar_t* folder : {L"\\Modules", L"\\Modules\\sub", L"\\OldModules", L"\\Ferry_Cache",
                                L"\\Quarantine", L"\\Other"})
    MakeFolder(work + folder);
  for (const wchar_t* file :
       {L"\\Modules\\main.ndb", L"\\Modules\\sub\\extra.hdb", L"\\OldModules\\main.ndb",
        L"\\Ferry_Cache\\counts.bin", L"\\Quarantine\\1.qrn", L"\\Quarantine\\2.qrn",
        L"\\qlxs_apiW_a.dll", L"\\qlxs_apiW.dll", L"\\qlxs_api.stg", L"\\qws2scanplan.txt",
        L"\\QuellixWebSweep_upd.exe", L"\\Other\\notes.txt"})
    WriteFileBytes(work + file, "x");
  if (withProgram) WriteFileBytes(work + L"\\" + kProgramFile, "MZ");
}

void WriteSettings() {
  RegKey key;
  ASSERT_EQ(key.OpenOrCreate(HKEY_CURRENT_USER, kProgramKeyPath, KEY_ALL_ACCESS), ERROR_SUCCESS);
  for (const wchar_t* name : kProxyValues)
    ASSERT_EQ(name == std::wstring(L"qws_proxy_password_enc") ? key.WriteBinary(name, "\x01\x02")
                                                             : key.WriteString(name, L"1"),
              ERROR_SUCCESS);
  RegKey times;
  ASSERT_EQ(times.OpenOrCreate(key.get(), L"LastScanTime", KEY_ALL_ACCESS), ERROR_SUCCESS);
  ASSERT_EQ(times.WriteString(L"LST_0", L"${DriveFixed}-1-2a:0"), ERROR_SUCCESS);
  ASSERT_EQ(times.WriteString(L"LST_1", L"${DriveFixed}-0-1f:0"), ERROR_SUCCESS);
}

bool KeyExists(const std::wstring& path) {
  RegKey key;
  return key.Open(HKEY_CURRENT_USER, path.c_str(), KEY_READ) == ERROR_SUCCESS;
}

int ProxyValuesLeft() {
  RegKey key;
  if (key.Open(HKEY_CURRENT_USER, kProgramKeyPath, KEY_READ) != ERROR_SUCCESS) return 0;
  int left = 0;
  for (const wchar_t* name : kProxyValues)
    if (RegQueryValueExW(key.get(), name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) ++left;
  return left;
}

// What is left, by group: each group must be all there or all gone.
struct Left {
  bool quarantine, engine, plan, loose, other, folder, settings;
  bool operator==(const Left&) const = default;
};

std::string Describe(const Left& l) {
  std::string text;
  for (auto [present, name] : {std::pair{l.quarantine, "quarantine"}, {l.engine, "engine"},
                               {l.plan, "plan"}, {l.loose, "loose"}, {l.other, "other"},
                               {l.folder, "folder"}, {l.settings, "settings"}})
    text += std::string(present ? "+" : "-") + name + " ";
  return text;
}

// One group's state; "mixed" fails the test, because a group goes as a whole.
bool Group(const std::vector<bool>& items, const char* name) {
  const size_t present = static_cast<size_t>(std::count(items.begin(), items.end(), true));
  EXPECT_TRUE(present == 0 || present == items.size()) << name << " is partly removed";
  return present == items.size();
}

Left Observe(const std::wstring& work) {
  const auto file = [&](const wchar_t* name) { return FileExists(work + name); };
  Left left{};
  left.quarantine = Group({file(L"\\Quarantine\\1.qrn"), file(L"\\Quarantine\\2.qrn"),
                           FolderExists(work + L"\\Quarantine")}, "quarantine");
  left.engine = Group({file(L"\\Modules\\main.ndb"), file(L"\\Modules\\sub\\extra.hdb"),
                       FolderExists(work + L"\\Modules"), file(L"\\OldModules\\main.ndb"),
                       FolderExists(work + L"\\OldModules"), file(L"\\Ferry_Cache\\counts.bin"),
                       FolderExists(work + L"\\Ferry_Cache"), file(L"\\qlxs_apiW_a.dll"),
                       file(L"\\qlxs_apiW.dll"), file(L"\\qlxs_api.stg")}, "engine");
  left.plan = file(L"\\qws2scanplan.txt");
  left.loose = file(L"\\QuellixWebSweep_upd.exe");
  left.other = Group({file(L"\\Other\\notes.txt"), FolderExists(work + L"\\Other")}, "other");
  left.folder = FolderExists(work);
  const std::wstring times = std::wstring(kProgramKeyPath) + L"\\LastScanTime";
  left.settings = Group({ProxyValuesLeft() == 5, KeyExists(times), KeyExists(kProgramKeyPath)},
                        "settings");
  return left;
}

class CloseRemovalsTest : public testing::Test {
 protected:
  void SetUp() override {
    savedDirectory_ = test::CurrentDirectory();
    savedLogFolder_ = LogFolder();
    RegDeleteTreeW(HKEY_CURRENT_USER, kProgramKeyPath);
    MakeFolder(temp_ / L"log");
    SetLogFolder(temp_ / L"log");
  }
  void TearDown() override {
    SetCurrentDirectoryW(savedDirectory_.c_str());
    SetLogFolder(savedLogFolder_);
    RegDeleteTreeW(HKEY_CURRENT_USER, kProgramKeyPath);
  }
  // Prepared as the main window leaves it: the work folder current, the settings stored.
  std::wstring Prepare(bool withProgram) {
    const std::wstring work = temp_ / L"QuellixWebSweep";
    MakeWorkFolder(work, withProgram);
    WriteSettings();
    SetCurrentDirectoryW(work.c_str());
    return work;
  }
  std::vector<std::string> LogLines() const {
    std::vector<std::string> lines;
    const std::string log = test::ReadFileBytes(temp_ / L"log\\log.txt");
    for (size_t start = 0; start < log.size();) {
      size_t end = log.find('\n', start);
      end = end == std::string::npos ? log.size() : end + 1;
      lines.push_back(log.substr(start + 9, end - start - 9));  // after "hh:mm:ss "
      start = end;
    }
    return lines;
  }
  test::TempFolder temp_;
  std::wstring savedDirectory_;
  std::wstring savedLogFolder_;
};

TEST_F(CloseRemovalsTest, EachChoiceRemovesItsItems) {
  const struct {
    const char* what;
    bool appData, quarantineBox, uninstallBox, resumed;
    Left left;
  } cases[] = {
      // what                    appData quar.  unin.  resumed  quar.  engine plan   loose  other  folder settings
      {"app data, neither",      true,  false, false, false, {true,  true,  true,  true,  true,  true,  true}},
      {"app data, quarantine",   true,  true,  false, false, {false, true,  true,  true,  true,  true,  true}},
      {"app data, uninstall",    true,  false, true,  false, {true,  false, false, false, true,  true,  false}},
      {"app data, both",         true,  true,  true,  false, {false, false, false, false, false, false, false}},
      {"app data, resumed run",  true,  false, false, true,  {true,  true,  false, true,  true,  true,  true}},
      {"own folder, neither",    false, false, false, false, {true,  true,  true,  true,  true,  true,  true}},
      {"own folder, quarantine", false, true,  false, false, {false, true,  true,  true,  true,  true,  true}},
      {"own folder, uninstall",  false, false, true,  false, {true,  false, false, true,  true,  true,  false}},
      {"own folder, both",       false, true,  true,  false, {false, false, false, true,  true,  true,  false}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::wstring work = Prepare(!c.appData);
    RemoveOnClose({work, c.appData}, {c.quarantineBox, c.uninstallBox, c.resumed});
    const Left left = Observe(work);
    EXPECT_EQ(left, c.left) << "left: " << Describe(left) << "\nwanted: " << Describe(c.left);
    if (!c.appData) {
      EXPECT_TRUE(FileExists(work + L"\\" + kProgramFile)) << "the program file stays";
    }
    SetCurrentDirectoryW(temp_.path().c_str());
    test::RemoveTree(work);
    RegDeleteTreeW(HKEY_CURRENT_USER, kProgramKeyPath);
  }
}

TEST_F(CloseRemovalsTest, LogsEachRemovalWithTheWorkFolder) {
  const std::wstring work = Prepare(false);
  RemoveOnClose({work + L"\\", true}, {true, true, false});  // a trailing backslash is dropped
  EXPECT_FALSE(FolderExists(work));
  const std::string w = Ascii(work);
  EXPECT_EQ(LogLines(), (std::vector<std::string>{
                            "RecursiveRemoveDirectoryAndAllFiles: " + w + "\\Quarantine\\\r\n",
                            "Cleaning up\r\n",
                            "RecursiveRemoveDirectoryAndAllFiles: " + w + "\\Modules\\\r\n",
                            "RecursiveRemoveDirectoryAndAllFiles: " + w + "\\OldModules\\\r\n",
                            "DeleteQlxApi: " + w + "\r\n",
                            "DeleteApiStgFile: " + w + "\r\n",
                            "RecursiveRemoveDirectoryAndAllFiles: " + w + "\\Ferry_Cache\\\r\n",
                        }));
  EXPECT_EQ(test::CurrentDirectory(), temp_.path()) << "the removed folder is not current";
}

TEST_F(CloseRemovalsTest, AFileInUseStaysAndTheRestGoes) {
  const std::wstring work = Prepare(false);
  ScopedHandle held(CreateFileW((work + L"\\Modules\\main.ndb").c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                nullptr));
  ASSERT_TRUE(held.is_valid());
  RemoveOnClose({work, true}, {true, true, false});
  EXPECT_TRUE(FileExists(work + L"\\Modules\\main.ndb"));
  EXPECT_FALSE(FolderExists(work + L"\\Modules\\sub"));
  for (const wchar_t* gone : {L"\\OldModules", L"\\Ferry_Cache", L"\\Quarantine", L"\\Other"})
    EXPECT_FALSE(FolderExists(work + gone)) << Ascii(gone);
  for (const wchar_t* gone : {L"\\qlxs_apiW_a.dll", L"\\qlxs_apiW.dll", L"\\qlxs_api.stg",
                              L"\\qws2scanplan.txt", L"\\QuellixWebSweep_upd.exe"})
    EXPECT_FALSE(FileExists(work + gone));
  EXPECT_FALSE(KeyExists(kProgramKeyPath));
}

TEST_F(CloseRemovalsTest, LinkedFoldersAreNeverFollowedOutOfTheWorkFolder) {
  const std::wstring work = Prepare(false);
  const std::wstring outside = temp_ / L"outside";
  MakeFolder(outside);
  WriteFileBytes(outside + L"\\precious.txt", "keep me");
  test::RemoveTree(work + L"\\Quarantine");
  if (!test::MakeFolderLink(work + L"\\Quarantine", outside) ||
      !test::MakeFolderLink(work + L"\\Modules\\linked", outside))
    GTEST_SKIP() << "folder links are not available here";
  ASSERT_TRUE(FileExists(work + L"\\Quarantine\\precious.txt"));

  RemoveOnClose({work, true}, {true, true, false});
  EXPECT_TRUE(FileExists(outside + L"\\precious.txt"));
  EXPECT_FALSE(FileExists(work + L"\\Modules\\main.ndb"));
  EXPECT_FALSE(FolderExists(work + L"\\Other"));
  EXPECT_FALSE(FileExists(work + L"\\qlxs_apiW.dll"));
  test::RemoveFolderLink(work + L"\\Quarantine");
  test::RemoveFolderLink(work + L"\\Modules\\linked");
}

TEST_F(CloseRemovalsTest, AWorkFolderThatIsNoFolderBelowARootRemovesNothingFromTheDisk) {
  const std::wstring work = Prepare(false);  // current, as a stand-in for "here"
  const std::wstring drive = work.substr(0, 2);
  // Joined to an empty folder, the plan's name would name the drive root's file.
  const std::wstring rootPlan = drive + L"\\qws2scanplan.txt";
  ASSERT_FALSE(FileExists(rootPlan));
  WriteFileBytes(rootPlan, "x");
  for (const std::wstring& path : {std::wstring(), drive, drive + L"\\", std::wstring(L".")}) {
    SCOPED_TRACE(Ascii(path));
    WriteSettings();
    RemoveOnClose({path, true}, {true, true, true});
    EXPECT_EQ(Observe(work), (Left{true, true, true, true, true, true, false}))
        << "only the settings go: " << Describe(Observe(work));
    EXPECT_TRUE(FileExists(rootPlan));
    SetCurrentDirectoryW(work.c_str());
  }
  DeleteFileW(rootPlan.c_str());
}

TEST_F(CloseRemovalsTest, AnUnknownSubkeyKeepsTheProgramKeyButNotTheSettings) {
  Prepare(false);
  RegKey foreign;
  ASSERT_EQ(foreign.OpenOrCreate(HKEY_CURRENT_USER, (std::wstring(kProgramKeyPath) + L"\\Other").c_str(),
                                 KEY_ALL_ACCESS), ERROR_SUCCESS);
  foreign.Close();
  RemoveOnClose({temp_ / L"QuellixWebSweep", true}, {false, true, false});
  EXPECT_TRUE(KeyExists(kProgramKeyPath));
  EXPECT_EQ(ProxyValuesLeft(), 0);
  EXPECT_FALSE(KeyExists(std::wstring(kProgramKeyPath) + L"\\LastScanTime"));
}

}  // namespace
}  // namespace qws
