#include "ui/pages/message_page.h"

#include "resources/resource_ids.h"
#include "ui/font_list.h"
#include "ui/gdi.h"
#include "ui/pages/page_messages.h"

namespace qws {

MessageButtonPlaces PlaceMessageButtons(int w1, int w2) {
  return {{430 - w2 - w1, 415, 480 - w2, 450}, {490 - w2, 415, 540, 450}};
}

CMessageDlg::CMessageDlg() : CPageDlg(IDD_MESSAGE_PAGE) { titleRect_ = {59, 120, 540, 150}; }

bool CMessageDlg::OnInitDialog() {
  CPageDlg::OnInitDialog();
  text_.Attach(hwnd(), IDC_PAGE_TEXT);
  left_.Attach(hwnd(), IDC_LEFT_BUTTON);
  right_.Attach(hwnd(), IDC_RIGHT_BUTTON);
  text_.Move({59, 160, 540, 300});
  return true;
}

void CMessageDlg::SetContent(const MessagePageContent& content) {
  content_ = content;
  SetTitle(content.title);
  text_.SetText(content.text);
  left_.SetText(content.leftLabel);
  right_.SetText(content.rightLabel);
  left_.SetColours(content.leftColours);
  right_.SetColours(content.rightColours);
  WindowDc dc(hwnd());
  HFONT font = FontList::Process().Get(kFontNormal);
  const auto width = [&](const std::wstring& label) {
    return TextSize(dc.dc(), font, label.c_str(), static_cast<int>(label.size())).cx;
  };
  const MessageButtonPlaces places = PlaceMessageButtons(width(content.leftLabel), width(content.rightLabel));
  left_.Move(places.left);
  right_.Move(places.right);
  left_.Show(!content.leftLabel.empty());
  right_.Show(!content.rightLabel.empty());
  Invalidate();
}

void CMessageDlg::Refresh() {
  if (right_.IsVisible())
    SetFocus(right_.hwnd());
  else if (left_.IsVisible())
    SetFocus(left_.hwnd());
}

bool CMessageDlg::OnCommand(int controlId, int code) {
  if (code != BN_CLICKED || (controlId != IDC_LEFT_BUTTON && controlId != IDC_RIGHT_BUTTON)) return false;
  PostStep(hwnd(), kStepMessageAnswered, controlId == IDC_LEFT_BUTTON ? 1 : 2);
  return true;
}

}  // namespace qws
