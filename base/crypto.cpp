#include "base/crypto.h"

#include <gcrypt.h>

#include <cstdarg>
#include <map>
#include <mutex>
#include <utility>

namespace qws::crypto {

namespace {

// libgcrypt's own notes (the Windows entropy gatherer's hints) are not ours to print.
void DropLibraryNotes(void*, int level, const char*, va_list) { (void)level; }

void EnsureInitialised() {
  static std::once_flag once;
  std::call_once(once, [] {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    gcry_set_log_handler(DropLibraryNotes, nullptr);
#pragma GCC diagnostic pop
    gcry_check_version(nullptr);
    // Nothing here handles secret data that would need locked memory.
    gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
    gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
  });
}

int GcryAlgorithm(DigestAlgorithm algorithm) {
  switch (algorithm) {
    case DigestAlgorithm::Md5: return GCRY_MD_MD5;
    case DigestAlgorithm::Sha1: return GCRY_MD_SHA1;
    case DigestAlgorithm::Sha256: return GCRY_MD_SHA256;
  }
  return GCRY_MD_SHA256;
}

// Owners of libgcrypt's numbers and expressions.
struct Mpi {
  gcry_mpi_t value = nullptr;
  Mpi() = default;
  explicit Mpi(gcry_mpi_t v) : value(v) {}
  Mpi(Mpi&& other) noexcept : value(std::exchange(other.value, nullptr)) {}
  Mpi(const Mpi&) = delete;
  Mpi& operator=(const Mpi&) = delete;
  ~Mpi() { gcry_mpi_release(value); }
};

struct Sexp {
  gcry_sexp_t value = nullptr;
  Sexp() = default;
  explicit Sexp(gcry_sexp_t v) : value(v) {}
  Sexp(Sexp&& other) noexcept : value(std::exchange(other.value, nullptr)) {}
  Sexp(const Sexp&) = delete;
  Sexp& operator=(const Sexp&) = delete;
  ~Sexp() { gcry_sexp_release(value); }
};

std::optional<Mpi> ToMpi(std::string_view bytes) {
  gcry_mpi_t value = nullptr;
  if (gcry_mpi_scan(&value, GCRYMPI_FMT_USG, bytes.data(), bytes.size(), nullptr) != 0)
    return std::nullopt;
  return Mpi(value);
}

std::string FromMpi(gcry_mpi_t value) {
  size_t length = 0;
  if (gcry_mpi_print(GCRYMPI_FMT_USG, nullptr, 0, &length, value) != 0) return {};
  std::string bytes(length, '\0');
  if (gcry_mpi_print(GCRYMPI_FMT_USG, reinterpret_cast<unsigned char*>(bytes.data()), length,
                     &length, value) != 0) {
    return {};
  }
  bytes.resize(length);
  const size_t first = bytes.find_first_not_of('\0');
  return first == std::string::npos ? std::string() : bytes.substr(first);
}

std::string Token(gcry_sexp_t list, const char* name) {
  Sexp found(gcry_sexp_find_token(list, name, 0));
  if (!found.value) return {};
  Mpi value(gcry_sexp_nth_mpi(found.value, 1, GCRYMPI_FMT_USG));
  return value.value ? FromMpi(value.value) : std::string();
}

std::string LeftPad(std::string bytes, size_t length) {
  if (bytes.size() < length) bytes.insert(0, length - bytes.size(), '\0');
  return bytes;
}

std::optional<Sexp> PublicKeySexp(const DsaPublicKey& key) {
  auto p = ToMpi(key.p), q = ToMpi(key.q), g = ToMpi(key.g), y = ToMpi(key.y);
  if (!p || !q || !g || !y) return std::nullopt;
  gcry_sexp_t sexp = nullptr;
  if (gcry_sexp_build(&sexp, nullptr, "(public-key (dsa (p %m) (q %m) (g %m) (y %m)))", p->value,
                      q->value, g->value, y->value) != 0) {
    return std::nullopt;
  }
  return Sexp(sexp);
}

// The digest as DSA takes it: its leftmost bits when it is longer than q.
std::optional<Sexp> DataSexp(std::string_view digest, size_t subprimeBits) {
  auto value = ToMpi(digest);
  if (!value) return std::nullopt;
  const unsigned bits = static_cast<unsigned>(digest.size() * 8);
  if (bits > subprimeBits) gcry_mpi_rshift(value->value, value->value, bits - subprimeBits);
  gcry_sexp_t sexp = nullptr;
  if (gcry_sexp_build(&sexp, nullptr, "(data (flags raw) (value %m))", value->value) != 0)
    return std::nullopt;
  return Sexp(sexp);
}

size_t BitLength(std::string_view bytes) {
  if (bytes.empty()) return 0;
  size_t bits = (bytes.size() - 1) * 8;
  for (unsigned char top = static_cast<unsigned char>(bytes[0]); top != 0; top >>= 1) ++bits;
  return bits;
}

std::optional<std::map<std::string, std::string>> ParseFields(std::string_view text) {
  std::map<std::string, std::string> fields;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    auto value = FromHex(line.substr(equals + 1));
    if (!value) return std::nullopt;
    fields[std::string(line.substr(0, equals))] = std::move(*value);
  }
  return fields;
}

}  // namespace

size_t DigestLength(DigestAlgorithm algorithm) {
  return gcry_md_get_algo_dlen(GcryAlgorithm(algorithm));
}

std::string Digest(DigestAlgorithm algorithm, std::string_view data) {
  EnsureInitialised();
  std::string digest(DigestLength(algorithm), '\0');
  gcry_md_hash_buffer(GcryAlgorithm(algorithm), digest.data(), data.data(), data.size());
  return digest;
}

Hasher::Hasher(DigestAlgorithm algorithm) : algorithm_(algorithm) {
  EnsureInitialised();
  gcry_md_hd_t handle = nullptr;
  if (gcry_md_open(&handle, GcryAlgorithm(algorithm), 0) == 0) handle_ = handle;
}

Hasher::Hasher(Hasher&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), algorithm_(other.algorithm_) {}

Hasher& Hasher::operator=(Hasher&& other) noexcept {
  if (this != &other) {
    if (handle_) gcry_md_close(static_cast<gcry_md_hd_t>(handle_));
    handle_ = std::exchange(other.handle_, nullptr);
    algorithm_ = other.algorithm_;
  }
  return *this;
}

Hasher::~Hasher() {
  if (handle_) gcry_md_close(static_cast<gcry_md_hd_t>(handle_));
}

void Hasher::Update(const void* data, size_t length) {
  if (handle_ && length > 0) gcry_md_write(static_cast<gcry_md_hd_t>(handle_), data, length);
}

std::string Hasher::Finish() {
  if (!handle_) return {};
  auto* handle = static_cast<gcry_md_hd_t>(handle_);
  const unsigned char* result = gcry_md_read(handle, GcryAlgorithm(algorithm_));
  std::string digest(reinterpret_cast<const char*>(result), DigestLength(algorithm_));
  gcry_md_reset(handle);
  return digest;
}

std::string ToHex(std::string_view bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    hex.push_back(digits[c >> 4]);
    hex.push_back(digits[c & 0xF]);
  }
  return hex;
}

std::optional<std::string> FromHex(std::string_view hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string bytes;
  bytes.reserve(hex.size() / 2);
  for (size_t i = 0; i < hex.size(); i += 2) {
    const int high = nibble(hex[i]), low = nibble(hex[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes.push_back(static_cast<char>((high << 4) | low));
  }
  return bytes;
}

std::optional<DsaPrivateKey> GenerateDsaKey(unsigned primeBits, unsigned subprimeBits) {
  EnsureInitialised();
  gcry_sexp_t parameters = nullptr;
  if (gcry_sexp_build(&parameters, nullptr, "(genkey (dsa (nbits %u) (qbits %u)))", primeBits,
                      subprimeBits) != 0) {
    return std::nullopt;
  }
  Sexp request(parameters);
  gcry_sexp_t generated = nullptr;
  if (gcry_pk_genkey(&generated, request.value) != 0) return std::nullopt;
  Sexp pair(generated);
  Sexp privatePart(gcry_sexp_find_token(pair.value, "private-key", 0));
  if (!privatePart.value) return std::nullopt;
  DsaPrivateKey key;
  key.publicKey = {Token(privatePart.value, "p"), Token(privatePart.value, "q"),
                   Token(privatePart.value, "g"), Token(privatePart.value, "y")};
  key.x = Token(privatePart.value, "x");
  if (key.publicKey.p.empty() || key.publicKey.q.empty() || key.x.empty()) return std::nullopt;
  return key;
}

std::optional<DsaSignature> DsaSign(const DsaPrivateKey& key, std::string_view digest) {
  EnsureInitialised();
  const DsaPublicKey& pub = key.publicKey;
  auto p = ToMpi(pub.p), q = ToMpi(pub.q), g = ToMpi(pub.g), y = ToMpi(pub.y), x = ToMpi(key.x);
  if (!p || !q || !g || !y || !x) return std::nullopt;
  gcry_sexp_t built = nullptr;
  if (gcry_sexp_build(&built, nullptr, "(private-key (dsa (p %m) (q %m) (g %m) (y %m) (x %m)))",
                      p->value, q->value, g->value, y->value, x->value) != 0) {
    return std::nullopt;
  }
  Sexp secret(built);
  auto data = DataSexp(digest, BitLength(pub.q));
  if (!data) return std::nullopt;
  gcry_sexp_t signed_ = nullptr;
  if (gcry_pk_sign(&signed_, data->value, secret.value) != 0) return std::nullopt;
  Sexp result(signed_);
  const size_t length = pub.q.size();
  DsaSignature signature{LeftPad(Token(result.value, "r"), length),
                         LeftPad(Token(result.value, "s"), length)};
  if (signature.r.size() != length || signature.s.size() != length) return std::nullopt;
  return signature;
}

bool DsaVerify(const DsaPublicKey& key, std::string_view digest, const DsaSignature& signature) {
  EnsureInitialised();
  auto publicKey = PublicKeySexp(key);
  auto data = DataSexp(digest, BitLength(key.q));
  auto r = ToMpi(signature.r), s = ToMpi(signature.s);
  if (!publicKey || !data || !r || !s) return false;
  gcry_sexp_t built = nullptr;
  if (gcry_sexp_build(&built, nullptr, "(sig-val (dsa (r %m) (s %m)))", r->value, s->value) != 0)
    return false;
  Sexp sig(built);
  return gcry_pk_verify(sig.value, data->value, publicKey->value) == 0;
}

std::string SerializePublicKey(const DsaPublicKey& key) {
  return "p=" + ToHex(key.p) + "\nq=" + ToHex(key.q) + "\ng=" + ToHex(key.g) + "\ny=" +
         ToHex(key.y) + "\n";
}

std::string SerializePrivateKey(const DsaPrivateKey& key) {
  return SerializePublicKey(key.publicKey) + "x=" + ToHex(key.x) + "\n";
}

std::optional<DsaPublicKey> ParsePublicKey(std::string_view text) {
  auto fields = ParseFields(text);
  if (!fields) return std::nullopt;
  DsaPublicKey key{(*fields)["p"], (*fields)["q"], (*fields)["g"], (*fields)["y"]};
  if (key.p.empty() || key.q.empty() || key.g.empty() || key.y.empty()) return std::nullopt;
  return key;
}

std::optional<DsaPrivateKey> ParsePrivateKey(std::string_view text) {
  auto publicKey = ParsePublicKey(text);
  auto fields = ParseFields(text);
  if (!publicKey || !fields || (*fields)["x"].empty()) return std::nullopt;
  return DsaPrivateKey{*publicKey, (*fields)["x"]};
}

}  // namespace qws::crypto
