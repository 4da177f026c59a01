// The page frame: every wizard page is a child dialog drawn over a background image with a
// page icon, a title line and a help button that opens the help page.
#pragma once

#include <string>

#include "base/scoped_handle.h"
#include "ui/dialog.h"
#include "ui/image_controls.h"

namespace qws {

// Posted by the help button to its page.
inline constexpr UINT kMsgHelpClicked = WM_USER + 13;
inline constexpr int kHelpButtonId = 1099;

class CPageDlg : public CDialog {
 public:
  explicit CPageDlg(int templateId) : CDialog(templateId) {}

  // Called by the main window each time it brings the page up or fills it again.
  virtual void Refresh() {}

  void SetTitle(const std::wstring& title);
  const std::wstring& title() const { return title_; }
  void SetTitleColour(COLORREF colour);
  // Switches between the normal and the alternate background; the controls over it take
  // their background again.
  void UseAlternateBackground(bool alternate);
  HBITMAP currentBackground() const { return current_; }

 protected:
  // Set by a page before its initialisation (in its constructor).
  int backgroundId_ = 135;
  int alternateBackgroundId_ = 0;
  int iconId_ = 0;
  // Where the title line is drawn, vertically centred on one line.
  RECT titleRect_ = {59, 10, 540, 40};

  bool OnInitDialog() override;
  bool HasOwnPainting() const override { return true; }
  void OnDraw(HDC dc) override;
  std::optional<LRESULT> OnUserMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  // Asks every child control to copy the background again.
  void RetakeChildBackgrounds();

 private:
  ScopedBitmap background_;
  ScopedBitmap alternateBackground_;
  ScopedBitmap icon_;
  HBITMAP current_ = nullptr;
  ScopedFont titleFont_;
  std::wstring title_;
  COLORREF titleColour_ = 0x564E41;
  bool firstPaint_ = true;
  CTransparentButton help_;
};

}  // namespace qws
