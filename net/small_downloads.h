// The small downloads: the version marker and the new program copy (terms page), and the
// detection database with its index and signature (product detection).
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace qws {

inline constexpr uint64_t kVersionMarkerMaxBytes = 10000000;
inline constexpr uint64_t kNewVersionMaxBytes = 100000000;
inline constexpr uint64_t kDatabaseIndexMaxBytes = 100000;

// "http://<download server>/special/qws-beta-be/" and the database index's address.
std::wstring DownloadBaseUrl();
std::wstring DatabaseIndexUrl();

// States of the terms page's worker: running, done, failed.
inline constexpr int kDownloadRunning = 1;
inline constexpr int kDownloadDone = 0;
inline constexpr int kDownloadFailedState = -1;

// The marker's presence means that a newer version is available (state 0), else -1.
void CheckForNewVersion(std::atomic<int>& state, const std::wstring& baseUrl = DownloadBaseUrl());

// "<work folder>\<name>_upd.exe" for the running program "<...>\<name>.<ext>", and the source
// address "<base><name>.<ext>" in lower case.
std::wstring NewVersionTarget(const std::wstring& programPath, const std::wstring& workFolder);
std::wstring NewVersionUrl(const std::wstring& programPath, const std::wstring& baseUrl);

// Downloads the new copy into the work folder; `bytes` follows the download for the progress bar.
void DownloadNewVersion(const std::wstring& programPath, const std::wstring& workFolder, std::atomic<int>& state,
                        std::atomic<uint64_t>& bytes, const std::wstring& baseUrl = DownloadBaseUrl());

// The database file named by the index, exactly "Size" bytes, and its decoded signature.
bool DownloadDetectionDatabase(std::string& database, std::string& signature,
                               const std::wstring& indexUrl = DatabaseIndexUrl());

}  // namespace qws
