#include "scanlib/body_matcher.h"

#include <algorithm>
#include <cstring>

namespace qws::scan {
namespace {

constexpr size_t kMaxEndsPerSegment = 256;
constexpr uint32_t kDenseDepth = 2;  // states shallower than this get a full transition row

}  // namespace

BodyMatcher::BodyMatcher(const std::vector<BodySignature>& signatures) : signatures_(signatures) {
  states_.emplace_back();
  std::vector<uint32_t> depth{0};
  std::vector<std::vector<Anchor>> own{{}};
  for (uint32_t s = 0; s < signatures.size(); ++s) {
    const auto& segments = signatures[s].segments;
    for (uint32_t g = 0; g < segments.size(); ++g) {
      max_segment_length_ = std::max(max_segment_length_, segments[g].length);
      uint32_t state = 0;
      for (char c : segments[g].anchor) {
        const uint8_t byte = static_cast<uint8_t>(c);
        auto& edges = states_[state].edges;
        auto it = std::lower_bound(edges.begin(), edges.end(), std::make_pair(byte, 0u),
                                   [](const auto& a, const auto& b) { return a.first < b.first; });
        if (it != edges.end() && it->first == byte) {
          state = it->second;
        } else {
          const uint32_t next = static_cast<uint32_t>(states_.size());
          edges.insert(it, {byte, next});
          states_.emplace_back();
          depth.push_back(depth[state] + 1);
          own.emplace_back();
          state = next;
        }
      }
      own[state].push_back({s, g});
    }
  }

  // Failure links and outputs in breadth-first order, so every state's failure target is done.
  std::vector<uint32_t> order{0};
  for (size_t i = 0; i < order.size(); ++i)
    for (const auto& edge : states_[order[i]].edges) order.push_back(edge.second);
  std::vector<std::vector<Anchor>> outputs(states_.size());
  for (uint32_t state : order) {
    outputs[state] = own[state];
    if (state != 0) {
      const auto& inherited = outputs[states_[state].fail];
      outputs[state].insert(outputs[state].end(), inherited.begin(), inherited.end());
    }
    if (depth[state] < kDenseDepth) {
      states_[state].dense = static_cast<int32_t>(dense_.size() / 256);
      dense_.resize(dense_.size() + 256, 0);
    }
    for (const auto& [byte, child] : states_[state].edges) {
      states_[child].fail = state == 0 ? 0 : Next(states_[state].fail, byte);
    }
    if (states_[state].dense >= 0) {
      uint32_t* row = &dense_[static_cast<size_t>(states_[state].dense) * 256];
      for (int byte = 0; byte < 256; ++byte) {
        const auto& edges = states_[state].edges;
        auto it = std::lower_bound(edges.begin(), edges.end(),
                                   std::make_pair(static_cast<uint8_t>(byte), 0u),
                                   [](const auto& a, const auto& b) { return a.first < b.first; });
        if (it != edges.end() && it->first == byte) row[byte] = it->second;
        else row[byte] = state == 0 ? 0 : Next(states_[state].fail, static_cast<uint8_t>(byte));
      }
    }
  }
  for (uint32_t state = 0; state < states_.size(); ++state) {
    states_[state].outputs_begin = static_cast<uint32_t>(outputs_.size());
    outputs_.insert(outputs_.end(), outputs[state].begin(), outputs[state].end());
    states_[state].outputs_end = static_cast<uint32_t>(outputs_.size());
  }
}

uint32_t BodyMatcher::Next(uint32_t state, uint8_t byte) const {
  while (true) {
    const State& current = states_[state];
    if (current.dense >= 0) return dense_[static_cast<size_t>(current.dense) * 256 + byte];
    const auto& edges = current.edges;
    auto it = std::lower_bound(edges.begin(), edges.end(), std::make_pair(byte, 0u),
                               [](const auto& a, const auto& b) { return a.first < b.first; });
    if (it != edges.end() && it->first == byte) return it->second;
    state = current.fail;
  }
}

BodyScan::BodyScan(const BodyMatcher& matcher, uint64_t stream_size,
                   std::function<bool(const BodySignature&)> accept)
    : matcher_(matcher), stream_size_(stream_size), accept_(std::move(accept)) {}

bool BodyScan::TargetMatches(TargetType target) const {
  switch (target) {
    case TargetType::kAny: return true;
    case TargetType::kExecutable: return head_.size() >= 2 && head_.compare(0, 2, "MZ") == 0;
    case TargetType::kElf: return head_.size() >= 4 && head_.compare(0, 4, "\x7f" "ELF") == 0;
  }
  return false;
}

void BodyScan::AddHits(uint32_t state, uint64_t end_position) {
  const auto& node = matcher_.states_[state];
  for (uint32_t i = node.outputs_begin; i < node.outputs_end; ++i) {
    const auto& anchor = matcher_.outputs_[i];
    const BodySignature& signature = matcher_.signatures_[anchor.signature];
    const PatternSegment& segment = signature.segments[anchor.segment];
    const uint64_t back = segment.anchor.size() + segment.anchor_offset;
    if (end_position < back) continue;
    const uint64_t start = end_position - back;
    if (anchor.segment == 0 && signature.offset_kind != OffsetKind::kAnywhere) {
      const bool from_end = signature.offset_kind == OffsetKind::kFromEnd;
      if (from_end && signature.offset > stream_size_) continue;
      if (start != (from_end ? stream_size_ - signature.offset : signature.offset)) continue;
    }
    pending_.push_back({start + segment.length, start, anchor.signature, anchor.segment});
  }
}

bool BodyScan::Verify(const PatternSegment& segment, uint64_t start) const {
  if (start < window_start_ || start + segment.length > window_start_ + window_.size()) return false;
  const char* bytes = window_.data() + (start - window_start_);
  for (const PatternElement& element : segment.elements) {
    if (element.alternatives.empty()) {
      if ((static_cast<uint8_t>(*bytes) & element.mask) != element.value) return false;
    } else {
      const size_t length = element.length();
      if (std::none_of(element.alternatives.begin(), element.alternatives.end(),
                       [&](const std::string& alternative) {
                         return std::memcmp(alternative.data(), bytes, length) == 0;
                       }))
        return false;
    }
    bytes += element.length();
  }
  return true;
}

void BodyScan::Advance(const Hit& hit) {
  const BodySignature& signature = matcher_.signatures_[hit.signature];
  auto accepted = accepted_.find(hit.signature);
  if (accepted == accepted_.end())
    accepted = accepted_.emplace(hit.signature, accept_(signature) && TargetMatches(signature.target)).first;
  if (!accepted->second) return;
  if (!Verify(signature.segments[hit.segment], hit.start)) return;

  const size_t last = signature.segments.size() - 1;
  if (hit.segment > 0) {
    auto it = progress_.find(hit.signature);
    if (it == progress_.end()) return;
    auto& before = it->second[hit.segment - 1];
    const PatternSegment& segment = signature.segments[hit.segment];
    while (!before.empty() && segment.gap_max != kUnbounded && before.front() + segment.gap_max < hit.start)
      before.pop_front();
    if (before.empty() || before.front() + segment.gap_min > hit.start) return;
  }
  if (hit.segment == last) {
    found_ = hit.signature;
    return;
  }
  auto& ends = progress_.try_emplace(hit.signature, signature.segments.size()).first->second[hit.segment];
  // With an unbounded gap after it, the earliest end is the only one that matters.
  if (signature.segments[hit.segment + 1].gap_max == kUnbounded && !ends.empty()) return;
  if (!ends.empty() && ends.back() == hit.needed_end) return;
  ends.push_back(hit.needed_end);
  if (ends.size() > kMaxEndsPerSegment) ends.pop_front();
}

void BodyScan::Resolve(uint64_t available_end) {
  std::stable_sort(pending_.begin(), pending_.end(),
                   [](const Hit& a, const Hit& b) { return a.needed_end < b.needed_end; });
  size_t done = 0;
  while (done < pending_.size() && pending_[done].needed_end <= available_end && !found_) {
    Advance(pending_[done]);
    ++done;
  }
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(done));
}

bool BodyScan::Feed(const char* data, size_t length) {
  if (found_) return true;
  if (head_.size() < 4) head_.append(data, std::min(length, 4 - head_.size()));
  // Keep enough of the earlier bytes for any segment that began before this block.
  const size_t keep = matcher_.max_segment_length();
  if (window_.size() > keep) {
    const size_t drop = window_.size() - keep;
    window_.erase(0, drop);
    window_start_ += drop;
  }
  window_.append(data, length);

  uint32_t state = state_;
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(data);
  const auto& states = matcher_.states_;
  for (size_t i = 0; i < length; ++i) {
    state = matcher_.Next(state, bytes[i]);
    if (states[state].outputs_begin != states[state].outputs_end) AddHits(state, position_ + i + 1);
  }
  state_ = state;
  position_ += length;
  Resolve(position_);
  return found_.has_value();
}

bool BodyScan::Finish() {
  if (!found_) Resolve(position_);
  pending_.clear();
  return found_.has_value();
}

}  // namespace qws::scan
