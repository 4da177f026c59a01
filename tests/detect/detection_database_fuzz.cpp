// Feeds any bytes to the database loader's stages: as a downloaded file (header, signature,
// payload), as the 14 carried chunks, as a block, and as database text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "detect/database_carrier.h"
#include "detect/detection_database.h"
#include "detect/detection_public_key.h"
#include "detect/empty_detection_system.h"

namespace {

void ParseText(std::string_view text) {
  qws::EmptyDetectionSystem nothing(64);
  std::vector<qws::Vendor> vendors;
  qws::ParseDetectionText(text, nothing, vendors);
  for (const qws::Vendor& vendor : vendors) {
    for (const qws::CProduct& product : vendor.products) product.RuleCount();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 65536) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
  switch (data[0] % 4) {
    case 0: {  // a downloaded file, its last 41 bytes taken as the signature
      static const auto key = qws::DetectionPublicKey();
      const size_t cut = input.size() >= qws::kSignatureBytes ? input.size() - qws::kSignatureBytes : 0;
      qws::DetectionDatabase database(key.value_or(qws::crypto::DsaPublicKey{}));
      database.AcceptDownloaded(input.substr(0, cut), input.substr(cut));
      if (qws::CheckDownloadedHeader(input)) {
        if (const auto text = qws::InflateBlock(qws::DownloadedPayload(input))) ParseText(*text);
      }
      break;
    }
    case 1: {  // 14 chunks, each with its count, one after the other
      qws::BuiltInChunks chunks;
      std::string_view rest = input;
      for (auto& chunk : chunks) {
        const size_t take = rest.size() >= 4 ? 4 + (static_cast<unsigned char>(rest[0]) % 64) : rest.size();
        chunk = rest.substr(0, std::min(take, rest.size()));
        rest.remove_prefix(chunk.size());
      }
      qws::EmptyDetectionSystem nothing;
      qws::DetectionDatabase database(qws::crypto::DsaPublicKey{});
      database.Load(chunks, nothing);
      break;
    }
    case 2:
      if (const auto text = qws::InflateBlock(input)) ParseText(*text);
      break;
    default:
      ParseText(input);
      break;
  }
  return 0;
}
