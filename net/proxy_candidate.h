// Proxies found in the browsers' configuration, in the order they are tried, and the texts they
// come from: proxy entries ("PROXY host:port", "DIRECT"), proxy lists of auto-configuration
// scripts and the Internet settings' "ProxyServer" value. Platform-neutral.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qws {

struct ProxyCandidate {
  std::u16string host;  // empty: a direct connection
  int port = 0;         // 0 when none was given
  int priority = 0;     // lower values are tried first
  std::u16string userName;
  std::u16string password;
  std::u16string source;  // "IE", "Opera" or "Mozilla"
};

// "host:port", the form a connection is opened through and the update log shows.
std::u16string CandidateText(const ProxyCandidate& candidate);

// The leading decimal digits after optional white space and sign, as atoi reads them
// (saturated); 0 when there are none.
int LeadingInteger(std::u16string_view text);
int LeadingInteger(std::string_view text);

// "DIRECT", "PROXY host:port", "host:port" or "host".
ProxyCandidate ParseProxyEntry(std::u16string_view entry);
// Pieces between semicolons, trimmed, empty ones dropped, each parsed as an entry.
std::vector<ProxyCandidate> SplitProxyList(std::u16string_view list);

// The http proxy of an Internet settings "ProxyServer" text ("http=h:p;https=..." or "h:p").
ProxyCandidate ParseInternetSettingsProxy(std::u16string_view proxyServer);

// Without a leading "http://" in any case.
std::u16string_view SkipHttpScheme(std::u16string_view text);

// Sorts by priority (stable) and removes later candidates equal in host, port, user name and
// password to an earlier one.
void FinishCandidates(std::vector<ProxyCandidate>& candidates);

}  // namespace qws
