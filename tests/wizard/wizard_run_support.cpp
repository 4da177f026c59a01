#include "tests/wizard/wizard_run_support.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include "resources/resource_ids.h"
#include "tests/scanlib/test_samples.h"
#include "tests/ui/input_driver.h"
#include "tests/ui/modal_script.h"

namespace qws::test {

using namespace std::chrono_literals;

bool ProgramKeyExists() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kProgramKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

void ForgetEarlierRuns() {
  RemoveTree(WorkFolderPath());
  RegDeleteTreeW(HKEY_CURRENT_USER, kProgramKey);
  RegDeleteKeyW(HKEY_CURRENT_USER, kProgramKey);
}

ThreatFolder::ThreatFolder(const std::wstring& path) : root(path) {
  RemoveTree(root);
  CreateDirectoryW(root.c_str(), nullptr);
  CreateDirectoryW((root + L"\\documents").c_str(), nullptr);
  eicar = root + L"\\eicar.com";
  copy = root + L"\\documents\\copy.com";
  notes = root + L"\\documents\\notes.txt";
  archive = root + L"\\archive.zip";
  archiveBytes = MakeZip({{"eicar.com", Eicar()}}, true);
  WriteFileBytes(eicar, Eicar());
  WriteFileBytes(copy, Eicar());
  WriteFileBytes(notes, "Nothing to see here.\r\n");
  WriteFileBytes(archive, archiveBytes);
}

ThreatFolder::~ThreatFolder() { RemoveTree(root); }

void ChooseSettingsAndTarget(Wizard& wizard, int radio, const std::wstring& folder) {
  ASSERT_TRUE(wizard.ClickControl(radio));
  ASSERT_TRUE(WaitUntil([&] { return CheckState(wizard.Control(radio)) == BST_CHECKED; }, 5s));

  ASSERT_TRUE(wizard.ChooseTargetFolder(folder)) << "the target dialog did not take the folder";

  // The targets line names the folder and nothing of the drives.
  std::wstring line;
  ASSERT_TRUE(WaitUntil(
      [&] {
        line = wizard.ControlText(IDC_SETTINGS_TARGETS);
        return line.find(folder) != std::wstring::npos;
      },
      5s))
      << testing::PrintToString(line);
  EXPECT_EQ(line.find(L"Local drives"), std::wstring::npos) << testing::PrintToString(line);
}

std::string LastLoggedReport(const std::wstring& tempFolder) {
  const std::string log = ReadFileBytes(tempFolder + L"\\log.txt");
  const size_t start = log.rfind("# product=QWS\r\n");
  if (start == std::string::npos) return {};
  // The report's entry ends where the next entry's "hh:mm:ss " begins, or at the end of the log.
  auto isTime = [&](size_t at) {
    auto digit = [&](size_t i) { return i < log.size() && log[i] >= '0' && log[i] <= '9'; };
    return digit(at) && digit(at + 1) && at + 2 < log.size() && log[at + 2] == ':' && digit(at + 3) &&
           digit(at + 4) && at + 5 < log.size() && log[at + 5] == ':' && digit(at + 6) && digit(at + 7) &&
           at + 8 < log.size() && log[at + 8] == ' ';
  };
  size_t end = start;
  while ((end = log.find("\r\n", end)) != std::string::npos) {
    end += 2;
    if (end == log.size() || isTime(end)) break;
  }
  return log.substr(start, (end == std::string::npos ? log.size() : end) - start);
}

}  // namespace qws::test
