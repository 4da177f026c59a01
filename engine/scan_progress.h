// How far a scan has come: nested folder levels and file counts turned into one fraction that
// never goes back, and the texts and steps of the scan page's timer.
#pragma once

#include <cstdint>
#include <optional>
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
// Whole seconds from `start` to `now`, both system times in 100-nanosecond units; 0 when the
// clock was set back in between.
uint64_t ElapsedSeconds(uint64_t start, uint64_t now);

// What the scan page's 250 ms timer does with the bridge's progress value. The end is reported
// only once the worker has let go of the bridge: `workerResult` is its result when it has ended
// (0 after a scan, else the code of what stopped it before or during the scan).
struct ScanTimerStep {
  bool ended = false;  // stop the timer and post the end of the scan step
  int32_t wparam = 0;  // 0 finished, 1 failed
  int32_t lparam = 0;  // the failure code made positive
  int32_t bar = 0;     // progress bar position, 0..100
};
ScanTimerStep MapScanProgress(int32_t progress, std::optional<int32_t> workerResult);

}  // namespace qws
