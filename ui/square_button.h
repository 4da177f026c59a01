// The flat push button of the pages: a face in one of four colours with a 2-pixel edge strip
// along its right and bottom sides, an optional image and centred white text.
#pragma once

#include <array>
#include <cstdint>

#include "ui/transparent_object.h"

namespace qws {

class CSquareButton : public CTransparentObject {
 public:
  CSquareButton();
  // Face normal, hover, pressed, disabled; edge normal, hover, pressed, disabled (0x00BBGGRR).
  void SetColours(const std::array<uint32_t, 8>& colours);
  void SetImage(int rcdataId);
  // Width = text width + 30 (+ image width + 1), keeping the right or the left edge.
  void Fit(bool keepRightEdge);
  int FittedWidth() const;

 protected:
  void DrawContent(HDC dc) override;
  bool IsClickable() const override { return true; }

 private:
  std::array<uint32_t, 8> colours_;
  ScopedBitmap image_;
};

// The 18-pixel font of the square buttons.
HFONT SquareButtonFont();

// Lays out a row of fitted buttons from the right edge `right`, 10 pixels apart.
void LayOutButtonRow(std::initializer_list<CSquareButton*> buttons, int right);

}  // namespace qws
