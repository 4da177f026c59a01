// The link button, the progress bar and the triangle marker.
#pragma once

#include "ui/transparent_object.h"

namespace qws {

// Text that acts as a button: underlined while hovered; clicks and keys reach the page as
// BN_CLICKED.
class CButtonLink : public CTransparentObject {
 protected:
  void DrawContent(HDC dc) override;
  bool IsClickable() const override { return true; }
};

class CProgressBar : public CTransparentObject {
 public:
  CProgressBar() { SetTrackHover(false); }
  void SetRange(int minimum, int maximum);
  void SetPos(int position);
  int pos() const { return position_; }
  void SetColours(COLORREF background, COLORREF fill);

 protected:
  void DrawContent(HDC dc) override;

 private:
  int position_ = 0, minimum_ = 0, maximum_ = 100;
  COLORREF background_ = 0xDCDCDC, fill_ = 0xD29A2A;
};

// A small filled triangle; turn 0 points right, 100 down.
class CStaticTriangle : public CTransparentObject {
 public:
  CStaticTriangle() { SetTrackHover(false); }
  void SetTurn(int turn);
  int turn() const { return turn_; }
  void SetColour(COLORREF colour);

 protected:
  void DrawContent(HDC dc) override;

 private:
  int turn_ = 0;
  COLORREF colour_ = 0x564E41;
};

}  // namespace qws
