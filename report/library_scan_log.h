// The scanning library's scan log and result records in the form the threat records read.
#pragma once

#include <cstdint>
#include <functional>

#include "report/scan_log.h"
#include "report/threat_recorder.h"
#include "scanlib/include/qlxs_api.h"

namespace qws {

// Longest text taken from one log item field; the rest of a longer text is dropped.
inline constexpr size_t kLogTextMaxChars = 32767;

// The items 0 to count-1 as `itemAt` hands them out; a missing item or text reads as empty.
ScanLog ReadScanLog(uint32_t count, const std::function<const qlxs_scan_log_item*(uint32_t)>& itemAt);

// A missing result reports nothing.
ScanOutcome OutcomeOf(const qlxs_scan_result* result);

}  // namespace qws
