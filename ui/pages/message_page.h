// The page that asks every question and shows every warning of the run: a title, a text with
// markup, and up to two buttons whose answers go to the main window.
#pragma once

#include "app/message_content.h"
#include "ui/page_dlg.h"
#include "ui/square_button.h"
#include "ui/static_text.h"

namespace qws {

// Where the two buttons stand for labels w1 (left) and w2 (right) pixels wide: the right one ends
// at 540, the left one 10 pixels before it, both 50 pixels wider than their labels.
struct MessageButtonPlaces {
  RECT left;
  RECT right;
};
MessageButtonPlaces PlaceMessageButtons(int leftLabelWidth, int rightLabelWidth);

class CMessageDlg : public CPageDlg {
 public:
  CMessageDlg();

  void SetContent(const MessagePageContent& content);
  const MessagePageContent& content() const { return content_; }
  // The focus goes to the right button, or the left one when it stands alone.
  void Refresh() override;

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int controlId, int code) override;

 private:
  MessagePageContent content_;
  CStaticText text_;
  CSquareButton left_;
  CSquareButton right_;
};

}  // namespace qws
