#include "tests/wizard/wizard_run_support.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include "resources/resource_ids.h"
#include "tests/scanlib/test_samples.h"
#include "tests/ui/input_driver.h"
#include "tests/ui/modal_script.h"

namespace qws::test {

namespace {

using namespace std::chrono_literals;

constexpr wchar_t kTargetDialogCaption[] = L"Selection of scan targets";
constexpr int kNoSelectionPreset = 3;  // "Removable media|Local drives|Network drives|No selection"

// The check state image of a tree item: 1 unchecked, 2 checked (3 and up: partly, none).
int TreeItemCheck(HWND tree, HTREEITEM item) {
  return static_cast<int>(
      (SendMessageW(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_STATEIMAGEMASK) &
       TVIS_STATEIMAGEMASK) >>
      12);
}

}  // namespace

std::wstring WorkFolderPath() {
  wchar_t local[MAX_PATH] = L"";
  SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local);
  return std::wstring(local) + L"\\Quellix\\QuellixWebSweep";
}

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

  ASSERT_TRUE(wizard.ClickControl(IDC_SETTINGS_ADVANCED));
  // The last row of the advanced section shows when its animation has run.
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(wizard.Control(IDC_SETTINGS_PROXY)) != FALSE; }, 10s));
  Pump(300ms);
  ASSERT_TRUE(wizard.ClickLink(IDC_SETTINGS_TARGETS)) << "no \"Change...\" link on screen";

  HWND dialog = wizard.WaitForWindow(kTargetDialogCaption);
  ASSERT_NE(dialog, nullptr) << "\"Change...\" opened no target dialog";
  HWND presets = GetDlgItem(dialog, IDC_TARGET_PRESETS);
  HWND tree = GetDlgItem(dialog, IDC_TARGET_TREE);
  HWND path = GetDlgItem(dialog, IDC_TARGET_PATH);
  ASSERT_TRUE(presets && tree && path);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(dialog) && TreeView_GetCount(tree) > 0; }, 10s));

  ClickAt(CentreOf(presets));
  Pump(300ms);
  PressKey(VK_HOME);
  for (int i = 0; i < kNoSelectionPreset; ++i) PressKey(VK_DOWN);
  PressKey(VK_RETURN);
  ASSERT_TRUE(WaitUntil([&] { return SendMessageW(presets, CB_GETCURSEL, 0, 0) == kNoSelectionPreset; }, 5s));

  ClickAt(CentreOf(path));
  SendMessageW(path, EM_SETSEL, 0, -1);
  TypeText(folder);
  // The tree follows the typed path down to the folder and selects it.
  HTREEITEM item = nullptr;
  ASSERT_TRUE(WaitUntil(
      [&] {
        item = TreeView_GetSelection(tree);
        return item && WindowText(path) == folder && TreeItemRect(wizard.process().id(), tree, item);
      },
      15s))
      << "path box: " << testing::PrintToString(WindowText(path));
  Pump(300ms);
  const std::optional<RECT> label = TreeItemRect(wizard.process().id(), tree, item);
  ASSERT_TRUE(label.has_value());
  // A click on the label gives the tree the focus and keeps the selection; Space ticks it.
  ClickAt(ScreenPoint(tree, (label->left + label->right) / 2, (label->top + label->bottom) / 2));
  Pump(std::chrono::milliseconds(GetDoubleClickTime() + 100));
  ASSERT_EQ(TreeView_GetSelection(tree), item);
  PressKey(VK_SPACE);
  ASSERT_TRUE(WaitUntil([&] { return TreeItemCheck(tree, item) == 2; }, 5s))
      << "state image " << TreeItemCheck(tree, item);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE; }, 5s));
  wizard.Shot(L"target_dialog");
  ClickAt(CentreOf(GetDlgItem(dialog, IDOK)));
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, 10s));

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
