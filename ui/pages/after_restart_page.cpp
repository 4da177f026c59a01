#include "ui/pages/after_restart_page.h"

#include <commctrl.h>

#include <algorithm>

#include "app/message_content.h"
#include "app/string_table.h"
#include "app/text_token.h"
#include "base/u16.h"
#include "resources/resource_ids.h"
#include "ui/column_widths.h"
#include "ui/gdi.h"
#include "ui/list_view.h"

namespace qws {

namespace {

constexpr wchar_t kAllCleanedTitle[] = L"All threats cleaned";
constexpr wchar_t kAllCleanedText[] = L"All found threats were successfully removed from you computer.";
constexpr wchar_t kNotCleanedTitle[] = L"Threats cannot be cleaned";
constexpr wchar_t kNotCleanedText[] =
    L"The current user does not have sufficient rights to access files containing threats. "
    L"Elevate the rights for the current user or notify a user with administrator rights to "
    L"remove threats.";
constexpr COLORREF kCleanedTitleColour = 0x1ABB77;
constexpr COLORREF kNotCleanedTitleColour = 0x3942E0;
constexpr int kColumnCount = 3;
// The threat name column takes freed width first.
constexpr size_t kThreatNameColumn = 1;

constexpr RECT kTextRect = {59, 55, 540, 89};
constexpr RECT kListRect = {19, 100, 580, 360};
// The longer text of the uncleaned state takes three to four lines: it starts higher and the
// list begins below it, where the two lines of the cleaned state's area would cut it off.
constexpr RECT kLongTextRect = {59, 46, 540, 122};
constexpr RECT kListBelowLongTextRect = {19, 126, 580, 360};
constexpr RECT kSeparatorRect = {59, 98, 599, 99};
constexpr int kBoxLeft = 59, kBoxWidth = 481, kBoxHeight = 19;

RECT BoxAt(int top) { return {kBoxLeft, top, kBoxLeft + kBoxWidth, top + kBoxHeight}; }

}  // namespace

CAfterRestartDlg::CAfterRestartDlg() : CPageDlg(IDD_AFTER_RESTART_PAGE) {
  backgroundId_ = IDR_PAGE_BACKGROUND_PNG;
  // The page switches its icon by state, so it draws the icon itself.
  iconId_ = 0;
}

bool CAfterRestartDlg::OnInitDialog() {
  CPageDlg::OnInitDialog();
  icon_ = LoadBlendImage(IDR_CLEAN_ICON_PNG);
  SetTitle(kAllCleanedTitle);
  SetTitleColour(kCleanedTitleColour);

  text_.Attach(hwnd(), IDC_AFTER_RESTART_TEXT);
  text_.Move(kTextRect);
  text_.SetText(kAllCleanedText);

  list_ = Item(IDC_AFTER_RESTART_LIST);
  SetWindowPos(list_, nullptr, kListRect.left, kListRect.top, kListRect.right - kListRect.left,
               kListRect.bottom - kListRect.top, SWP_NOZORDER | SWP_NOACTIVATE);
  ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT);
  ShowWindow(list_, SW_HIDE);

  separator_.Attach(hwnd(), IDC_AFTER_RESTART_SEPARATOR);
  separator_.Move(kSeparatorRect);
  separator_.SetImage(IDR_SEPARATOR_PNG);

  uninstall_.Attach(hwnd(), IDC_AFTER_RESTART_UNINSTALL);
  uninstall_.Move(BoxAt(115));
  uninstall_.SetImages(IDR_CHECK_BOX_STRIP_PNG);
  uninstall_.SetText(LoadText(4114));  // "Uninstall application on close"
  removeQuarantine_.Attach(hwnd(), IDC_AFTER_RESTART_REMOVE_QUARANTINE);
  removeQuarantine_.Move(BoxAt(144));
  removeQuarantine_.SetImages(IDR_CHECK_BOX_STRIP_PNG);
  removeQuarantine_.SetText(LoadText(4115));  // "Remove files from quarantine"

  finish_.Attach(hwnd(), IDC_AFTER_RESTART_FINISH);
  finish_.Move({440, 415, 540, 450});
  finish_.SetText(LoadText(4088));  // "Finish"
  finish_.SetColours(kAccentScheme);
  return true;
}

void CAfterRestartDlg::SetResults(const ScanSummary& summary, uint32_t threatsFound,
                                  uint32_t threatsCleaned) {
  summary_ = summary;
  threatsFound_ = threatsFound;
  threatsCleaned_ = threatsCleaned;
}

void CAfterRestartDlg::Refresh() {
  if (!AllCleaned()) {
    icon_ = LoadBlendImage(IDR_THREAT_ICON_PNG);
    SetTitle(kNotCleanedTitle);
    SetTitleColour(kNotCleanedTitleColour);
    separator_.Show(false);
    uninstall_.Move(BoxAt(370));
    removeQuarantine_.Move(BoxAt(399));
    text_.Move(kLongTextRect);
    text_.SetText(kNotCleanedText);
    SetWindowPos(list_, nullptr, kListBelowLongTextRect.left, kListBelowLongTextRect.top,
                 kListBelowLongTextRect.right - kListBelowLongTextRect.left,
                 kListBelowLongTextRect.bottom - kListBelowLongTextRect.top, SWP_NOZORDER | SWP_NOACTIVATE);
    FillList();
    ShowWindow(list_, SW_SHOW);
  }
  Invalidate();
  TakeFocus();
}

void CAfterRestartDlg::TakeFocus() { SetFocus(finish_.hwnd()); }

void CAfterRestartDlg::FillList() {
  rows_.clear();
  MergeThreatRecords(summary_.threatRecords, rows_);
  cells_.clear();
  for (const ThreatListItem& row : rows_) {
    cells_.push_back(ToWide(row.target));
    cells_.push_back(ToWide(row.threatName));
    cells_.push_back(ToWide(row.action));
  }
  if (!columnsMade_) {
    const std::u16string names = ToU16(LoadText(4104));  // "Target|Threat name|Action"
    for (int column = 0; column < kColumnCount; ++column) {
      InsertListColumn(list_, column, ToWide(TextToken(names, static_cast<size_t>(column), u'|')), 100);
    }
    columnsMade_ = true;
  }
  ListView_DeleteAllItems(list_);
  for (size_t row = 0; row < rows_.size(); ++row) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(row);
    item.pszText = LPSTR_TEXTCALLBACKW;
    ListView_InsertItem(list_, &item);
  }
  FitColumns();
}

void CAfterRestartDlg::FitColumns() {
  RECT client{};
  GetClientRect(list_, &client);
  int usable = client.right - client.left;
  if (static_cast<int>(rows_.size()) > ListView_GetCountPerPage(list_))
    usable -= GetSystemMetrics(SM_CXVSCROLL);
  std::vector<int> widest(kColumnCount, 0);
  const std::u16string names = ToU16(LoadText(4104));
  for (int column = 0; column < kColumnCount; ++column) {
    const std::wstring name = ToWide(TextToken(names, static_cast<size_t>(column), u'|'));
    widest[column] = ListView_GetStringWidth(list_, name.c_str());
  }
  for (size_t cell = 0; cell < cells_.size(); ++cell) {
    const int column = static_cast<int>(cell % kColumnCount);
    widest[column] = std::max(widest[column], static_cast<int>(ListView_GetStringWidth(list_, cells_[cell].c_str())));
  }
  const std::vector<int> widths = ShareColumnWidths(usable, widest, kThreatNameColumn);
  for (int column = 0; column < kColumnCount; ++column) ListView_SetColumnWidth(list_, column, widths[column]);
}

const std::wstring& CAfterRestartDlg::CellText(size_t row, int column) {
  static const std::wstring kNone;
  const size_t cell = row * kColumnCount + static_cast<size_t>(column);
  return column >= 0 && column < kColumnCount && cell < cells_.size() ? cells_[cell] : kNone;
}

INT_PTR CAfterRestartDlg::DialogProc(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NOTIFY) {
    auto* header = reinterpret_cast<NMHDR*>(lparam);
    if (header->idFrom == IDC_AFTER_RESTART_LIST && header->code == LVN_GETDISPINFOW) {
      auto* info = reinterpret_cast<NMLVDISPINFOW*>(lparam);
      AnswerTextRequest(*info, CellText(static_cast<size_t>(info->item.iItem), info->item.iSubItem));
      return TRUE;
    }
  }
  return CPageDlg::DialogProc(message, wparam, lparam);
}

bool CAfterRestartDlg::OnCommand(int controlId, int code) {
  if (controlId == IDC_AFTER_RESTART_FINISH && code == BN_CLICKED) {
    PostMessageW(GetParent(hwnd()), kStepAfterRestartFinished, 0, 0);
    return true;
  }
  return false;
}

void CAfterRestartDlg::OnDraw(HDC dc) {
  CPageDlg::OnDraw(dc);
  BlendBitmap(dc, icon_.get(), 19, 10);
}

}  // namespace qws
