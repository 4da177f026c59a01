#include "report/threat_list_export.h"

namespace qws {

std::u16string ThreatListExportText(const std::vector<ThreatListItem>& items) {
  std::u16string text;
  for (const ThreatListItem& item : items) {
    text += item.target;
    text += u'\t';
    text += item.threatName;
    text += u'\t';
    text += item.action;
    text += u"\r\n";
  }
  return text;
}

std::string Utf16LeFileBytes(std::u16string_view text) {
  std::string bytes("\xFF\xFE", 2);
  bytes.reserve(2 + text.size() * 2);
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

std::u16string TextFileFilter(std::u16string_view names) {
  const size_t bar = names.find(u'|');
  const std::u16string_view first = names.substr(0, bar);
  const std::u16string_view second = bar == std::u16string_view::npos ? std::u16string_view() : names.substr(bar + 1);
  std::u16string filter;
  filter += first;
  filter += u" (*.txt)|*.txt|";
  filter += second;
  filter += u" (*.*)|*.*||";
  for (char16_t& c : filter)
    if (c == u'|') c = u'\0';
  return filter;
}

}  // namespace qws
