#include "net/http_downloader.h"

#include "base/u16.h"
#include "net/proxy_discovery.h"
#include "net/system_library.h"

namespace qws {

namespace {

constexpr DWORD kReadBlockBytes = 16384;

}  // namespace

HttpDownloader::ProxySource HttpDownloader::DefaultProxySource() { return DiscoverProxiesForDownload; }

HttpDownloader::HttpDownloader(ProxySource proxies) : proxies_(std::move(proxies)) {
  wininet_ = LoadSystemLibrary(L"wininet.dll");
  available_ = BindEntryPoint(wininet_, "InternetOpenW", open_) &&
               BindEntryPoint(wininet_, "InternetOpenUrlW", openUrl_) &&
               BindEntryPoint(wininet_, "InternetSetOptionW", setOption_) &&
               BindEntryPoint(wininet_, "InternetConnectW", connect_) &&
               BindEntryPoint(wininet_, "HttpOpenRequestW", openRequest_) &&
               BindEntryPoint(wininet_, "HttpSendRequestW", sendRequest_) &&
               BindEntryPoint(wininet_, "InternetReadFile", readFile_) &&
               BindEntryPoint(wininet_, "InternetCloseHandle", closeHandle_) &&
               BindEntryPoint(wininet_, "InternetQueryDataAvailable", queryDataAvailable_) &&
               BindEntryPoint(wininet_, "HttpQueryInfoW", queryInfo_);
  if (!available_) wininet_.reset();
}

// Opens the URL on a new session; an HTTP answer other than 2xx counts as a failure, so that an
// error page is never taken for the file.
bool HttpDownloader::Open(const std::wstring& url, DWORD access, const wchar_t* proxy, ScopedInternet& session,
                          ScopedInternet& request) {
  session.reset(open_(L"QWS", access, proxy, nullptr, 0));
  if (!session.get()) return false;
  request.reset(openUrl_(session.get(), url.c_str(), nullptr, 0, 0, 0));
  if (!request.get()) {
    session.reset();
    return false;
  }
  DWORD status = 0, size = sizeof(status);
  if (url.rfind(L"http", 0) == 0 &&
      (!queryInfo_(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr) ||
       status < 200 || status > 299)) {
    request.reset();
    session.reset();
    return false;
  }
  announcedLength_.reset();
  wchar_t length[32] = L"";
  DWORD lengthSize = sizeof(length);
  if (queryInfo_(request.get(), HTTP_QUERY_CONTENT_LENGTH, length, &lengthSize, nullptr) && length[0]) {
    uint64_t value = 0;
    bool digits = true;
    for (const wchar_t* c = length; *c; ++c) {
      if (*c < L'0' || *c > L'9' || value > (uint64_t{1} << 50)) digits = false;
      else value = value * 10 + static_cast<uint64_t>(*c - L'0');
    }
    if (digits) announcedLength_ = value;
  }
  return true;
}

int HttpDownloader::Download(const std::wstring& url, uint64_t maxLength, std::string& data,
                             const std::wstring* toFile, std::atomic<uint64_t>* progress) {
  data.clear();
  route_.clear();
  triedProxies_ = false;
  if (!available_ || url.empty() || maxLength == 0) return kDownloadFailed;
  if (progress) *progress = 0;

  ScopedInternet session, request;
  if (!Open(url, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, session, request)) {
    triedProxies_ = true;
    bool opened = false;
    for (const ProxyCandidate& candidate : proxies_ ? proxies_() : std::vector<ProxyCandidate>()) {
      const std::wstring text = ToWide(CandidateText(candidate));
      opened = candidate.host.empty() ? Open(url, INTERNET_OPEN_TYPE_DIRECT, nullptr, session, request)
                                      : Open(url, INTERNET_OPEN_TYPE_PROXY, text.c_str(), session, request);
      if (opened) {
        route_ = candidate.host.empty() ? L"DIRECT" : text;
        break;
      }
    }
    if (!opened) return kDownloadFailed;
  }

  std::string received;
  char block[kReadBlockBytes];
  while (true) {
    DWORD read = 0;
    if (!readFile_(request.get(), block, kReadBlockBytes, &read)) return kDownloadFailed;
    if (read == 0) break;
    if (received.size() + read > maxLength) return kDownloadFailed;
    received.append(block, read);
    if (progress) *progress = received.size();
  }

  // A connection that ends early reads like the end of the data.
  if (announcedLength_ && received.size() != *announcedLength_) return kDownloadFailed;

  if (toFile) {
    ScopedHandle file(CreateFileW(toFile->c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return kDownloadFailed;
    size_t written = 0;
    while (written < received.size()) {
      DWORD chunk = 0;
      const DWORD want = static_cast<DWORD>(std::min<size_t>(received.size() - written, 1 << 20));
      if (!WriteFile(file.get(), received.data() + written, want, &chunk, nullptr) || chunk == 0)
        return kDownloadFailed;
      written += chunk;
    }
  }
  data = std::move(received);
  return kDownloadOk;
}

}  // namespace qws
