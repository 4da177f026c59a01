// The free-space rules on the work folder's volume.
#pragma once

#include <cstdint>

namespace qws {

inline constexpr uint64_t kScanFreeSpaceBytes = 0x9600000;      // 150 MiB
inline constexpr uint64_t kDownloadFreeSpaceBytes = 0x31FFFFF;  // 50 MiB less one byte
inline constexpr unsigned kScanFreeSpaceMegabytes = 150;
inline constexpr unsigned kDownloadFreeSpaceMegabytes = 50;

// Pressing Scan and the engine update both need 150 MiB.
inline bool EnoughSpaceForScan(uint64_t freeBytes) { return freeBytes >= kScanFreeSpaceBytes; }
// The new-version download needs more than 50 MiB less one byte.
inline bool EnoughSpaceForDownload(uint64_t freeBytes) {
  return freeBytes > kDownloadFreeSpaceBytes;
}

}  // namespace qws
