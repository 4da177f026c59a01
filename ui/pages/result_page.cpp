#include "ui/pages/result_page.h"

#include <algorithm>
#include <string>

#include "app/message_content.h"
#include "app/string_table.h"
#include "base/u16.h"
#include "resources/resource_ids.h"
#include "ui/control_maths.h"
#include "ui/gdi.h"
#include "ui/pages/page_messages.h"

namespace qws {

namespace {

constexpr COLORREF kLinkColour = 0xD29A2A;
constexpr COLORREF kInfectedColour = 0x3A43E1;
constexpr COLORREF kPlainColour = 0;
constexpr int kLabelsLeft = 59, kValuesLeft = 165, kValuesRight = 540, kValueGap = 5;
constexpr int kButtonIds[3] = {IDC_RESULT_BUTTON1, IDC_RESULT_BUTTON2, IDC_RESULT_BUTTON3};

RECT At(int x, int y, int width, int height) { return {x, y, x + width, y + height}; }

void SetUp(CStaticText& text, HWND page, int id, const RECT& place, const std::wstring& content) {
  text.Attach(page, id);
  text.Move(place);
  text.SetText(content);
}

}  // namespace

CResultDlg::CResultDlg() : CPageDlg(IDD_RESULT_PAGE) {
  backgroundId_ = IDR_PAGE_BACKGROUND_PNG;
  // The icon follows the state, so the page draws it itself.
  iconId_ = 0;
}

bool CResultDlg::OnInitDialog() {
  CPageDlg::OnInitDialog();
  HWND page = hwnd();
  struct Pair {
    CStaticText& label;
    CStaticText& value;
    int labelId, valueId, top, height;
    unsigned text;
  };
  const Pair pairs[] = {
      {filesLabel_, filesValue_, IDC_RESULT_FILES_LABEL, IDC_RESULT_FILES_VALUE, 51, 19, 4081},
      {infectedLabel_, infectedValue_, IDC_RESULT_INFECTED_LABEL, IDC_RESULT_INFECTED_VALUE, 70, 19, 4082},
      {cleanedLabel_, cleanedValue_, IDC_RESULT_CLEANED_LABEL, IDC_RESULT_CLEANED_VALUE, 89, 16, 4083},
      {timeLabel_, timeValue_, IDC_RESULT_TIME_LABEL, IDC_RESULT_TIME_VALUE, 106, 17, 4084},
      {statusLabel_, statusValue_, IDC_RESULT_STATUS_LABEL, IDC_RESULT_STATUS_VALUE, 124, 17, 4085},
  };
  // The values start beyond the widest label: in a wider font than the page was drawn for the
  // labels would otherwise break onto a second line and run into the next pair.
  int labelsRight = kValuesLeft - kValueGap;
  for (const Pair& pair : pairs) {
    pair.label.Attach(page, pair.labelId);
    pair.label.Move(At(kLabelsLeft, pair.top, 101, pair.height));
    pair.label.SetTextFitted(LoadText(pair.text));
    labelsRight = std::max(labelsRight, static_cast<int>(pair.label.RectInParent().right));
  }
  for (const Pair& pair : pairs) {
    pair.value.Attach(page, pair.valueId);
    pair.value.Move({labelsRight + kValueGap, pair.top, kValuesRight, pair.top + pair.height});
  }

  showList_.Attach(page, IDC_RESULT_SHOW_LIST);
  showList_.Move(At(59, 152, 481, 16));
  showList_.SetTextColour(kLinkColour);
  showList_.SetTextFitted(LoadText(4102));  // "Show list of results"
  quarantine_.Attach(page, IDC_RESULT_QUARANTINE);
  quarantine_.Move(At(59, 169, 481, 17));
  quarantine_.SetTextColour(kLinkColour);
  quarantine_.SetTextFitted(LoadText(4099));  // "Manage quarantine"
  separator_.Attach(page, IDC_RESULT_SEPARATOR);
  separator_.Move({59, 186, 599, 187});
  separator_.SetImage(IDR_SEPARATOR_PNG);

  uninstall_.Attach(page, IDC_RESULT_UNINSTALL);
  uninstall_.Move(At(59, 204, 481, 19));
  uninstall_.SetImages(IDR_CHECK_BOX_STRIP_PNG);
  uninstall_.SetTextFitted(LoadText(4114));  // "Uninstall application on close"
  removeQuarantine_.Attach(page, IDC_RESULT_REMOVE_QUARANTINE);
  removeQuarantine_.Move(At(59, 224, 481, 19));
  removeQuarantine_.SetImages(IDR_CHECK_BOX_STRIP_PNG);
  removeQuarantine_.SetTextFitted(LoadText(4115));  // "Remove files from quarantine"

  SetUp(restartNotice_, page, IDC_RESULT_RESTART_NOTICE, {59, 244, 540, 290}, LoadText(4091));
  SetUp(browserNotice_, page, IDC_RESULT_BROWSER_NOTICE, {59, 300, 540, 350}, LoadText(4109));

  for (int i = 0; i < 3; ++i) {
    buttons_[i].Attach(page, kButtonIds[i]);
    buttons_[i].Move({440 - 110 * i, 415, 540 - 110 * i, 450});
    buttons_[i].SetColours(i == 0 ? kAccentScheme : kGreyScheme);
  }
  return true;
}

void CResultDlg::SetSummaryFlags(bool restartRequired, bool browserReinstallAdvised) {
  figures_.restartRequired = restartRequired;
  figures_.browserReinstallAdvised = browserReinstallAdvised;
}

void CResultDlg::SetQuarantineState(bool empty, bool holdsUnrestored) {
  figures_.quarantineEmpty = empty;
  figures_.quarantineHasUnrestored = holdsUnrestored;
}

void CResultDlg::Refresh() {
  look_ = LookOfResult(figures_);
  icon_ = LoadBlendImage(look_.iconId);
  SetTitle(LoadText(look_.titleId));
  SetTitleColour(look_.titleColour);
  ShowValues();
  showList_.Show(look_.showListShown);
  quarantine_.Show(look_.quarantineShown);
  uninstall_.Show(look_.uninstallShown);
  removeQuarantine_.Show(look_.removeQuarantineShown);
  restartNotice_.Show(look_.restartNoticeShown);
  browserNotice_.Show(look_.browserNoticeShown);
  ShowButtons();
  Invalidate();
  SetFocus(buttons_[0].hwnd());
}

void CResultDlg::ShowValues() {
  filesValue_.SetText(std::to_wstring(figures_.filesScanned));
  infectedValue_.SetText(std::to_wstring(figures_.infectedFiles));
  cleanedValue_.SetText(std::to_wstring(figures_.cleanedThreats));
  timeValue_.SetText(ToWide(ScanDurationText(figures_.scanDuration)));
  statusValue_.SetText(LoadText(figures_.stoppedByUser ? 4086 : 4087));  // "Stopped by user" / "Finished"
  const COLORREF infectedColour = look_.infectedHighlighted ? kInfectedColour : kPlainColour;
  infectedLabel_.SetTextColour(infectedColour);
  infectedValue_.SetTextColour(infectedColour);
}

void CResultDlg::ShowButtons() {
  std::vector<int> widths;
  for (int i = 0; i < 3; ++i) {
    const ResultButtonLook& button = look_.buttons[i];
    buttons_[i].Show(button.shown);
    if (!button.shown) continue;
    buttons_[i].SetText(LoadText(button.labelId));
    widths.push_back(buttons_[i].FittedWidth());
  }
  // The shown buttons from the right edge; hidden ones are always the last of the row.
  const std::vector<Span1D> spans = ButtonRowFromRight(widths, 540);
  for (size_t i = 0; i < spans.size(); ++i) {
    RECT rect = buttons_[i].RectInParent();
    rect.left = spans[i].left;
    rect.right = spans[i].right;
    buttons_[i].Move(rect);
  }
}

bool CResultDlg::OnCommand(int controlId, int code) {
  if (code != BN_CLICKED) return false;
  for (int i = 0; i < 3; ++i) {
    if (controlId == kButtonIds[i] && look_.buttons[i].shown) {
      PostStep(hwnd(), kStepResultChoice, static_cast<WPARAM>(look_.buttons[i].choice));
      return true;
    }
  }
  if (controlId == IDC_RESULT_SHOW_LIST) {
    PostStep(hwnd(), kStepResultChoice, kChoiceShowList);
    return true;
  }
  if (controlId == IDC_RESULT_QUARANTINE) {
    PostStep(hwnd(), kStepResultChoice, kChoiceQuarantine);
    return true;
  }
  return false;
}

void CResultDlg::OnDraw(HDC dc) {
  CPageDlg::OnDraw(dc);
  BlendBitmap(dc, icon_.get(), 19, 10);
}

}  // namespace qws
