// Signature modules in the public ClamAV text formats: hash signatures (.hdb: MD5, .hsb: SHA-1
// or SHA-256; "digest:size:name", size may be "*") and body signatures (.ndb:
// "name:target:offset:hex"). Lines that cannot be used are counted and skipped, never fatal.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace qws::scan {

// What a name's prefix says about a threat; the scan setup decides which ones are reported.
enum class Category { kMalware, kUnwanted, kUnsafe, kSuspicious };
Category CategoryOf(std::string_view threat_name);

enum class DigestKind { kMd5, kSha1, kSha256 };

struct HashSignature {
  DigestKind kind = DigestKind::kMd5;
  std::string digest;  // raw bytes
  bool any_size = false;
  uint64_t size = 0;
  std::string name;
};

// One element of a body pattern: a masked byte, or a group of equally long alternatives.
struct PatternElement {
  uint8_t value = 0;
  uint8_t mask = 0xFF;                    // 0x00 for "??", 0x0F / 0xF0 for nibble wildcards
  std::vector<std::string> alternatives;  // non-empty: "(aa|bb)"
  size_t length() const { return alternatives.empty() ? 1 : alternatives.front().size(); }
};

inline constexpr uint64_t kUnbounded = std::numeric_limits<uint64_t>::max();

// A fixed-length run of elements; segments are joined by gaps of min..max bytes.
struct PatternSegment {
  std::vector<PatternElement> elements;
  size_t length = 0;         // bytes
  uint64_t gap_min = 0;      // gap before this segment (unused for the first)
  uint64_t gap_max = 0;
  size_t anchor_offset = 0;  // exact bytes that the multi-pattern automaton looks for
  std::string anchor;
};

enum class TargetType { kAny, kExecutable, kElf };
enum class OffsetKind { kAnywhere, kFromStart, kFromEnd };

struct BodySignature {
  std::string name;
  TargetType target = TargetType::kAny;
  OffsetKind offset_kind = OffsetKind::kAnywhere;
  uint64_t offset = 0;
  std::vector<PatternSegment> segments;
};

struct SignatureSet {
  std::vector<HashSignature> hashes;
  std::vector<BodySignature> bodies;
  size_t rejected_lines = 0;
};

enum class ModuleFormat { kHdb, kHsb, kNdb, kUnknown };
// By file name extension (".hdb", ".hsb", ".ndb"; case-insensitive).
ModuleFormat FormatOfModuleName(std::string_view file_name);

// Adds the module's usable lines to `set`; the text may hold anything.
void ParseModule(ModuleFormat format, std::string_view text, SignatureSet& set);

// One body pattern ("hex" column); false when it cannot be used.
bool ParseBodyPattern(std::string_view hex, std::vector<PatternSegment>& segments);

}  // namespace qws::scan
