// All body signatures of a module set matched in one pass over a stream: an Aho-Corasick
// automaton finds every segment's anchor, each hit is verified against the bytes around it
// (wildcards, alternatives), and segments are chained through their gaps. The compiled matcher
// is read-only and shared; each scanned stream has its own BodyScan.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "scanlib/signature_set.h"

namespace qws::scan {

class BodyMatcher {
 public:
  explicit BodyMatcher(const std::vector<BodySignature>& signatures);

  const std::vector<BodySignature>& signatures() const { return signatures_; }
  size_t max_segment_length() const { return max_segment_length_; }

 private:
  friend class BodyScan;
  struct Anchor {
    uint32_t signature;
    uint32_t segment;
  };
  struct State {
    std::vector<std::pair<uint8_t, uint32_t>> edges;  // sorted by byte
    uint32_t fail = 0;
    int32_t dense = -1;  // row of dense_ for the shallow states
    uint32_t outputs_begin = 0, outputs_end = 0;
  };
  uint32_t Next(uint32_t state, uint8_t byte) const;

  const std::vector<BodySignature>& signatures_;
  std::vector<State> states_;
  std::vector<uint32_t> dense_;    // 256 transitions per shallow state
  std::vector<Anchor> outputs_;    // anchors ending at a state, its failure chain's included
  size_t max_segment_length_ = 0;
};

class BodyScan {
 public:
  // `accept` says whether a signature counts for this scan (its category is switched on).
  BodyScan(const BodyMatcher& matcher, uint64_t stream_size,
           std::function<bool(const BodySignature&)> accept);

  // Feeds the next bytes of the stream; true as soon as an accepted signature has matched.
  bool Feed(const char* data, size_t length);
  // After the last block: true when an accepted signature matched.
  bool Finish();
  // The signature that matched.
  std::optional<size_t> found() const { return found_; }

 private:
  struct Hit {
    uint64_t needed_end;
    uint64_t start;
    uint32_t signature;
    uint32_t segment;
  };
  void AddHits(uint32_t state, uint64_t end_position);
  void Resolve(uint64_t available_end);
  bool Verify(const PatternSegment& segment, uint64_t start) const;
  void Advance(const Hit& hit);
  bool TargetMatches(TargetType target) const;

  const BodyMatcher& matcher_;
  const uint64_t stream_size_;
  std::function<bool(const BodySignature&)> accept_;
  uint32_t state_ = 0;
  uint64_t position_ = 0;        // bytes fed so far
  std::string window_;           // the last bytes of the stream, enough to verify any segment
  uint64_t window_start_ = 0;    // stream position of window_[0]
  std::string head_;             // the first bytes (file type)
  std::vector<Hit> pending_;
  // Per signature that has partly matched: ends of each matched segment, oldest first.
  std::unordered_map<uint32_t, std::vector<std::deque<uint64_t>>> progress_;
  std::unordered_map<uint32_t, bool> accepted_;
  std::optional<size_t> found_;
};

}  // namespace qws::scan
