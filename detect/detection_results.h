// What the detection results say to their two readers: the settings page (a list of vendor and
// product, and whether another maker's product is among them) and the scan report (the
// compatibility lines).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "detect/rule_evaluation.h"

namespace qws {

// The versions of Windows' own Defender: never another security product.
inline constexpr int kMicrosoftVendorId = 23;
bool IsBuiltInDefender(int versionId);

// "Company|Product" for each candidate, each text once; Defender's versions 1, 4, 5 and 8 are
// left out.
std::vector<std::u16string> ResultListTexts(const std::vector<VendorResult>& results);
// Whether a product of another maker was found; Microsoft counts only without its built-in
// versions 1, 4 and 5 among its candidates.
bool HasOtherProduct(const std::vector<VendorResult>& results);

enum class DetectionState { NotFinished, Running, Done };
// The report's lines: "freeze" while running, "crash" when the detection never finished, else
// two lines per candidate (empty when nothing was found). Every line ends in CR LF.
std::u16string CompatibilityText(DetectionState state, const std::vector<VendorResult>& results,
                                 int64_t now);

}  // namespace qws
