#include "ui/persistent_selection_edit.h"

namespace qws {

LRESULT CPersistentSelectionEdit::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_GETDLGCODE) {
    // Dialogs select a whole edit field on focus when it asks for it; this one does not.
    return DefaultProc(message, wparam, lparam) & ~static_cast<LRESULT>(DLGC_HASSETSEL);
  }
  return CWnd::WindowProc(message, wparam, lparam);
}

bool CPersistentSelectionEdit::OnKeyDown(UINT key) {
  if (key != 'A' || (GetKeyState(VK_CONTROL) & 0x8000) == 0) return false;
  SendMessageW(hwnd(), EM_SETSEL, 0, -1);
  SendMessageW(hwnd(), EM_SCROLLCARET, 0, 0);
  return true;
}

}  // namespace qws
