// A tool tip over a whole report-style list whose text follows the row under the pointer.
#pragma once

#include <functional>
#include <string>

#include "ui/window.h"

namespace qws {

class CListToolTip : public CWnd {
 public:
  // The text of a row, asked for while the pointer moves over it; over no row the text is empty.
  using RowText = std::function<std::wstring(int row)>;

  // Follows the pointer over `list` (a list view of the page).
  bool Watch(HWND list, RowText rowText);
  HWND toolTip() const { return tip_; }
  const std::wstring& text() const { return text_; }

 protected:
  bool OnMouseMove(POINT point, UINT keys) override;
  void OnDestroy() override;

 private:
  void SetTipText(const std::wstring& text);

  RowText rowText_;
  HWND tip_ = nullptr;
  std::wstring text_;
};

}  // namespace qws
