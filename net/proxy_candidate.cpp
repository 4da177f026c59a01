#include "net/proxy_candidate.h"

#include <algorithm>
#include <limits>

namespace qws {

namespace {

constexpr size_t kMaxRegistryHostChars = 259;

template <class Char>
int ReadLeadingInteger(std::basic_string_view<Char> text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = std::min<int64_t>(value * 10 + (text[i] - '0'),
                              int64_t{std::numeric_limits<int>::max()} + 1);
  }
  if (negative) value = -value;
  return static_cast<int>(std::clamp<int64_t>(value, std::numeric_limits<int>::min(),
                                              std::numeric_limits<int>::max()));
}

bool IsTrimmed(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

char16_t LowerAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c; }

ProxyCandidate HostAndPort(std::u16string_view text, size_t maxHostChars) {
  ProxyCandidate candidate;
  const size_t colon = text.find(u':');
  candidate.host = std::u16string(text.substr(0, std::min(colon, maxHostChars)));
  if (colon != std::u16string_view::npos) candidate.port = LeadingInteger(text.substr(colon + 1));
  return candidate;
}

}  // namespace

std::u16string CandidateText(const ProxyCandidate& candidate) {
  std::u16string text = candidate.host + u":";
  for (char c : std::to_string(candidate.port)) text += static_cast<char16_t>(c);
  return text;
}

int LeadingInteger(std::u16string_view text) { return ReadLeadingInteger(text); }
int LeadingInteger(std::string_view text) { return ReadLeadingInteger(text); }

ProxyCandidate ParseProxyEntry(std::u16string_view entry) {
  if (entry == u"DIRECT") return {};
  if (entry.substr(0, 6) == u"PROXY ") entry.remove_prefix(6);
  return HostAndPort(entry, std::u16string_view::npos);
}

std::vector<ProxyCandidate> SplitProxyList(std::u16string_view list) {
  std::vector<ProxyCandidate> candidates;
  size_t start = 0;
  while (start <= list.size()) {
    const size_t end = std::min(list.find(u';', start), list.size());
    std::u16string_view piece = list.substr(start, end - start);
    while (!piece.empty() && IsTrimmed(piece.front())) piece.remove_prefix(1);
    while (!piece.empty() && IsTrimmed(piece.back())) piece.remove_suffix(1);
    if (!piece.empty()) candidates.push_back(ParseProxyEntry(piece));
    start = end + 1;
  }
  return candidates;
}

std::u16string_view SkipHttpScheme(std::u16string_view text) {
  constexpr std::u16string_view kScheme = u"http://";
  if (text.size() < kScheme.size()) return text;
  for (size_t i = 0; i < kScheme.size(); ++i)
    if (LowerAscii(text[i]) != kScheme[i]) return text;
  return text.substr(kScheme.size());
}

ProxyCandidate ParseInternetSettingsProxy(std::u16string_view proxyServer) {
  const size_t http = proxyServer.find(u"http=");
  if (http != std::u16string_view::npos) {
    proxyServer = proxyServer.substr(http + 5);
    proxyServer = proxyServer.substr(0, proxyServer.find(u';'));
  }
  return HostAndPort(SkipHttpScheme(proxyServer), kMaxRegistryHostChars);
}

void FinishCandidates(std::vector<ProxyCandidate>& candidates) {
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const ProxyCandidate& a, const ProxyCandidate& b) { return a.priority < b.priority; });
  std::vector<ProxyCandidate> kept;
  for (ProxyCandidate& candidate : candidates) {
    const bool seen = std::any_of(kept.begin(), kept.end(), [&](const ProxyCandidate& earlier) {
      return earlier.host == candidate.host && earlier.port == candidate.port &&
             earlier.userName == candidate.userName && earlier.password == candidate.password;
    });
    if (!seen) kept.push_back(std::move(candidate));
  }
  candidates = std::move(kept);
}

}  // namespace qws
