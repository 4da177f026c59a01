// Check box pictures for the target tree's state images.
#pragma once

#include <windows.h>

#include "base/scoped_handle.h"

namespace qws {

enum class CheckDrawing { VisualStyle, Classic };

// State 0 to 11: unchecked, checked, mixed; each normal, hot, pressed, disabled. A 32-bit
// bitmap of `size` on the window colour. Visual-style drawing ("BUTTON" theme, check box part,
// state + 1) when asked for and a theme is active; the classic frame control otherwise.
ScopedBitmap MakeCheckImage(HWND window, int state, SIZE size, CheckDrawing drawing);
// The visual style when one is active, else the classic drawing.
ScopedBitmap MakeCheckImage(HWND window, int state, SIZE size);

}  // namespace qws
