// The percentage shown while the library downloads and installs modules: two download passes
// (4 to 96 %) and six finishing steps (96 to 100 %), scaled onto what earlier attempts reached.
#pragma once

#include <cstdint>
#include <optional>

namespace qws {

class UpdateProgress {
 public:
  // Update event callback: kind 1 starts a download pass of `value` bytes, kind 2 the finishing.
  std::optional<int32_t> OnEvent(uint32_t value, int32_t kind, int32_t base);
  // Update amount callback: bytes while downloading, one step while finishing.
  std::optional<int32_t> OnAmount(uint32_t amount, int32_t base);
  // The end of a successful update: 100 %.
  std::optional<int32_t> Finish(int32_t base);
  // Back to the start (after the stored modules had to be removed).
  void Reset();

  int32_t percentage() const { return percentage_; }

  // What a percentage of this attempt means on the bar when the attempt starts at `base`.
  static int32_t Scale(int32_t percentage, int32_t base) { return base + (100 - base) * percentage / 100; }

 private:
  // The new bar value when the percentage changed.
  std::optional<int32_t> Recompute(int32_t base, bool final);

  int phase_ = 0;
  int passes_ = 0;
  uint32_t total_ = 0;
  uint32_t done_ = 0;
  int finishingSteps_ = 0;
  int32_t percentage_ = 0;
};

// What the page's 250 ms timer does with a progress value.
struct UpdateTimerStep {
  bool ended = false;   // stop the timer and post the end of the update step
  int32_t wparam = 0;   // 0 done, 1 failed
  int32_t lparam = 0;   // 1 disk space, 2 earlier modules in use, 3 no usable modules
  int32_t bar = 0;      // progress bar position, 0..100
};
UpdateTimerStep MapUpdateProgress(int32_t progress);

}  // namespace qws
