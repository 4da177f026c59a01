// qwscan: the scanner on the command line. Updates the engine modules, scans the targets given,
// optionally cleans, lists and restores the quarantine, and prints the scan report.
#include <windows.h>
#include <shellapi.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "app/directory_listing.h"
#include "app/file_utils.h"
#include "app/log.h"
#include "app/text_token.h"
#include "app/work_folder.h"
#include "base/u16.h"
#include "engine/cml_line_scanner.h"
#include "engine/update_page_worker.h"
#include "report/scan_report.h"
#include "report/scan_report_win.h"
#include "report/submission_client.h"
#include "targets/target_list.h"
#include "targets/target_system_win.h"

namespace qws {
namespace {

constexpr int kExitClean = 0;
constexpr int kExitThreats = 1;
constexpr int kExitError = 2;

const char kUsage[] =
    "usage: qwscan [options] <target>...\n"
    "\n"
    "Scans files, folders and the special targets ${Memory}, ${Startup}, ${DriveFixed},\n"
    "${DriveRemovable}, ${DriveRemote}, ${DriveAll}, ${DriveFixedBoot} and C:\\${Boot}\n"
    "for malware.\n"
    "\n"
    "options:\n"
    "  --no-update         scan with the engine modules already in the work folder\n"
    "  --update-url URL    update server (default: the built-in one)\n"
    "  --clean             clean what is found (the files go to the quarantine)\n"
    "  --anti-stealth      the anti-stealth engine: its own folder walk and the memory scan\n"
    "  --unwanted          also report potentially unwanted applications\n"
    "  --unsafe            also report potentially unsafe applications\n"
    "  --suspicious        also report suspicious applications\n"
    "  --archives          look inside archives\n"
    "  --work FOLDER       work folder for the engine, its modules and the quarantine\n"
    "  --quarantine        list the quarantine\n"
    "  --restore N         restore item N of the quarantine list to its former place\n"
    "  --report            print the scan report\n"
    "  --submit HOST:PORT  send the scan report to the query server (\"default\": the built-in one)\n"
    "  --help              this text\n"
    "\n"
    "exit codes: 0 nothing found, 1 threats found, 2 error\n";

struct Options {
  bool update = true;
  std::wstring updateUrl;
  bool clean = false;
  bool antiStealth = false;
  bool unwanted = false;
  bool unsafe = false;
  bool suspicious = false;
  bool archives = false;
  std::wstring workFolder;
  bool listQuarantine = false;
  int restore = 0;
  bool printReport = false;
  std::wstring submitTo;
  std::vector<std::wstring> targets;
};

void Print(const std::wstring& text) {
  const std::string utf8 = U16ToUtf8(ToU16(text));
  std::fwrite(utf8.data(), 1, utf8.size(), stdout);
  std::fflush(stdout);
}

// One status line, rewritten in place.
void Status(const std::wstring& text) {
  std::wstring line = text.substr(0, 78);
  line.resize(78, L' ');
  Print(L"\r" + line);
}

bool ParseOptions(int argc, wchar_t** argv, Options& options, bool& help) {
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    auto value = [&]() -> std::wstring { return i + 1 < argc ? argv[++i] : L""; };
    if (arg == L"--help" || arg == L"-h" || arg == L"/?") help = true;
    else if (arg == L"--no-update") options.update = false;
    else if (arg == L"--update-url") options.updateUrl = value();
    else if (arg == L"--clean") options.clean = true;
    else if (arg == L"--anti-stealth") options.antiStealth = true;
    else if (arg == L"--unwanted") options.unwanted = true;
    else if (arg == L"--unsafe") options.unsafe = true;
    else if (arg == L"--suspicious") options.suspicious = true;
    else if (arg == L"--archives") options.archives = true;
    else if (arg == L"--work") options.workFolder = value();
    else if (arg == L"--quarantine") options.listQuarantine = true;
    else if (arg == L"--report") options.printReport = true;
    else if (arg == L"--submit") options.submitTo = value();
    else if (arg == L"--restore") {
      options.restore = _wtoi(value().c_str());
      if (options.restore <= 0) {
        Print(L"qwscan: --restore needs the number of a quarantine item\n");
        return false;
      }
    } else if (arg.rfind(L"--", 0) == 0) {
      Print(L"qwscan: unknown option " + arg + L"\n");
      return false;
    } else {
      options.targets.push_back(arg);
    }
  }
  return true;
}

bool FolderHasFiles(const std::wstring& folder) {
  DirectoryListing listing(folder + L"\\*");
  for (DirectoryEntry entry; listing.Next(entry);)
    if (!entry.IsFolder()) return true;
  return false;
}

// Runs `work` on a thread and shows `status` every quarter second until it ends.
template <class Work, class StatusText>
void RunWithStatus(Work work, StatusText status) {
  std::thread worker(work);
  auto done = std::make_shared<std::atomic<bool>>(false);
  std::thread watcher([&] {
    while (!*done) {
      Status(status());
      std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
  });
  worker.join();
  *done = true;
  watcher.join();
  Status(status());
  Print(L"\n");
}

int Update(const Options& options, const std::wstring& workFolder) {
  CmlLineScanner bridge;
  bridge.updateUrlOverride = options.updateUrl;
  const bool freshStart = !FolderHasFiles(workFolder + L"\\Modules");
  RunWithStatus([&] { RunUpdatePageWorker(bridge, workFolder, freshStart, GetFreeDiskSpace); },
                [&] {
                  const int32_t value = bridge.progress;
                  return L"Updating the engine modules... " +
                         std::to_wstring(value == 1000 ? 100 : std::max(0, value)) + L"%";
                });
  const int32_t outcome = bridge.progress;
  bridge.CloseWithWorkerKilled();
  switch (outcome) {
    case 1000:
      Print(L"Engine modules up to date (build " + std::to_wstring(g_engineBuild.load()) + L").\n");
      return kExitClean;
    case -1:
      Print(L"qwscan: not enough disk space for the update (150 MB are needed).\n");
      return kExitError;
    case -2:
      Print(L"qwscan: the update failed; the modules of the last update are used.\n");
      return kExitClean;
    default:
      Print(L"qwscan: the update failed and no usable engine modules are left.\n");
      return kExitError;
  }
}

void PrintThreats(const ScanSummary& summary) {
  // Records of seven fields, each followed by '*': file, threat, detail, hash, action, type, fingerprint.
  const std::u16string& records = summary.threatRecords;
  std::vector<std::u16string> fields;
  size_t start = 0;
  for (size_t star = records.find(u'*'); star != std::u16string::npos; star = records.find(u'*', start)) {
    fields.push_back(records.substr(start, star - start));
    start = star + 1;
  }
  for (size_t i = 0; i + 7 <= fields.size(); i += 7) {
    const std::u16string& action = fields[i + 4];
    if (action == u"S") continue;
    Print(L"  " + ToWide(fields[i]) + L"\n      " + ToWide(fields[i + 1]) +
          (action == u"C" ? L"  (cleaned)\n" : L"  (not cleaned)\n"));
  }
}

int ListAndRestoreQuarantine(CmlLineScanner& bridge, const Options& options) {
  bridge.ReadQuarantine();
  auto& records = bridge.quarantineRecords();
  int result = kExitClean;
  if (options.restore > 0) {
    if (static_cast<size_t>(options.restore) > records.size()) {
      Print(L"qwscan: the quarantine has no item " + std::to_wstring(options.restore) + L"\n");
      result = kExitError;
    } else {
      QuarantineRecord& record = records[options.restore - 1];
      record.restoreAttempted = true;
      record.restored = bridge.RestoreFromQuarantine(record.entryIndex);
      Print((record.restored ? L"Restored " : L"qwscan: could not restore ") + record.formerPath + L"\n");
      if (!record.restored) result = kExitError;
      bridge.ReadQuarantine();
    }
  }
  if (options.listQuarantine) {
    Print(L"Quarantine: " + std::to_wstring(records.size()) + L" item(s)\n");
    for (size_t i = 0; i < records.size(); ++i)
      Print(L"  " + std::to_wstring(i + 1) + L". " + records[i].formerPath + L"  (" + records[i].threatName + L")\n");
  }
  return result;
}

int Run(const Options& options) {
  const std::wstring workFolder = options.workFolder.empty() ? DetermineWorkFolder().path : options.workFolder;
  if (workFolder.empty() || CreateDirectoryPath(workFolder) != 0) {
    Print(L"qwscan: cannot create the work folder " + workFolder + L"\n");
    return kExitError;
  }
  wchar_t temp[MAX_PATH] = L".";
  GetTempPathW(MAX_PATH, temp);
  SetLogFolder(temp);
  if (ExtractScannerLibrary(workFolder.c_str()) != 0) {
    Print(L"qwscan: cannot write the scanning library into " + workFolder + L"\n");
    return kExitError;
  }
  if (options.update && Update(options, workFolder) == kExitError) return kExitError;

  CmlLineScanner bridge;
  bridge.settings.antiStealth = options.antiStealth;
  bridge.settings.detectUnwanted = options.unwanted;
  bridge.settings.detectUnsafe = options.unsafe;
  bridge.settings.detectSuspicious = options.suspicious;
  bridge.settings.scanArchives = options.archives;
  bridge.settings.cleanMode = options.clean ? 4 : 1;
  bridge.updateUrlOverride = options.updateUrl;
  if (bridge.OpenScanBridge(workFolder) != 0 || !bridge.updateSucceeded) {
    Print(L"qwscan: the scanning engine cannot start: no usable engine modules in " + workFolder + L"\n");
    return kExitError;
  }

  int result = kExitClean;
  if (!options.targets.empty()) {
    std::wstring list;
    for (const std::wstring& target : options.targets) list += (list.empty() ? L"" : L"|") + target;
    bridge.settings.targets = ToWide(TargetsForScan(ToU16(list), *bridge.targetSystem));
    const auto start = std::chrono::steady_clock::now();
    RunWithStatus([&] { bridge.RunScan(); },
                  [&] {
                    return L"Scanning: " + std::to_wstring(bridge.filesScanned.load()) + L" objects, " +
                           std::to_wstring(bridge.threatsFound.load()) + L" threats  " + bridge.CurrentObject();
                  });
    const auto elapsed = std::chrono::steady_clock::now() - start;
    ScanSummary summary;
    bridge.CopySummary(summary);
    Print(L"Scanned " + std::to_wstring(bridge.filesScanned.load()) + L" objects.\n");
    if (summary.found > 0) {
      Print(std::to_wstring(summary.found) + L" threat(s) found, " + std::to_wstring(summary.cleaned) +
            L" cleaned:\n");
      PrintThreats(summary);
      result = kExitThreats;
    } else {
      Print(L"No threats found.\n");
    }
    if (options.printReport || !options.submitTo.empty()) {
      ScanReport report;
      report.options.product = "QWS";
      report.options.remove = options.clean;
      report.options.unwanted = options.unwanted;
      report.options.unsafe = options.unsafe;
      report.options.archives = options.archives;
      report.options.antistealth = options.antiStealth;
      report.options.sfx = true;
      report.AttachSummary(summary);
      report.SetScanDuration(std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count() * 10);
      if (auto text = report.BuildText(GatherReportFacts(), ToAnsiCodePage); text && options.printReport) {
        if (!text->empty() && text->back() == '\0') text->pop_back();
        Print(L"\nScan report:\n");
        // The report's lines end in CR LF already; the console stream in text mode would make
        // each CR LF a CR CR LF.
        std::string lines;
        for (size_t i = 0; i < text->size(); ++i)
          if (!((*text)[i] == '\r' && i + 1 < text->size() && (*text)[i + 1] == '\n')) lines.push_back((*text)[i]);
        std::fwrite(lines.data(), 1, lines.size(), stdout);
        std::fflush(stdout);
      }
      if (!options.submitTo.empty()) {
        QueryServer server = DefaultQueryServer();
        if (options.submitTo != L"default") {
          const std::string target = U16ToUtf8(ToU16(options.submitTo));
          const size_t colon = target.rfind(':');
          server.host = target.substr(0, colon);
          if (colon != std::string::npos) server.port = static_cast<unsigned>(std::atoi(target.c_str() + colon + 1));
        }
        const bool sent = BuildAndSubmitScanReport(report, [&](const std::string& bytes) { return SubmitReport(bytes, server); });
        Print(sent ? L"The scan report was sent.\n" : L"qwscan: the scan report could not be sent.\n");
      }
    }
  }
  if (options.listQuarantine || options.restore > 0) {
    const int quarantine = ListAndRestoreQuarantine(bridge, options);
    if (quarantine == kExitError) result = kExitError;
  }
  bridge.CloseScanBridge();
  return result;
}

}  // namespace
}  // namespace qws

int wmain(int argc, wchar_t** argv) {
  qws::Options options;
  bool help = false;
  if (!qws::ParseOptions(argc, argv, options, help)) {
    std::fputs(qws::kUsage, stderr);
    return qws::kExitError;
  }
  if (help || (options.targets.empty() && !options.listQuarantine && options.restore == 0 && options.update == false)) {
    std::fputs(qws::kUsage, stdout);
    return help ? qws::kExitClean : qws::kExitError;
  }
  return qws::Run(options);
}
