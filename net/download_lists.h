// The two small XML files of the downloads: the banner list and the detection database index.
// Platform-neutral.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qws {

inline constexpr int kDefaultBannerSeconds = 10;

struct BannerEntry {
  std::u16string imageUrl;        // "URL"
  std::u16string destinationUrl;  // "DSTURL"
  int durationSeconds = kDefaultBannerSeconds;  // "DURATION"
};

// Every child element of the root, in order; nothing when the text cannot be read.
std::optional<std::vector<BannerEntry>> ReadBannerList(std::string_view xml);

struct DatabaseIndex {
  std::u16string link;    // "DwnlLink"
  uint64_t size = 0;      // "Size", hexadecimal
  std::string signature;  // "Signature", Base64 text
};

// The NAME/VALUE pairs below the root's first DATABASE element; nothing unless the link, a
// size other than 0 and the signature are all there.
std::optional<DatabaseIndex> ReadDatabaseIndex(std::string_view xml);

}  // namespace qws
