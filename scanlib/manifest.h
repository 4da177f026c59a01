// The module set's manifest: engine build, and each module's name, size and SHA-256. It is
// signed (a detached DSA signature over its SHA-256) and checked before any module is used.
//
//   qlxs-manifest 1
//   build 22990
//   module daily.ndb 1234 <64 hex digits>
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qws::scan {

struct ManifestModule {
  std::string name;  // a plain file name: letters, digits, '.', '_', '-'
  uint64_t size = 0;
  std::string sha256;  // raw bytes
};

struct Manifest {
  uint32_t build = 0;
  std::vector<ManifestModule> modules;
};

inline constexpr std::string_view kManifestName = "manifest.txt";
inline constexpr std::string_view kManifestSignatureName = "manifest.sig";
inline constexpr size_t kMaxManifestBytes = 1 << 20;

std::optional<Manifest> ParseManifest(std::string_view text);
std::string FormatManifest(const Manifest& manifest);

}  // namespace qws::scan

namespace qws::crypto {
struct DsaPublicKey;
struct DsaPrivateKey;
}  // namespace qws::crypto

namespace qws::scan {

// The detached signature file: "r=<hex>\ns=<hex>\n", DSA over the manifest's SHA-256.
std::string SignManifest(std::string_view manifest, const crypto::DsaPrivateKey& key);
bool VerifyManifest(std::string_view manifest, std::string_view signature, const crypto::DsaPublicKey& key);

}  // namespace qws::scan
