// The two carriers of the detection database: the block held by the program in 14 chunks, and
// the downloaded file with its header and its detached DSA signature.
//
// Block: block length (4, the whole block), inflated length (4), zlib stream of the XML text.
// Chunk: byte count (4) and that many bytes. Downloaded file: payload length (4), format
// version (2, always 1), database revision (2), payload (a block). Integers are little-endian.
// Signature: format byte 1, then r and s of DSA over the SHA-1 digest of the whole file,
// 20 bytes each, big-endian.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/crypto.h"

namespace qws {

inline constexpr size_t kBuiltInChunkCount = 14;
inline constexpr size_t kBlockHeaderBytes = 8;
inline constexpr size_t kDownloadedHeaderBytes = 8;
inline constexpr uint16_t kDownloadedFormatVersion = 1;
inline constexpr size_t kSignatureBytes = 41;
// The text is never inflated beyond this, whatever a header claims.
inline constexpr uint32_t kMaxInflatedBytes = 64u << 20;

using BuiltInChunks = std::array<std::string_view, kBuiltInChunkCount>;

// The chunks joined into one block; nothing when a chunk's count exceeds its bytes.
std::optional<std::string> JoinChunks(const BuiltInChunks& chunks);
// The XML text of a block; nothing when the header does not fit the bytes or the stream does
// not inflate to exactly the announced length.
std::optional<std::string> InflateBlock(std::string_view block);

struct DownloadedHeader {
  uint32_t payloadLength = 0;
  uint16_t formatVersion = 0;
  uint16_t revision = 0;
};
// The header when the file is at least 8 bytes long, of format 1, and holds its payload.
std::optional<DownloadedHeader> CheckDownloadedHeader(std::string_view file);
// The payload (a block) of a file whose header passed the checks.
std::string_view DownloadedPayload(std::string_view file);
// Whether the 41-byte signature of format 1 verifies over the whole file.
bool VerifyDatabaseSignature(std::string_view file, std::string_view signature,
                             const crypto::DsaPublicKey& key);

// The packing side, used by the build's tools and by tests.
std::optional<std::string> DeflateBlock(std::string_view text);
// The block cut into 14 chunks, each with its byte count in front.
std::array<std::string, kBuiltInChunkCount> SplitIntoChunks(std::string_view block);
std::string MakeDownloadedFile(std::string_view block, uint16_t revision);
std::optional<std::string> SignDatabase(std::string_view file, const crypto::DsaPrivateKey& key);

}  // namespace qws
