// The settings page in a window of the main window's size that owns it as the main window does
// (proxy record, detector, target dialog), driven with real mouse and key input under Xvfb.
// The product detection reads a database of this test's own, made from the XML below, on a
// Wine computer prepared for real (registry keys, program files, services).
#include "ui/pages/settings_page.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "app/program_key.h"
#include "app/proxy_settings.h"
#include "base/u16.h"
#include "detect/database_carrier.h"
#include "net/password_scramble.h"
#include "tests/detect/fake_computer.h"
#include "tests/support/win_test_support.h"
#include "tests/ui/input_driver.h"
#include "tests/ui/modal_script.h"
#include "tests/ui/pages_test_ids.h"
#include "ui/font_list.h"
#include "ui/pages/settings_page_logic.h"

namespace qws {
namespace {

using namespace std::chrono_literals;
using test::Pump;
using test::PumpUntil;

constexpr REGSAM k64 = KEY_WOW64_64KEY;
constexpr COLORREF kBand = RGB(0xE6, 0xF3, 0xFB);  // the alternate background behind the radios
constexpr COLORREF kWhite = RGB(255, 255, 255);

// Our own product and five of other (invented) makers, each found by a key, a program file and
// a service named after it.
struct TestProduct {
  const wchar_t* name;  // key, folder and service name
  const char* vendor;
  int vendorId;
  const char* product;
};
constexpr TestProduct kOwnProduct = {L"Quellix", "Quellix", 32, "Quellix Endpoint Shield"};
constexpr TestProduct kOtherProducts[] = {
    {L"Larkspur", "Larkspur Labs", 40, "Larkspur Guard"},
    {L"Tidewater", "Tidewater Systems", 41, "Tidewater Secure"},
    {L"Bramble", "Brambleworth Software Foundation", 42, "Bramble Shield Pro"},
    {L"Oriel", "Oriel", 43, "Oriel Sentinel"},
    {L"Cinderpath", "Cinderpath", 44, "Cinderpath Total Care"},
};

std::string VendorXml(const TestProduct& p) {
  const std::string name = U16ToUtf8(ToU16(p.name));
  return "<VENDOR COMPANY=\"" + std::string(p.vendor) + "\" ID=\"" + std::to_string(p.vendorId) +
         "\"><VERSION NAME=\"1\" PRODUCT=\"" + p.product + "\" ID=\"1\" WSC_NAME=\"" + p.product + "\">" +
         "<REGS><REG TYPE=\"local\" KEY=\"SOFTWARE\\QwsPageTest\\" + name + "\"/></REGS>" +
         "<FILES PATH=\"%PROGRAM%\\QwsPageTest\\" + name + "\"><FILE NAME=\"guard.exe\"/></FILES>" +
         "<SERVICES><SERVICE NAME=\"QwsPageTest" + name + "\"/></SERVICES></VERSION></VENDOR>";
}

const BuiltInChunks& TestDatabaseChunks() {
  static const std::array<std::string, kBuiltInChunkCount> parts = [] {
    std::string xml = "<VENDORS>" + VendorXml(kOwnProduct);
    for (const TestProduct& p : kOtherProducts) xml += VendorXml(p);
    xml += "</VENDORS>";
    return SplitIntoChunks(*DeflateBlock(xml));
  }();
  static const BuiltInChunks views = [] {
    BuiltInChunks chunks;
    for (size_t i = 0; i < kBuiltInChunkCount; ++i) chunks[i] = parts[i];
    return chunks;
  }();
  return views;
}

BuiltInChunkSource TestDatabase() {
  return [] { return std::optional<BuiltInChunks>(TestDatabaseChunks()); };
}

void Install(test::FakeComputer& computer, const TestProduct& p) {
  computer.CreateKey(HKEY_LOCAL_MACHINE, k64, std::wstring(L"SOFTWARE\\QwsPageTest\\") + p.name);
  computer.WriteFile(test::ProgramFilesFolder(k64) + L"\\QwsPageTest\\" + p.name + L"\\guard.exe", "MZ");
  computer.CreateService(std::wstring(L"QwsPageTest") + p.name);
}

// Holds the database back until the test lets it go, so that the searching text can be seen.
class DatabaseGate {
 public:
  DatabaseGate() : open_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  void Open() { SetEvent(open_.get()); }
  BuiltInChunkSource Source() {
    return [this] {
      WaitForSingleObject(open_.get(), 20000);
      return std::optional<BuiltInChunks>(TestDatabaseChunks());
    };
  }

 private:
  ScopedHandle open_;
};

// What the main window is to the page: the owner of the proxy record and the detector, and the
// window the page posts its step to.
class CTestMainWindow : public CDialog {
 public:
  explicit CTestMainWindow(CDetectAVWrapper& detector) : CDialog(IDD_PAGE_TEST_HOST), page(proxySettings, detector) {}
  ProxySettings proxySettings;
  CSettingsDlg page;
  int settingsChosen = 0;

 protected:
  bool OnInitDialog() override {
    SetWindowPos(hwnd(), HWND_TOPMOST, 40, 40, 600, 560, SWP_NOACTIVATE);
    page.CreateModeless(hwnd());
    SetWindowPos(page.hwnd(), nullptr, 1, 60, 598, 450, SWP_NOZORDER);
    page.Show(true);
    return true;
  }
  std::optional<LRESULT> OnUserMessage(UINT message, WPARAM, LPARAM) override {
    if (message != kMsgSettingsChosen) return std::nullopt;
    ++settingsChosen;
    return 0;
  }
};

// The page on screen, refreshed as the main window brings it up.
class OpenPage {
 public:
  explicit OpenPage(BuiltInChunkSource chunks = TestDatabase(), TargetChooser chooser = {})
      : detector_({}, std::move(chunks)), host_(detector_) {
    host_.CreateModeless(nullptr);
    ShowWindow(host_.hwnd(), SW_SHOW);
    SetForegroundWindow(host_.hwnd());
    page().SetTargetChooser(std::move(chooser));
    page().Refresh();
    Pump(300ms);
  }
  CSettingsDlg& page() { return host_.page; }
  CTestMainWindow& host() { return host_; }
  CDetectAVWrapper& detector() { return detector_; }
  HWND Item(int id) { return GetDlgItem(page().hwnd(), id); }
  RECT Rect(int id) {
    RECT rect{};
    GetWindowRect(Item(id), &rect);
    MapWindowPoints(nullptr, page().hwnd(), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  }
  bool Visible(int id) { return IsWindowVisible(Item(id)) != FALSE; }
  bool Checked(int id) { return SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  void Click(int id) { test::ClickAt(test::CentreOf(Item(id))); }
  // Clicks the one link of a text control.
  void ClickLink(const CStaticText& text) {
    ASSERT_TRUE(PumpUntil([&] { return !text.linkRects().empty(); }));
    const RECT link = text.linkRects().front().first;
    test::ClickAt(test::ScreenPoint(text.hwnd(), (link.left + link.right) / 2, (link.top + link.bottom) / 2));
  }
  void ToggleAdvanced() {
    const bool wanted = !page().advancedExpanded();
    Click(IDC_SETTINGS_ADVANCED);
    ASSERT_TRUE(PumpUntil([&] { return page().advancedExpanded() == wanted && page().animationStep() == 0; }));
    Pump(100ms);
  }
  std::wstring TargetsText() { return page().targetsLine().Text(); }
  std::wstring ProductsText() { return page().productsLine().Text(); }

 private:
  CDetectAVWrapper detector_;
  CTestMainWindow host_;
};

std::optional<std::wstring> StoredText(const wchar_t* name) {
  RegKey key = OpenProgramKeyForReading();
  return key.is_valid() ? key.ReadString(name, 1000) : std::nullopt;
}

class SettingsPage : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    if (FontList::Process().size() == 0) AppendMainWindowFonts();
  }
  static void TearDownTestSuite() { FontList::Process().Clear(); }
  void SetUp() override {
    DeleteProxySettings();
    test::MoveMouse({20, 20});
  }
  void TearDown() override { DeleteProxySettings(); }
};

TEST_F(SettingsPage, RefusesScanUntilTheUnwantedChoiceIsMade) {
  SaveProxySettings({L"proxy.test", L"3128", L"", L"", true});
  OpenPage open;
  CSettingsDlg& page = open.page();
  HWND first = open.Item(IDC_SETTINGS_UNWANTED_ON);
  HWND second = open.Item(IDC_SETTINGS_UNWANTED_OFF);
  EXPECT_EQ(GetFocus(), open.Item(IDC_SETTINGS_SCAN));
  EXPECT_TRUE(open.Checked(IDC_SETTINGS_PROXY)) << "the box follows the stored record";
  // Between each radio's glyph and its text the page background shows.
  EXPECT_TRUE(test::Near(test::WindowPixel(first, 14, 1), kWhite, 6));

  for (int press = 0; press < 2; ++press) {
    open.Click(IDC_SETTINGS_SCAN);
    Pump(200ms);
    EXPECT_EQ(open.host().settingsChosen, 0) << "press " << press;
    EXPECT_TRUE(test::Near(test::WindowPixel(first, 14, 1), kBand, 10)) << std::hex << test::WindowPixel(first, 14, 1);
    EXPECT_TRUE(test::Near(test::WindowPixel(second, 14, 1), kBand, 10));
    EXPECT_EQ(GetFocus(), first) << "press " << press;
  }
  test::SaveScreenshot(L"settings_page_choice_missing");

  open.Click(IDC_SETTINGS_UNWANTED_OFF);
  Pump(200ms);
  EXPECT_TRUE(test::Near(test::WindowPixel(first, 14, 1), kWhite, 6));
  EXPECT_TRUE(test::Near(test::WindowPixel(second, 14, 1), kWhite, 6));
  EXPECT_TRUE(open.Checked(IDC_SETTINGS_UNWANTED_OFF));
  EXPECT_EQ(open.host().settingsChosen, 0);
  test::SaveScreenshot(L"settings_page");

  // The proxy box is read when Scan is pressed: switched off, the record is stored off.
  open.ToggleAdvanced();
  open.Click(IDC_SETTINGS_PROXY);
  EXPECT_FALSE(open.Checked(IDC_SETTINGS_PROXY));
  open.Click(IDC_SETTINGS_SCAN);
  ASSERT_TRUE(PumpUntil([&] { return open.host().settingsChosen == 1; }));
  EXPECT_EQ(StoredText(L"qws_proxy_enabled"), L"0");
  EXPECT_EQ(StoredText(L"qws_proxy_addr"), L"proxy.test");
  EXPECT_FALSE(open.host().proxySettings.enabled);

  const ScanChoices choices = page.Choices();
  EXPECT_FALSE(choices.detectUnwanted);
  EXPECT_FALSE(choices.detectUnsafe);
  EXPECT_TRUE(choices.detectSuspicious);
  EXPECT_TRUE(choices.scanArchives);
  EXPECT_TRUE(choices.antiStealth);
  EXPECT_FALSE(choices.cleanAutomatically);
  // The list has been expanded into the drives for the scan.
  EXPECT_EQ(choices.targets.find(L"${DriveFixed}"), std::wstring::npos) << choices.targets;
  EXPECT_EQ(choices.targets.rfind(L"${Memory}|${Startup}|", 0), 0u) << choices.targets;
  EXPECT_NE(choices.targets.find(L"C:\\"), std::wstring::npos) << choices.targets;
  EXPECT_EQ(page.TargetsForScan(), choices.targets);
}

// Which page children were shown or hidden, in order, with the triangle's turn and where
// separator 2 stood at that moment.
struct ShowEvent {
  int id;
  bool shown;
  int turn;
  int separatorTop;
};
std::vector<ShowEvent>* g_showEvents = nullptr;
CSettingsDlg* g_recordedPage = nullptr;

LRESULT CALLBACK RecordShowWindow(int code, WPARAM wparam, LPARAM lparam) {
  const auto* message = reinterpret_cast<const CWPSTRUCT*>(lparam);
  if (code == HC_ACTION && message->message == WM_SHOWWINDOW && g_recordedPage &&
      GetParent(message->hwnd) == g_recordedPage->hwnd()) {
    const int id = GetDlgCtrlID(message->hwnd);
    if ((id >= IDC_SETTINGS_UNSAFE && id <= IDC_SETTINGS_CLEAN_TIP) || id == IDC_SETTINGS_CONFIGURE ||
        id == IDC_SETTINGS_TARGETS) {
      RECT separator{};
      GetWindowRect(GetDlgItem(g_recordedPage->hwnd(), IDC_SETTINGS_SEPARATOR2), &separator);
      MapWindowPoints(nullptr, g_recordedPage->hwnd(), reinterpret_cast<POINT*>(&separator), 2);
      g_showEvents->push_back({id, message->wParam != 0, g_recordedPage->triangle().turn(),
                               static_cast<int>(separator.top)});
    }
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

class ShowRecorder {
 public:
  explicit ShowRecorder(CSettingsDlg& page) {
    g_showEvents = &events;
    g_recordedPage = &page;
    hook_ = SetWindowsHookExW(WH_CALLWNDPROC, RecordShowWindow, nullptr, GetCurrentThreadId());
  }
  ~ShowRecorder() {
    UnhookWindowsHookEx(hook_);
    g_showEvents = nullptr;
    g_recordedPage = nullptr;
  }
  std::vector<ShowEvent> events;

 private:
  HHOOK hook_;
};

// One press and release, queued at once without handling anything in between.
void QueueClick(POINT screen) {
  INPUT inputs[3] = {};
  for (INPUT& input : inputs) input.type = INPUT_MOUSE;
  inputs[0].mi.dx = MulDiv(screen.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  inputs[0].mi.dy = MulDiv(screen.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(3, inputs, sizeof(INPUT));
}

// Handles messages one at a time until the condition holds.
bool HandleUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 5s) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!condition() && std::chrono::steady_clock::now() < end) {
    MSG message;
    if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
      if (!root || !IsDialogMessageW(root, &message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
    } else {
      Sleep(1);
    }
  }
  return condition();
}

TEST_F(SettingsPage, AdvancedSectionOpensRowByRowAndClosesFromTheBottom) {
  OpenPage open;
  CSettingsDlg& page = open.page();
  const int rowTops[] = {205, 225, 246, 267, 288};
  std::vector<ShowEvent> opening;
  {
    ShowRecorder recorder(page);
    open.ToggleAdvanced();
    opening = recorder.events;
  }
  // Row 0 first (the section frame: separator 2 already moved), then one row per step.
  const std::vector<int> expectedOrder = {
      IDC_SETTINGS_UNSAFE,      IDC_SETTINGS_UNSAFE_TIP,      IDC_SETTINGS_SUSPICIOUS, IDC_SETTINGS_SUSPICIOUS_TIP,
      IDC_SETTINGS_ARCHIVES,    IDC_SETTINGS_ARCHIVES_TIP,    IDC_SETTINGS_ANTISTEALTH,
      IDC_SETTINGS_ANTISTEALTH_TIP, IDC_SETTINGS_CLEAN,     IDC_SETTINGS_CLEAN_TIP,  IDC_SETTINGS_TARGETS,
      IDC_SETTINGS_PROXY,       IDC_SETTINGS_CONFIGURE};
  const std::vector<int> rowOfEach = {1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 7, 7};
  ASSERT_EQ(opening.size(), expectedOrder.size());
  for (size_t i = 0; i < opening.size(); ++i) {
    EXPECT_EQ(opening[i].id, expectedOrder[i]) << i;
    EXPECT_TRUE(opening[i].shown) << i;
    EXPECT_EQ(opening[i].turn, TriangleTurnOfRow(rowOfEach[i])) << i;
    EXPECT_EQ(opening[i].separatorTop, 371) << i;
  }

  // The open layout.
  EXPECT_TRUE(page.advancedExpanded());
  EXPECT_EQ(page.triangle().turn(), 100);
  EXPECT_EQ(test::WindowText(open.Item(IDC_SETTINGS_ADVANCED)), L"Hide advanced settings");
  const int boxes[] = {IDC_SETTINGS_UNSAFE, IDC_SETTINGS_SUSPICIOUS, IDC_SETTINGS_ARCHIVES, IDC_SETTINGS_ANTISTEALTH,
                       IDC_SETTINGS_CLEAN};
  for (int i = 0; i < 5; ++i) {
    const RECT box = open.Rect(boxes[i]);
    const RECT tip = open.Rect(boxes[i] + 8);
    EXPECT_EQ(box.left, 59);
    EXPECT_EQ(box.top, rowTops[i]);
    EXPECT_EQ(box.bottom - box.top, 19);
    EXPECT_EQ(tip.left, box.right + 7) << "tip " << i;
    EXPECT_EQ(tip.right - tip.left, 16);
    EXPECT_EQ(tip.bottom - tip.top, 16);
    EXPECT_TRUE(open.Visible(boxes[i]) && open.Visible(boxes[i] + 8));
  }
  const RECT targets = open.Rect(IDC_SETTINGS_TARGETS);
  EXPECT_EQ(targets.left, 59);
  EXPECT_EQ(targets.top, 316);
  EXPECT_EQ(targets.right, 540);
  const RECT proxy = open.Rect(IDC_SETTINGS_PROXY);
  const RECT configure = open.Rect(IDC_SETTINGS_CONFIGURE);
  EXPECT_EQ(proxy.top, 337);
  EXPECT_EQ(configure.left, proxy.right + 10);
  EXPECT_EQ(configure.right, 540);
  const RECT separator = open.Rect(IDC_SETTINGS_SEPARATOR2);
  EXPECT_EQ(separator.left, 59);
  EXPECT_EQ(separator.top, 371);
  EXPECT_EQ(separator.right - separator.left, 540);
  EXPECT_EQ(open.Rect(IDC_SETTINGS_PRODUCTS).top, 382);
  test::SaveScreenshot(L"settings_page_advanced");

  // Closing: from the bottom row up, then the frame.
  std::vector<ShowEvent> closing;
  {
    ShowRecorder recorder(page);
    open.ToggleAdvanced();
    closing = recorder.events;
  }
  ASSERT_EQ(closing.size(), expectedOrder.size());
  const std::vector<int> closingOrder = {
      IDC_SETTINGS_PROXY,       IDC_SETTINGS_CONFIGURE,     IDC_SETTINGS_TARGETS,  IDC_SETTINGS_CLEAN,
      IDC_SETTINGS_CLEAN_TIP,   IDC_SETTINGS_ANTISTEALTH,   IDC_SETTINGS_ANTISTEALTH_TIP,
      IDC_SETTINGS_ARCHIVES,    IDC_SETTINGS_ARCHIVES_TIP,  IDC_SETTINGS_SUSPICIOUS, IDC_SETTINGS_SUSPICIOUS_TIP,
      IDC_SETTINGS_UNSAFE,      IDC_SETTINGS_UNSAFE_TIP};
  for (size_t i = 0; i < closing.size(); ++i) {
    EXPECT_EQ(closing[i].id, closingOrder[i]) << i;
    EXPECT_FALSE(closing[i].shown) << i;
    EXPECT_EQ(closing[i].separatorTop, 371) << "the frame moves last";
  }
  EXPECT_EQ(page.triangle().turn(), 0);
  EXPECT_EQ(test::WindowText(open.Item(IDC_SETTINGS_ADVANCED)), L"Advanced settings");
  EXPECT_EQ(open.Rect(IDC_SETTINGS_SEPARATOR2).top, 215);
  EXPECT_EQ(open.Rect(IDC_SETTINGS_PRODUCTS).top, 230);

  // A second click during the opening turns it round: what was shown goes again, bottom up.
  std::vector<ShowEvent> reversed;
  {
    ShowRecorder recorder(page);
    const POINT link = test::CentreOf(open.Item(IDC_SETTINGS_ADVANCED));
    QueueClick(link);
    ASSERT_TRUE(HandleUntil([&] { return page.animationStep() >= 4; }));
    QueueClick(link);
    ASSERT_TRUE(HandleUntil([&] { return !page.advancedExpanded() && page.animationStep() == 0; }));
    reversed = recorder.events;
  }
  // Shown rows, then the same rows hidden from the bottom up (the reversal may come a tick
  // later than asked for, when a timer message was queued already).
  size_t shows = 0;
  while (shows < reversed.size() && reversed[shows].shown) ++shows;
  ASSERT_GE(shows, 2u);
  ASSERT_LT(shows, expectedOrder.size()) << "the opening was turned round before its end";
  ASSERT_EQ(reversed.size(), 2 * shows);
  for (size_t i = 0; i < shows; ++i) EXPECT_EQ(reversed[i].id, expectedOrder[i]) << i;
  std::vector<int> hiddenRows;
  for (size_t i = shows; i < reversed.size(); ++i) {
    EXPECT_FALSE(reversed[i].shown);
    const size_t at = static_cast<size_t>(std::find(expectedOrder.begin(), expectedOrder.end(), reversed[i].id) -
                                          expectedOrder.begin());
    ASSERT_LT(at, shows);
    hiddenRows.push_back(rowOfEach[at]);
  }
  EXPECT_TRUE(std::is_sorted(hiddenRows.rbegin(), hiddenRows.rend())) << "bottom row first";
  for (int id : expectedOrder) EXPECT_FALSE(open.Visible(id)) << id;
  EXPECT_EQ(page.triangle().turn(), 0);
  EXPECT_EQ(open.Rect(IDC_SETTINGS_SEPARATOR2).top, 215);
}

// A named callback: the window enumeration wants the system's calling convention.
BOOL CALLBACK FindVisibleToolTip(HWND window, LPARAM found) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  if (std::wstring(name) == TOOLTIPS_CLASSW && IsWindowVisible(window)) *reinterpret_cast<HWND*>(found) = window;
  return TRUE;
}

TEST_F(SettingsPage, ToolTipSpotShowsItsTextAndLetsItGo) {
  OpenPage open;
  open.ToggleAdvanced();
  HWND spotWindow = open.Item(IDC_SETTINGS_ARCHIVES_TIP);
  test::MoveMouse(test::CentreOf(spotWindow));
  test::MoveMouse(test::ScreenPoint(spotWindow, 9, 9));
  HWND tip = nullptr;
  ASSERT_TRUE(PumpUntil([&] {
    tip = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindVisibleToolTip, reinterpret_cast<LPARAM>(&tip));
    return tip != nullptr;
  }));
  TOOLINFOW info{};
  wchar_t text[1000] = {};
  info.cbSize = TTTOOLINFOW_V2_SIZE;
  info.hwnd = spotWindow;
  info.uId = reinterpret_cast<UINT_PTR>(spotWindow);
  info.lpszText = text;
  SendMessageW(tip, TTM_GETTEXTW, 1000, reinterpret_cast<LPARAM>(&info));
  EXPECT_STREQ(text, L"Archives may also contain threats which do not pose a direct risk, however.");
  RECT place{};
  GetWindowRect(tip, &place);
  RECT spotPlace{};
  GetWindowRect(spotWindow, &spotPlace);
  EXPECT_GE(place.top, spotPlace.bottom) << "below the spot";
  test::SaveScreenshot(L"settings_page_tool_tip");
  test::MoveMouse(test::ScreenPoint(open.page().hwnd(), 580, 440));
  EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(tip); }, 3s));
}

// A target dialog that answers from a script and notes what it was given.
struct ScriptedChooser {
  std::vector<std::optional<std::wstring>> answers;
  std::vector<std::wstring> given;
  std::vector<bool> antiStealthGiven;
  std::vector<HWND> owners;
  int calls = 0;
  TargetChooser Chooser() {
    return [this](HWND owner, const std::wstring& targets, bool antiStealth) -> std::optional<std::wstring> {
      ++calls;
      given.push_back(targets);
      antiStealthGiven.push_back(antiStealth);
      owners.push_back(owner);
      // A second activation of "Change..." while the dialog is open does nothing.
      SendMessageW(owner, WM_COMMAND, MAKEWPARAM(IDC_SETTINGS_TARGETS, kLinkActivated),
                   reinterpret_cast<LPARAM>(GetDlgItem(owner, IDC_SETTINGS_TARGETS)));
      if (answers.empty()) return std::nullopt;
      auto answer = answers.front();
      answers.erase(answers.begin());
      return answer;
    };
  }
};

// The names part of the targets line.
std::wstring NamesOf(const std::wstring& line) {
  const size_t start = line.find(L" <I> ");
  const size_t end = line.find(L" </I>");
  if (start == std::wstring::npos || end == std::wstring::npos) return L"";
  return line.substr(start + 5, end - start - 5);
}

// The names the line shows are `full`, or as much of it as fits followed by " ...".
void ExpectNames(const std::wstring& line, const std::wstring& full) {
  const std::wstring names = NamesOf(line);
  if (names.ends_with(L" ...") && names != full) {
    const std::wstring shown = names.substr(0, names.size() - 4);
    EXPECT_FALSE(shown.empty());
    EXPECT_TRUE(full.starts_with(shown)) << "\"" << names << "\" is not the start of \"" << full << "\"";
  } else {
    EXPECT_EQ(names, full);
  }
}

int WidthInFont(HWND window, HFONT font, const std::wstring& text) {
  HDC dc = GetDC(window);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  return size.cx;
}

TEST_F(SettingsPage, TargetsLineFollowsAntiStealthAndTheTargetDialog) {
  std::wstring longList;
  std::vector<std::wstring> folders;
  for (int i = 0; i < 14; ++i) {
    folders.push_back(L"C:\\Logs " + std::to_wstring(2010 + i) + L"\\");
    longList += (i ? L"|" : L"") + folders.back();
  }
  ScriptedChooser chooser;
  chooser.answers = {longList, std::nullopt, std::wstring(L"${Memory}|C:\\Windows\\")};
  OpenPage open(TestDatabase(), chooser.Chooser());
  CSettingsDlg& page = open.page();
  ExpectNames(open.TargetsText(), L"Operating memory, Autostart locations, Local drives");
  open.ToggleAdvanced();

  // Anti-Stealth decides whether the memory is named.
  open.Click(IDC_SETTINGS_ANTISTEALTH);
  ExpectNames(open.TargetsText(), L"Autostart locations, Local drives");
  open.Click(IDC_SETTINGS_ANTISTEALTH);
  ExpectNames(open.TargetsText(), L"Operating memory, Autostart locations, Local drives");

  // "Change..." hands the dialog the expanded list; a long answer is cut to the width.
  open.ClickLink(page.targetsLine());
  ASSERT_EQ(chooser.calls, 1) << "the second activation while open was ignored";
  EXPECT_EQ(chooser.owners[0], page.hwnd());
  EXPECT_EQ(chooser.given[0].rfind(L"${Memory}|${Startup}|", 0), 0u) << chooser.given[0];
  EXPECT_EQ(chooser.given[0].find(L"${DriveFixed}"), std::wstring::npos);
  EXPECT_TRUE(chooser.antiStealthGiven[0]) << "the dialog offers the memory with Anti-Stealth on";
  EXPECT_EQ(page.targetText(), longList);
  EXPECT_TRUE(page.memoryRemoved());
  const std::wstring line = open.TargetsText();
  const std::wstring names = NamesOf(line);
  ASSERT_GE(names.size(), 4u);
  EXPECT_EQ(names.substr(names.size() - 4), L" ...") << names;
  EXPECT_EQ(names.rfind(folders[0] + L", ", 0), 0u) << names;
  EXPECT_TRUE(line.ends_with(L" </I>  <A>Change...</A>")) << line;
  // Measured as the page measures it: within 520 pixels, and one more character would not be.
  HFONT measureFont = FontList::Process().Get(kFontUnderlined);
  const int base = WidthInFont(page.targetsLine().hwnd(), measureFont, L"Current scan targets:%s<A>Change...</A>");
  const std::wstring fitted = names.substr(0, names.size() - 4);
  EXPECT_LE(base + WidthInFont(page.targetsLine().hwnd(), measureFont, fitted), 520) << fitted;
  // The names after the first one that did not fit are left out; that one is cut as little as
  // the width allows.
  size_t whole = 0;
  while (whole < folders.size() && fitted.find(folders[whole] + L",") != std::wstring::npos) ++whole;
  ASSERT_LT(whole + 1, folders.size());
  const std::wstring cut = fitted.substr(fitted.rfind(L", ") + 2);
  EXPECT_EQ(folders[whole].rfind(cut, 0), 0u) << cut;
  // Either the first name that did not fit is cut, or not even its first character fitted
  // and the line ends with the last whole name.
  const bool endsWithWholeName = cut == folders[whole];
  const size_t next = endsWithWholeName ? whole + 1 : whole;
  EXPECT_EQ(fitted.find(folders[next + (endsWithWholeName ? 0 : 1)]), std::wstring::npos);
  const std::wstring withOneMore =
      endsWithWholeName ? fitted + L", " + folders[next][0] : fitted + folders[whole][cut.size()];
  EXPECT_GT(base + WidthInFont(page.targetsLine().hwnd(), measureFont, withOneMore), 520) << withOneMore;
  // On screen "Change..." stays on the line's one row, inside the control.
  ASSERT_TRUE(PumpUntil([&] { return !page.targetsLine().linkRects().empty(); }));
  const RECT client = page.targetsLine().ClientRect();
  for (const auto& [rect, run] : page.targetsLine().linkRects()) {
    EXPECT_LE(rect.right, client.right);
    EXPECT_LE(rect.bottom, client.bottom) << "the link wrapped below the line";
  }
  test::SaveScreenshot(L"settings_page_long_targets");

  // The memory the user removed stays away when Anti-Stealth comes back on.
  open.Click(IDC_SETTINGS_ANTISTEALTH);
  open.Click(IDC_SETTINGS_ANTISTEALTH);
  EXPECT_TRUE(open.Checked(IDC_SETTINGS_ANTISTEALTH));
  EXPECT_EQ(NamesOf(open.TargetsText()), names);

  // Cancel changes nothing; an answer with the memory brings it back.
  open.ClickLink(page.targetsLine());
  EXPECT_EQ(chooser.calls, 2);
  EXPECT_EQ(chooser.given[1], longList);
  EXPECT_EQ(page.targetText(), longList);
  EXPECT_EQ(open.TargetsText(), line);
  open.ClickLink(page.targetsLine());
  EXPECT_EQ(chooser.calls, 3);
  EXPECT_FALSE(page.memoryRemoved());
  ExpectNames(open.TargetsText(), L"Operating memory, C:\\Windows\\");
}

TEST_F(SettingsPage, ConfigureOpensTheProxyDialogOnTheStoredRecordAndOkStoresIt) {
  OpenPage open;
  open.ToggleAdvanced();
  // Stored after the page came up: "Configure..." reads the store again.
  SaveProxySettings({L"stored.proxy.test", L"8080", L"", L"", false});
  const wchar_t kTitle[] = L"Proxy server settings";
  std::wstring shownAddress;
  test::RunWithScript(
      [&] {
        test::ClickAt(test::CentreOf(open.Item(IDC_SETTINGS_CONFIGURE)));
        HWND dialog = test::WaitForDialog(kTitle);
        if (!dialog) return;
        shownAddress = test::WindowText(GetDlgItem(dialog, IDC_PROXY_ADDRESS));
        test::SaveScreenshot(L"settings_page_proxy_dialog");
        test::PressKey(VK_ESCAPE);
        test::WaitForDialogToClose(dialog);
      },
      {}, {kTitle});
  EXPECT_EQ(shownAddress, L"stored.proxy.test");
  EXPECT_EQ(StoredText(L"qws_proxy_addr"), L"stored.proxy.test") << "Cancel stores nothing";

  bool closed = false;
  test::RunWithScript(
      [&] {
        test::ClickAt(test::CentreOf(open.Item(IDC_SETTINGS_CONFIGURE)));
        HWND dialog = test::WaitForDialog(kTitle);
        if (!dialog) return;
        test::PressKey(VK_HOME);
        test::PressKeyWith(VK_SHIFT, VK_END);
        test::TypeText(L"proxy.corp.test");
        test::PressKey(VK_TAB);
        test::PressKey(VK_HOME);
        test::PressKeyWith(VK_SHIFT, VK_END);
        test::TypeText(L"3128");
        test::PressKey(VK_TAB);
        test::TypeText(L"agent");
        test::PressKey(VK_TAB);
        test::TypeText(L"pa55");
        test::PressKey(VK_TAB);
        test::TypeText(L"pa55");
        test::PressKey(VK_RETURN);
        closed = test::WaitForDialogToClose(dialog);
      },
      {}, {L"Quellix WebSweep", kTitle});
  EXPECT_TRUE(closed);
  EXPECT_EQ(StoredText(L"qws_proxy_addr"), L"proxy.corp.test");
  EXPECT_EQ(StoredText(L"qws_proxy_port"), L"3128");
  EXPECT_EQ(StoredText(L"qws_proxy_username"), L"agent");
  EXPECT_EQ(StoredText(L"qws_proxy_enabled"), L"0");
  RegKey key = OpenProgramKeyForReading();
  const auto stored = key.ReadBinary(L"qws_proxy_password_enc", 1026);
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->size(), 8u);
  EXPECT_EQ(DecodeStoredPassword(*stored), u"pa55");
  EXPECT_EQ(open.host().proxySettings.address, L"proxy.corp.test");

  // Switched on with the box and Scan: the record is stored enabled.
  open.Click(IDC_SETTINGS_PROXY);
  open.Click(IDC_SETTINGS_UNWANTED_ON);
  open.Click(IDC_SETTINGS_SCAN);
  ASSERT_TRUE(PumpUntil([&] { return open.host().settingsChosen == 1; }));
  EXPECT_EQ(StoredText(L"qws_proxy_enabled"), L"1");
  EXPECT_TRUE(open.page().Choices().detectUnwanted);
}

TEST_F(SettingsPage, SearchingDotsThenAnEmptyResultHidesTheLineAfterTwoSeconds) {
  DatabaseGate gate;
  OpenPage open(gate.Source());
  const std::wstring searching = L"Searching for potentially conflicting software";
  std::vector<std::wstring> seen;
  PumpUntil(
      [&] {
        const std::wstring text = open.ProductsText();
        if (seen.empty() || seen.back() != text) seen.push_back(text);
        return seen.size() >= 5;
      },
      4s);
  ASSERT_GE(seen.size(), 4u);
  const std::vector<std::wstring> cycle = {searching + L".", searching + L"..", searching + L"..."};
  const auto start = std::find(seen.begin(), seen.end(), cycle[0]);
  ASSERT_NE(start, seen.end());
  for (size_t i = 0; start + static_cast<ptrdiff_t>(i) != seen.end(); ++i)
    EXPECT_EQ(*(start + static_cast<ptrdiff_t>(i)), cycle[i % 3]) << i;
  test::SaveScreenshot(L"settings_page_searching");

  gate.Open();
  ASSERT_TRUE(PumpUntil([&] { return open.detector().IsDone(); }, 20s));
  const auto done = std::chrono::steady_clock::now();
  EXPECT_TRUE(PumpUntil([&] { return !open.Visible(IDC_SETTINGS_PRODUCTS); }, 6s));
  EXPECT_GE(std::chrono::steady_clock::now() - done, 1500ms);
  EXPECT_FALSE(open.Visible(IDC_SETTINGS_SEPARATOR2));
}

int ColumnWidth(HWND list, int column) { return ListView_GetColumnWidth(list, column); }

std::wstring CellText(HWND list, int row, int column) {
  wchar_t text[256] = {};
  ListView_GetItemText(list, row, column, text, 256);
  return text;
}

TEST_F(SettingsPage, OurOwnProductIsListedUnderItsOwnMessage) {
  test::FakeComputer computer;
  Install(computer, kOwnProduct);
  OpenPage open;
  ASSERT_TRUE(PumpUntil([&] { return open.ProductsText().find(L"<A>") != std::wstring::npos; }, 20s));
  EXPECT_EQ(open.ProductsText(), L"Another Quellix security product is installed on this computer. <A>Show list</A>");
  HWND list = open.page().productsList();
  EXPECT_FALSE(IsWindowVisible(list));
  open.ClickLink(open.page().productsLine());
  EXPECT_TRUE(IsWindowVisible(list));
  EXPECT_EQ(open.ProductsText(), L"Another Quellix security product is installed on this computer. <A>Hide list</A>");
  ASSERT_EQ(ListView_GetItemCount(list), 1);
  EXPECT_EQ(CellText(list, 0, 0), L"Quellix");
  EXPECT_EQ(CellText(list, 0, 1), L"Quellix Endpoint Shield");
  EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), 0);
  const int widest = std::max(ListView_GetStringWidth(list, L"Vendor"), ListView_GetStringWidth(list, L"Quellix"));
  EXPECT_EQ(ColumnWidth(list, 0), widest + 20);
  RECT client{};
  GetClientRect(list, &client);
  EXPECT_EQ(ColumnWidth(list, 0) + ColumnWidth(list, 1), client.right - 6);
  test::SaveScreenshot(L"settings_page_own_product");
  open.ClickLink(open.page().productsLine());
  EXPECT_FALSE(IsWindowVisible(list));

  // Shown again after the detection has finished: the answer stays, no searching comes back.
  const std::wstring answer = open.ProductsText();
  open.page().Refresh();
  Pump(1200ms);
  EXPECT_EQ(open.ProductsText(), answer);
}

TEST_F(SettingsPage, OtherProductsShareTheListWithTheAdvancedSection) {
  test::FakeComputer computer;
  for (const TestProduct& p : kOtherProducts) Install(computer, p);
  OpenPage open;
  CSettingsDlg& page = open.page();
  ASSERT_TRUE(PumpUntil([&] { return open.ProductsText().find(L"<A>") != std::wstring::npos; }, 20s));
  const std::wstring warning =
      L"Another antivirus software was detected. This may affect the performance and quality of the scan.";
  EXPECT_EQ(open.ProductsText(), warning + L" <A>Show list</A>");
  open.ClickLink(page.productsLine());
  HWND list = page.productsList();
  ASSERT_EQ(ListView_GetItemCount(list), 5);
  EXPECT_EQ(CellText(list, 2, 0), L"Brambleworth Software Foundation");
  EXPECT_EQ(CellText(list, 2, 1), L"Bramble Shield Pro");
  // Five rows: the columns leave room for the vertical scroll bar.
  RECT client{};
  GetClientRect(list, &client);
  EXPECT_EQ(ColumnWidth(list, 0), ListView_GetStringWidth(list, L"Brambleworth Software Foundation") + 20);
  EXPECT_EQ(ColumnWidth(list, 0) + ColumnWidth(list, 1) + GetSystemMetrics(SM_CXVSCROLL), client.right - 6);
  test::SaveScreenshot(L"settings_page_products_list");

  // Opening the section takes the list's place; closing it gives the list back.
  open.ToggleAdvanced();
  EXPECT_FALSE(IsWindowVisible(list));
  EXPECT_FALSE(page.listShown());
  EXPECT_EQ(open.ProductsText(), warning + L" <A>Show list</A>");
  EXPECT_EQ(open.Rect(IDC_SETTINGS_PRODUCTS).top, 382);
  test::SaveScreenshot(L"settings_page_products_under_advanced");
  open.ToggleAdvanced();
  EXPECT_TRUE(IsWindowVisible(list));
  EXPECT_EQ(open.ProductsText(), warning + L" <A>Hide list</A>");

  // Showing the list while the section is open closes the section; hiding it opens it again.
  open.ToggleAdvanced();
  ASSERT_TRUE(page.advancedExpanded());
  open.ClickLink(page.productsLine());
  ASSERT_TRUE(PumpUntil([&] { return !page.advancedExpanded() && page.animationStep() == 0; }));
  Pump(100ms);
  EXPECT_TRUE(IsWindowVisible(list));
  EXPECT_FALSE(open.Visible(IDC_SETTINGS_UNSAFE));
  EXPECT_EQ(open.Rect(IDC_SETTINGS_PRODUCTS).top, 230);
  open.ClickLink(page.productsLine());
  ASSERT_TRUE(PumpUntil([&] { return page.advancedExpanded() && page.animationStep() == 0; }));
  Pump(100ms);
  EXPECT_FALSE(IsWindowVisible(list));
  EXPECT_TRUE(open.Visible(IDC_SETTINGS_UNSAFE));
  EXPECT_EQ(open.ProductsText(), warning + L" <A>Show list</A>");
}

}  // namespace
}  // namespace qws
