// The report-style list views of the pages: columns, text asked for on demand, check changes.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace qws {

// Appends one column of this header and width.
void InsertListColumn(HWND list, int column, std::wstring header, int width);

// Answers LVN_GETDISPINFOW with `text` when the list asks for the item's text.
void AnswerTextRequest(NMLVDISPINFOW& request, const std::wstring& text);

// A change of an item's check mark (its state image), as opposed to selection or focus.
inline bool IsCheckChange(const NMLISTVIEW& change) {
  return (change.uChanged & LVIF_STATE) && ((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK);
}

}  // namespace qws
