// The engine bridge over the real scanning library (both variants), its modules updated from
// qws-server on loopback: scans of a real tree with the EICAR test file, copies, an infected
// executable and archives, in both anti-stealth settings and both clean modes, with the threat
// records, counters and report lines checked field by field; cleaning one selected object; the
// quarantine listed and restored.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <regex>
#include <sstream>

#include "app/log.h"
#include "base/crypto.h"
#include "base/u16.h"
#include "engine/cml_line_scanner.h"
#include "engine/update_page_worker.h"
#include "report/scan_report.h"
#include "report/scan_report_win.h"
#include "tests/engine/demo_tree.h"

namespace qws {
namespace {

constexpr uint32_t kDevModulesBuild = 22990;  // the development module set the server holds

std::string Sha1Upper(const std::string& bytes) {
  std::string hex;
  char digit[3];
  for (unsigned char c : crypto::Sha1(bytes)) {
    std::snprintf(digit, sizeof digit, "%02X", c);
    hex += digit;
  }
  return hex;
}

std::string Hex16(uint64_t value) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
  return text;
}

uint32_t Crc(const std::string& bytes) {
  return static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

// The head/tail fingerprint of an executable, computed here from the published definition.
std::string HeadTail(const std::string& bytes) {
  const size_t n = std::min<size_t>(bytes.size(), 4096);
  std::string head = bytes.substr(0, n);
  const uint32_t size = static_cast<uint32_t>(bytes.size());
  for (int shift = 0; shift < 32; shift += 8) head.push_back(static_cast<char>(size >> shift));
  return Hex16((static_cast<uint64_t>(Crc(bytes.substr(bytes.size() - n))) << 32) | Crc(head));
}

// One record of the summary, its fields as the report reads them.
struct Record {
  std::string file, threat, detail, hash;
  char action = 0, type = 0;
  std::string fingerprint;
  bool operator==(const Record&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Record& r) {
  return out << r.file << " | " << r.threat << " | " << r.detail << " | " << r.hash << " | " << r.action
             << " | " << r.type << " | " << r.fingerprint;
}

std::vector<Record> Records(const ScanSummary& summary) {
  std::vector<std::string> fields;
  const std::string text = U16ToUtf8(summary.threatRecords);
  size_t start = 0;
  for (size_t star = text.find('*'); star != std::string::npos; star = text.find('*', start)) {
    fields.push_back(text.substr(start, star - start));
    start = star + 1;
  }
  EXPECT_EQ(fields.size() % 7, 0u) << text;
  EXPECT_EQ(start, text.size()) << "the list ends with a whole record";
  std::vector<Record> records;
  for (size_t i = 0; i + 7 <= fields.size(); i += 7) {
    EXPECT_EQ(fields[i + 4].size(), 1u);
    EXPECT_EQ(fields[i + 5].size(), 1u);
    records.push_back({fields[i], fields[i + 1], fields[i + 2], fields[i + 3], fields[i + 4][0],
                       fields[i + 5][0], fields[i + 6]});
  }
  std::sort(records.begin(), records.end(), [](const Record& a, const Record& b) { return a.file < b.file; });
  return records;
}

std::string Utf8(const std::wstring& text) { return U16ToUtf8(ToU16(text)); }

// The report line a record yields (the tree's names are plain ASCII, the same in the ANSI code
// page).
std::string ReportLine(const Record& r) {
  std::string name = r.threat + (r.detail.empty() ? "" : " (" + r.detail + ")");
  return "sh=" + r.hash + " ft=" + r.type + " fh=" + r.fingerprint + " vn=\"" + name + "\" ac=" + r.action +
         " fn=\"" + r.file + "\"";
}

// The threat lines and the header lines of a report text, apart.
struct ReportText {
  std::vector<std::string> threatLines;
  std::map<std::string, std::string> header;
};

ReportText ParseReport(const std::string& text) {
  ReportText report;
  if (text.size() < 3) {
    ADD_FAILURE() << "no report";
    return report;
  }
  EXPECT_EQ(text.back(), '\0');
  EXPECT_EQ(text.substr(text.size() - 3), std::string("\r\n\0", 3));
  std::istringstream in(text.substr(0, text.size() - 1));
  for (std::string line; std::getline(in, line);) {
    EXPECT_FALSE(line.empty() || line.back() != '\r') << "every line ends with CR LF: " << line;
    if (!line.empty()) line.pop_back();
    if (line.rfind("# ", 0) == 0) {
      const size_t equals = line.find('=');
      report.header[line.substr(2, equals - 2)] = line.substr(equals + 1);
    } else {
      report.threatLines.push_back(line);
    }
  }
  std::sort(report.threatLines.begin(), report.threatLines.end());
  return report;
}

// A work folder with both library variants, as the program extracts them, updated from the
// fixture's server.
class RealLibrary : public testing::Test {
 protected:
  void SetUp() override {
    url_ = test::FixtureUpdateUrl();
    if (url_.empty()) GTEST_SKIP() << "needs the qws_server fixture";
    for (const wchar_t* dll : {L"qlxs_apiW.dll", L"qlxs_apiW_a.dll"})
      ASSERT_TRUE(CopyFileW((test::BinFolder() + L"\\" + dll).c_str(), (work_ / dll).c_str(), FALSE));
    SetLogFolder(work_.path());
    CmlLineScanner::InfectedPaths().clear();
  }
  void TearDown() override { SetLogFolder(L"."); }

  int32_t Update(bool freshStart) {
    CmlLineScanner bridge;
    bridge.updateUrlOverride = url_;
    bridge.discoverProxies = [] { return std::vector<UpdateProxy>(); };
    RunUpdatePageWorker(bridge, work_.path(), freshStart, [](const std::wstring&) { return 1ull << 40; });
    return bridge.progress;
  }
  std::string Log() const {
    return std::regex_replace(test::ReadFileBytes(work_ / L"log.txt"),
                              std::regex("(^|\n)[0-9]{2}:[0-9]{2}:[0-9]{2} "), "$1");
  }
  // Opens a scan bridge with these settings on the updated modules.
  void Open(CmlLineScanner& bridge, bool antiStealth, int32_t cleanMode) {
    bridge.settings.antiStealth = antiStealth;
    bridge.settings.cleanMode = cleanMode;
    bridge.settings.scanArchives = true;
    ASSERT_EQ(bridge.OpenScanBridge(work_.path()), 0);
    ASSERT_TRUE(bridge.updateSucceeded) << "the scan bridge loaded the modules";
  }
  static ScanSummary Summary(CmlLineScanner& bridge) {
    ScanSummary summary;
    bridge.CopySummary(summary);
    return summary;
  }
  // The report of a scan with fixed facts about the computer.
  static std::string Report(const ScanSummary& summary, bool antiStealth, int32_t cleanMode) {
    ScanReport report;
    report.options.product = "QWS";
    report.options.remove = cleanMode != 1;
    report.options.archives = true;
    report.options.antistealth = antiStealth;
    report.options.sfx = true;
    report.AttachSummary(summary);
    report.SetScanDuration(125 * 10'000'000LL);
    ReportFacts facts;
    facts.executableName = u"real_library_test.exe";
    facts.fileVersion = "Unknown";
    facts.utcTime = facts.localTime = {2026, 12, 10, 14, 5, 9};
    return report.BuildText(facts, ToAnsiCodePage).value_or("");
  }

  test::TempFolder work_;
  std::wstring url_;
};

TEST_F(RealLibrary, UpdatesFromTheServerAndThenFindsTheModulesCurrent) {
  ASSERT_EQ(Update(true), 1000);
  EXPECT_EQ(g_engineBuild.load(), kDevModulesBuild);
  EXPECT_TRUE(test::FileExists(work_ / L"Modules\\manifest.txt"));
  EXPECT_NE(Log().find("Updated modules version: 22990\n"), std::string::npos) << Log();

  // A second run keeps the modules of the first as a backup, and "already current" counts as
  // success.
  ASSERT_EQ(Update(false), 1000);
  EXPECT_EQ(g_engineBuild.load(), kDevModulesBuild);
  EXPECT_NE(Log().find("qlxs_scanner_update returned -1 qlxs_gle=53251\r\n"), std::string::npos) << Log();
  EXPECT_EQ(test::ReadFileBytes(work_ / L"OldModules\\manifest.txt"),
            test::ReadFileBytes(work_ / L"Modules\\manifest.txt"));
}

struct ScanCase {
  bool antiStealth;
  int32_t cleanMode;
};

std::string CaseName(const ScanCase& c) {
  return std::string(c.antiStealth ? "anti-stealth" : "plain") + ", clean mode " + std::to_string(c.cleanMode);
}

// What each setting must yield for the demo tree.
std::vector<Record> ExpectedRecords(const test::DemoTree& tree, const ScanCase& c) {
  const std::string eicar = test::Eicar(), tool = test::InfectedExecutable();
  const std::string kEicar = "Eicar-Test-Signature", kMalware = "Qws.TestSample-Malware";
  const std::string placeholderHash(40, '0'), placeholderPrint(16, '0');
  const bool clean = c.cleanMode == 4;
  const char action = clean ? 'C' : 'I';
  const std::string cleaned = clean ? "cleaned by deleting" : "";
  if (!c.antiStealth) {
    // Scanned one by one: fingerprints taken before cleaning, the size as the fingerprint.
    return {
        {Utf8(tree.archive), kEicar, cleaned, Sha1Upper(tree.archiveBytes), action, '0', Hex16(tree.archiveBytes.size())},
        {Utf8(tree.copy), kEicar, cleaned, Sha1Upper(eicar), action, '0', Hex16(eicar.size())},
        {Utf8(tree.tool), kMalware, cleaned, Sha1Upper(tool), action, '1', Hex16(tool.size())},
        {Utf8(tree.eicar), kEicar, cleaned, Sha1Upper(eicar), action, '0', Hex16(eicar.size())},
        {Utf8(tree.nested), kEicar, cleaned, Sha1Upper(tree.nestedBytes), action, '0', Hex16(tree.nestedBytes.size())},
    };
  }
  // Reported by the library's folder scan: fingerprints taken after it acted, so a cleaned
  // (deleted) file has the placeholders; executables have the head/tail fingerprint.
  if (clean) {
    return {
        {Utf8(tree.archive), kEicar, cleaned, placeholderHash, 'C', '-', placeholderPrint},
        {Utf8(tree.copy), kEicar, cleaned, placeholderHash, 'C', '-', placeholderPrint},
        {Utf8(tree.tool), kMalware, cleaned, placeholderHash, 'C', '-', placeholderPrint},
        {Utf8(tree.eicar), kEicar, cleaned, placeholderHash, 'C', '-', placeholderPrint},
        {Utf8(tree.nested), kEicar, cleaned, placeholderHash, 'C', '-', placeholderPrint},
    };
  }
  return {
      {Utf8(tree.archive), kEicar, "", Sha1Upper(tree.archiveBytes), 'I', '0', placeholderPrint},
      {Utf8(tree.copy), kEicar, "", Sha1Upper(eicar), 'I', '0', placeholderPrint},
      {Utf8(tree.tool), kMalware, "", Sha1Upper(tool), 'I', '1', HeadTail(tool)},
      {Utf8(tree.eicar), kEicar, "", Sha1Upper(eicar), 'I', '0', placeholderPrint},
      {Utf8(tree.nested), kEicar, "", Sha1Upper(tree.nestedBytes), 'I', '0', placeholderPrint},
  };
}

TEST_F(RealLibrary, ScansTheTreeInEverySetting) {
  ASSERT_EQ(Update(true), 1000);
  for (const ScanCase& c : {ScanCase{false, 1}, ScanCase{false, 4}, ScanCase{true, 1}, ScanCase{true, 4}}) {
    SCOPED_TRACE(CaseName(c));
    const std::wstring root = work_ / (L"tree" + std::to_wstring(c.antiStealth) + std::to_wstring(c.cleanMode));
    const test::DemoTree tree(root);
    CmlLineScanner bridge;
    Open(bridge, c.antiStealth, c.cleanMode);
    bridge.settings.targets = root + L"\\";
    ASSERT_EQ(bridge.RunScan(), 0);
    EXPECT_EQ(bridge.progress.load(), 1000);

    const ScanSummary summary = Summary(bridge);
    const std::vector<Record> records = Records(summary);
    std::vector<Record> expected = ExpectedRecords(tree, c);
    std::sort(expected.begin(), expected.end(), [](const Record& a, const Record& b) { return a.file < b.file; });
    ASSERT_EQ(records.size(), expected.size());
    for (size_t i = 0; i < records.size(); ++i) EXPECT_EQ(records[i], expected[i]);

    const bool clean = c.cleanMode == 4;
    EXPECT_EQ(summary.found, 5);
    EXPECT_EQ(summary.cleaned, clean ? 5 : 0);
    EXPECT_EQ(summary.engineBuild, static_cast<int32_t>(kDevModulesBuild));
    EXPECT_FALSE(summary.restartRequired);
    EXPECT_FALSE(summary.browserReinstallAdvised);
    EXPECT_TRUE(summary.compatibilityText.empty());
    EXPECT_EQ(bridge.threatsFound.load(), 5u);
    EXPECT_EQ(bridge.threatsCleaned.load(), clean ? 5u : 0u);
    // Seven files. Scanned one by one, an infected archive also logs the member that holds the
    // threat.
    EXPECT_EQ(bridge.filesScanned.load(), c.antiStealth ? 7u : 9u);
    EXPECT_EQ(summary.scanned, c.antiStealth ? 0 : static_cast<int32_t>(bridge.filesScanned.load()));
    for (const std::wstring& infected : tree.Infected())
      EXPECT_EQ(test::FileExists(infected), !clean) << Utf8(infected);
    EXPECT_TRUE(test::FileExists(tree.letter));
    EXPECT_TRUE(test::FileExists(tree.cleanZip));
    EXPECT_EQ(CmlLineScanner::InfectedPaths().size(), 5u);
    CmlLineScanner::InfectedPaths().clear();

    const ReportText report = ParseReport(Report(summary, c.antiStealth, c.cleanMode));
    std::vector<std::string> lines;
    for (const Record& r : expected) lines.push_back(ReportLine(r));
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(report.threatLines, lines);
    EXPECT_EQ(report.header.at("engine"), "22990");
    EXPECT_EQ(report.header.at("found"), "5");
    EXPECT_EQ(report.header.at("cleaned"), clean ? "5" : "0");
    EXPECT_EQ(report.header.at("scanned"), std::to_string(summary.scanned));
    EXPECT_EQ(report.header.at("remove_checked"), clean ? "true" : "false");
    EXPECT_EQ(report.header.at("antistealth_checked"), c.antiStealth ? "true" : "false");
    EXPECT_EQ(report.header.at("archives_checked"), "true");
    EXPECT_EQ(report.header.at("end"), "finished");
    EXPECT_EQ(report.header.at("scan_time"), "125");

    // What was cleaned is in the quarantine, under its former path and threat name.
    bridge.ReadQuarantine();
    std::vector<std::string> quarantined;
    for (const QuarantineRecord& q : bridge.quarantineRecords())
      quarantined.push_back(Utf8(q.formerPath) + " " + Utf8(q.threatName));
    std::sort(quarantined.begin(), quarantined.end());
    std::vector<std::string> expectedQuarantine;
    if (clean) {
      for (const Record& r : expected) expectedQuarantine.push_back(r.file + " " + r.threat);
      std::sort(expectedQuarantine.begin(), expectedQuarantine.end());
    }
    // Each case has its own tree; the quarantine holds every case's cleaned files so far.
    for (const std::string& q : expectedQuarantine)
      EXPECT_NE(std::find(quarantined.begin(), quarantined.end(), q), quarantined.end()) << q;
    bridge.CloseScanBridge();
  }
}

TEST_F(RealLibrary, CleansOneSelectedObjectAndRestoresItFromTheQuarantine) {
  ASSERT_EQ(Update(true), 1000);
  for (const bool antiStealth : {false, true}) {
    SCOPED_TRACE(antiStealth ? "anti-stealth" : "plain");
    const std::wstring root = work_ / (antiStealth ? L"stealth" : L"plain");
    const test::DemoTree tree(root);
    CmlLineScanner bridge;
    Open(bridge, antiStealth, 1);
    bridge.settings.targets = root + L"\\";
    bridge.RunScan();
    ASSERT_EQ(Summary(bridge).found, 5);

    // The user cleans the nested archive from the threat list: the record's file is what the
    // cleaning scan is given.
    std::string selected;
    for (const Record& r : Records(Summary(bridge)))
      if (r.file.find("nested.zip") != std::string::npos) selected = r.file;
    ASSERT_FALSE(selected.empty());
    EXPECT_TRUE(bridge.CleanObject(ToWide(Utf8ToU16(selected))));
    EXPECT_EQ(bridge.threatsCleaned.load(), 1u);
    EXPECT_FALSE(test::FileExists(tree.nested));
    for (const std::wstring& other : {tree.eicar, tree.copy, tree.tool, tree.archive})
      EXPECT_TRUE(test::FileExists(other)) << Utf8(other);

    // Of the two records of the archive the report keeps the later, cleaned one.
    const ScanSummary summary = Summary(bridge);
    EXPECT_EQ(summary.found, 6);
    EXPECT_EQ(summary.cleaned, 1);
    const ReportText report = ParseReport(Report(summary, antiStealth, 1));
    ASSERT_EQ(report.threatLines.size(), 5u);
    size_t cleanedLines = 0;
    for (const std::string& line : report.threatLines) {
      if (line.find("nested.zip") == std::string::npos) {
        EXPECT_NE(line.find(" ac=I "), std::string::npos) << line;
        continue;
      }
      ++cleanedLines;
      EXPECT_EQ(line, "sh=" + Sha1Upper(tree.nestedBytes) + " ft=0 fh=" + Hex16(tree.nestedBytes.size()) +
                          " vn=\"Eicar-Test-Signature (cleaned by deleting)\" ac=C fn=\"" + Utf8(tree.nested) + "\"");
    }
    EXPECT_EQ(cleanedLines, 1u);
    EXPECT_FALSE(bridge.CleanObject(tree.nested)) << "the file is gone";

    // The quarantine lists the archive; restoring it brings back the very bytes.
    bridge.ReadQuarantine();
    ASSERT_EQ(bridge.quarantineRecords().size(), 1u);
    QuarantineRecord& record = bridge.quarantineRecords()[0];
    EXPECT_EQ(record.formerPath, tree.nested);
    EXPECT_EQ(record.threatName, L"Eicar-Test-Signature");
    EXPECT_TRUE(bridge.HasUnrestoredRecord());
    record.restored = bridge.RestoreFromQuarantine(record.entryIndex);
    EXPECT_TRUE(record.restored);
    EXPECT_FALSE(bridge.HasUnrestoredRecord());
    EXPECT_EQ(test::ReadFileBytes(tree.nested), tree.nestedBytes);
    bridge.ReadQuarantine();
    EXPECT_TRUE(bridge.quarantineRecords().empty()) << "the restored item left the quarantine";
    EXPECT_FALSE(bridge.RestoreFromQuarantine(0));
    bridge.CloseScanBridge();
  }
}

TEST_F(RealLibrary, ARestoreNeverOverwritesAFileThatTookThePlace) {
  ASSERT_EQ(Update(true), 1000);
  const test::DemoTree tree(work_ / L"tree");
  CmlLineScanner bridge;
  Open(bridge, false, 4);
  bridge.settings.targets = tree.eicar + L"|" + tree.copy;
  bridge.RunScan();
  ASSERT_EQ(bridge.threatsCleaned.load(), 2u);
  test::WriteFileBytes(tree.eicar, "the user's new file");
  bridge.ReadQuarantine();
  ASSERT_EQ(bridge.quarantineRecords().size(), 2u);
  for (QuarantineRecord& record : bridge.quarantineRecords()) {
    record.restoreAttempted = true;
    record.restored = bridge.RestoreFromQuarantine(record.entryIndex);
    EXPECT_EQ(record.restored, record.formerPath == tree.copy) << Utf8(record.formerPath);
  }
  EXPECT_EQ(test::ReadFileBytes(tree.eicar), "the user's new file");
  EXPECT_EQ(test::ReadFileBytes(tree.copy), test::Eicar());
  EXPECT_TRUE(bridge.HasUnrestoredRecord());
  bridge.ReadQuarantine();
  ASSERT_EQ(bridge.quarantineRecords().size(), 1u) << "the failed item stays";
  EXPECT_EQ(bridge.quarantineRecords()[0].formerPath, tree.eicar);
}

}  // namespace
}  // namespace qws
