// The target dialog on real Wine drives under Xvfb, driven by mouse and keyboard as a user
// would: clicks on the state icons, Space, the preset combo box, typing into the path box, OK.
// D: is a fixed drive on a fixture folder and E: a removable one (scripts/wine-env.sh); the
// network is scripted.
#include <gtest/gtest.h>

#include <windows.h>
#include <winnetwk.h>

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "base/u16.h"
#include "resources/resource_ids.h"
#include "targets/profile_target_dlg.h"
#include "targets/target_selection_dialog.h"
#include "tests/support/win_test_support.h"
#include "tests/targets/scripted_network.h"
#include "tests/ui/input_driver.h"

namespace qws {
namespace {

using namespace std::chrono_literals;
using test::ScriptedEnumerator;
using test::ScriptedNetwork;
using test::Pump;
using test::PumpUntil;

// Folders and files made on the fixture drive D: for each run.
void MakeFixtureDrive() {
  test::RemoveTree(L"D:\\A");
  test::RemoveTree(L"D:\\B");
  test::RemoveTree(L"D:\\Folder");
  for (const wchar_t* folder : {L"D:\\A", L"D:\\B", L"D:\\Folder", L"D:\\Folder\\sub"}) {
    ASSERT_TRUE(CreateDirectoryW(folder, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS)
        << "D: is missing: run qws_wine_prefix (scripts/wine-env.sh)";
  }
  for (const wchar_t* file : {L"D:\\A\\x", L"D:\\A\\y", L"D:\\A\\z", L"D:\\B\\x", L"D:\\B\\y",
                              L"D:\\Folder\\file.txt", L"D:\\Folder\\sub\\deep.txt"}) {
    test::WriteFileBytes(file, "fixture");
  }
}

NetResource Entry(uint32_t displayType, std::u16string remote, bool container) {
  NetResource r;
  r.displayType = displayType;
  r.remoteName = std::move(remote);
  r.usage = container ? kUsageContainer : 1;
  return r;
}

void FillNetwork(ScriptedNetwork& net) {
  net.containers[u""] = {Entry(kDisplayTypeDomain, u"WORKGROUP", true)};
  net.containers[u"WORKGROUP"] = {Entry(kDisplayTypeServer, u"\\\\FILESERVER", true)};
  net.containers[u"\\\\FILESERVER"] = {Entry(kDisplayTypeShare, u"\\\\FILESERVER\\public", false),
                                       Entry(kDisplayTypeShare, u"\\\\FILESERVER\\home", false)};
}

// The dialog on a thread of its own, as a modal dialog runs; the test drives it from outside.
class RunningDialog {
 public:
  RunningDialog(std::wstring list, bool antiStealth, CProfileTargetDlg::Seams seams) {
    thread_ = std::thread([this, list = std::move(list), antiStealth,
                           seams = std::move(seams)]() mutable {
      CProfileTargetDlg dialog(nullptr, antiStealth, std::move(seams));
      dialog.SetTargetList(list);
      dialog_ = &dialog;
      const INT_PTR result = dialog.Run();
      std::lock_guard<std::mutex> guard(lock_);
      if (result == IDOK) result_ = dialog.targetList();
      dialog_ = nullptr;
      done_ = true;
    });
    EXPECT_TRUE(test::WaitUntil([&] {
      window_ = FindWindowW(nullptr, L"Selection of scan targets");
      return window_ && IsWindowVisible(window_);
    }, 10s));
    tree_ = GetDlgItem(window_, IDC_TARGET_TREE);
    SetForegroundWindow(window_);
    Pump(200ms);
  }
  ~RunningDialog() {
    if (!Done()) PostMessageW(window_, WM_COMMAND, IDCANCEL, 0);
    thread_.join();
  }
  bool Done() {
    std::lock_guard<std::mutex> guard(lock_);
    return done_;
  }
  bool WaitDone(std::chrono::milliseconds timeout = 10s) {
    return test::WaitUntil([&] { return Done(); }, timeout);
  }
  std::optional<std::wstring> result() {
    std::lock_guard<std::mutex> guard(lock_);
    return result_;
  }
  HWND window() const { return window_; }
  HWND tree() const { return tree_; }
  bool NetworkBusy() { return dialog_ && dialog_->NetworkBusy(); }

  std::wstring Text(HTREEITEM item) const {
    wchar_t buffer[300] = {};
    TVITEMW tv{};
    tv.mask = TVIF_TEXT | TVIF_HANDLE;
    tv.hItem = item;
    tv.pszText = buffer;
    tv.cchTextMax = 300;
    TreeView_GetItem(tree_, &tv);
    return buffer;
  }
  // A node by its texts below `start` (the computer when null), such as {L"D:\\", L"A"}.
  HTREEITEM Find(std::initializer_list<std::wstring> texts, HTREEITEM start = nullptr) const {
    HTREEITEM current = start ? start : TreeView_GetRoot(tree_);
    for (const std::wstring& text : texts) {
      HTREEITEM child = TreeView_GetChild(tree_, current);
      while (child && Text(child) != text) child = TreeView_GetNextSibling(tree_, child);
      if (!child) return nullptr;
      current = child;
    }
    return current;
  }
  HTREEITEM NetworkRoot() const { return TreeView_GetNextSibling(tree_, TreeView_GetRoot(tree_)); }
  CheckState State(HTREEITEM item) const {
    return static_cast<CheckState>(
        (TreeView_GetItemState(tree_, item, TVIS_STATEIMAGEMASK) & TVIS_STATEIMAGEMASK) >> 12);
  }
  int Preset() const {
    return static_cast<int>(SendDlgItemMessageW(window_, IDC_TARGET_PRESETS, CB_GETCURSEL, 0, 0));
  }
  std::wstring PathBox() const {
    wchar_t buffer[300] = {};
    GetDlgItemTextW(window_, IDC_TARGET_PATH, buffer, 300);
    return buffer;
  }

  // A real click where the tree's hit test says the item's check box is.
  void ClickStateIcon(HTREEITEM item) {
    TreeView_EnsureVisible(tree_, item);
    Pump(100ms);
    RECT text{};
    ASSERT_TRUE(TreeView_GetItemRect(tree_, item, &text, TRUE));
    const int y = (text.top + text.bottom) / 2;
    for (int x = text.left; x >= 0; --x) {
      TVHITTESTINFO hit{};
      hit.pt = {x, y};
      if (TreeView_HitTest(tree_, &hit) == item && (hit.flags & TVHT_ONITEMSTATEICON)) {
        test::ClickAt(test::ScreenPoint(tree_, x - 3, y));
        // Past the double-click time, so that the next click on the same box is a click.
        Pump(std::chrono::milliseconds(GetDoubleClickTime() + 100));
        return;
      }
    }
    FAIL() << "no check box for " << U16ToUtf8(ToU16(Text(item)));
  }
  void ClickLabel(HTREEITEM item) {
    TreeView_EnsureVisible(tree_, item);
    Pump(100ms);
    RECT text{};
    ASSERT_TRUE(TreeView_GetItemRect(tree_, item, &text, TRUE));
    test::ClickAt(test::ScreenPoint(tree_, (text.left + text.right) / 2, (text.top + text.bottom) / 2));
    Pump(150ms);
  }
  void Type(const std::wstring& text) {
    HWND box = GetDlgItem(window_, IDC_TARGET_PATH);
    test::ClickAt(test::CentreOf(box));
    SendMessageW(box, EM_SETSEL, 0, -1);
    for (wchar_t c : text) {
      INPUT input[2] = {};
      for (int i = 0; i < 2; ++i) {
        input[i].type = INPUT_KEYBOARD;
        input[i].ki.wScan = c;
        input[i].ki.dwFlags = KEYEVENTF_UNICODE | (i ? KEYEVENTF_KEYUP : 0);
      }
      SendInput(2, input, sizeof(INPUT));
      Pump(40ms);
    }
    Pump(200ms);
  }
  // Opens the preset list with the mouse and picks an entry with the keyboard.
  void ChoosePreset(int entry) {
    HWND combo = GetDlgItem(window_, IDC_TARGET_PRESETS);
    test::ClickAt(test::CentreOf(combo));
    Pump(200ms);
    test::PressKey(VK_HOME);
    for (int i = 0; i < entry; ++i) test::PressKey(VK_DOWN);
    test::PressKey(VK_RETURN);
    Pump(200ms);
  }
  void ClickOk() {
    test::ClickAt(test::CentreOf(GetDlgItem(window_, IDOK)));
    Pump(100ms);
  }
  bool OkEnabled() const { return IsWindowEnabled(GetDlgItem(window_, IDOK)) != FALSE; }

 private:
  std::thread thread_;
  std::mutex lock_;
  bool done_ = false;
  std::optional<std::wstring> result_;
  CProfileTargetDlg* dialog_ = nullptr;
  HWND window_ = nullptr, tree_ = nullptr;
};

const std::vector<DriveRoot> kCAndD = {{u"C:\\", DriveKind::Fixed}, {u"D:\\", DriveKind::Fixed}};

CProfileTargetDlg::Seams Drives(std::vector<DriveRoot> drives, ScriptedNetwork* net = nullptr) {
  CProfileTargetDlg::Seams seams;
  seams.drives = std::move(drives);
  if (net) {
    seams.network = std::make_unique<ScriptedEnumerator>(*net);
  } else {
    static ScriptedNetwork none;  // no network at all
    seams.network = std::make_unique<ScriptedEnumerator>(none);
  }
  return seams;
}

enum class Act { ClickBox, Space, Type, Preset };
struct Step {
  Act act;
  std::vector<std::wstring> node;  // for clicks and Space
  std::wstring text = L"";         // typed text
  int entry = 0;                   // preset
};
struct DialogCase {
  const char* what;
  bool antiStealth;
  const wchar_t* initial;
  std::vector<Step> steps;
  const wchar_t* result;  // null: OK is disabled
  std::vector<std::pair<std::vector<std::wstring>, CheckState>> states;
  int preset;
  const char* screenshot = nullptr;
  bool onlyCAndD = false;  // else E: is a removable drive as well
};

TEST(TargetDialog, EditsTheListAsAUserWould) {
  MakeFixtureDrive();
  using S = CheckState;
  const DialogCase cases[] = {
      {"default list with anti-stealth", true, L"${Memory}|${Startup}|C:\\|D:\\", {},
       L"${Memory}|${Startup}|C:\\|D:\\",
       {{{L"Operating memory"}, S::Checked}, {{L"C:\\"}, S::Checked}, {{}, S::Checked}}, 1,
       nullptr, true},
      {"memory without anti-stealth comes back last", false, L"${Memory}|${Startup}|C:\\|D:\\",
       {}, L"${Startup}|C:\\|D:\\|${Memory}", {{{L"Autostart locations"}, S::Checked}}, 1},
      {"a boot item is kept and never shown", true, L"D:\\${Boot}|${Startup}", {},
       L"${Startup}|D:\\${Boot}", {{{L"D:\\"}, S::Unchecked}}, kNoPresetEntry},
      {"a checked folder, its drive mixed", true, L"D:\\Folder\\", {}, L"D:\\Folder\\",
       {{{L"D:\\", L"Folder"}, S::Checked},
        {{L"D:\\", L"A"}, S::Unchecked}, {{L"D:\\"}, S::Mixed}, {{}, S::Mixed}},
       kNoPresetEntry, "target_dialog_checked_folder"},
      {"two of three files by click, compact", true, L"",
       {{Act::ClickBox, {L"D:\\"}}, {Act::ClickBox, {L"D:\\"}},  // check and uncheck again
        {Act::Type, {}, L"D:\\A\\x"}, {Act::ClickBox, {L"D:\\", L"A", L"x"}},
        {Act::ClickBox, {L"D:\\", L"A", L"y"}}},
       L"D:\\A\\x|~\\y",
       {{{L"D:\\", L"A"}, S::Mixed}, {{L"D:\\"}, S::Mixed}, {{L"D:\\", L"A", L"z"}, S::Unchecked}},
       kNoPresetEntry, "target_dialog_mixed_parent"},
      {"all files of a folder by Space check the folder", true, L"",
       {{Act::Type, {}, L"D:\\B\\x"}, {Act::Space, {L"D:\\", L"B", L"x"}},
        {Act::Space, {L"D:\\", L"B", L"y"}}},
       L"D:\\B\\", {{{L"D:\\", L"B"}, S::Checked}}, kNoPresetEntry},
      {"typing selects without checking", true, L"",
       {{Act::Type, {}, L"C:\\windows"}}, nullptr,
       {{{L"C:\\", L"windows"}, S::Unchecked}, {{L"C:\\"}, S::Unchecked}}, kNoSelectionPreset},
      {"Local drives checks the fixed drives and drops the rest", true,
       L"${Memory}|E:\\${Boot}|Q:\\lost\\", {{Act::Preset, {}, L"", 1}}, L"C:\\|D:\\",
       {{{L"Operating memory"}, S::Unchecked}, {{L"C:\\"}, S::Checked},
        {{L"E:\\"}, S::Unchecked}},
       1, "target_dialog_local_drives"},
      {"fixed drives by hand show Local drives; a removable one clears it", true, L"",
       {{Act::ClickBox, {L"C:\\"}}, {Act::ClickBox, {L"D:\\"}},
        {Act::ClickBox, {L"Operating memory"}}, {Act::ClickBox, {L"E:\\"}}},
       L"${Memory}|C:\\|D:\\|E:\\", {{{L"E:\\"}, S::Checked}}, kNoPresetEntry},
  };
  for (const DialogCase& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<DriveRoot> drives = kCAndD;
    if (!c.onlyCAndD) drives.push_back({u"E:\\", DriveKind::Removable});
    RunningDialog dialog(c.initial, c.antiStealth, Drives(drives));
    ASSERT_TRUE(dialog.window());
    for (const Step& step : c.steps) {
      HTREEITEM node = nullptr;
      if (step.act == Act::ClickBox || step.act == Act::Space) {
        std::initializer_list<std::wstring> none;
        node = step.node.empty() ? TreeView_GetRoot(dialog.tree()) : nullptr;
        if (!node) {
          HTREEITEM current = TreeView_GetRoot(dialog.tree());
          for (const std::wstring& text : step.node) {
            HTREEITEM child = TreeView_GetChild(dialog.tree(), current);
            while (child && dialog.Text(child) != text) child = TreeView_GetNextSibling(dialog.tree(), child);
            current = child;
            if (!current) break;
          }
          node = current;
        }
        (void)none;
        ASSERT_TRUE(node) << U16ToUtf8(ToU16(step.node.back()));
      }
      switch (step.act) {
        case Act::ClickBox:
          dialog.ClickStateIcon(node);
          break;
        case Act::Space:
          dialog.ClickLabel(node);
          test::PressKey(VK_SPACE);
          Pump(150ms);
          break;
        case Act::Type:
          dialog.Type(step.text);
          break;
        case Act::Preset:
          dialog.ChoosePreset(step.entry);
          break;
      }
    }
    for (const auto& [path, state] : c.states) {
      HTREEITEM node = TreeView_GetRoot(dialog.tree());
      for (const std::wstring& text : path) {
        HTREEITEM child = TreeView_GetChild(dialog.tree(), node);
        while (child && dialog.Text(child) != text) child = TreeView_GetNextSibling(dialog.tree(), child);
        node = child;
        if (!node) break;
      }
      ASSERT_TRUE(node) << (path.empty() ? "computer" : U16ToUtf8(ToU16(path.back())));
      EXPECT_EQ(dialog.State(node), state) << (path.empty() ? "computer" : U16ToUtf8(ToU16(path.back())));
    }
    EXPECT_EQ(dialog.Preset(), c.preset);
    if (std::string(c.what).starts_with("typing")) {
      HTREEITEM windows = TreeView_GetSelection(dialog.tree());
      EXPECT_EQ(dialog.Text(windows), L"windows");
      EXPECT_EQ(dialog.PathBox(), L"C:\\windows");
    }
    if (c.screenshot) test::SaveScreenshot(ToWide(Utf8ToU16(c.screenshot)));
    EXPECT_EQ(dialog.OkEnabled(), c.result != nullptr);
    if (!c.result) continue;
    dialog.ClickOk();
    ASSERT_TRUE(dialog.WaitDone());
    ASSERT_TRUE(dialog.result().has_value());
    EXPECT_EQ(U16ToUtf8(ToU16(*dialog.result())), U16ToUtf8(ToU16(c.result)));
  }
}

TEST(TargetDialog, RealDrivesExpandedAndPlacedOnScreen) {
  MakeFixtureDrive();
  // The prefix's own drives: C:, D: and Z: fixed, E: removable.
  RunningDialog dialog(L"D:\\A\\x", true, Drives(WindowsTargetSystem().Drives()));
  HTREEITEM d = dialog.Find({L"D:\\"});
  ASSERT_TRUE(d);
  EXPECT_EQ(dialog.State(d), CheckState::Mixed);
  EXPECT_TRUE(dialog.Find({L"E:\\"}));
  EXPECT_TRUE(dialog.Find({L"Z:\\"}));
  EXPECT_EQ(dialog.State(dialog.Find({L"D:\\", L"A", L"x"})), CheckState::Checked);
  // Expanded with the keyboard: folders first, then files, each by name.
  dialog.ClickLabel(dialog.Find({L"D:\\", L"Folder"}));
  test::PressKey(VK_RIGHT);
  Pump(300ms);
  std::vector<std::wstring> children;
  for (HTREEITEM c = TreeView_GetChild(dialog.tree(), dialog.Find({L"D:\\", L"Folder"})); c;
       c = TreeView_GetNextSibling(dialog.tree(), c)) {
    children.push_back(dialog.Text(c));
  }
  EXPECT_EQ(children, (std::vector<std::wstring>{L"sub", L"file.txt"}));
  RECT window{}, work{};
  GetWindowRect(dialog.window(), &window);
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_NEAR((window.left + window.right) / 2, (work.left + work.right) / 2, 1);
  EXPECT_EQ(window.top - work.top,
            ((work.bottom - work.top) - (window.bottom - window.top)) * 45 / 100);
  test::SaveScreenshot(L"target_dialog_drives_expanded");
  // A change of visual style draws the three check boxes again.
  HIMAGELIST before = TreeView_GetImageList(dialog.tree(), TVSIL_STATE);
  ASSERT_TRUE(before);
  SendMessageW(dialog.window(), WM_THEMECHANGED, 0, 0);
  HIMAGELIST after = TreeView_GetImageList(dialog.tree(), TVSIL_STATE);
  EXPECT_NE(after, before);
  EXPECT_EQ(ImageList_GetImageCount(after), 4);
  EXPECT_EQ(dialog.State(d), CheckState::Mixed);
  dialog.ClickOk();
  ASSERT_TRUE(dialog.WaitDone());
  EXPECT_EQ(*dialog.result(), L"D:\\A\\x");
}

TEST(TargetDialog, ScriptedNetworkFillsTheTreeAndFollowsATypedShare) {
  ScriptedNetwork net;
  FillNetwork(net);
  RunningDialog dialog(L"\\\\Fileserver\\home\\", true, Drives(kCAndD, &net));
  // The network root loads its top level at opening; the domain and server by expanding.
  ASSERT_TRUE(PumpUntil([&] { return dialog.NetworkRoot() && dialog.Find({L"Workgroup"}, dialog.NetworkRoot()) != nullptr; }));
  HTREEITEM workgroup = dialog.Find({L"Workgroup"}, dialog.NetworkRoot());
  EXPECT_EQ(dialog.State(workgroup), CheckState::None);
  // Typing a share while its server is not listed yet: the path is followed as results arrive.
  dialog.Type(L"\\\\Fileserver\\public");
  TreeView_Expand(dialog.tree(), workgroup, TVE_EXPAND);
  ASSERT_TRUE(PumpUntil([&] {
    return dialog.Find({L"Workgroup", L"Fileserver", L"public"}, dialog.NetworkRoot()) != nullptr;
  }));
  HTREEITEM pub = dialog.Find({L"Workgroup", L"Fileserver", L"public"}, dialog.NetworkRoot());
  HTREEITEM home = dialog.Find({L"Workgroup", L"Fileserver", L"home"}, dialog.NetworkRoot());
  EXPECT_TRUE(PumpUntil([&] { return TreeView_GetSelection(dialog.tree()) == pub; }));
  EXPECT_EQ(dialog.State(pub), CheckState::Unchecked);
  EXPECT_EQ(dialog.State(home), CheckState::Checked);  // from the initial list
  EXPECT_EQ(dialog.State(dialog.Find({L"Workgroup", L"Fileserver"}, dialog.NetworkRoot())),
            CheckState::None);
  dialog.ClickStateIcon(pub);
  EXPECT_TRUE(PumpUntil([&] { return !dialog.NetworkBusy(); }));
  dialog.ClickOk();
  ASSERT_TRUE(dialog.WaitDone());
  EXPECT_EQ(*dialog.result(), L"\\\\Fileserver\\home\\|~\\public\\");
}

TEST(TargetDialog, ClosesWhileTheNetworkHangsAndLeavesNothingBehind) {
  ScriptedNetwork net;
  FillNetwork(net);
  net.slow = u"";  // the top level hangs
  {
    RunningDialog dialog(L"", true, Drives(kCAndD, &net));
    ASSERT_TRUE(PumpUntil([&] { return dialog.NetworkBusy(); }));
    // The busy cursor over the tree.
    test::MoveMouse(test::CentreOf(dialog.tree()));
    Pump(200ms);
    CURSORINFO cursor{};
    cursor.cbSize = sizeof(cursor);
    GetCursorInfo(&cursor);
    EXPECT_EQ(cursor.hCursor, LoadCursorW(nullptr, IDC_APPSTARTING));
    const auto start = std::chrono::steady_clock::now();
    test::ClickAt(test::CentreOf(GetDlgItem(dialog.window(), IDCANCEL)));
    ASSERT_TRUE(dialog.WaitDone(5s));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
    EXPECT_FALSE(dialog.result().has_value());
  }
  {
    std::lock_guard<std::mutex> guard(net.lock);
    EXPECT_GT(net.openEnumerations, 0);  // the hanging enumeration is still open
    net.released = true;
    net.changed.notify_all();
  }
  std::unique_lock<std::mutex> guard(net.lock);
  EXPECT_TRUE(net.changed.wait_for(guard, 10s, [&] { return net.openEnumerations + net.liveEnumerators == 0; }));
}

TEST(TargetDialog, RealNetworkCallsUnderWineShowNoNetworkNode) {
  HANDLE handle = nullptr;
  const DWORD opened = WNetOpenEnumW(RESOURCE_GLOBALNET, RESOURCETYPE_DISK, 0, nullptr, &handle);
  if (opened == NO_ERROR) WNetCloseEnum(handle);
  const auto start = std::chrono::steady_clock::now();
  std::optional<std::wstring> result;
  std::thread opener([&] { result = ChooseScanTargets(nullptr, L"${Startup}|${DriveFixed}", false); });
  HWND window = nullptr;
  ASSERT_TRUE(test::WaitUntil([&] {
    window = FindWindowW(nullptr, L"Selection of scan targets");
    return window && IsWindowVisible(window);
  }, 10s));
  HWND tree = GetDlgItem(window, IDC_TARGET_TREE);
  Pump(500ms);
  int topLevel = 0;
  for (HTREEITEM i = TreeView_GetRoot(tree); i; i = TreeView_GetNextSibling(tree, i)) ++topLevel;
  EXPECT_EQ(topLevel, opened == NO_ERROR ? 2 : 1);
  test::ClickAt(test::CentreOf(GetDlgItem(window, IDOK)));
  opener.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 20s);
  ASSERT_TRUE(result.has_value());
  // The fixed drives came in expanded and go back as roots.
  std::wstring fixed = L"${Startup}";
  for (const DriveRoot& drive : WindowsTargetSystem().Drives()) {
    if (drive.kind == DriveKind::Fixed) fixed += L"|" + ToWide(drive.root);
  }
  EXPECT_EQ(*result, fixed);
}

}  // namespace
}  // namespace qws
