#include "ui/pages/threat_list_page.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <numeric>

#include "app/message_content.h"
#include "app/string_table.h"
#include "app/text_token.h"
#include "base/u16.h"
#include "engine/cml_line_scanner.h"
#include "report/threat_list_export.h"
#include "resources/resource_ids.h"
#include "ui/column_widths.h"
#include "ui/list_view.h"
#include "ui/pages/page_messages.h"
#include "ui/row_tip_text.h"

namespace qws {

namespace {

// The worker's report that steps wait in the queue.
constexpr UINT kMsgCleaningStep = WM_APP + 0x110;
constexpr COLORREF kThreatTitleColour = 0x3942E0;
constexpr COLORREF kLinkColour = 0xD29A2A;
constexpr int kColumnCount = 3;
enum Column { kTargetColumn, kThreatNameColumn, kActionColumn };

constexpr RECT kListRect = {19, 55, 580, 360};
constexpr int kLinkRowTop = 367, kLinkRowHeight = 19;
constexpr int kLinksRight = 540, kLinkGap = 20;
constexpr RECT kCleanAllRect = {440, 415, 540, 450};

std::u16string ColumnNames() { return ToU16(LoadText(4104)); }  // "Target|Threat name|Action"

std::u16string CellOf(const ThreatListItem& item, int column) {
  switch (column) {
    case kTargetColumn: return item.target;
    case kThreatNameColumn: return item.threatName;
    default: return item.action;
  }
}

}  // namespace

CThreatListDlg::CThreatListDlg() : CPageDlg(IDD_THREAT_LIST_PAGE) {
  backgroundId_ = IDR_PAGE_BACKGROUND_PNG;
  iconId_ = IDR_THREAT_ICON_PNG;
}

CThreatListDlg::~CThreatListDlg() { StopCleaning(); }

bool CThreatListDlg::OnInitDialog() {
  CPageDlg::OnInitDialog();
  SetTitle(LoadText(4077));  // "Threats found"
  SetTitleColour(kThreatTitleColour);

  list_ = Item(IDC_THREATS_LIST);
  SetWindowPos(list_, nullptr, kListRect.left, kListRect.top, kListRect.right - kListRect.left,
               kListRect.bottom - kListRect.top, SWP_NOZORDER | SWP_NOACTIVATE);
  ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES);
  tip_.Watch(list_, [this](int row) { return RowToolTip(row); });

  // Fitted to their texts, so that the box does not lie under the two links beside it.
  selectAll_.Attach(hwnd(), IDC_THREATS_SELECT_ALL);
  selectAll_.Move({27, kLinkRowTop, 540, kLinkRowTop + kLinkRowHeight});
  selectAll_.SetImages(IDR_CHECK_BOX_STRIP_PNG);
  selectAll_.SetTextFitted(LoadText(4076));  // "Select all / Deselect all"
  copy_.Attach(hwnd(), IDC_THREATS_COPY);
  copy_.Move({370, kLinkRowTop, 460, kLinkRowTop + kLinkRowHeight});
  copy_.SetTextColour(kLinkColour);
  copy_.SetTextFitted(LoadText(4097));  // "Copy to clipboard"
  save_.Attach(hwnd(), IDC_THREATS_SAVE);
  save_.Move({480, kLinkRowTop, 540, kLinkRowTop + kLinkRowHeight});
  save_.SetTextColour(kLinkColour);
  save_.SetTextFitted(LoadText(4098));  // "Save to text file..."
  // The two texts are wider than their places in most fonts: they are lined up from the right
  // edge, so that they neither overlap nor leave the page.
  const int saveWidth = save_.RectInParent().right - save_.RectInParent().left;
  const int copyWidth = copy_.RectInParent().right - copy_.RectInParent().left;
  save_.Move({kLinksRight - saveWidth, kLinkRowTop, kLinksRight, kLinkRowTop + kLinkRowHeight});
  copy_.Move({kLinksRight - saveWidth - kLinkGap - copyWidth, kLinkRowTop, kLinksRight - saveWidth - kLinkGap,
              kLinkRowTop + kLinkRowHeight});

  cleanAll_.Attach(hwnd(), IDC_THREATS_CLEAN_ALL);
  cleanAll_.Move(kCleanAllRect);
  cleanAll_.SetText(LoadText(4073));  // "Clean all"
  cleanAll_.SetColours(kAccentScheme);
  cleanAll_.Fit(true);
  const RECT all = cleanAll_.RectInParent();
  cleanSelected_.Attach(hwnd(), IDC_THREATS_CLEAN_SELECTED);
  cleanSelected_.Move({all.left - 120, all.top, all.left - 20, all.bottom});
  cleanSelected_.SetText(LoadText(4074));  // "Clean selected"
  cleanSelected_.SetColours(kGreyScheme);
  cleanSelected_.Fit(true);
  const RECT selected = cleanSelected_.RectInParent();
  doNotClean_.Attach(hwnd(), IDC_THREATS_DO_NOT_CLEAN);
  doNotClean_.Move({selected.left - 140, selected.top, selected.left - 40, selected.bottom});
  doNotClean_.SetTextColour(kLinkColour);
  doNotClean_.SetTextFitted(LoadText(4075));  // "Do not clean"
  cleanSelected_.Enable(false);
  return true;
}

void CThreatListDlg::Refresh() {
  FillList();
  SetFocus(cleanAll_.hwnd());
}

void CThreatListDlg::FillList() {
  items_.clear();
  MergeThreatRecords(summary_.threatRecords, items_);
  ListView_DeleteAllItems(list_);
  if (!items_.empty() && !columnsMade_) {
    const std::u16string names = ColumnNames();
    for (int column = 0; column < kColumnCount; ++column) {
      InsertListColumn(list_, column, ToWide(TextToken(names, static_cast<size_t>(column), u'|')), 100);
    }
    columnsMade_ = true;
  }
  SyncRowCount();
  if (!items_.empty()) FitColumns();
  UpdateSelectionControls();
}

// Rows follow the items: a cleaning scan may add records for targets not listed yet.
void CThreatListDlg::SyncRowCount() {
  settingChecks_ = true;
  for (int row = ListView_GetItemCount(list_); row < static_cast<int>(items_.size()); ++row) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = LPSTR_TEXTCALLBACKW;
    ListView_InsertItem(list_, &item);
    ListView_SetCheckState(list_, row, FALSE);
  }
  settingChecks_ = false;
}

void CThreatListDlg::FitColumns() {
  RECT client{};
  GetClientRect(list_, &client);
  int usable = client.right - client.left - 2;
  if (static_cast<int>(items_.size()) > ListView_GetCountPerPage(list_)) usable -= GetSystemMetrics(SM_CXVSCROLL);
  const std::u16string names = ColumnNames();
  std::vector<int> widest(kColumnCount, 0);
  for (int column = 0; column < kColumnCount; ++column) {
    const std::wstring name = ToWide(TextToken(names, static_cast<size_t>(column), u'|'));
    widest[column] = ListView_GetStringWidth(list_, name.c_str());
  }
  widest[kActionColumn] = std::max(widest[kActionColumn], static_cast<int>(ListView_GetStringWidth(list_, LoadText(4108).c_str())));
  for (const ThreatListItem& item : items_) {
    for (int column = 0; column < kColumnCount; ++column) {
      const std::wstring text = ToWide(CellOf(item, column));
      widest[column] = std::max(widest[column], static_cast<int>(ListView_GetStringWidth(list_, text.c_str())));
    }
  }
  std::vector<int> widths = ShareColumnWidths(usable, widest, kThreatNameColumn);
  // Whatever no column needs widens the target column.
  widths[kTargetColumn] += std::max(0, usable - std::accumulate(widths.begin(), widths.end(), 0));
  for (int column = 0; column < kColumnCount; ++column) ListView_SetColumnWidth(list_, column, widths[column]);
}

bool CThreatListDlg::RowChecked(int row) const { return ListView_GetCheckState(list_, row) != FALSE; }

void CThreatListDlg::UpdateSelectionControls() {
  const int rows = ListView_GetItemCount(list_);
  int checked = 0;
  for (int row = 0; row < rows; ++row) checked += RowChecked(row) ? 1 : 0;
  cleanSelected_.Enable(checked > 0);
  const bool some = checked > 0 && checked < rows;
  // In the third look a click checks every row.
  selectAll_.SetCheck(rows > 0 && checked == rows);
  selectAll_.SetWarning(some);
}

void CThreatListDlg::SetAllChecks(bool checked) {
  settingChecks_ = true;
  for (int row = 0; row < ListView_GetItemCount(list_); ++row) ListView_SetCheckState(list_, row, checked);
  settingChecks_ = false;
  UpdateSelectionControls();
}

std::wstring CThreatListDlg::RowToolTip(int row) const {
  if (row < 0 || static_cast<size_t>(row) >= items_.size()) return {};
  const ThreatListItem& item = items_[static_cast<size_t>(row)];
  return ToWide(RowToolTipText(ColumnNames(), {item.target, item.threatName, item.action}));
}

std::wstring CThreatListDlg::ExportText() const { return ToWide(ThreatListExportText(items_)); }

void CThreatListDlg::CopyToClipboard() const {
  const std::wstring text = ExportText();
  if (!OpenClipboard(nullptr)) return;
  EmptyClipboard();
  const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  ScopedGlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
  if (memory) {
    if (void* target = GlobalLock(memory.get())) {
      memcpy(target, text.c_str(), bytes);
      GlobalUnlock(memory.get());
      // The clipboard owns the memory once it took it.
      if (SetClipboardData(CF_UNICODETEXT, memory.get())) (void)memory.release();
    }
  }
  CloseClipboard();
}

void CThreatListDlg::SaveToFile() {
  const std::wstring text = ExportText();
  if (text.empty()) return;
  const std::wstring filter = ToWide(TextFileFilter(ToU16(LoadText(4105))));  // "Text files|All files"
  wchar_t path[MAX_PATH] = L"*.txt";
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = GetAncestor(hwnd(), GA_ROOT);
  dialog.lpstrFilter = filter.c_str();
  dialog.lpstrFile = path;
  dialog.nMaxFile = MAX_PATH;
  dialog.lpstrDefExt = L"txt";
  dialog.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
  if (!GetSaveFileNameW(&dialog)) return;
  const std::string bytes = Utf16LeFileBytes(ToU16(text));
  ScopedHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  DWORD written = 0;
  WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void CThreatListDlg::StartCleaning(bool all) {
  if (!bridge_ || worker_) return;
  job_ = {};
  for (int row = 0; row < static_cast<int>(items_.size()); ++row)
    if (all || RowChecked(row)) job_.rows.push_back(row);
  job_.items = items_;
  job_.working = ToU16(LoadText(4108));  // "working..."
  stopCleaning_ = false;
  // Disabled before the worker starts, so that nothing can be changed or started twice.
  EnableWindow(hwnd(), FALSE);
  worker_.reset(CreateThread(nullptr, 0, &CThreatListDlg::CleaningWorker, this, 0, nullptr));
  if (!worker_) EnableWindow(hwnd(), TRUE);
}

DWORD WINAPI CThreatListDlg::CleaningWorker(void* page) {
  static_cast<CThreatListDlg*>(page)->RunCleaning();
  return 0;
}

// On the worker: one cleaning scan per chosen row; the window learns of each step through the
// queue, never by a call from this thread.
void CThreatListDlg::RunCleaning() {
  CmlLineScanner& bridge = *bridge_;
  std::vector<ThreatListItem>& items = job_.items;
  bridge.settings.targets.clear();
  bridge.settings.cleanMode = 4;
  uint32_t cleaned = 0;
  for (const int row : job_.rows) {
    if (stopCleaning_) break;
    const size_t index = static_cast<size_t>(row);
    if (index >= items.size() || items[index].cleaned) continue;
    items[index].action = job_.working;
    Publish({row, items, std::nullopt, false, false, cleaned});

    // A scan that cannot start leaves the bridge's count of an earlier scan behind.
    bridge.threatsCleaned = 0;
    bridge.CleanObject(ToWide(items[index].objectName));
    const uint32_t cleanedNow = bridge.threatsCleaned;
    cleaned += cleanedNow;
    if (cleanedNow > 0) items[index].cleaned = true;
    ScanSummary summary;
    bridge.CopySummary(summary);
    MergeThreatRecords(summary.threatRecords, items);
    Publish({row, items, std::move(summary), cleanedNow > 0, false, cleaned});
  }
  Publish({-1, {}, std::nullopt, false, true, cleaned});
}

void CThreatListDlg::Publish(CleaningStep step) {
  {
    std::lock_guard<std::mutex> lock(stepsLock_);
    steps_.push_back(std::move(step));
  }
  PostMessageW(hwnd(), kMsgCleaningStep, 0, 0);
}

void CThreatListDlg::TakeCleaningSteps() {
  std::vector<CleaningStep> steps;
  {
    std::lock_guard<std::mutex> lock(stepsLock_);
    steps.swap(steps_);
  }
  for (CleaningStep& step : steps) {
    if (step.finished) {
      WaitForSingleObject(worker_.get(), INFINITE);
      worker_.reset();
      threatsCleaned_ = step.cleaned;
      // The actions the cleaning wrote ("cleaned by deleting") are read in full.
      FitColumns();
      PostStep(hwnd(), kStepThreatListDone, 1);
      EnableWindow(hwnd(), TRUE);
      UpdateSelectionControls();
      continue;
    }
    items_ = std::move(step.items);
    if (step.summary) summary_ = std::move(*step.summary);
    SyncRowCount();
    if (step.uncheck) {
      settingChecks_ = true;
      ListView_SetCheckState(list_, step.row, FALSE);
      settingChecks_ = false;
    }
    ListView_RedrawItems(list_, 0, static_cast<int>(items_.size()) - 1);
    ListView_EnsureVisible(list_, step.row, FALSE);
  }
  UpdateWindow(list_);
}

void CThreatListDlg::StopCleaning() {
  if (!worker_) return;
  stopCleaning_ = true;
  if (bridge_) bridge_->stopRequested = true;
  WaitForSingleObject(worker_.get(), INFINITE);
  worker_.reset();
  std::lock_guard<std::mutex> lock(stepsLock_);
  steps_.clear();
}

void CThreatListDlg::OnDestroy() { StopCleaning(); }

std::optional<LRESULT> CThreatListDlg::OnUserMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kMsgCleaningStep) {
    TakeCleaningSteps();
    return 0;
  }
  return CPageDlg::OnUserMessage(message, wparam, lparam);
}

INT_PTR CThreatListDlg::DialogProc(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NOTIFY) {
    const auto* header = reinterpret_cast<const NMHDR*>(lparam);
    if (header->idFrom == IDC_THREATS_LIST && header->code == LVN_GETDISPINFOW) {
      auto* info = reinterpret_cast<NMLVDISPINFOW*>(lparam);
      const size_t row = static_cast<size_t>(info->item.iItem);
      AnswerTextRequest(*info, row < items_.size() ? ToWide(CellOf(items_[row], info->item.iSubItem)) : L"");
      return TRUE;
    }
    if (header->idFrom == IDC_THREATS_LIST && header->code == LVN_ITEMCHANGED) {
      const auto* change = reinterpret_cast<const NMLISTVIEW*>(lparam);
      if (IsCheckChange(*change) && !settingChecks_) UpdateSelectionControls();
      return TRUE;
    }
  }
  return CPageDlg::DialogProc(message, wparam, lparam);
}

bool CThreatListDlg::OnCommand(int controlId, int code) {
  if (code != BN_CLICKED) return false;
  switch (controlId) {
    case IDC_THREATS_SELECT_ALL:
      SetAllChecks(selectAll_.checked());
      return true;
    case IDC_THREATS_COPY:
      CopyToClipboard();
      return true;
    case IDC_THREATS_SAVE:
      SaveToFile();
      return true;
    case IDC_THREATS_CLEAN_ALL:
      StartCleaning(true);
      return true;
    case IDC_THREATS_CLEAN_SELECTED:
      StartCleaning(false);
      return true;
    case IDC_THREATS_DO_NOT_CLEAN:
      PostStep(hwnd(), kStepThreatListDone, 0);
      return true;
    default:
      return false;
  }
}

}  // namespace qws
