// Samples shared by the scanning library's tests: the EICAR test file (assembled at run time so
// that no file of the repository is one), the project's test signatures, and small ZIP archives.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace qws::test {

inline std::string Eicar() {
  return std::string("X5O!P%@AP[4\\PZX54(P^)7CC)7}$") + "EICAR-STANDARD-ANTIVIRUS-" + "TEST-FILE!$H+H*";
}

inline std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out.push_back(digits[c >> 4]);
    out.push_back(digits[c & 15]);
  }
  return out;
}

// Content that the test signatures of every category name (scanlib/signatures/qws_test.ndb).
inline std::string UnwantedSample() { return "padding QWS-TEST-SAMPLE-UNWANTED-APPLICATION padding"; }
inline std::string UnsafeSample() { return "QWS-TEST-SAMPLE-UNSAFE-APPLICATION"; }
inline std::string SuspiciousSample() { return "QWS-TEST-SAMPLE-SUSPICIOUS-APPLICATION"; }

// A ZIP archive of the given members, stored or deflated.
inline std::string MakeZip(const std::vector<std::pair<std::string, std::string>>& members, bool compress) {
  std::string local, central;
  auto u16 = [](std::string& out, uint32_t v) {
    out.push_back(static_cast<char>(v));
    out.push_back(static_cast<char>(v >> 8));
  };
  auto u32 = [&](std::string& out, uint32_t v) {
    u16(out, v & 0xFFFF);
    u16(out, v >> 16);
  };
  for (const auto& [name, content] : members) {
    std::string data = content;
    if (compress) {
      z_stream stream{};
      deflateInit2(&stream, 9, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
      data.resize(deflateBound(&stream, static_cast<uLong>(content.size())));
      stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data()));
      stream.avail_in = static_cast<uInt>(content.size());
      stream.next_out = reinterpret_cast<Bytef*>(data.data());
      stream.avail_out = static_cast<uInt>(data.size());
      deflate(&stream, Z_FINISH);
      data.resize(stream.total_out);
      deflateEnd(&stream);
    }
    const uint32_t crc = static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(content.data()), static_cast<uInt>(content.size())));
    const uint32_t offset = static_cast<uint32_t>(local.size());
    const uint16_t method = compress ? 8 : 0;
    u32(local, 0x04034b50); u16(local, 20); u16(local, 0); u16(local, method); u16(local, 0); u16(local, 0);
    u32(local, crc); u32(local, static_cast<uint32_t>(data.size())); u32(local, static_cast<uint32_t>(content.size()));
    u16(local, static_cast<uint32_t>(name.size())); u16(local, 0);
    local += name;
    local += data;
    u32(central, 0x02014b50); u16(central, 20); u16(central, 20); u16(central, 0); u16(central, method);
    u16(central, 0); u16(central, 0); u32(central, crc); u32(central, static_cast<uint32_t>(data.size()));
    u32(central, static_cast<uint32_t>(content.size())); u16(central, static_cast<uint32_t>(name.size()));
    u16(central, 0); u16(central, 0); u16(central, 0); u16(central, 0); u32(central, 0); u32(central, offset);
    central += name;
  }
  std::string out = local + central;
  u32(out, 0x06054b50); u16(out, 0); u16(out, 0);
  u16(out, static_cast<uint32_t>(members.size())); u16(out, static_cast<uint32_t>(members.size()));
  u32(out, static_cast<uint32_t>(central.size())); u32(out, static_cast<uint32_t>(local.size())); u16(out, 0);
  return out;
}

}  // namespace qws::test
