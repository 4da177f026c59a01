#include "scanlib/quarantine_item.h"

#include <zlib.h>

namespace qws::scan {
namespace {

constexpr std::string_view kMagic("QLXSQIT\x1A", 8);
constexpr size_t kMaxTextUnits = 32768;
constexpr size_t kFixedLength = 8 + 4 + 4 + 8 + 8 + 8 + 4 + 32 + 4 + 4;
constexpr size_t kChecksumLength = 4;  // CRC-32 of everything before it

uint32_t Checksum(std::string_view bytes) {
  return static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

void PutU32(std::string& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
}
void PutU64(std::string& out, uint64_t value) {
  PutU32(out, static_cast<uint32_t>(value));
  PutU32(out, static_cast<uint32_t>(value >> 32));
}
uint32_t GetU32(std::string_view in, size_t at) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(in[at + i]);
  return value;
}
uint64_t GetU64(std::string_view in, size_t at) {
  return GetU32(in, at) | static_cast<uint64_t>(GetU32(in, at + 4)) << 32;
}

// A keystream from SplitMix64, keyed by the item id: cheap and reproducible at any offset.
uint64_t KeyWord(uint64_t id, uint64_t index) {
  uint64_t z = id * 0x9E3779B97F4A7C15ull + (index + 1) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

}  // namespace

std::string EncodeQuarantineHeader(const QuarantineHeader& header) {
  std::string out(kMagic);
  const uint32_t path_units = static_cast<uint32_t>(std::min(header.former_path.size(), kMaxTextUnits));
  const uint32_t name_units = static_cast<uint32_t>(std::min(header.threat_name.size(), kMaxTextUnits));
  const uint32_t length = static_cast<uint32_t>(kFixedLength + 2 * (path_units + name_units) + kChecksumLength);
  PutU32(out, kQuarantineVersion);
  PutU32(out, length);
  PutU64(out, header.id);
  PutU64(out, header.time);
  PutU64(out, header.size);
  PutU32(out, header.attributes);
  std::string digest = header.sha256;
  digest.resize(32, '\0');
  out += digest;
  PutU32(out, path_units);
  PutU32(out, name_units);
  for (uint32_t i = 0; i < path_units; ++i) {
    out.push_back(static_cast<char>(header.former_path[i] & 0xFF));
    out.push_back(static_cast<char>(header.former_path[i] >> 8));
  }
  for (uint32_t i = 0; i < name_units; ++i) {
    out.push_back(static_cast<char>(header.threat_name[i] & 0xFF));
    out.push_back(static_cast<char>(header.threat_name[i] >> 8));
  }
  PutU32(out, Checksum(out));
  return out;
}

std::optional<QuarantineHeader> DecodeQuarantineHeader(std::string_view in, size_t& header_length) {
  if (in.size() < kFixedLength || in.substr(0, 8) != kMagic) return std::nullopt;
  if (GetU32(in, 8) != kQuarantineVersion) return std::nullopt;
  const uint32_t length = GetU32(in, 12);
  const uint32_t path_units = GetU32(in, kFixedLength - 8);
  const uint32_t name_units = GetU32(in, kFixedLength - 4);
  if (path_units > kMaxTextUnits || name_units > kMaxTextUnits || path_units == 0) return std::nullopt;
  const size_t expected = kFixedLength + 2 * (static_cast<size_t>(path_units) + name_units) + kChecksumLength;
  if (length != expected || in.size() < expected) return std::nullopt;
  if (GetU32(in, expected - kChecksumLength) != Checksum(in.substr(0, expected - kChecksumLength))) return std::nullopt;
  QuarantineHeader header;
  header.id = GetU64(in, 16);
  header.time = GetU64(in, 24);
  header.size = GetU64(in, 32);
  header.attributes = GetU32(in, 40);
  header.sha256 = std::string(in.substr(44, 32));
  size_t at = kFixedLength;
  auto text = [&](uint32_t units) {
    std::u16string value;
    for (uint32_t i = 0; i < units; ++i, at += 2)
      value.push_back(static_cast<char16_t>(static_cast<uint8_t>(in[at]) | static_cast<uint8_t>(in[at + 1]) << 8));
    return value;
  };
  header.former_path = text(path_units);
  header.threat_name = text(name_units);
  header_length = expected;
  return header;
}

void MaskContent(uint64_t id, uint64_t offset, char* data, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    const uint64_t position = offset + i;
    const uint64_t word = KeyWord(id, position / 8);
    data[i] = static_cast<char>(data[i] ^ static_cast<char>(word >> (8 * (position % 8))));
  }
}

}  // namespace qws::scan
