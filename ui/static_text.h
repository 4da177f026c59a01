// Text with markup: bold, italic, highlighted and link runs laid out on lines. A link answers
// a click (press and release on the same link) and Enter or Space with WM_COMMAND code 16.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "ui/markup.h"
#include "ui/transparent_object.h"

namespace qws {

inline constexpr WORD kLinkActivated = 16;

class CStaticText : public CTransparentObject {
 public:
  CStaticText() { textColour_ = RGB(0, 0, 0); }
  // Parses the markup; the window text becomes the raw text.
  void SetText(const std::wstring& text);
  void SetLinkColour(COLORREF colour) { linkColour_ = colour; }
  void SetHighlightColour(COLORREF colour) { highlightColour_ = colour; }
  void SetRightToLeft(bool rtl) { rightToLeft_ = rtl; }
  void SetEllipsis(bool ellipsis) { ellipsis_ = ellipsis; }
  void SetTakeFocusOnClick(bool take) { takeFocusOnClick_ = take; }
  int hoveredLink() const { return hoveredLink_; }
  // Where the link pieces were drawn (client coordinates) and their run numbers.
  const std::vector<std::pair<RECT, int>>& linkRects() const { return linkRects_; }

 protected:
  void DrawContent(HDC dc) override;
  bool OnMouseMove(POINT point, UINT keys) override;
  bool OnLButtonDown(POINT point) override;
  bool OnLButtonUp(POINT point) override;
  bool WantsKey(UINT key) const override { return key == VK_RETURN || key == VK_SPACE; }
  void Activate(bool) override { NotifyParent(kLinkActivated); }
  void OnCaptureLost() override;

 private:
  int LinkAt(POINT point) const;

  std::vector<TextRun> runs_;
  COLORREF linkColour_ = 0xD29A2A;
  COLORREF highlightColour_ = 0x0000C8;
  bool rightToLeft_ = false;
  bool ellipsis_ = false;
  bool takeFocusOnClick_ = true;
  int hoveredLink_ = -1;
  int pressedLink_ = -1;
  bool linksKnown_ = false;
  std::vector<std::pair<RECT, int>> linkRects_;
};

}  // namespace qws
