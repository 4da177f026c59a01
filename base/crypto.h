// Digests and DSA signatures on libgcrypt, for every target.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qws::crypto {

enum class DigestAlgorithm { Md5, Sha1, Sha256 };

size_t DigestLength(DigestAlgorithm algorithm);

// The digest of a whole buffer, as raw bytes.
std::string Digest(DigestAlgorithm algorithm, std::string_view data);
inline std::string Md5(std::string_view data) { return Digest(DigestAlgorithm::Md5, data); }
inline std::string Sha1(std::string_view data) { return Digest(DigestAlgorithm::Sha1, data); }
inline std::string Sha256(std::string_view data) { return Digest(DigestAlgorithm::Sha256, data); }

// A digest fed block by block (files read in pieces).
class Hasher {
 public:
  explicit Hasher(DigestAlgorithm algorithm);
  Hasher(Hasher&& other) noexcept;
  Hasher& operator=(Hasher&& other) noexcept;
  Hasher(const Hasher&) = delete;
  Hasher& operator=(const Hasher&) = delete;
  ~Hasher();

  void Update(const void* data, size_t length);
  // The digest of everything fed so far; the hasher starts again empty afterwards.
  std::string Finish();

 private:
  void* handle_ = nullptr;  // gcry_md_hd_t
  DigestAlgorithm algorithm_;
};

// Lower-case hexadecimal; FromHex gives nothing for odd lengths or other characters.
std::string ToHex(std::string_view bytes);
std::optional<std::string> FromHex(std::string_view hex);

// DSA numbers as big-endian unsigned bytes without leading zeros.
struct DsaPublicKey {
  std::string p, q, g, y;
};
struct DsaPrivateKey {
  DsaPublicKey publicKey;
  std::string x;
};
// r and s, each left-padded with zeros to the byte length of q.
struct DsaSignature {
  std::string r, s;
};

// A fresh key: (1024, 160) or (2048, 256) bits for p and q.
std::optional<DsaPrivateKey> GenerateDsaKey(unsigned primeBits, unsigned subprimeBits);
// Signs a digest; a digest longer than q is cut to q's leftmost bits.
std::optional<DsaSignature> DsaSign(const DsaPrivateKey& key, std::string_view digest);
// False for any signature that does not verify, including r or s outside (0, q).
bool DsaVerify(const DsaPublicKey& key, std::string_view digest, const DsaSignature& signature);

// Text form for the build and the tools: "p=<hex>\nq=<hex>\ng=<hex>\ny=<hex>\n" and, for a
// private key, "x=<hex>\n".
std::string SerializePublicKey(const DsaPublicKey& key);
std::string SerializePrivateKey(const DsaPrivateKey& key);
std::optional<DsaPublicKey> ParsePublicKey(std::string_view text);
std::optional<DsaPrivateKey> ParsePrivateKey(std::string_view text);

}  // namespace qws::crypto
