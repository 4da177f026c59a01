#include "net/small_downloads.h"

#include "base/endpoints.h"
#include "base/u16.h"
#include "net/base64.h"
#include "net/download_lists.h"
#include "net/http_downloader.h"

namespace qws {

std::wstring DownloadBaseUrl() { return ToWide(EndpointUrl(kDownloadEndpoint, u"/special/qws-beta-be/")); }
std::wstring DatabaseIndexUrl() { return ToWide(EndpointUrl(kDownloadEndpoint, u"/special/detectav/detectav.xml")); }

void CheckForNewVersion(std::atomic<int>& state, const std::wstring& baseUrl) {
  state = kDownloadRunning;
  std::string marker;
  HttpDownloader downloader;
  state = downloader.Download(baseUrl + L"ver.txt", kVersionMarkerMaxBytes, marker) == kDownloadOk
              ? kDownloadDone
              : kDownloadFailedState;
}

namespace {

struct NameParts {
  std::wstring name;
  std::wstring extension;  // with its dot, may be empty
};

NameParts SplitProgramName(const std::wstring& programPath) {
  const size_t slash = programPath.find_last_of(L"\\/");
  const std::wstring file = slash == std::wstring::npos ? programPath : programPath.substr(slash + 1);
  const size_t dot = file.find_last_of(L'.');
  if (dot == std::wstring::npos) return {file, L""};
  return {file.substr(0, dot), file.substr(dot)};
}

}  // namespace

std::wstring NewVersionTarget(const std::wstring& programPath, const std::wstring& workFolder) {
  return workFolder + L"\\" + SplitProgramName(programPath).name + L"_upd.exe";
}

std::wstring NewVersionUrl(const std::wstring& programPath, const std::wstring& baseUrl) {
  const NameParts parts = SplitProgramName(programPath);
  std::wstring url = baseUrl + parts.name + parts.extension;
  for (wchar_t& c : url)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + (L'a' - L'A'));
  return url;
}

void DownloadNewVersion(const std::wstring& programPath, const std::wstring& workFolder, std::atomic<int>& state,
                        std::atomic<uint64_t>& bytes, const std::wstring& baseUrl) {
  state = kDownloadRunning;
  const std::wstring target = NewVersionTarget(programPath, workFolder);
  std::string program;
  HttpDownloader downloader;
  state = downloader.Download(NewVersionUrl(programPath, baseUrl), kNewVersionMaxBytes, program, &target,
                              &bytes) == kDownloadOk
              ? kDownloadDone
              : kDownloadFailedState;
}

bool DownloadDetectionDatabase(std::string& database, std::string& signature, const std::wstring& indexUrl) {
  database.clear();
  signature.clear();
  std::string indexText;
  if (HttpDownloader().Download(indexUrl, kDatabaseIndexMaxBytes, indexText) != kDownloadOk) return false;
  const auto index = ReadDatabaseIndex(indexText);
  if (!index) return false;
  std::string body;
  if (HttpDownloader().Download(ToWide(index->link), index->size, body) != kDownloadOk || body.size() != index->size)
    return false;
  auto decoded = DecodeBase64(index->signature);
  if (!decoded || decoded->empty()) return false;
  database = std::move(body);
  signature = std::move(*decoded);
  return true;
}

}  // namespace qws
