#include "report/threat_recorder.h"

#include <gtest/gtest.h>

#include <map>

#include "report/file_fingerprint.h"

namespace qws {
namespace {

// Files by path; a missing path cannot be opened.
class TableFingerprinter : public FileFingerprinter {
 public:
  std::map<std::u16string, std::string> files;
  int calls = 0;
  FileFingerprints SingleObject(std::u16string_view path) override {
    ++calls;
    return Compute(path, SingleObjectFingerprints);
  }
  FileFingerprints DirectoryScan(std::u16string_view path) override {
    ++calls;
    return Compute(path, DirectoryScanFingerprints);
  }

 private:
  template <class F>
  FileFingerprints Compute(std::u16string_view path, F f) {
    const auto it = files.find(std::u16string(path));
    if (it == files.end()) return f(nullptr);
    MemoryByteSource source(it->second);
    return f(&source);
  }
};

class ThreatRecorderTest : public testing::Test {
 protected:
  ScanSummary summary;
  std::vector<std::u16string> infected;
  std::mutex lock;
  TableFingerprinter files;
  ThreatRecorder recorder{summary, infected, lock, files};
};

const char16_t kAbcHash[] = u"A9993E364706816ABA3E25717850C26C9CD0D89D";

TEST_F(ThreatRecorderTest, SingleObjectFoundThenCleaned) {
  const std::u16string path = u"C:\\eicar.com";
  files.files[path] = "abc";
  // Taken before the cleaning scan deletes the file.
  const FileFingerprints taken = recorder.FingerprintsBeforeCleaning(path, false);
  files.files.erase(path);
  const ScanLog log = {{path, u"Eicar-Test-Signature", u"cleaned by deleting", u""}};
  recorder.RecordSingleObject(path, false, {true, true, kRestartRequiredFlag}, log, taken, false);

  EXPECT_EQ(summary.threatRecords, std::u16string(path) + u"*Eicar-Test-Signature*cleaned by deleting*" +
                                       kAbcHash + u"*C*0*0000000000000003*");
  EXPECT_EQ(summary.found, 1);
  EXPECT_EQ(summary.cleaned, 1);
  EXPECT_EQ(summary.scanned, 1);
  EXPECT_TRUE(summary.restartRequired);
  EXPECT_FALSE(summary.browserReinstallAdvised);
  EXPECT_EQ(infected, std::vector<std::u16string>{path});
}

TEST_F(ThreatRecorderTest, TokensHaveNoFingerprintsAndUncleanedThreatsAreInfected) {
  EXPECT_EQ(recorder.FingerprintsBeforeCleaning(u"${Startup}", true).hash,
            kHashPlaceholder);
  EXPECT_EQ(files.calls, 0);
  const ScanLog log = {{u"C:\\run.exe", u"is OK", u"", u""},
                       {u"C:\\bad.exe", u"Trojan.A", u"", u"could not clean"}};
  recorder.RecordSingleObject(u"${Startup}", true, {true, false, 0}, log, {}, false);
  EXPECT_EQ(summary.threatRecords,
            u"${Startup}*Trojan.A*could not clean*0000000000000000000000000000000000000000*I*-*"
            u"0000000000000000*");
  EXPECT_EQ(summary.found, 1);
  EXPECT_EQ(summary.cleaned, 0);
  EXPECT_EQ(summary.scanned, 2);
  EXPECT_FALSE(summary.restartRequired);
}

TEST_F(ThreatRecorderTest, CleanObjectsOnlyCountTheirLogItems) {
  recorder.RecordSingleObject(u"C:\\a.txt", false, {}, {{u"C:\\a.txt", u"is OK", u"", u""}}, {},
                              true);
  // Infected but without a log: nothing to record.
  recorder.RecordSingleObject(u"C:\\b.txt", false, {true, false, 0}, {}, {}, false);
  EXPECT_EQ(summary.threatRecords, u"");
  EXPECT_EQ(summary.found, 0);
  EXPECT_EQ(summary.scanned, 1);
  EXPECT_TRUE(infected.empty());
}

TEST_F(ThreatRecorderTest, DeletedChromeLibraryAdvisesReinstallingTheBrowser) {
  const struct {
    const char16_t* path;
    const char16_t* action;
    bool advised;
  } cases[] = {
      {u"C:\\Program Files\\Google\\Chrome\\Application\\CHROME.DLL", u"Cleaned By Deleting", true},
      {u"C:\\Program Files\\Google\\Chrome\\Application\\chrome.dll", u"file deleted", true},
      {u"C:\\Program Files\\Google\\Chrome\\Application\\chrome.dll", u"cleaned", false},
      {u"C:\\Program Files\\Google\\Chrome\\Application\\chrome.exe", u"deleted", false},
  };
  for (const auto& c : cases) {
    ScanSummary fresh;
    std::vector<std::u16string> paths;
    ThreatRecorder one(fresh, paths, lock, files);
    one.RecordSingleObject(c.path, false, {true, true, 0}, {{c.path, u"Win32.Bad", c.action, u""}},
                           {}, false);
    EXPECT_EQ(fresh.browserReinstallAdvised, c.advised);
  }
}

TEST_F(ThreatRecorderTest, ExtensionFilesBecomeSamplesWhenSamplingIsOn) {
  const std::u16string script =
      u"C:\\U\\Chrome\\User Data\\Default\\Extensions\\abcdefghijklmnopqrstuvwxyzabcdef\\1\\a.js";
  files.files[script] = "abc";
  const ScanLog clean = {{script, u"is OK", u"", u""}};
  recorder.RecordSingleObject(script, false, {}, clean, {}, false);
  EXPECT_EQ(summary.threatRecords, u"");
  recorder.RecordSingleObject(script, false, {}, clean, {}, true);
  EXPECT_EQ(summary.threatRecords,
            script + u"***" + kAbcHash + u"*S*0*0000000000000003*");
  EXPECT_EQ(summary.found, 0);
  EXPECT_EQ(summary.cleaned, 0);
  EXPECT_TRUE(infected.empty());
}

TEST_F(ThreatRecorderTest, DirectoryScanRecordsOnlyThreatEvents) {
  files.files[u"C:\\d\\x.exe"] = "abc";
  const ScanLog log = {{u"C:\\d\\x.exe", u"Worm.X", u"", u""}};
  recorder.RecordDirectoryScanObject(log, 0, 0);   // clean
  recorder.RecordDirectoryScanObject({}, 10, 0);   // no log
  EXPECT_EQ(summary.threatRecords, u"");
  recorder.RecordDirectoryScanObject(log, 10, 0);
  recorder.RecordDirectoryScanObject({{u"C:\\d\\gone.exe", u"Worm.X", u"deleted", u""}}, 0, 1);
  EXPECT_EQ(summary.threatRecords,
            std::u16string(u"C:\\d\\x.exe*Worm.X**") + kAbcHash + u"*I*0*0000000000000000*" +
                u"C:\\d\\gone.exe*Worm.X*deleted*0000000000000000000000000000000000000000*C*-*"
                u"0000000000000000*");
  EXPECT_EQ(summary.found, 2);
  EXPECT_EQ(summary.cleaned, 1);
  EXPECT_EQ(summary.scanned, 0);  // the folder scan's objects are counted by the scan itself
  EXPECT_EQ(infected, (std::vector<std::u16string>{u"C:\\d\\x.exe", u"C:\\d\\gone.exe"}));
}

TEST_F(ThreatRecorderTest, OutsideTextCannotBreakTheRecordFormat) {
  recorder.RecordDirectoryScanObject(
      {{u"C:\\a.zip » evil*name\r\n# found=0", u"Bad*Name", u"", u""}}, 10, 0);
  EXPECT_EQ(summary.threatRecords,
            u"C:\\a.zip » evil_name__# found=0*Bad_Name**"
            u"0000000000000000000000000000000000000000*I*-*0000000000000000*");
}

}  // namespace
}  // namespace qws
