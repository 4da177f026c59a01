// A window of the test that hosts one page the way the main window does (600 by 560, the page
// at (1, 60)) and records the step messages the page sends it.
#pragma once

#include <windows.h>

#include <vector>

#include "ui/dialog.h"
#include "ui/page_dlg.h"

namespace qws::test {

struct StepMessage {
  UINT message;
  WPARAM wparam;
  LPARAM lparam;
};

class PageHost : public CDialog {
 public:
  PageHost();
  ~PageHost() override;
  // Creates the host and `page` inside it, shows both and refreshes the page.
  bool Open(CPageDlg& page);
  void Close();

  std::vector<StepMessage> steps;

 protected:
  bool OnInitDialog() override;
  std::optional<LRESULT> OnUserMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  bool HasOwnPainting() const override { return true; }
  void OnDraw(HDC dc) override;
};

}  // namespace qws::test
