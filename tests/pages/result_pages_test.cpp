// The threat list, result and quarantine pages over the real scanning library: a real tree
// with the EICAR test file scanned through modules updated from qws-server, each page hosted
// the way the main window hosts it and driven by real mouse and key input.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "app/log.h"
#include "app/restart.h"
#include "app/string_table.h"
#include "base/reg_key.h"
#include "base/u16.h"
#include "engine/cml_line_scanner.h"
#include "engine/update_page_worker.h"
#include "resources/resource_ids.h"
#include "tests/engine/demo_tree.h"
#include "tests/pages/page_host.h"
#include "tests/ui/input_driver.h"
#include "tests/ui/modal_script.h"
#include "ui/pages/page_messages.h"
#include "ui/pages/quarantine_page.h"
#include "ui/pages/result_page.h"
#include "ui/pages/threat_list_page.h"

namespace qws {
namespace {

using namespace std::chrono_literals;
using test::PageHost;
using test::Pump;
using test::PumpUntil;

bool Received(const PageHost& host, UINT message, WPARAM wparam) {
  for (const auto& step : host.steps)
    if (step.message == message && step.wparam == wparam) return true;
  return false;
}

HWND Control(const CPageDlg& page, int id) { return GetDlgItem(page.hwnd(), id); }
void ClickControl(const CPageDlg& page, int id) { test::ClickAt(test::CentreOf(Control(page, id))); }
bool Visible(const CPageDlg& page, int id) { return IsWindowVisible(Control(page, id)) != FALSE; }

RECT RectInPage(const CPageDlg& page, int id) {
  RECT rect{};
  GetWindowRect(Control(page, id), &rect);
  MapWindowPoints(nullptr, page.hwnd(), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

std::wstring CellText(HWND list, int row, int column) {
  wchar_t text[1024] = {};
  ListView_GetItemText(list, row, column, text, 1024);
  return text;
}

std::wstring HeaderText(HWND list, int column) {
  wchar_t text[256] = {};
  LVCOLUMNW info{};
  info.mask = LVCF_TEXT;
  info.pszText = text;
  info.cchTextMax = 256;
  ListView_GetColumn(list, column, &info);
  return text;
}

int ColumnCount(HWND list) { return Header_GetItemCount(ListView_GetHeader(list)); }

// Where the row's check box is, found by the list's own hit test.
POINT RowCheckPoint(HWND list, int row) {
  RECT bounds{};
  ListView_GetItemRect(list, row, &bounds, LVIR_BOUNDS);
  const int y = (bounds.top + bounds.bottom) / 2;
  for (int x = bounds.left; x < bounds.left + 40; ++x) {
    LVHITTESTINFO hit{};
    hit.pt = {x, y};
    if (ListView_SubItemHitTest(list, &hit) == row && (hit.flags & LVHT_ONITEMSTATEICON))
      return test::ScreenPoint(list, x + 3, y);
  }
  ADD_FAILURE() << "no check box in row " << row;
  return test::ScreenPoint(list, bounds.left + 8, y);
}

POINT RowTextPoint(HWND list, int row) {
  RECT bounds{};
  ListView_GetItemRect(list, row, &bounds, LVIR_LABEL);
  return test::ScreenPoint(list, bounds.left + 30, (bounds.top + bounds.bottom) / 2);
}

BOOL CALLBACK FindVisibleToolTip(HWND window, LPARAM found) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  if (std::wstring(name) == TOOLTIPS_CLASSW && IsWindowVisible(window)) *reinterpret_cast<HWND*>(found) = window;
  return TRUE;
}

// The text of the visible tool tip of `list`, once it shows `expected` (empty when none came).
std::wstring ListToolTipText(HWND list, const std::wstring& expected) {
  std::wstring text;
  PumpUntil([&] {
    HWND tip = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindVisibleToolTip, reinterpret_cast<LPARAM>(&tip));
    if (!tip) return false;
    wchar_t buffer[2000] = {};
    TOOLINFOW info{};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.hwnd = list;
    info.uId = reinterpret_cast<UINT_PTR>(list);
    info.lpszText = buffer;
    SendMessageW(tip, TTM_GETTEXTW, 2000, reinterpret_cast<LPARAM>(&info));
    text = buffer;
    return text == expected;
  });
  return text;
}

std::wstring ClipboardText() {
  std::wstring text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = chars;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

std::string Utf16Le(const std::wstring& text) {
  std::string bytes;
  for (wchar_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
  }
  return bytes;
}

// A work folder with both library variants, updated from the fixture's server, and a scan
// bridge opened on it.
class ResultPages : public testing::Test {
 protected:
  void SetUp() override {
    const std::wstring url = test::FixtureUpdateUrl();
    if (url.empty()) GTEST_SKIP() << "needs the qws_server fixture";
    for (const wchar_t* dll : {L"qlxs_apiW.dll", L"qlxs_apiW_a.dll"})
      ASSERT_TRUE(CopyFileW((test::BinFolder() + L"\\" + dll).c_str(), (work_ / dll).c_str(), FALSE));
    SetLogFolder(work_.path());
    CmlLineScanner::InfectedPaths().clear();
    CmlLineScanner updater;
    updater.updateUrlOverride = url;
    updater.discoverProxies = [] { return std::vector<UpdateProxy>(); };
    RunUpdatePageWorker(updater, work_.path(), true, [](const std::wstring&) { return 1ull << 40; });
    ASSERT_EQ(updater.progress.load(), 1000);
    updater.CloseScanBridge();
    bridge_.settings.scanArchives = true;
    bridge_.settings.cleanMode = 1;
    ASSERT_EQ(bridge_.OpenScanBridge(work_.path()), 0);
    ASSERT_TRUE(bridge_.updateSucceeded);
  }
  void TearDown() override {
    bridge_.CloseScanBridge();
    SetLogFolder(L".");
  }
  ScanSummary Summary() {
    ScanSummary summary;
    bridge_.CopySummary(summary);
    return summary;
  }

  test::TempFolder work_;
  CmlLineScanner bridge_;
};

TEST_F(ResultPages, ThreatListMergesRowsChecksCleansAndExports) {
  const test::DemoTree tree(work_ / L"tree");
  bridge_.settings.targets = tree.root + L"\\";
  bridge_.RunScan();
  // A second scan of the same tree gives every threat a second record: still one row each.
  bridge_.RunScan();
  ASSERT_EQ(Summary().found, 10);

  PageHost host;
  CThreatListDlg page;
  page.SetScanBridge(&bridge_);
  page.SetSummary(Summary());
  ASSERT_TRUE(host.Open(page));
  Pump(300ms);
  HWND list = Control(page, IDC_THREATS_LIST);
  ASSERT_EQ(ListView_GetItemCount(list), 5);
  ASSERT_EQ(ColumnCount(list), 3);
  EXPECT_EQ(HeaderText(list, 0), L"Target");
  EXPECT_EQ(HeaderText(list, 1), L"Threat name");
  EXPECT_EQ(HeaderText(list, 2), L"Action");
  std::vector<std::wstring> targets;
  for (int row = 0; row < 5; ++row) {
    targets.push_back(CellText(list, row, 0));
    const bool tool = targets.back() == tree.tool;
    EXPECT_EQ(CellText(list, row, 1), tool ? L"Qws.TestSample-Malware" : L"Eicar-Test-Signature");
    EXPECT_EQ(CellText(list, row, 2), L"");
    EXPECT_FALSE(page.RowChecked(row));
  }
  std::vector<std::wstring> infected = tree.Infected();
  std::sort(infected.begin(), infected.end());
  std::vector<std::wstring> sorted = targets;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, infected);
  // The columns share the width: the threat names fit, the target column takes the rest.
  RECT client{};
  GetClientRect(list, &client);
  const int widths = ListView_GetColumnWidth(list, 0) + ListView_GetColumnWidth(list, 1) + ListView_GetColumnWidth(list, 2);
  EXPECT_EQ(widths, client.right - 2);
  EXPECT_GE(ListView_GetColumnWidth(list, 1), ListView_GetStringWidth(list, L"Qws.TestSample-Malware") + 16);
  EXPECT_GE(ListView_GetColumnWidth(list, 2), ListView_GetStringWidth(list, L"working...") + 16);
  EXPECT_EQ(GetFocus(), Control(page, IDC_THREATS_CLEAN_ALL));
  EXPECT_FALSE(IsWindowEnabled(Control(page, IDC_THREATS_CLEAN_SELECTED)));
  test::SaveScreenshot(L"threat_list_page");

  // The tool tip over a row names its three columns.
  test::MoveMouse(RowTextPoint(list, 1));
  test::MoveMouse(RowTextPoint(list, 2));
  const std::wstring tip = L"Target:\n" + targets[2] + L"\n\nThreat name:\n" + CellText(list, 2, 1) + L"\n\nAction:\n";
  EXPECT_EQ(ListToolTipText(list, tip), tip);
  test::SaveScreenshot(L"threat_list_page_tool_tip");

  // Select-all's three looks: one row ticked by mouse, then the box ticks and clears them all.
  HWND box = Control(page, IDC_THREATS_SELECT_ALL);
  const int eicarRow = static_cast<int>(std::find(targets.begin(), targets.end(), tree.eicar) - targets.begin());
  const int nestedRow = static_cast<int>(std::find(targets.begin(), targets.end(), tree.nested) - targets.begin());
  test::ClickAt(RowCheckPoint(list, eicarRow));
  ASSERT_TRUE(PumpUntil([&] { return page.RowChecked(eicarRow); }));
  EXPECT_TRUE(IsWindowEnabled(Control(page, IDC_THREATS_CLEAN_SELECTED)));
  EXPECT_TRUE(page.selectAll().warning()) << "the third look";
  test::SaveScreenshot(L"threat_list_page_some_checked");
  ClickControl(page, IDC_THREATS_SELECT_ALL);
  Pump();
  for (int row = 0; row < 5; ++row) EXPECT_TRUE(page.RowChecked(row)) << row;
  EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_FALSE(page.selectAll().warning());
  test::SaveScreenshot(L"threat_list_page_all_checked");
  test::PressKey(VK_SPACE);  // the box has the focus now
  Pump();
  for (int row = 0; row < 5; ++row) EXPECT_FALSE(page.RowChecked(row)) << row;
  EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_FALSE(IsWindowEnabled(Control(page, IDC_THREATS_CLEAN_SELECTED)));

  // "Clean selected" cleans exactly the two ticked objects, on the worker.
  test::ClickAt(RowCheckPoint(list, eicarRow));
  test::ClickAt(RowCheckPoint(list, nestedRow));
  ASSERT_TRUE(PumpUntil([&] { return page.RowChecked(eicarRow) && page.RowChecked(nestedRow); }));
  ClickControl(page, IDC_THREATS_CLEAN_SELECTED);
  ASSERT_TRUE(PumpUntil([&] { return Received(host, kStepThreatListDone, 1); }, 30s));
  EXPECT_FALSE(page.cleaningRunning());
  EXPECT_TRUE(IsWindowEnabled(page.hwnd()));
  EXPECT_EQ(page.threatsCleaned(), 2u);
  EXPECT_FALSE(test::FileExists(tree.eicar));
  EXPECT_FALSE(test::FileExists(tree.nested));
  for (const std::wstring& other : {tree.copy, tree.tool, tree.archive}) EXPECT_TRUE(test::FileExists(other));
  ASSERT_EQ(ListView_GetItemCount(list), 5);
  for (int row = 0; row < 5; ++row) {
    const bool cleaned = row == eicarRow || row == nestedRow;
    EXPECT_EQ(CellText(list, row, 2), cleaned ? L"cleaned by deleting" : L"") << row;
    EXPECT_EQ(page.items()[static_cast<size_t>(row)].cleaned, cleaned) << row;
    EXPECT_FALSE(page.RowChecked(row)) << "a cleaned row loses its tick";
  }
  bridge_.ReadQuarantine();
  std::vector<std::wstring> quarantined;
  for (const QuarantineRecord& record : bridge_.quarantineRecords()) quarantined.push_back(record.formerPath);
  std::sort(quarantined.begin(), quarantined.end());
  std::vector<std::wstring> expectedQuarantine = {tree.eicar, tree.nested};
  std::sort(expectedQuarantine.begin(), expectedQuarantine.end());
  EXPECT_EQ(quarantined, expectedQuarantine);
  test::SaveScreenshot(L"threat_list_page_after_cleaning");

  // A cleaned row ticked again is skipped: only the copy is cleaned this time.
  const int copyRow = static_cast<int>(std::find(targets.begin(), targets.end(), tree.copy) - targets.begin());
  host.steps.clear();
  test::ClickAt(RowCheckPoint(list, eicarRow));
  test::ClickAt(RowCheckPoint(list, copyRow));
  ASSERT_TRUE(PumpUntil([&] { return page.RowChecked(eicarRow) && page.RowChecked(copyRow); }));
  ClickControl(page, IDC_THREATS_CLEAN_SELECTED);
  ASSERT_TRUE(PumpUntil([&] { return Received(host, kStepThreatListDone, 1); }, 30s));
  EXPECT_EQ(page.threatsCleaned(), 1u);
  EXPECT_FALSE(test::FileExists(tree.copy));

  // The export: one line per row, to the clipboard and to a UTF-16 file.
  std::wstring expected;
  for (int row = 0; row < 5; ++row)
    expected += CellText(list, row, 0) + L"\t" + CellText(list, row, 1) + L"\t" + CellText(list, row, 2) + L"\r\n";
  ClickControl(page, IDC_THREATS_COPY);
  Pump();
  EXPECT_EQ(ClipboardText(), expected);

  const std::wstring saved = work_ / L"threats.txt";
  std::wstring dialogText;
  test::RunWithScript(
      [&] {
        HWND dialog = test::WaitForDialog(L"Save As");
        if (!dialog) return;
        dialogText = test::WindowText(test::FocusedWindowOf(dialog));
        SetWindowTextW(test::FocusedWindowOf(dialog), saved.c_str());
        test::PressKey(VK_RETURN);
        test::WaitForDialogToClose(dialog);
      },
      [&] {
        ClickControl(page, IDC_THREATS_SAVE);
        PumpUntil([&] { return test::FileExists(saved); }, 20s);
      },
      {L"Save As"});
  EXPECT_EQ(dialogText, L"*.txt") << "the dialog starts with the pattern as its name";
  EXPECT_EQ(test::ReadFileBytes(saved), "\xFF\xFE" + Utf16Le(expected));

  host.steps.clear();
  ClickControl(page, IDC_THREATS_DO_NOT_CLEAN);
  EXPECT_TRUE(PumpUntil([&] { return Received(host, kStepThreatListDone, 0); }));
}

TEST_F(ResultPages, ThreatListWithoutThreatsHasNoColumnsAndSavesNothing) {
  PageHost host;
  CThreatListDlg page;
  page.SetScanBridge(&bridge_);
  ASSERT_TRUE(host.Open(page));
  HWND list = Control(page, IDC_THREATS_LIST);
  EXPECT_EQ(ListView_GetItemCount(list), 0);
  EXPECT_EQ(ColumnCount(list), 0);
  EXPECT_EQ(page.ExportText(), L"");
  // No dialog opens: the click returns at once and the host keeps the focus.
  ClickControl(page, IDC_THREATS_SAVE);
  Pump(500ms);
  EXPECT_TRUE(test::TopLevelWindowsWithCaption(L"Save As").empty());
}

TEST_F(ResultPages, QuarantineListsTheCleanedFilesAndRestoresTheTickedOnes) {
  const test::DemoTree tree(work_ / L"tree");
  bridge_.settings.targets = tree.eicar + L"|" + tree.archive;
  bridge_.settings.cleanMode = 4;
  bridge_.RunScan();
  ASSERT_EQ(bridge_.threatsCleaned.load(), 2u);

  PageHost host;
  CQuarantineDlg page;
  page.SetScanBridge(&bridge_);
  ASSERT_TRUE(host.Open(page));
  Pump(300ms);
  HWND list = Control(page, IDC_QUARANTINE_LIST);
  ASSERT_EQ(page.RowCount(), 2);
  EXPECT_EQ(HeaderText(list, 0), L"File");
  EXPECT_EQ(HeaderText(list, 1), L"Threat name");
  EXPECT_EQ(HeaderText(list, 2), L"Action");
  int eicarRow = CellText(list, 0, 0) == tree.eicar ? 0 : 1;
  const int archiveRow = 1 - eicarRow;
  EXPECT_EQ(CellText(list, eicarRow, 0), tree.eicar);
  EXPECT_EQ(CellText(list, archiveRow, 0), tree.archive);
  EXPECT_EQ(CellText(list, eicarRow, 1), L"Eicar-Test-Signature");
  EXPECT_EQ(GetFocus(), Control(page, IDC_QUARANTINE_BACK));
  RECT client{};
  GetClientRect(list, &client);
  EXPECT_EQ(ListView_GetColumnWidth(list, 1), 150);
  EXPECT_EQ(ListView_GetColumnWidth(list, 0) + 150 + ListView_GetColumnWidth(list, 2), client.right - 2);
  EXPECT_EQ(RectInPage(page, IDC_QUARANTINE_RESTORE).right, 540);
  EXPECT_EQ(RectInPage(page, IDC_QUARANTINE_BACK).right, RectInPage(page, IDC_QUARANTINE_RESTORE).left - 10);

  test::MoveMouse(RowTextPoint(list, archiveRow));
  test::MoveMouse(RowTextPoint(list, eicarRow));
  const std::wstring tip = L"Target:\n" + tree.eicar + L"\n\nThreat name:\nEicar-Test-Signature\n\nAction:\n";
  EXPECT_EQ(ListToolTipText(list, tip), tip);

  // A file that took the archive's place keeps it: that restore fails, the other succeeds.
  test::WriteFileBytes(tree.archive, "the user's new file");
  test::ClickAt(RowCheckPoint(list, eicarRow));
  ASSERT_TRUE(PumpUntil([&] { return page.RowChecked(eicarRow); }));
  HWND box = Control(page, IDC_QUARANTINE_SELECT_ALL);
  EXPECT_TRUE(page.selectAll().warning());
  test::ClickAt(RowCheckPoint(list, archiveRow));
  ASSERT_TRUE(PumpUntil([&] { return page.RowChecked(archiveRow); }));
  EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_CHECKED) << "every row ticked by hand ticks the box";
  EXPECT_FALSE(page.selectAll().warning());
  ClickControl(page, IDC_QUARANTINE_RESTORE);
  Pump();
  EXPECT_EQ(page.ActionText(eicarRow), L"restored");
  EXPECT_EQ(page.ActionText(archiveRow), L"failed");
  EXPECT_EQ(CellText(list, eicarRow, 2), L"restored");
  EXPECT_EQ(test::ReadFileBytes(tree.eicar), test::Eicar()) << "byte for byte";
  EXPECT_EQ(test::ReadFileBytes(tree.archive), "the user's new file");
  test::SaveScreenshot(L"quarantine_page_restored");

  // Once the place is free the failed one can be tried again; the restored one is left alone.
  DeleteFileW(tree.archive.c_str());
  ClickControl(page, IDC_QUARANTINE_RESTORE);
  Pump();
  EXPECT_EQ(page.ActionText(eicarRow), L"restored");
  EXPECT_EQ(page.ActionText(archiveRow), L"restored");
  EXPECT_EQ(test::ReadFileBytes(tree.archive), tree.archiveBytes);
  EXPECT_FALSE(bridge_.HasUnrestoredRecord());

  ClickControl(page, IDC_QUARANTINE_BACK);
  EXPECT_TRUE(PumpUntil([&] { return Received(host, kStepQuarantineBack, 0); }));
  // Refreshed again, the page reads the now empty quarantine.
  page.Refresh();
  EXPECT_EQ(page.RowCount(), 0);
}

// Stands in for Windows' restart: the one call that would restart the machine.
int g_restartRequests = 0;
bool CountRestartRequest() {
  ++g_restartRequests;
  return true;
}

struct StateCase {
  const wchar_t* name;
  ResultFigures figures;
  std::wstring title;
  std::vector<std::pair<int, std::wstring>> buttons;  // shown from the right, with labels
  std::vector<std::pair<int, WPARAM>> choices;        // control and the wparam it sends
};

TEST(ResultPage, ThreeStatesWithTheirCountsButtonsAndChoices) {
  ResultFigures nothing;
  nothing.filesScanned = 1234;
  nothing.scanDuration = 5 * 60 * 10'000'000LL;
  nothing.quarantineEmpty = true;
  ResultFigures cleaned = nothing;
  cleaned.infectedFiles = 3;
  cleaned.cleanedThreats = 3;
  cleaned.quarantineEmpty = false;
  cleaned.quarantineHasUnrestored = true;
  cleaned.stoppedByUser = true;
  cleaned.scanDuration = 100LL * 3600 * 10'000'000LL;
  ResultFigures restart = cleaned;
  restart.cleanedThreats = 1;
  restart.restartRequired = true;
  restart.browserReinstallAdvised = true;
  restart.stoppedByUser = false;
  restart.scanDuration = 30LL * 3600 * 10'000'000LL;
  const StateCase cases[] = {
      {L"result_page_no_threats", nothing, L"No threats found", {{IDC_RESULT_BUTTON1, L"Finish"}},
       {{IDC_RESULT_BUTTON1, kChoiceFinal}}},
      {L"result_page_cleaned", cleaned, L"Threats found and cleaned",
       {{IDC_RESULT_BUTTON1, L"Finish"}, {IDC_RESULT_BUTTON2, L"Back"}},
       {{IDC_RESULT_BUTTON1, kChoiceFinal}, {IDC_RESULT_BUTTON2, kChoiceThreatList}, {IDC_RESULT_QUARANTINE, kChoiceQuarantine}}},
      {L"result_page_restart", restart, L"Threats found",
       {{IDC_RESULT_BUTTON1, L"Restart now"}, {IDC_RESULT_BUTTON2, L"Restart later"}, {IDC_RESULT_BUTTON3, L"Back"}},
       {{IDC_RESULT_BUTTON1, kChoiceRestartNow}, {IDC_RESULT_BUTTON2, kChoiceRestartLater},
        {IDC_RESULT_BUTTON3, kChoiceThreatList}, {IDC_RESULT_QUARANTINE, kChoiceQuarantine}}},
  };
  for (const StateCase& c : cases) {
    SCOPED_TRACE(U16ToUtf8(ToU16(c.name)));
    PageHost host;
    CResultDlg page;
    page.SetFigures(c.figures);
    ASSERT_TRUE(host.Open(page));
    Pump(300ms);
    test::SaveScreenshot(c.name);
    EXPECT_EQ(test::WindowText(page.hwnd()), c.title);
    EXPECT_EQ(test::WindowText(Control(page, IDC_RESULT_FILES_VALUE)), L"1234");
    EXPECT_EQ(test::WindowText(Control(page, IDC_RESULT_INFECTED_VALUE)), std::to_wstring(c.figures.infectedFiles));
    EXPECT_EQ(test::WindowText(Control(page, IDC_RESULT_CLEANED_VALUE)), std::to_wstring(c.figures.cleanedThreats));
    EXPECT_EQ(test::WindowText(Control(page, IDC_RESULT_TIME_VALUE)),
              c.figures.scanDuration == nothing.scanDuration ? L"00:05:00"
              : c.figures.scanDuration == cleaned.scanDuration ? L"100:00:00" : L"30:00:00");
    EXPECT_EQ(test::WindowText(Control(page, IDC_RESULT_STATUS_VALUE)),
              c.figures.stoppedByUser ? L"Stopped by user" : L"Finished");
    EXPECT_EQ(Visible(page, IDC_RESULT_QUARANTINE), !c.figures.quarantineEmpty);
    EXPECT_EQ(Visible(page, IDC_RESULT_REMOVE_QUARANTINE), c.figures.quarantineHasUnrestored);
    EXPECT_EQ(Visible(page, IDC_RESULT_RESTART_NOTICE), c.figures.restartRequired);
    EXPECT_EQ(Visible(page, IDC_RESULT_UNINSTALL), !c.figures.restartRequired);
    EXPECT_EQ(Visible(page, IDC_RESULT_BROWSER_NOTICE), c.figures.browserReinstallAdvised);
    EXPECT_FALSE(Visible(page, IDC_RESULT_SHOW_LIST)) << "cleaned by hand";
    if (c.figures.restartRequired) {
      const RECT notice = RectInPage(page, IDC_RESULT_RESTART_NOTICE), browser = RectInPage(page, IDC_RESULT_BROWSER_NOTICE);
      EXPECT_LE(notice.bottom, browser.top) << "both notices readable";
    }
    // The buttons from the right edge, 10 pixels apart; the others hidden.
    int right = 540;
    for (const auto& [id, label] : c.buttons) {
      EXPECT_TRUE(Visible(page, id)) << id;
      EXPECT_EQ(test::WindowText(Control(page, id)), label);
      const RECT rect = RectInPage(page, id);
      EXPECT_EQ(rect.right, right) << id;
      EXPECT_EQ(rect.top, 415);
      right = rect.left - 10;
    }
    for (int id = IDC_RESULT_BUTTON1 + static_cast<int>(c.buttons.size()); id <= IDC_RESULT_BUTTON3; ++id)
      EXPECT_FALSE(Visible(page, id)) << id;
    EXPECT_EQ(GetFocus(), Control(page, IDC_RESULT_BUTTON1));
    for (const auto& [id, wparam] : c.choices) {
      host.steps.clear();
      ClickControl(page, id);
      EXPECT_TRUE(PumpUntil([&] { return Received(host, kStepResultChoice, wparam); })) << id;
    }
    // The first button by keyboard alone.
    host.steps.clear();
    SetFocus(Control(page, IDC_RESULT_BUTTON1));
    test::PressKey(VK_RETURN);
    EXPECT_TRUE(PumpUntil([&] { return Received(host, kStepResultChoice, c.choices[0].second); }));
  }
}

TEST(ResultPage, AutomaticCleaningOffersTheListAndTheBoxesReachTheCleanUp) {
  ResultFigures figures;
  figures.filesScanned = 7;
  figures.infectedFiles = 2;
  figures.cleanedThreats = 0;
  figures.cleanedAutomatically = true;
  figures.quarantineEmpty = false;
  figures.quarantineHasUnrestored = true;
  PageHost host;
  CResultDlg page;
  page.SetFigures(figures);
  ASSERT_TRUE(host.Open(page));
  Pump(300ms);
  EXPECT_EQ(page.state(), 2);
  EXPECT_EQ(test::WindowText(page.hwnd()), L"Threats found");
  EXPECT_FALSE(Visible(page, IDC_RESULT_BUTTON2)) << "no way back to a list that was skipped";
  ASSERT_TRUE(Visible(page, IDC_RESULT_SHOW_LIST));
  ClickControl(page, IDC_RESULT_SHOW_LIST);
  EXPECT_TRUE(PumpUntil([&] { return Received(host, kStepResultChoice, kChoiceShowList); }));

  EXPECT_FALSE(page.UninstallOnClose());
  ClickControl(page, IDC_RESULT_UNINSTALL);
  ClickControl(page, IDC_RESULT_REMOVE_QUARANTINE);
  Pump();
  EXPECT_TRUE(page.UninstallOnClose());
  EXPECT_TRUE(page.RemoveQuarantineOnClose());

  // After the threat list cleaned the rest, the main window adds its count and refreshes.
  page.AddCleanedThreats(2);
  page.SetQuarantineState(false, false);
  page.Refresh();
  Pump(300ms);
  EXPECT_EQ(test::WindowText(page.hwnd()), L"Threats found and cleaned");
  EXPECT_EQ(test::WindowText(Control(page, IDC_RESULT_CLEANED_VALUE)), L"2");
  EXPECT_FALSE(Visible(page, IDC_RESULT_REMOVE_QUARANTINE));
  test::SaveScreenshot(L"result_page_cleaned_automatically");
}

// The restart choices as the main window carries them out, with the restart itself replaced.
TEST(ResultPage, RestartNowAndLaterWriteThePlanAndTheRegistration) {
  test::TempFolder folder;
  const std::wstring before = test::CurrentDirectory();
  ASSERT_TRUE(SetCurrentDirectoryW(folder.path().c_str()));
  CmlLineScanner::InfectedPaths() = {u"C:\\tree\\eicar.com", u"C:\\tree\\archive.zip"};
  ResultFigures figures;
  figures.infectedFiles = 2;
  figures.restartRequired = true;
  PageHost host;
  CResultDlg page;
  page.SetFigures(figures);
  ASSERT_TRUE(host.Open(page));
  for (const auto& [id, choice] : {std::pair<int, WPARAM>{IDC_RESULT_BUTTON1, kChoiceRestartNow},
                                   std::pair<int, WPARAM>{IDC_RESULT_BUTTON2, kChoiceRestartLater}}) {
    DeleteFileW(L"qws2scanplan.txt");
    host.steps.clear();
    ClickControl(page, id);
    ASSERT_TRUE(PumpUntil([&] { return Received(host, kStepResultChoice, choice); }));
    if (choice == kChoiceRestartNow) {
      g_restartRequests = 0;
      EXPECT_TRUE(RestartNow(&CountRestartRequest));
      EXPECT_EQ(g_restartRequests, 1);
    } else {
      RestartLater();
    }
    EXPECT_EQ(test::ReadFileBytes(folder / L"qws2scanplan.txt"), "C:\\tree\\eicar.com\nC:\\tree\\archive.zip\n");
    RegKey runOnce;
    ASSERT_EQ(runOnce.Open(HKEY_CURRENT_USER, kRunOnceKey, KEY_READ | KEY_SET_VALUE), ERROR_SUCCESS);
    EXPECT_EQ(runOnce.ReadString(kRestartValueName, 2048),
              RestartRunData(test::BinFolder() + L"\\result_pages_test.exe"));
    EXPECT_EQ(runOnce.DeleteValue(kRestartValueName), ERROR_SUCCESS);
  }
  CmlLineScanner::InfectedPaths().clear();
  SetCurrentDirectoryW(before.c_str());
}

}  // namespace
}  // namespace qws
