// One quarantined file as stored: a self-describing header (magic, version, 64-bit id, former
// path, threat name, time, size, SHA-256, attributes) followed by the content made inert by a
// keystream, so that no scanner or program sees the original bytes in the quarantine folder.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qws::scan {

struct QuarantineHeader {
  uint64_t id = 0;
  std::u16string former_path;
  std::u16string threat_name;
  uint64_t time = 0;        // FILETIME of quarantining
  uint64_t size = 0;        // of the original content
  std::string sha256;       // of the original content, 32 bytes
  uint32_t attributes = 0;  // of the original file
};

inline constexpr uint32_t kQuarantineVersion = 1;

// The header bytes; the content follows them, masked with MaskContent.
std::string EncodeQuarantineHeader(const QuarantineHeader& header);

// Reads a header from the first bytes of an item; nothing when they are not a valid header.
// header_length receives the offset where the content begins.
std::optional<QuarantineHeader> DecodeQuarantineHeader(std::string_view bytes, size_t& header_length);

// Masks or unmasks (the same operation) `length` bytes of content that begin at `offset`
// within the content of item `id`.
void MaskContent(uint64_t id, uint64_t offset, char* data, size_t length);

}  // namespace qws::scan
