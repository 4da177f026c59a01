#include "report/file_fingerprint.h"

#include <zlib.h>

#include <array>
#include <cstdio>

#include "base/crypto.h"

namespace qws {

namespace {

// Files of 4 GiB or more are not hashed.
constexpr uint64_t kMaxHashedBytes = 0x100000000ull;

struct Examined {
  FileFingerprints fingerprints;
  uint64_t size = 0;
  std::array<unsigned char, kFingerprintBlockBytes> head{};
  uint32_t headBytes = 0;
};

// Reads until `bytes` are in or the source ends or fails; the count read.
uint32_t ReadFully(ByteSource& file, unsigned char* buffer, uint32_t bytes) {
  uint32_t done = 0;
  while (done < bytes) {
    const int64_t got = file.Read(buffer + done, bytes - done);
    if (got <= 0) break;
    done += static_cast<uint32_t>(got);
  }
  return done;
}

std::u16string Ascii(const char* text) { return std::u16string(text, text + std::strlen(text)); }

std::u16string Hex64(uint64_t value) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
  return Ascii(text);
}

// Hash and type, shared by both kinds of fingerprint.
Examined Examine(ByteSource& file, uint64_t size) {
  Examined out;
  out.size = size;
  if (size == 0 || size >= kMaxHashedBytes) return out;

  crypto::Hasher sha1(crypto::DigestAlgorithm::Sha1);
  std::array<unsigned char, kFingerprintBlockBytes> block;
  for (uint64_t left = size; left > 0;) {
    const uint32_t want = static_cast<uint32_t>(left < block.size() ? left : block.size());
    const int64_t got = file.Read(block.data(), want);
    if (got <= 0) return out;  // ended or failed before its size: nothing is known
    sha1.Update(block.data(), static_cast<size_t>(got));
    left -= static_cast<uint64_t>(got);
  }
  std::string hash;
  for (unsigned char byte : sha1.Finish()) {
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", byte);
    hash += digits;
  }
  out.fingerprints.hash = Ascii(hash.c_str());

  // The type is known only from bytes actually read again from the start.
  if (!file.SeekTo(0)) return out;
  out.headBytes = ReadFully(file, out.head.data(), kFingerprintBlockBytes);
  if (out.headBytes == 0) return out;
  out.fingerprints.type = out.headBytes >= 2 && out.head[0] == 'M' && out.head[1] == 'Z'
                              ? kFileTypeExecutable
                              : kFileTypeOther;
  return out;
}

}  // namespace

FileFingerprints SingleObjectFingerprints(ByteSource* file) {
  if (file == nullptr) return {};
  const std::optional<uint64_t> size = file->Size();
  if (!size) return {};
  FileFingerprints fingerprints = Examine(*file, *size).fingerprints;
  fingerprints.fingerprint = Hex64(*size);
  return fingerprints;
}

FileFingerprints DirectoryScanFingerprints(ByteSource* file) {
  if (file == nullptr) return {};
  const std::optional<uint64_t> size = file->Size();
  if (!size) return {};
  Examined examined = Examine(*file, *size);
  if (examined.fingerprints.type != kFileTypeExecutable) return examined.fingerprints;

  const uint32_t n = examined.headBytes;
  uLong head = crc32(0L, examined.head.data(), n);
  const uint32_t low = static_cast<uint32_t>(examined.size);
  const unsigned char sizeBytes[4] = {static_cast<unsigned char>(low), static_cast<unsigned char>(low >> 8),
                                      static_cast<unsigned char>(low >> 16),
                                      static_cast<unsigned char>(low >> 24)};
  head = crc32(head, sizeBytes, 4);

  std::array<unsigned char, kFingerprintBlockBytes> tailBytes;
  if (!file->SeekTo(examined.size - n) || ReadFully(*file, tailBytes.data(), n) != n) {
    return examined.fingerprints;  // the tail is unreadable: no fingerprint
  }
  const uLong tail = crc32(0L, tailBytes.data(), n);
  examined.fingerprints.fingerprint =
      Hex64((static_cast<uint64_t>(tail & 0xFFFFFFFFu) << 32) | (head & 0xFFFFFFFFu));
  return examined.fingerprints;
}

}  // namespace qws
