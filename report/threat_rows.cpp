#include "report/threat_rows.h"

#include <array>

#include "targets/target_list.h"

namespace qws {

namespace {

constexpr size_t kRecordFields = 7;
enum Field { kFileName, kThreatName, kDetail, kFileHash, kAction };

// Tokens such as "${Memory}" are shown by their display names.
std::u16string RowTarget(std::u16string_view fileName) {
  if (fileName.substr(0, 2) == u"${") return TargetDisplayName(fileName);
  return std::u16string(fileName);
}

}  // namespace

void MergeThreatRecords(std::u16string_view records, std::vector<ThreatListItem>& items) {
  std::array<std::u16string_view, kRecordFields> fields;
  size_t count = 0;
  size_t start = 0;
  for (size_t end = records.find(u'*'); end != std::u16string_view::npos;
       start = end + 1, end = records.find(u'*', start)) {
    fields[count++] = records.substr(start, end - start);
    if (count < kRecordFields) continue;
    count = 0;
    const std::u16string target = RowTarget(fields[kFileName]);
    const bool cleaned = fields[kAction] == u"C";
    bool merged = false;
    for (ThreatListItem& item : items) {
      if (item.target == target && item.threatName == fields[kThreatName]) {
        item.action = fields[kDetail];
        item.cleaned = cleaned;
        merged = true;
        break;
      }
    }
    if (!merged) {
      items.push_back({target, std::u16string(fields[kThreatName]), std::u16string(fields[kDetail]),
                       std::u16string(fields[kFileHash]), cleaned, std::u16string(fields[kFileName])});
    }
  }
}

}  // namespace qws
