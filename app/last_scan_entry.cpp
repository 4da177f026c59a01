#include "app/last_scan_entry.h"

namespace qws {

namespace {

void AppendHex(std::u16string& out, uint64_t value, int minDigits, bool upper) {
  const char16_t* digits = upper ? u"0123456789ABCDEF" : u"0123456789abcdef";
  char16_t buffer[16];
  int n = 0;
  do {
    buffer[n++] = digits[value & 0xF];
    value >>= 4;
  } while (value != 0 || n < minDigits);
  while (n > 0) out.push_back(buffer[--n]);
}

std::optional<uint32_t> ParseHex32(std::u16string_view text) {
  if (text.empty() || text.size() > 8) return std::nullopt;
  uint32_t value = 0;
  for (char16_t c : text) {
    uint32_t digit;
    if (c >= u'0' && c <= u'9') digit = c - u'0';
    else if (c >= u'a' && c <= u'f') digit = c - u'a' + 10;
    else if (c >= u'A' && c <= u'F') digit = c - u'A' + 10;
    else return std::nullopt;
    value = (value << 4) | digit;
  }
  return value;
}

}  // namespace

std::u16string MakeTargetId(std::u16string_view targetText) {
  // FNV-1a over the UTF-16 code units, little-endian bytes.
  uint64_t hash = 0xcbf29ce484222325ull;
  for (char16_t c : targetText) {
    for (int shift = 0; shift < 16; shift += 8) {
      hash ^= (c >> shift) & 0xFF;
      hash *= 0x100000001b3ull;
    }
  }
  std::u16string id = u"T";
  AppendHex(id, hash, 16, true);
  return id;
}

std::u16string FormatLastScanEntry(std::u16string_view targetId, bool archives,
                                   uint64_t duration) {
  std::u16string entry = LastScanSearchKey(targetId, archives);
  AppendHex(entry, duration & 0xFFFFFFFFu, 1, false);
  entry.push_back(u':');
  AppendHex(entry, duration >> 32, 1, false);
  return entry;
}

std::u16string LastScanSearchKey(std::u16string_view targetId, bool archives) {
  std::u16string key(targetId);
  key += archives ? u"-1-" : u"-0-";
  return key;
}

std::u16string LastScanStoreMatch(std::u16string_view entry) {
  const size_t dash = entry.find_last_of(u'-');
  return std::u16string(dash == std::u16string_view::npos ? entry : entry.substr(0, dash));
}

std::optional<uint64_t> ParseLastScanDuration(std::u16string_view entry) {
  const size_t dash = entry.find_last_of(u'-');
  const size_t colon = entry.find_last_of(u':');
  if (dash == std::u16string_view::npos || colon == std::u16string_view::npos || colon < dash)
    return std::nullopt;
  const auto low = ParseHex32(entry.substr(dash + 1, colon - dash - 1));
  const auto high = ParseHex32(entry.substr(colon + 1));
  if (!low || !high) return std::nullopt;
  return (static_cast<uint64_t>(*high) << 32) | *low;
}

}  // namespace qws
