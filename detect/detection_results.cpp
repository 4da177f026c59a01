#include "detect/detection_results.h"

#include <algorithm>

#include "detect/rule_evaluation.h"

namespace qws {

namespace {

// Seconds from `time` to now; 0 when there is no time or it is not in the past.
uint64_t Age(int64_t time, int64_t now) {
  return time == 0 || time >= now ? 0 : static_cast<uint64_t>(now - time);
}

int VersionId(const DetectionMatch& match) { return match.code & 0xFF; }

}  // namespace

bool IsBuiltInDefender(int versionId) { return versionId == 1 || versionId == 4 || versionId == 5; }

std::vector<std::u16string> ResultListTexts(const std::vector<VendorResult>& results) {
  std::vector<std::u16string> texts;
  for (const VendorResult& vendor : results) {
    for (const DetectionMatch& match : vendor.candidates) {
      if (vendor.vendorId == kMicrosoftVendorId &&
          (IsBuiltInDefender(VersionId(match)) || VersionId(match) == 8)) {
        continue;
      }
      std::u16string text = vendor.company + u"|" + match.product;
      if (std::find(texts.begin(), texts.end(), text) == texts.end()) texts.push_back(std::move(text));
    }
  }
  return texts;
}

bool HasOtherProduct(const std::vector<VendorResult>& results) {
  for (const VendorResult& vendor : results) {
    if (vendor.vendorId == kOwnVendorId) continue;
    if (vendor.vendorId != kMicrosoftVendorId) return true;
    const bool builtIn = std::any_of(vendor.candidates.begin(), vendor.candidates.end(),
                                     [](const DetectionMatch& m) { return IsBuiltInDefender(VersionId(m)); });
    if (!builtIn) return true;
  }
  return false;
}

std::u16string CompatibilityText(DetectionState state, const std::vector<VendorResult>& results,
                                 int64_t now) {
  if (state == DetectionState::Running) return u"# compatibility_mode=freeze\r\n";
  if (state == DetectionState::NotFinished) return u"# compatibility_mode=crash\r\n";
  std::u16string text;
  for (const VendorResult& vendor : results) {
    for (const DetectionMatch& m : vendor.candidates) {
      const std::u16string wscName = m.version ? m.version->wscName : std::u16string();
      text += u"# compatibility_mode_1='" + wscName + u"'\r\n";
      text += u"# compatibility_mode=" + DecimalText(m.code) + u" " + DecimalText(m.status) + u" " +
              DecimalText(m.registryScore / 100) + u" " + DecimalText(m.fileScore / 100) + u" " +
              DecimalText(Age(m.newestFileTime, now)) + u" " + DecimalText(Age(m.oldestFileTime, now)) +
              u" " + DecimalText(Age(m.updateTime, now)) + u" " + DecimalText(Age(m.installTime, now)) +
              u"\r\n";
    }
  }
  return text;
}

}  // namespace qws
