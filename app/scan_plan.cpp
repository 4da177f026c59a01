#include "app/scan_plan.h"

#include <algorithm>

namespace qws {

namespace {

// The white space that a blank in a formatted-input pattern consumes.
bool IsPatternSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// What a text-mode read delivers: CR LF becomes LF, the first Ctrl+Z ends the text.
std::string TextModeBytes(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\x1A') break;
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    text.push_back(bytes[i]);
  }
  return text;
}

}  // namespace

std::string ScanPlanLine(std::string_view ansiName) {
  if (ansiName.empty()) return {};
  std::string line(ansiName.substr(0, kScanPlanNameMaxBytes));
  line.push_back('\n');
  return line;
}

std::vector<std::string> ParseScanPlan(std::string_view fileBytes) {
  const std::string text = TextModeBytes(fileBytes);
  std::vector<std::string> names;
  size_t at = 0;
  while (at < text.size()) {
    const size_t end = std::min(text.find('\n', at), text.size());
    // "%[^\n]" matches nothing on an empty line; a longer name than the buffer holds is not
    // taken in part.
    if (end == at || end - at >= kScanPlanReadBufferBytes) break;
    names.emplace_back(text, at, end - at);
    at = end;
    while (at < text.size() && IsPatternSpace(text[at])) ++at;
  }
  return names;
}

}  // namespace qws
