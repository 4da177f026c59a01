// How far a scan has come: nested folder levels and file counts turned into one fraction that
// never goes back, and the texts and steps of the scan page's timer.
#pragma once

#include <cstdint>
#include <string>

namespace qws {

struct ScanProgressCounters {
  uint32_t levelTotal[3] = {};
  uint32_t levelDone[3] = {};
  uint32_t filesTotal = 0;
  uint32_t filesDone = 0;
  float best = 0.0f;
};

// Before each object scanned one by one.
float SingleObjectFraction(const ScanProgressCounters& counters);
// From the library's log callback during its own folder scan.
float LogCallbackFraction(const ScanProgressCounters& counters);
inline void RaiseBest(ScanProgressCounters& counters, float fraction) {
  if (fraction > counters.best) counters.best = fraction;
}
// The bar value of a fraction: tenths of a percent, cut to whole percent.
inline int32_t ProgressValue(float best) { return static_cast<int32_t>(best * 1000.0f) / 10; }

// "%02d:%02d:%02d", or "%d:%02d:%02d" past 99 hours, of whole seconds.
std::u16string FormatScanDuration(uint64_t seconds);

}  // namespace qws
