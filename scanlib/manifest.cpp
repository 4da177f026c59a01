#include "scanlib/manifest.h"

#include <charconv>
#include <set>

#include "base/crypto.h"

namespace qws::scan {
namespace {

constexpr size_t kMaxModules = 256;

bool SafeName(std::string_view name) {
  if (name.empty() || name.size() > 64 || name.front() == '.') return false;
  for (char c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '.' || c == '_' || c == '-';
    if (!ok) return false;
  }
  return true;
}

// The lines of a text, each without its "\n" or "\r\n".
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    at = end + 1;
  }
  return lines;
}

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  size_t at = 0;
  while (at < line.size()) {
    const size_t space = line.find(' ', at);
    const size_t end = space == std::string_view::npos ? line.size() : space;
    if (end > at) words.push_back(line.substr(at, end - at));
    at = end + 1;
  }
  return words;
}

template <class T>
bool Number(std::string_view text, T& value) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::optional<Manifest> ParseManifest(std::string_view text) {
  if (text.size() > kMaxManifestBytes) return std::nullopt;
  Manifest manifest;
  bool header = false, build = false;
  std::set<std::string> names;
  for (std::string_view line : Lines(text)) {
    if (line.empty()) continue;
    const auto words = Words(line);
    if (!header) {
      if (words.size() != 2 || words[0] != "qlxs-manifest" || words[1] != "1") return std::nullopt;
      header = true;
    } else if (words.size() == 2 && words[0] == "build" && !build) {
      if (!Number(words[1], manifest.build)) return std::nullopt;
      build = true;
    } else if (words.size() == 4 && words[0] == "module") {
      ManifestModule module;
      module.name = std::string(words[1]);
      auto digest = crypto::FromHex(words[3]);
      if (!SafeName(module.name) || !Number(words[2], module.size) || !digest || digest->size() != 32 ||
          !names.insert(module.name).second || manifest.modules.size() >= kMaxModules)
        return std::nullopt;
      module.sha256 = std::move(*digest);
      manifest.modules.push_back(std::move(module));
    } else {
      return std::nullopt;
    }
  }
  if (!header || !build) return std::nullopt;
  return manifest;
}

std::string FormatManifest(const Manifest& manifest) {
  std::string text = "qlxs-manifest 1\nbuild " + std::to_string(manifest.build) + "\n";
  for (const ManifestModule& module : manifest.modules)
    text += "module " + module.name + " " + std::to_string(module.size) + " " + crypto::ToHex(module.sha256) + "\n";
  return text;
}

}  // namespace qws::scan

namespace qws::scan {

std::string SignManifest(std::string_view manifest, const crypto::DsaPrivateKey& key) {
  auto signature = crypto::DsaSign(key, crypto::Sha256(manifest));
  if (!signature) return {};
  return "r=" + crypto::ToHex(signature->r) + "\ns=" + crypto::ToHex(signature->s) + "\n";
}

bool VerifyManifest(std::string_view manifest, std::string_view text, const crypto::DsaPublicKey& key) {
  if (text.size() > 4096) return false;
  crypto::DsaSignature signature;
  bool have_r = false, have_s = false;
  for (std::string_view line : Lines(text)) {
    if (line.size() < 2 || line[1] != '=') continue;
    auto value = crypto::FromHex(line.substr(2));
    if (!value) return false;
    if (line[0] == 'r') { signature.r = *value; have_r = true; }
    if (line[0] == 's') { signature.s = *value; have_s = true; }
  }
  return have_r && have_s && crypto::DsaVerify(key, crypto::Sha256(manifest), signature);
}

}  // namespace qws::scan
