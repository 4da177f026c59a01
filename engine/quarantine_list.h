// The scan bridge's view of the library's quarantine: every entry, and the records the
// quarantine page shows (those with a drive path).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qws {

struct QuarantineEntry {
  uint32_t idLow = 0;
  uint32_t idHigh = 0;
  std::wstring formerPath;
};

struct QuarantineRecord {
  std::wstring formerPath;
  std::wstring threatName;  // "." when the library gives none
  uint32_t entryIndex = 0;
  bool restored = false;
  bool restoreAttempted = false;
};

// ":\" at character index 1, 2 or 3: a path on a drive (network paths are not shown).
inline bool IsDrivePath(std::wstring_view path) {
  for (size_t at = 1; at <= 3; ++at)
    if (path.size() >= at + 2 && path.substr(at, 2) == L":\\") return true;
  return false;
}

}  // namespace qws
