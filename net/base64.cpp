#include "net/base64.h"

namespace qws {

namespace {

int SextetOf(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

std::optional<std::string> DecodeBase64(std::string_view text) {
  std::string bytes;
  uint32_t bits = 0;
  int held = 0;     // sextets in the current group
  int padding = 0;  // '=' seen
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
    if (c == '=') {
      if (held < 2 || held + padding >= 4) return std::nullopt;
      ++padding;
      continue;
    }
    const int sextet = SextetOf(c);
    if (sextet < 0 || padding > 0) return std::nullopt;
    bits = (bits << 6) | static_cast<uint32_t>(sextet);
    if (++held == 4) {
      bytes.push_back(static_cast<char>(bits >> 16));
      bytes.push_back(static_cast<char>(bits >> 8));
      bytes.push_back(static_cast<char>(bits));
      bits = 0;
      held = 0;
    }
  }
  if (padding > 0 && held + padding != 4) return std::nullopt;
  if (held == 1) return std::nullopt;
  if (held == 2) bytes.push_back(static_cast<char>(bits >> 4));
  if (held == 3) {
    bytes.push_back(static_cast<char>(bits >> 10));
    bytes.push_back(static_cast<char>(bits >> 2));
  }
  return bytes;
}

}  // namespace qws
