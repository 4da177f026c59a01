// The banner of the update and scan pages: the control that the banner rotator fills through
// STM_SETIMAGE. It draws the banner centred over the page background with the image's alpha, is
// hidden while it holds no image, and a click opens the shown banner's destination.
#pragma once

#include <functional>
#include <string>

#include "net/banner_rotator.h"
#include "ui/transparent_object.h"

namespace qws {

class CBannerView : public CTransparentObject {
 public:
  CBannerView() { SetTrackHover(false); }
  // Takes the template's control over at `rect`, hidden until a banner arrives.
  void AttachAt(HWND page, int controlId, const RECT& rect);
  // From now on the rotator shows its banners here; the one shown already appears at once.
  void ShowRotator(BannerRotator* rotator);
  HBITMAP image() const;

  // Opens an address in the browser (the shell's "open"); tests look at the address instead.
  std::function<void(const std::wstring&)> openAddress;

 protected:
  LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override;
  void DrawContent(HDC dc) override;
  bool IsClickable() const override { return true; }
  void Activate(bool fromKey) override;

 private:
  BannerRotator* rotator_ = nullptr;
};

}  // namespace qws
