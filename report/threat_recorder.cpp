#include "report/threat_recorder.h"

#include "report/extension_sample.h"

namespace qws {

namespace {

// The path of an advised browser reinstall is compared on this many characters.
constexpr size_t kLowerPathChars = 1023;

bool MeansDeleted(std::u16string_view detail) {
  const std::u16string lower = AsciiLower(detail);
  return lower.find(u"cleaned by deleting") != std::u16string::npos ||
         lower.find(u"deleted") != std::u16string::npos;
}

}  // namespace

FileFingerprints ThreatRecorder::FingerprintsBeforeCleaning(std::u16string_view object,
                                                            bool isToken) {
  if (isToken) return {};
  return fingerprinter_.SingleObject(object);
}

void ThreatRecorder::RecordSingleObject(std::u16string_view object, bool isToken,
                                        const ScanOutcome& outcome, const ScanLog& log,
                                        const FileFingerprints& taken, bool sampleExtensions) {
  {
    std::lock_guard<std::mutex> lock(resultsLock_);
    if (outcome.flags & kRestartRequiredFlag) summary_.restartRequired = true;
    summary_.scanned += static_cast<int32_t>(log.size());
  }
  if (log.empty()) return;

  if (!outcome.infected) {
    if (!sampleExtensions || isToken || !IsBrowserExtensionSample(object)) return;
    ThreatRecord sample;
    sample.fileName = object;
    sample.threatName.clear();
    sample.fingerprints = fingerprinter_.SingleObject(object);
    sample.action = kActionSample;
    Append(sample, false);
    return;
  }

  const ThreatNames names = ThreatNamesOf(log);
  ThreatRecord record;
  record.fileName = object;
  record.threatName = names.name;
  record.detail = SingleObjectDetail(log, names, object, isToken);
  record.fingerprints = taken;
  record.action = outcome.cleaned ? kActionCleaned : kActionInfected;
  Append(record, true);

  if (MeansDeleted(record.detail) &&
      AsciiLower(object, kLowerPathChars).find(u"chrome.dll") != std::u16string::npos) {
    std::lock_guard<std::mutex> lock(resultsLock_);
    summary_.browserReinstallAdvised = true;
  }
}

void ThreatRecorder::RecordDirectoryScanObject(const ScanLog& log, int32_t status,
                                               int32_t actionCode) {
  const DirectoryScanThreat threat = ClassifyDirectoryScanEvent(status, actionCode);
  if (threat == DirectoryScanThreat::None || log.empty()) return;
  const ThreatNames names = ThreatNamesOf(log);
  ThreatRecord record;
  record.fileName = DirectoryScanFileName(log, names);
  record.threatName = names.name;
  record.detail = DirectoryScanDetail(log, names);
  // Taken after the library acted: a deleted file gives the placeholders.
  record.fingerprints = fingerprinter_.DirectoryScan(record.fileName);
  record.action = threat == DirectoryScanThreat::Cleaned ? kActionCleaned : kActionInfected;
  Append(record, true);
}

void ThreatRecorder::SetRestartRequired() {
  std::lock_guard<std::mutex> lock(resultsLock_);
  summary_.restartRequired = true;
}

void ThreatRecorder::Append(const ThreatRecord& record, bool infected) {
  std::lock_guard<std::mutex> lock(resultsLock_);
  AppendThreatRecord(summary_, record);
  if (infected) infectedPaths_.push_back(record.fileName);
}

}  // namespace qws
