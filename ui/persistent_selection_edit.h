// The terms text field: keeps its selection when it gets the focus; Ctrl+A selects everything.
#pragma once

#include "ui/window.h"

namespace qws {

class CPersistentSelectionEdit : public CWnd {
 protected:
  LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override;
  bool OnKeyDown(UINT key) override;
};

}  // namespace qws
