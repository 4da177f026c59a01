// The last page of a run: thanks, and the offer of a free trial of the full product.
#pragma once

#include "ui/image_controls.h"
#include "ui/page_dlg.h"
#include "ui/square_button.h"
#include "ui/static_text.h"

namespace qws {

class CFinalDlg : public CPageDlg {
 public:
  CFinalDlg();
  void Refresh() override;

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int controlId, int code) override;

 private:
  CStaticText thanks_;
  CStaticBitmap separator_;
  CStaticText offerTitle_;
  CStaticText offerList_;
  CSquareButton trial_;
};

}  // namespace qws
