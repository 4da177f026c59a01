#include "ui/font_list.h"

namespace qws {

FontList& FontList::Process() {
  static FontList list;
  return list;
}

// The height is the character cell's, as the page layout counts its lines: a 16-pixel font
// takes 16 pixels per line, not 16 pixels per em.
ScopedFont CreateUiFont(int pixelHeight, int weight, bool underline, bool italic) {
  return ScopedFont(CreateFontW(pixelHeight, 0, 0, 0, weight, italic, underline, FALSE,
                                DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Segoe UI"));
}

void AppendMainWindowFonts() {
  FontList& list = FontList::Process();
  list.Append(CreateUiFont(16, FW_NORMAL));
  list.Append(CreateUiFont(16, FW_NORMAL, true));
  list.Append(CreateUiFont(16, FW_BOLD));
  list.Append(CreateUiFont(16, FW_NORMAL, false, true));
}

}  // namespace qws
