// Telemetry: counts of scans, objects and detections by threat name (never paths), cached
// within a bound in the telemetry cache folder and posted to the update host by a thread of its
// own. Nothing here can block or fail a scan.
#include <windows.h>
#include <wininet.h>

#include <chrono>

#include "base/u16.h"
#include "scanlib/win/http_url.h"
#include "scanlib/win/internet_handle.h"
#include "scanlib/win/library_state.h"
#include "scanlib/win/module_folder.h"

namespace qws::scan {
namespace {

constexpr DWORD kSendTimeoutMs = 3000;
constexpr uint32_t kDefaultCacheLimit = 64 * 1024;

std::wstring CacheFile(const qlxs_scanner& scanner) { return scanner.ferry_folder + L"ferry_cache.txt"; }

// Moves the counts into the cache file, keeping the file within its bound.
void CacheCounts(qlxs_scanner& scanner) {
  FerryState& ferry = scanner.ferry;
  std::string record;
  {
    std::lock_guard lock(ferry.mutex);
    if (ferry.scans == 0 && ferry.objects == 0) return;
    record = "scans=" + std::to_string(ferry.scans) + "\nobjects=" + std::to_string(ferry.objects) + "\n";
    for (const auto& [name, count] : ferry.detections)
      record += "detection=" + U16ToUtf8(ToU16(name)) + ":" + std::to_string(count) + "\n";
    ferry.scans = ferry.objects = 0;
    ferry.detections.clear();
  }
  const uint32_t limit = ferry.setup.cache_limit_bytes ? ferry.setup.cache_limit_bytes : kDefaultCacheLimit;
  std::string cached = ReadWholeFile(CacheFile(scanner), limit).value_or("");
  cached += record;
  if (cached.size() > limit) cached = record.size() <= limit ? record : "";
  WriteWholeFile(CacheFile(scanner), cached);
}

bool Post(const qlxs_scanner& scanner, const std::string& body) {
  const std::optional<HttpUrl> url = CrackHttpUrl(scanner.update_url);
  if (!url) return false;
  ScopedInternet session(InternetOpenW(L"qlxs-ferry/1", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
  if (!session) return false;
  DWORD timeout = kSendTimeoutMs;
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
    InternetSetOptionW(session.get(), option, &timeout, sizeof(timeout));
  ScopedInternet connection(InternetConnectW(session.get(), url->host.c_str(), url->port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return false;
  const std::wstring target = url->path + L"ferry";
  ScopedInternet request(HttpOpenRequestW(connection.get(), L"POST", target.c_str(), nullptr, nullptr, nullptr,
                                          INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES, 0));
  if (!request) return false;
  const wchar_t headers[] = L"Content-Type: text/plain\r\n";
  if (!HttpSendRequestW(request.get(), headers, static_cast<DWORD>(-1), const_cast<char*>(body.data()),
                        static_cast<DWORD>(body.size())))
    return false;
  DWORD status = 0, length = sizeof(status);
  const bool ok = HttpQueryInfoW(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &length, nullptr) &&
                  status == 200;
  return ok;
}

void SendLoop(qlxs_scanner* scanner) {
  FerryState& ferry = scanner->ferry;
  std::unique_lock lock(ferry.mutex);
  while (!ferry.stop) {
    const uint32_t delay = ferry.setup.send_delay_seconds;
    auto woken = [&] { return ferry.stop || ferry.send_now; };
    if (delay) ferry.wake.wait_for(lock, std::chrono::seconds(delay), woken);
    else ferry.wake.wait(lock, woken);
    ferry.send_now = false;
    lock.unlock();
    CacheCounts(*scanner);
    if (auto cached = ReadWholeFile(CacheFile(*scanner), 1u << 20); cached && !cached->empty() && Post(*scanner, *cached))
      DeleteFileW(CacheFile(*scanner).c_str());
    lock.lock();
  }
}

}  // namespace

void CountScan(qlxs_scanner& scanner, uint64_t objects, const std::wstring& threat) {
  std::lock_guard lock(scanner.ferry.mutex);
  ++scanner.ferry.scans;
  scanner.ferry.objects += objects;
  if (!threat.empty() && scanner.ferry.detections.size() < 1000) ++scanner.ferry.detections[threat];
}

void StartFerry(qlxs_scanner& scanner) {
  if (scanner.ferry.sender.joinable()) return;
  scanner.ferry.stop = false;
  scanner.ferry.sender = std::thread(SendLoop, &scanner);
}

void RequestFerrySend(qlxs_scanner& scanner) {
  {
    std::lock_guard lock(scanner.ferry.mutex);
    scanner.ferry.send_now = true;
  }
  scanner.ferry.wake.notify_all();
  if (!scanner.ferry.sender.joinable()) CacheCounts(scanner);  // kept for a later sender
}

void StopFerry(qlxs_scanner& scanner) {
  {
    std::lock_guard lock(scanner.ferry.mutex);
    scanner.ferry.stop = true;
  }
  scanner.ferry.wake.notify_all();
  if (scanner.ferry.sender.joinable()) scanner.ferry.sender.join();
  CacheCounts(scanner);
}

}  // namespace qws::scan
