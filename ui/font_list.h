// The process-wide list of fonts from which the pages give their controls fonts: the main
// window appends normal, underlined, bold and italic. UI thread only.
#pragma once

#include <windows.h>

#include <vector>

#include "base/scoped_handle.h"

namespace qws {

enum FontIndex { kFontNormal = 0, kFontUnderlined = 1, kFontBold = 2, kFontItalic = 3 };

class FontList {
 public:
  static FontList& Process();
  void Append(ScopedFont font) { fonts_.push_back(std::move(font)); }
  // Null for a missing font (the DC's own font stays selected).
  HFONT Get(size_t index) const { return index < fonts_.size() ? fonts_[index].get() : nullptr; }
  size_t size() const { return fonts_.size(); }
  void Clear() { fonts_.clear(); }

 private:
  std::vector<ScopedFont> fonts_;
};

// "Segoe UI" at `pixelHeight` (character height), with the given weight and styles.
ScopedFont CreateUiFont(int pixelHeight, int weight, bool underline = false, bool italic = false);
// Appends the main window's four 16-pixel fonts to the process-wide list.
void AppendMainWindowFonts();

}  // namespace qws
