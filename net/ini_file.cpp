#include "net/ini_file.h"

#include "net/proxy_candidate.h"

namespace qws {

namespace {

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r'))
    text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
    text.remove_suffix(1);
  return text;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

std::optional<std::string> ReadIniText(std::string_view file, std::string_view section,
                                       std::string_view key, size_t maxChars) {
  if (file.substr(0, 3) == "\xEF\xBB\xBF") file.remove_prefix(3);
  bool inSection = false;
  size_t at = 0;
  while (at < file.size()) {
    const size_t end = std::min(file.find('\n', at), file.size());
    const std::string_view line = Trim(file.substr(at, end - at));
    at = end + 1;
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      const size_t close = line.find(']');
      inSection = close != std::string_view::npos && SameIgnoringCase(Trim(line.substr(1, close - 1)), section);
      continue;
    }
    if (!inSection) continue;
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos || !SameIgnoringCase(Trim(line.substr(0, equals)), key))
      continue;
    std::string_view value = Trim(line.substr(equals + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    return std::string(value.substr(0, maxChars));
  }
  return std::nullopt;
}

int ReadIniInteger(std::string_view file, std::string_view section, std::string_view key,
                   int fallback) {
  const auto text = ReadIniText(file, section, key, 64);
  if (!text || text->empty()) return fallback;
  return LeadingInteger(*text);
}

}  // namespace qws
