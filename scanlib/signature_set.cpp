#include "scanlib/signature_set.h"

#include <algorithm>
#include <charconv>

namespace qws::scan {
namespace {

// Bounds that keep every pattern cheap to verify from a short history of the stream.
constexpr size_t kMaxSegmentLength = 4096;
constexpr size_t kMaxSegments = 64;
constexpr size_t kMaxAnchor = 32;
constexpr size_t kMinAnchor = 2;
constexpr uint64_t kFoldedGapMax = 128;  // exact gaps up to this become wildcards

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ParseHexBytes(std::string_view hex, std::string& out) {
  if (hex.size() % 2) return false;
  out.clear();
  for (size_t i = 0; i < hex.size(); i += 2) {
    const int high = HexValue(hex[i]), low = HexValue(hex[i + 1]);
    if (high < 0 || low < 0) return false;
    out.push_back(static_cast<char>(high * 16 + low));
  }
  return true;
}

bool ParseNumber(std::string_view text, uint64_t& value) {
  if (text.empty()) return false;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  while (true) {
    const size_t colon = line.find(':', start);
    fields.push_back(line.substr(start, colon == std::string_view::npos ? colon : colon - start));
    if (colon == std::string_view::npos) return fields;
    start = colon + 1;
  }
}

// Picks the longest run of exact bytes as the segment's anchor.
bool ChooseAnchor(PatternSegment& segment) {
  size_t best_start = 0, best_length = 0, position = 0, run_start = 0, run_length = 0;
  for (const PatternElement& element : segment.elements) {
    if (element.alternatives.empty() && element.mask == 0xFF) {
      if (run_length == 0) run_start = position;
      ++run_length;
      if (run_length > best_length) {
        best_length = run_length;
        best_start = run_start;
      }
    } else {
      run_length = 0;
    }
    position += element.length();
  }
  if (best_length < kMinAnchor) return false;
  best_length = std::min(best_length, kMaxAnchor);
  segment.anchor_offset = best_start;
  segment.anchor.clear();
  position = 0;
  for (const PatternElement& element : segment.elements) {
    if (position >= best_start && position < best_start + best_length)
      segment.anchor.push_back(static_cast<char>(element.value));
    position += element.length();
  }
  return true;
}

bool ParseGap(std::string_view text, uint64_t& low, uint64_t& high) {
  const size_t dash = text.find('-');
  if (dash == std::string_view::npos) {
    if (!ParseNumber(text, low)) return false;
    high = low;
    return true;
  }
  const std::string_view first = text.substr(0, dash), second = text.substr(dash + 1);
  if (first.empty() && second.empty()) return false;
  low = 0;
  high = kUnbounded;
  if (!first.empty() && !ParseNumber(first, low)) return false;
  if (!second.empty() && !ParseNumber(second, high)) return false;
  return low <= high;
}

}  // namespace

Category CategoryOf(std::string_view name) {
  if (name.starts_with("PUA.")) return Category::kUnwanted;
  if (name.starts_with("Unsafe.")) return Category::kUnsafe;
  if (name.starts_with("Suspicious.")) return Category::kSuspicious;
  return Category::kMalware;
}

ModuleFormat FormatOfModuleName(std::string_view name) {
  if (name.size() < 4 || name[name.size() - 4] != '.') return ModuleFormat::kUnknown;
  std::string extension(name.substr(name.size() - 3));
  for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (extension == "hdb") return ModuleFormat::kHdb;
  if (extension == "hsb") return ModuleFormat::kHsb;
  if (extension == "ndb") return ModuleFormat::kNdb;
  return ModuleFormat::kUnknown;
}

bool ParseBodyPattern(std::string_view hex, std::vector<PatternSegment>& segments) {
  segments.clear();
  PatternSegment current;
  uint64_t pending_min = 0, pending_max = 0;
  bool pending_gap = false;

  auto add_gap = [&](uint64_t low, uint64_t high) {
    if (current.elements.empty() && segments.empty()) return false;  // leading gap
    pending_gap = true;
    pending_min = pending_min + low < pending_min ? kUnbounded : pending_min + low;
    pending_max = (high == kUnbounded || pending_max + high < pending_max) ? kUnbounded
                                                                          : pending_max + high;
    return true;
  };
  // A gap is folded into the segment as wildcards when it is exact and short; otherwise it
  // starts the next segment.
  auto settle_gap = [&]() {
    if (!pending_gap) return true;
    pending_gap = false;
    if (pending_min == pending_max && pending_max <= kFoldedGapMax) {
      for (uint64_t i = 0; i < pending_max; ++i) current.elements.push_back({0, 0x00, {}});
    } else {
      if (segments.size() + 1 >= kMaxSegments) return false;
      segments.push_back(std::move(current));
      current = PatternSegment{};
      current.gap_min = pending_min;
      current.gap_max = pending_max;
    }
    pending_min = pending_max = 0;
    return true;
  };

  size_t i = 0;
  while (i < hex.size()) {
    const char c = hex[i];
    if (c == '*') {
      if (!add_gap(0, kUnbounded)) return false;
      ++i;
    } else if (c == '{') {
      const size_t close = hex.find('}', i);
      uint64_t low = 0, high = 0;
      if (close == std::string_view::npos || !ParseGap(hex.substr(i + 1, close - i - 1), low, high) ||
          !add_gap(low, high))
        return false;
      i = close + 1;
    } else if (c == '(') {
      const size_t close = hex.find(')', i);
      if (close == std::string_view::npos || !settle_gap()) return false;
      PatternElement element;
      std::string_view body = hex.substr(i + 1, close - i - 1);
      size_t start = 0;
      while (true) {
        const size_t bar = body.find('|', start);
        std::string bytes;
        if (!ParseHexBytes(body.substr(start, bar == std::string_view::npos ? bar : bar - start),
                           bytes) ||
            bytes.empty())
          return false;
        if (!element.alternatives.empty() && bytes.size() != element.alternatives.front().size())
          return false;
        element.alternatives.push_back(std::move(bytes));
        if (bar == std::string_view::npos) break;
        start = bar + 1;
      }
      if (element.alternatives.size() < 2) return false;
      current.elements.push_back(std::move(element));
      i = close + 1;
    } else {
      if (i + 1 >= hex.size() || !settle_gap()) return false;
      const char second = hex[i + 1];
      PatternElement element;
      if (c == '?' && second == '?') {
        element.mask = 0x00;
      } else if (c == '?') {
        const int low = HexValue(second);
        if (low < 0) return false;
        element.value = static_cast<uint8_t>(low);
        element.mask = 0x0F;
      } else if (second == '?') {
        const int high = HexValue(c);
        if (high < 0) return false;
        element.value = static_cast<uint8_t>(high << 4);
        element.mask = 0xF0;
      } else {
        const int high = HexValue(c), low = HexValue(second);
        if (high < 0 || low < 0) return false;
        element.value = static_cast<uint8_t>(high * 16 + low);
      }
      current.elements.push_back(std::move(element));
      i += 2;
    }
  }
  if (pending_gap || current.elements.empty()) return false;  // trailing gap or empty pattern
  segments.push_back(std::move(current));
  for (PatternSegment& segment : segments) {
    segment.length = 0;
    for (const PatternElement& element : segment.elements) segment.length += element.length();
    if (segment.length > kMaxSegmentLength || !ChooseAnchor(segment)) return false;
  }
  return true;
}

void ParseModule(ModuleFormat format, std::string_view text, SignatureSet& set) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
      line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;

    const std::vector<std::string_view> fields = SplitFields(line);
    bool used = false;
    if (format == ModuleFormat::kHdb || format == ModuleFormat::kHsb) {
      HashSignature signature;
      if (fields.size() >= 3 && !fields[2].empty() && ParseHexBytes(fields[0], signature.digest)) {
        const size_t length = signature.digest.size();
        const bool kind_ok = format == ModuleFormat::kHdb ? length == 16 : (length == 20 || length == 32);
        signature.kind = length == 16 ? DigestKind::kMd5 : length == 20 ? DigestKind::kSha1 : DigestKind::kSha256;
        signature.any_size = fields[1] == "*";
        signature.name = std::string(fields[2]);
        if (kind_ok && (signature.any_size || ParseNumber(fields[1], signature.size))) {
          set.hashes.push_back(std::move(signature));
          used = true;
        }
      }
    } else if (format == ModuleFormat::kNdb && fields.size() >= 4 && !fields[0].empty()) {
      BodySignature signature;
      signature.name = std::string(fields[0]);
      uint64_t target = 0;
      bool ok = ParseNumber(fields[1], target) && (target == 0 || target == 1 || target == 6);
      signature.target = target == 1 ? TargetType::kExecutable : target == 6 ? TargetType::kElf : TargetType::kAny;
      const std::string_view offset = fields[2];
      if (offset == "*") {
        signature.offset_kind = OffsetKind::kAnywhere;
      } else if (offset.starts_with("EOF-")) {
        signature.offset_kind = OffsetKind::kFromEnd;
        ok = ok && ParseNumber(offset.substr(4), signature.offset);
      } else {
        signature.offset_kind = OffsetKind::kFromStart;
        ok = ok && ParseNumber(offset, signature.offset);
      }
      if (ok && ParseBodyPattern(fields[3], signature.segments)) {
        set.bodies.push_back(std::move(signature));
        used = true;
      }
    }
    if (!used) ++set.rejected_lines;
  }
}

}  // namespace qws::scan
