#include "engine/scan_progress.h"

#include <algorithm>
#include <cstdio>

namespace qws {

namespace {

float Choose(float levelPart, float filePart) {
  return levelPart > 0.999f || levelPart > filePart ? filePart : levelPart;
}

}  // namespace

float SingleObjectFraction(const ScanProgressCounters& c) {
  float levelPart = 0.0f;
  float product = 1.0f;
  for (int level = 0; level < 3; ++level) {
    if (c.levelTotal[level] == 0) continue;
    product *= static_cast<float>(c.levelTotal[level]);
    levelPart += static_cast<float>(c.levelDone[level]) / product;
  }
  const float filePart =
      c.filesTotal == 0 ? 1.0f : static_cast<float>(c.filesDone) / static_cast<float>(c.filesTotal);
  return Choose(levelPart, filePart);
}

float LogCallbackFraction(const ScanProgressCounters& c) {
  const float levelPart = c.levelTotal[0] == 0
                              ? 1.0f
                              : static_cast<float>(c.levelDone[0]) / static_cast<float>(c.levelTotal[0]);
  const float filePart =
      c.filesTotal == 0 ? 1.0f
                        : static_cast<float>(c.filesDone + c.levelDone[0]) /
                              static_cast<float>(c.levelTotal[0] + c.filesTotal);
  return Choose(levelPart, filePart);
}

std::u16string FormatScanDuration(uint64_t seconds) {
  const uint64_t hours = seconds / 3600;
  char text[48];
  std::snprintf(text, sizeof(text), hours > 99 ? "%llu:%02u:%02u" : "%02llu:%02u:%02u",
                static_cast<unsigned long long>(hours), static_cast<unsigned>(seconds / 60 % 60),
                static_cast<unsigned>(seconds % 60));
  return std::u16string(text, text + std::char_traits<char>::length(text));
}

uint64_t ElapsedSeconds(uint64_t start, uint64_t now) { return now > start ? (now - start) / 10000000 : 0; }

ScanTimerStep MapScanProgress(int32_t progress, std::optional<int32_t> workerResult) {
  constexpr int32_t kFinished = 1000;
  ScanTimerStep step;
  step.bar = progress == kFinished ? 100 : std::clamp(progress, 0, 100);
  if (!workerResult) return step;
  step.ended = true;
  if (progress == kFinished) return step;
  step.wparam = 1;
  // A worker that ended without a result (the engine could not be opened, or the scan broke off)
  // is a failed scan, not one that never ends.
  const int64_t code = progress < 0 ? -static_cast<int64_t>(progress) : *workerResult;
  step.lparam = static_cast<int32_t>(std::clamp<int64_t>(code < 0 ? -code : code, 0, INT32_MAX));
  return step;
}

}  // namespace qws
