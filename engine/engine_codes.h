// The library error codes that the bridge acts on; all others are only logged.
#pragma once

#include <cstdint>

namespace qws {

inline constexpr uint32_t kErrorUpToDate = 0xD003;       // a failed update that counts as success
inline constexpr uint32_t kErrorModulesDamaged = 0x9105;  // stored modules unusable
inline constexpr uint32_t kScannerVersion = 0x71330001;
inline constexpr uint32_t kMinimumEngineBuild = 22983;

// Failures to reach the update server, after which other proxies are worth a try.
constexpr bool IsConnectionFailure(uint32_t code) {
  return (code >= 0x9203 && code <= 0x9205) || (code >= 0xA001 && code <= 0xA003) ||
         (code >= 0xA010 && code <= 0xA012) || (code >= 0xA101 && code <= 0xA105) ||
         code == 0xB103;
}

}  // namespace qws
