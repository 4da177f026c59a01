// The soft drop shadow of a frameless window: a layered window that follows its parent,
// drawn with per-pixel alpha, hidden while the parent is minimised or maximised and while the
// desktop draws shadows itself (composition on).
#pragma once

#include <windows.h>

#include <cstdint>

#include "ui/shadow_shape.h"

namespace qws {

class CWndShadow {
 public:
  enum Status : unsigned {
    kEnabled = 1,
    kShown = 2,
    kParentVisible = 4,
    kComposition = 8,
  };

  CWndShadow() = default;
  ~CWndShadow();
  CWndShadow(const CWndShadow&) = delete;
  CWndShadow& operator=(const CWndShadow&) = delete;

  // Once per process: finds UpdateLayeredWindow and DwmIsCompositionEnabled, registers the
  // window class "LumenShadowWnd".
  static bool Initialise(HINSTANCE instance);
  // Attaches the shadow to `parent`, whose window procedure it takes over.
  bool Create(HWND parent);

  HWND window() const { return shadow_; }
  unsigned status() const { return status_; }
  const ShadowParams& params() const { return params_; }

 private:
  static LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnParentMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void Show();
  void Update();
  void MoveToParent();
  bool CompositionEnabled() const;

  HWND shadow_ = nullptr;
  HWND parent_ = nullptr;
  WNDPROC parentProc_ = nullptr;
  unsigned status_ = 0;
  ShadowParams params_;
  WORD lastWidth_ = 0, lastHeight_ = 0;
  bool updatePending_ = false;
};

}  // namespace qws
