// Check box and radio button drawn from a strip of 12-pixel glyph cells (RCDATA 139: eight
// cells for check boxes, 140: six for radios). A radio's partner takes the opposite state.
#pragma once

#include "ui/transparent_object.h"

namespace qws {

class CCheckBox : public CTransparentObject {
 public:
  CCheckBox() { textIndent_ = 16; }
  void SetImages(int rcdataId);
  void SetRadio(bool radio) { radio_ = radio; }
  void SetPartner(int controlId) { partnerId_ = controlId; }
  void SetWarning(bool warning);
  // Also BM_SETCHECK / BM_GETCHECK for the page and for other processes.
  void SetCheck(bool checked);
  bool checked() const { return checked_; }
  bool warning() const { return warning_; }

 protected:
  void DrawContent(HDC dc) override;
  bool IsClickable() const override { return true; }
  void Activate(bool fromKey) override;
  LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  ScopedBitmap strip_;
  int cellCount_ = 0;
  bool radio_ = false;
  bool checked_ = false;
  bool warning_ = false;
  int partnerId_ = 0;
};

}  // namespace qws
