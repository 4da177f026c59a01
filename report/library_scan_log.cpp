#include "report/library_scan_log.h"

namespace qws {

namespace {

std::u16string TextOf(const qlxs_char* text) {
  std::u16string out;
  if (text == nullptr) return out;
  for (size_t i = 0; i < kLogTextMaxChars && text[i] != 0; ++i) {
    out.push_back(static_cast<char16_t>(text[i]));
  }
  return out;
}

}  // namespace

ScanLog ReadScanLog(uint32_t count,
                    const std::function<const qlxs_scan_log_item*(uint32_t)>& itemAt) {
  ScanLog log;
  log.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    const qlxs_scan_log_item* item = itemAt(i);
    ScanLogItem converted;
    if (item != nullptr) {
      converted = {TextOf(item->object), TextOf(item->result), TextOf(item->action),
                   TextOf(item->extra)};
    }
    log.push_back(std::move(converted));
  }
  return log;
}

ScanOutcome OutcomeOf(const qlxs_scan_result* result) {
  if (result == nullptr) return {};
  return {result->infected != 0, result->cleaned != 0, result->flags};
}

}  // namespace qws
