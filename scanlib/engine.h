// The signature engine: a loaded module set and the scan of one object (a file or a volume's
// first sector), archives included. Read-only after loading, so one engine serves any number
// of scans at once.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "scanlib/body_matcher.h"
#include "scanlib/byte_source.h"
#include "scanlib/signature_set.h"

namespace qws::scan {

struct ScanSwitches {
  bool unwanted = false;
  bool unsafe = false;
  bool suspicious = false;
  bool archives = false;
};

// Limits that end an archive's scan before a decompression bomb costs time or memory.
struct ArchiveLimits {
  uint32_t max_depth = 5;                   // archives inside archives
  size_t max_entries = 10000;               // members of one archive
  uint64_t max_inflated = 512ull << 20;     // bytes inflated for one object, nested members included
  uint32_t max_ratio = 100;                 // inflated : compressed of one member
  uint64_t ratio_floor = 1ull << 20;        // members smaller than this are not held to the ratio
  uint64_t max_nested_archive = 64ull << 20; // a nested archive is unpacked in memory up to this
};

// Joins an archive and a member name: "archive » member".
std::u16string MemberName(const std::u16string& archive, const std::u16string& member);

struct ScanReport {
  bool infected = false;
  std::string threat;         // the first threat found
  std::u16string member;      // where it was found inside an archive ("a.zip » b.exe"); empty: the object itself
  // Archives whose scan a limit ended: the member path ("" = the object itself) and the limit.
  std::vector<std::pair<std::u16string, std::string>> stopped;
  bool unreadable = false;    // a read failed before the end
  uint64_t members_scanned = 0;
};

class Engine {
 public:
  explicit Engine(SignatureSet signatures);
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  size_t signature_count() const { return signatures_.hashes.size() + signatures_.bodies.size(); }

  ScanReport Scan(ByteSource& source, const ScanSwitches& switches,
                  const ArchiveLimits& limits = {}) const;

 private:
  class Stream;
  struct Job;
  void ScanArchive(ByteSource& source, uint32_t depth, const std::u16string& prefix, Job& job) const;
  bool Accepts(const std::string& name, const ScanSwitches& switches) const;

  SignatureSet signatures_;
  BodyMatcher matcher_;
  std::unordered_map<uint64_t, std::vector<uint32_t>> hashes_by_size_;
  std::vector<uint32_t> hashes_any_size_;
};

// Reads an object in large blocks; every scan reuses one buffer of this size.
inline constexpr size_t kReadBlock = 1 << 20;

}  // namespace qws::scan
