#include "ui/list_view.h"

namespace qws {

void InsertListColumn(HWND list, int column, std::wstring header, int width) {
  LVCOLUMNW info{};
  info.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  info.pszText = header.data();
  info.cx = width;
  info.iSubItem = column;
  ListView_InsertColumn(list, column, &info);
}

void AnswerTextRequest(NMLVDISPINFOW& request, const std::wstring& text) {
  if ((request.item.mask & LVIF_TEXT) && request.item.pszText && request.item.cchTextMax > 0)
    lstrcpynW(request.item.pszText, text.c_str(), request.item.cchTextMax);
}

}  // namespace qws
