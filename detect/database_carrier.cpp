#include "detect/database_carrier.h"

#include <zlib.h>


namespace qws {

namespace {

uint32_t Le32(std::string_view bytes, size_t at) {
  const auto b = [&](size_t i) { return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + i])); };
  return b(0) | b(1) << 8 | b(2) << 16 | b(3) << 24;
}

uint16_t Le16(std::string_view bytes, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(bytes[at]) |
                               static_cast<unsigned char>(bytes[at + 1]) << 8);
}

void PutLe32(std::string& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
}

}  // namespace

std::optional<std::string> JoinChunks(const BuiltInChunks& chunks) {
  std::string block;
  for (std::string_view chunk : chunks) {
    if (chunk.size() < 4) return std::nullopt;
    const uint32_t count = Le32(chunk, 0);
    if (count > chunk.size() - 4) return std::nullopt;
    block.append(chunk.substr(4, count));
  }
  return block;
}

std::optional<std::string> InflateBlock(std::string_view block) {
  if (block.size() < kBlockHeaderBytes) return std::nullopt;
  const uint32_t blockLength = Le32(block, 0);
  const uint32_t textLength = Le32(block, 4);
  if (blockLength < kBlockHeaderBytes || blockLength > block.size() ||
      textLength > kMaxInflatedBytes) {
    return std::nullopt;
  }
  std::string text(textLength, '\0');
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) return std::nullopt;
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(block.data() + kBlockHeaderBytes));
  stream.avail_in = blockLength - static_cast<uInt>(kBlockHeaderBytes);
  stream.next_out = reinterpret_cast<Bytef*>(text.data());
  stream.avail_out = textLength;
  const int status = inflate(&stream, Z_FINISH);
  const uLong produced = stream.total_out;
  inflateEnd(&stream);
  if (status != Z_STREAM_END || produced != textLength) return std::nullopt;
  return text;
}

std::optional<DownloadedHeader> CheckDownloadedHeader(std::string_view file) {
  if (file.size() < kDownloadedHeaderBytes) return std::nullopt;
  DownloadedHeader header;
  header.payloadLength = Le32(file, 0);
  header.formatVersion = Le16(file, 4);
  header.revision = Le16(file, 6);
  if (header.formatVersion != kDownloadedFormatVersion ||
      header.payloadLength > file.size() - kDownloadedHeaderBytes) {
    return std::nullopt;
  }
  return header;
}

std::string_view DownloadedPayload(std::string_view file) {
  const auto header = CheckDownloadedHeader(file);
  if (!header) return {};
  return file.substr(kDownloadedHeaderBytes, header->payloadLength);
}

bool VerifyDatabaseSignature(std::string_view file, std::string_view signature,
                             const crypto::DsaPublicKey& key) {
  if (signature.size() != kSignatureBytes || signature[0] != 1) return false;
  crypto::DsaSignature dsa;
  dsa.r = std::string(signature.substr(1, 20));
  dsa.s = std::string(signature.substr(21, 20));
  return crypto::DsaVerify(key, crypto::Sha1(file), dsa);
}

std::optional<std::string> DeflateBlock(std::string_view text) {
  if (text.size() > kMaxInflatedBytes) return std::nullopt;
  uLongf bound = compressBound(static_cast<uLong>(text.size()));
  std::string block(kBlockHeaderBytes + bound, '\0');
  if (compress2(reinterpret_cast<Bytef*>(block.data() + kBlockHeaderBytes), &bound,
                reinterpret_cast<const Bytef*>(text.data()), static_cast<uLong>(text.size()),
                Z_BEST_COMPRESSION) != Z_OK) {
    return std::nullopt;
  }
  block.resize(kBlockHeaderBytes + bound);
  std::string header;
  PutLe32(header, static_cast<uint32_t>(block.size()));
  PutLe32(header, static_cast<uint32_t>(text.size()));
  block.replace(0, kBlockHeaderBytes, header);
  return block;
}

std::array<std::string, kBuiltInChunkCount> SplitIntoChunks(std::string_view block) {
  std::array<std::string, kBuiltInChunkCount> chunks;
  // Equal chunks, the last one taking the rest.
  const size_t each = block.size() / kBuiltInChunkCount;
  for (size_t i = 0; i < kBuiltInChunkCount; ++i) {
    const std::string_view part = i + 1 < kBuiltInChunkCount
                                      ? block.substr(i * each, each)
                                      : block.substr(i * each);
    PutLe32(chunks[i], static_cast<uint32_t>(part.size()));
    chunks[i].append(part);
  }
  return chunks;
}

std::string MakeDownloadedFile(std::string_view block, uint16_t revision) {
  std::string file;
  PutLe32(file, static_cast<uint32_t>(block.size()));
  file.push_back(static_cast<char>(kDownloadedFormatVersion & 0xFF));
  file.push_back(static_cast<char>(kDownloadedFormatVersion >> 8));
  file.push_back(static_cast<char>(revision & 0xFF));
  file.push_back(static_cast<char>(revision >> 8));
  file.append(block);
  return file;
}

std::optional<std::string> SignDatabase(std::string_view file, const crypto::DsaPrivateKey& key) {
  const auto dsa = crypto::DsaSign(key, crypto::Sha1(file));
  if (!dsa || dsa->r.size() != 20 || dsa->s.size() != 20) return std::nullopt;
  return std::string(1, '\1') + dsa->r + dsa->s;
}

}  // namespace qws
