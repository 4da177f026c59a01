// One object: scan, log items, and cleaning into the quarantine.
#include <windows.h>

#include "base/u16.h"
#include "scanlib/win/file_source.h"
#include "scanlib/win/library_state.h"

namespace qws::scan {
namespace {

constexpr wchar_t kBootToken[] = L"${Boot}";
constexpr size_t kSectorSize = 512;

std::wstring Wide(const std::string& utf8) { return ToWide(Utf8ToU16(utf8)); }

bool IsBootItem(const std::wstring& path) {
  const size_t n = std::wstring(kBootToken).size();
  return path.size() == 3 + n && path[1] == L':' && path[2] == L'\\' && path.compare(3, n, kBootToken) == 0;
}

void AddStops(const ScanReport& report, const std::wstring& path, qlxs_scan_log_list& log) {
  for (const auto& [member, limit] : report.stopped) {
    const std::wstring object = member.empty() ? path : path + L" \u00BB " + ToWide(member);
    log.Add(object, std::wstring(kResultOk) + L" (archive not scanned completely)", L"",
            L"archive scan stopped at " + Wide(limit));
  }
}

// Copies the file into the quarantine, then deletes it; a file that cannot be deleted now is
// deleted at the next restart.
int32_t Clean(qlxs_scanner& scanner, const std::wstring& path, const std::wstring& threat) {
  if (!QuarantineFile(scanner, path, threat)) return -1;  // never delete what is not kept
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
    SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  if (DeleteFileW(path.c_str())) return QLXS_ACTION_DELETED;
  if (MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) return QLXS_ACTION_DELETE_AT_RESTART;
  return -1;
}

}  // namespace

ObjectOutcome ScanObject(qlxs_scan_setup& setup, const qlxs_scan_mode& mode, const std::wstring& path,
                         qlxs_scan_log_list& log) {
  ObjectOutcome outcome;
  ScanReport report;
  if (IsBootItem(path)) {
    const std::wstring volume = L"\\\\.\\" + path.substr(0, 2);
    FileSource device(volume);
    std::string sector(kSectorSize, '\0');
    DWORD got = 0;
    if (!device.is_open() || !ReadFile(device.handle(), sector.data(), kSectorSize, &got, nullptr) || got == 0) {
      log.Add(path, kResultOk, L"", L"the boot sector could not be read");
      outcome.unreadable = true;
      return outcome;
    }
    sector.resize(got);
    MemorySource source(std::move(sector));
    report = setup.engine->Scan(source, setup.switches);
  } else {
    FileSource file(path);
    if (!file.is_open()) {
      log.Add(path, kResultOk, L"", L"could not be opened");
      outcome.unreadable = true;
      return outcome;
    }
    report = setup.engine->Scan(file, setup.switches);
  }
  outcome.unreadable = report.unreadable;
  AddStops(report, path, log);
  CountScan(*setup.scanner, 1 + report.members_scanned, report.infected ? Wide(report.threat) : L"");
  if (!report.infected) {
    if (mode.log_clean) log.Add(path, kResultOk, L"", report.unreadable ? L"could not be read completely" : L"");
    return outcome;
  }

  outcome.infected = true;
  const std::wstring threat = Wide(report.threat);
  std::wstring action;
  if (mode.clean && !IsBootItem(path)) {
    const int32_t cleaned = Clean(*setup.scanner, path, threat);
    outcome.cleaned = cleaned > 0;
    outcome.restart = cleaned == QLXS_ACTION_DELETE_AT_RESTART;
    outcome.action = cleaned > 0 ? cleaned : QLXS_ACTION_NONE;
    action = cleaned == QLXS_ACTION_DELETED ? kActionDeleted
           : cleaned == QLXS_ACTION_DELETE_AT_RESTART ? kActionDeleteAtRestart
                                                      : kActionCleanFailed;
  }
  log.Add(path, threat, action);
  if (!report.member.empty()) log.Add(path + L" \u00BB " + ToWide(report.member), threat);
  return outcome;
}

}  // namespace qws::scan
