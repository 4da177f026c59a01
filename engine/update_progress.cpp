#include "engine/update_progress.h"

#include <algorithm>

namespace qws {

std::optional<int32_t> UpdateProgress::OnEvent(uint32_t value, int32_t kind, int32_t base) {
  if (kind == 1) {
    if (phase_ == 0) phase_ = 1;
    passes_ = std::min(passes_ + 1, 2);
    total_ = value;
    done_ = 0;
  } else if (kind == 2) {
    phase_ = 2;
    finishingSteps_ = 0;
  }
  return Recompute(base, false);
}

std::optional<int32_t> UpdateProgress::OnAmount(uint32_t amount, int32_t base) {
  if (phase_ == 1) done_ += amount;
  else if (phase_ == 2) finishingSteps_ = std::min(finishingSteps_ + 1, 6);
  return Recompute(base, false);
}

std::optional<int32_t> UpdateProgress::Finish(int32_t base) { return Recompute(base, true); }

void UpdateProgress::Reset() { *this = UpdateProgress(); }

std::optional<int32_t> UpdateProgress::Recompute(int32_t base, bool final) {
  if (final) {
    passes_ = 2;
    finishingSteps_ = 6;
  }
  int32_t percentage;
  if (finishingSteps_ > 0) {
    percentage = finishingSteps_ * 4 / 6 + 96;
  } else if (passes_ == 0) {
    percentage = 0;
  } else if (passes_ == 1) {
    percentage = 2;
  } else {
    const float fraction = total_ != 0 ? static_cast<float>(done_) / static_cast<float>(total_) : 0.0f;
    percentage = static_cast<int32_t>(fraction * 92.0f + 4.0f);
    // A server that sends more than it announced must not push the bar past the finishing steps.
    percentage = std::min(percentage, 96);
  }
  if (percentage == percentage_) return std::nullopt;
  percentage_ = percentage;
  return Scale(percentage, base);
}

UpdateTimerStep MapUpdateProgress(int32_t progress) {
  UpdateTimerStep step;
  if (progress == 1000) {
    step.ended = true;
    step.bar = 100;
  } else if (progress < 0) {
    step.ended = true;
    step.wparam = 1;
    step.lparam = -progress;
  } else {
    step.bar = std::min(progress, 100);
  }
  return step;
}

}  // namespace qws
