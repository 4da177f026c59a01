// The parts of the update server's address the library connects with.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <optional>
#include <string>

namespace qws::scan {

struct HttpUrl {
  std::wstring host;
  INTERNET_PORT port = INTERNET_DEFAULT_HTTP_PORT;
  std::wstring path;
};

// Nothing unless `url` is an http:// address with a host.
inline std::optional<HttpUrl> CrackHttpUrl(const std::wstring& url) {
  URL_COMPONENTSW parts{};
  parts.dwStructSize = sizeof(parts);
  wchar_t host[256] = {}, path[1024] = {};
  parts.lpszHostName = host;
  parts.dwHostNameLength = 256;
  parts.lpszUrlPath = path;
  parts.dwUrlPathLength = 1024;
  if (url.empty() || !InternetCrackUrlW(url.c_str(), 0, 0, &parts) || parts.nScheme != INTERNET_SCHEME_HTTP ||
      host[0] == 0)
    return std::nullopt;
  return HttpUrl{host, parts.nPort, path};
}

}  // namespace qws::scan
