#include "net/firefox_prefs.h"

#include "net/proxy_candidate.h"

namespace qws {

namespace {

constexpr size_t kLineBytes = 1023;

// After the line's first comma: white space and quotes skipped, then the number.
int IntegerValue(std::string_view line) {
  const size_t comma = line.find(',');
  if (comma == std::string_view::npos) return 0;
  size_t i = comma + 1;
  while (i < line.size() && (line[i] == ' ' || line[i] == '"' || line[i] == '\'')) ++i;
  return LeadingInteger(line.substr(i));
}

// After the first comma: spaces and double quotes skipped; an apostrophe makes the apostrophe
// the closing quote. The value runs to the closing quote or the end of the line.
std::string TextValue(std::string_view line) {
  const size_t comma = line.find(',');
  if (comma == std::string_view::npos) return {};
  char closing = '"';
  size_t i = comma + 1;
  while (i < line.size() && (line[i] == ' ' || line[i] == '"' || line[i] == '\'')) {
    if (line[i] == '\'') closing = '\'';
    ++i;
  }
  const size_t end = line.find_first_of(std::string{closing, '\r', '\n'}, i);
  return std::string(line.substr(i, end == std::string_view::npos ? std::string_view::npos : end - i));
}

}  // namespace

FirefoxProxyPrefs ReadFirefoxProxyPrefs(std::string_view file) {
  FirefoxProxyPrefs prefs;
  bool foundType = false, foundUrl = false, foundPort = false, foundHost = false;
  size_t at = 0;
  while (at < file.size() && !(foundType && foundUrl && foundPort && foundHost)) {
    // One read of a line: up to its line feed, at most 1023 bytes.
    size_t end = file.find('\n', at);
    end = end == std::string_view::npos ? file.size() : end + 1;
    if (end - at > kLineBytes) end = at + kLineBytes;
    const std::string_view line = file.substr(at, end - at);
    at = end;
    // The first name found in a line decides; "http" is a prefix of "http_port", so it comes last.
    if (line.find("network.proxy.type") != std::string_view::npos) {
      prefs.type = IntegerValue(line);
      foundType = true;
    } else if (line.find("network.proxy.autoconfig_url") != std::string_view::npos) {
      prefs.autoconfigUrl = TextValue(line);
      foundUrl = true;
    } else if (line.find("network.proxy.http_port") != std::string_view::npos) {
      prefs.httpPort = IntegerValue(line);
      foundPort = true;
    } else if (line.find("network.proxy.http") != std::string_view::npos) {
      prefs.httpHost = TextValue(line);
      foundHost = true;
    }
  }
  return prefs;
}

}  // namespace qws
