#include "ui/pages/quarantine_page.h"

#include <commctrl.h>

#include <algorithm>

#include "app/message_content.h"
#include "app/string_table.h"
#include "app/text_token.h"
#include "base/u16.h"
#include "engine/cml_line_scanner.h"
#include "resources/resource_ids.h"
#include "ui/list_view.h"
#include "ui/pages/page_messages.h"
#include "ui/row_tip_text.h"

namespace qws {

namespace {

constexpr wchar_t kTitle[] = L"Quarantine";
constexpr wchar_t kRestore[] = L"Restore";
constexpr wchar_t kRestored[] = L"restored";
constexpr wchar_t kFailed[] = L"failed";
constexpr int kColumnCount = 3;
constexpr int kThreatNameWidth = 150;
constexpr RECT kListRect = {19, 55, 580, 360};

std::u16string ColumnNames() { return ToU16(LoadText(4104)); }  // "Target|Threat name|Action"

}  // namespace

CQuarantineDlg::CQuarantineDlg() : CPageDlg(IDD_QUARANTINE_PAGE) {
  backgroundId_ = IDR_PAGE_BACKGROUND_PNG;
  iconId_ = IDR_QUARANTINE_ICON_PNG;
}

bool CQuarantineDlg::OnInitDialog() {
  CPageDlg::OnInitDialog();
  SetTitle(kTitle);

  list_ = Item(IDC_QUARANTINE_LIST);
  SetWindowPos(list_, nullptr, kListRect.left, kListRect.top, kListRect.right - kListRect.left,
               kListRect.bottom - kListRect.top, SWP_NOZORDER | SWP_NOACTIVATE);
  ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES);
  tip_.Watch(list_, [this](int row) {
    if (row < 0 || row >= RowCount()) return std::wstring();
    return ToWide(RowToolTipText(ColumnNames(), {ToU16(CellText(row, 0)), ToU16(CellText(row, 1)),
                                                 ToU16(CellText(row, 2))}));
  });

  selectAll_.Attach(hwnd(), IDC_QUARANTINE_SELECT_ALL);
  selectAll_.Move({27, 367, 540, 386});
  selectAll_.SetImages(IDR_CHECK_BOX_STRIP_PNG);
  selectAll_.SetTextFitted(LoadText(4076));  // "Select all / Deselect all"

  restore_.Attach(hwnd(), IDC_QUARANTINE_RESTORE);
  restore_.Move({440, 415, 540, 450});
  restore_.SetText(kRestore);
  restore_.SetColours(kAccentScheme);
  back_.Attach(hwnd(), IDC_QUARANTINE_BACK);
  back_.Move({330, 415, 430, 450});
  back_.SetText(LoadText(4004));  // "Back"
  back_.SetColours(kGreyScheme);
  LayOutButtonRow({&restore_, &back_}, 540);
  return true;
}

void CQuarantineDlg::MakeColumns() {
  const std::u16string names = ColumnNames();
  int actionWidth = 0;
  for (const wchar_t* text : {L"Action", kRestored, kFailed})
    actionWidth = std::max(actionWidth, static_cast<int>(ListView_GetStringWidth(list_, text)));
  actionWidth += 16;
  RECT client{};
  GetClientRect(list_, &client);
  fileColumnWidth_ = client.right - client.left - 2 - kThreatNameWidth - actionWidth;
  const std::wstring headers[kColumnCount] = {L"File", ToWide(TextToken(names, 1, u'|')),
                                              ToWide(TextToken(names, 2, u'|'))};
  const int widths[kColumnCount] = {fileColumnWidth_, kThreatNameWidth, actionWidth};
  for (int column = 0; column < kColumnCount; ++column) InsertListColumn(list_, column, headers[column], widths[column]);
  columnsMade_ = true;
}

void CQuarantineDlg::Refresh() {
  if (!columnsMade_) MakeColumns();
  if (bridge_) bridge_->ReadQuarantine();
  const int records = bridge_ ? static_cast<int>(bridge_->quarantineRecords().size()) : 0;
  settingChecks_ = true;
  ListView_DeleteAllItems(list_);
  const int fit = ListView_GetCountPerPage(list_);
  ListView_SetColumnWidth(list_, 0, fileColumnWidth_ - (records > fit ? GetSystemMetrics(SM_CXVSCROLL) : 0));
  for (int row = 0; row < records; ++row) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = LPSTR_TEXTCALLBACKW;
    ListView_InsertItem(list_, &item);
    ListView_SetCheckState(list_, row, FALSE);
  }
  settingChecks_ = false;
  UpdateSelectAll();
  SetFocus(back_.hwnd());
}

int CQuarantineDlg::RowCount() const { return ListView_GetItemCount(list_); }

bool CQuarantineDlg::RowChecked(int row) const { return ListView_GetCheckState(list_, row) != FALSE; }

std::wstring CQuarantineDlg::ActionText(int row) const { return CellText(row, 2); }

std::wstring CQuarantineDlg::CellText(int row, int column) const {
  if (!bridge_ || row < 0 || static_cast<size_t>(row) >= bridge_->quarantineRecords().size()) return {};
  const QuarantineRecord& record = bridge_->quarantineRecords()[static_cast<size_t>(row)];
  switch (column) {
    case 0: return record.formerPath;
    case 1: return record.threatName;
    default: return record.restored ? kRestored : record.restoreAttempted ? kFailed : L"";
  }
}

void CQuarantineDlg::UpdateSelectAll() {
  const int rows = RowCount();
  int checked = 0;
  for (int row = 0; row < rows; ++row) checked += RowChecked(row) ? 1 : 0;
  selectAll_.SetCheck(rows > 0 && checked == rows);
  selectAll_.SetWarning(checked > 0 && checked < rows);
}

void CQuarantineDlg::SetAllChecks(bool checked) {
  settingChecks_ = true;
  for (int row = 0; row < RowCount(); ++row) ListView_SetCheckState(list_, row, checked);
  settingChecks_ = false;
  UpdateSelectAll();
}

void CQuarantineDlg::RestoreTicked() {
  if (!bridge_) return;
  std::vector<QuarantineRecord>& records = bridge_->quarantineRecords();
  for (int row = 0; row < RowCount() && static_cast<size_t>(row) < records.size(); ++row) {
    QuarantineRecord& record = records[static_cast<size_t>(row)];
    if (!RowChecked(row) || record.restored) continue;
    record.restoreAttempted = true;
    record.restored = bridge_->RestoreFromQuarantine(record.entryIndex);
  }
  InvalidateRect(list_, nullptr, FALSE);
  UpdateWindow(list_);
}

INT_PTR CQuarantineDlg::DialogProc(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NOTIFY) {
    const auto* header = reinterpret_cast<const NMHDR*>(lparam);
    if (header->idFrom == IDC_QUARANTINE_LIST && header->code == LVN_GETDISPINFOW) {
      auto* info = reinterpret_cast<NMLVDISPINFOW*>(lparam);
      AnswerTextRequest(*info, CellText(info->item.iItem, info->item.iSubItem));
      return TRUE;
    }
    if (header->idFrom == IDC_QUARANTINE_LIST && header->code == LVN_ITEMCHANGED) {
      const auto* change = reinterpret_cast<const NMLISTVIEW*>(lparam);
      if (IsCheckChange(*change) && !settingChecks_) UpdateSelectAll();
      return TRUE;
    }
  }
  return CPageDlg::DialogProc(message, wparam, lparam);
}

bool CQuarantineDlg::OnCommand(int controlId, int code) {
  if (code != BN_CLICKED) return false;
  switch (controlId) {
    case IDC_QUARANTINE_SELECT_ALL:
      SetAllChecks(selectAll_.checked());
      return true;
    case IDC_QUARANTINE_RESTORE:
      RestoreTicked();
      return true;
    case IDC_QUARANTINE_BACK:
      PostStep(hwnd(), kStepQuarantineBack);
      return true;
    default:
      return false;
  }
}

}  // namespace qws
