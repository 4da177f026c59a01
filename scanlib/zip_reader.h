// ZIP archives read through their central directory: stored and deflated members streamed to a
// sink block by block, within limits that stop decompression bombs.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "scanlib/byte_source.h"

namespace qws::scan {

struct ZipEntry {
  std::u16string name;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint64_t compressed_size = 0;
  uint64_t size = 0;
  uint64_t local_header_offset = 0;
  bool is_folder() const { return !name.empty() && (name.back() == u'/' || name.back() == u'\\'); }
};

// True when the source begins like a ZIP archive.
bool LooksLikeZip(ByteSource& source);

enum class ZipDirectoryStatus { kOk, kNotZip, kDamaged, kTooManyEntries };
// Reads at most max_entries entries; kTooManyEntries when the archive holds more.
ZipDirectoryStatus ReadZipDirectory(ByteSource& source, size_t max_entries,
                                    std::vector<ZipEntry>& entries);

// What the members of one archive tree may still inflate, shared by nested archives.
struct InflateBudget {
  uint64_t bytes_left = 0;
  uint32_t max_ratio = 100;        // inflated : compressed
  uint64_t ratio_floor = 1 << 20;  // the ratio is checked once a member has inflated this much
};

enum class ZipMemberStatus { kOk, kUnsupported, kEncrypted, kDamaged, kStopped, kTotalLimit, kRatioLimit };
// Streams the member's bytes to `sink`, which returns false to stop early (kStopped).
ZipMemberStatus ReadZipMember(ByteSource& source, const ZipEntry& entry, InflateBudget& budget,
                              const std::function<bool(const char*, size_t)>& sink);

}  // namespace qws::scan
