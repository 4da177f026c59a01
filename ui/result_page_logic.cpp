#include "ui/result_page_logic.h"

#include <cstdio>

#include "resources/resource_ids.h"

namespace qws {

namespace {

constexpr uint32_t kCleanTitleColour = 0x1ABB77;
constexpr uint32_t kThreatTitleColour = 0x3942E0;
constexpr unsigned kFinish = 4088, kRestartNow = 4089, kRestartLater = 4090, kBack = 4004;

}  // namespace

ResultLook LookOfResult(const ResultFigures& figures) {
  ResultLook look;
  const bool infected = figures.infectedFiles > 0;
  // The cleaning run adds its count to the scan's: more cleaned than found is all cleaned.
  const bool allCleaned = figures.cleanedThreats >= figures.infectedFiles;
  const bool back = !figures.cleanedAutomatically;
  if (!infected) {
    look.state = 1;
    look.titleId = 4078;  // "No threats found"
  } else if (allCleaned || !figures.restartRequired) {
    look.state = 2;
    look.titleId = allCleaned ? 4080 : 4079;  // "Threats found and cleaned" / "Threats found"
  } else {
    look.state = 3;
    look.titleId = 4079;
  }
  const bool clean = !infected || allCleaned;
  look.iconId = clean ? IDR_CLEAN_ICON_PNG : IDR_THREAT_ICON_PNG;
  look.titleColour = clean ? kCleanTitleColour : kThreatTitleColour;

  switch (look.state) {
    case 1:
      look.buttons[0] = {true, kFinish, kChoiceFinal};
      break;
    case 2:
      look.buttons[0] = {true, kFinish, kChoiceFinal};
      look.buttons[1] = {back, kBack, kChoiceThreatList};
      break;
    default:
      look.buttons[0] = {true, kRestartNow, kChoiceRestartNow};
      look.buttons[1] = {true, kRestartLater, kChoiceRestartLater};
      look.buttons[2] = {back, kBack, kChoiceThreatList};
      break;
  }
  look.infectedHighlighted = infected;
  look.uninstallShown = look.state != 3;
  look.showListShown = look.state != 1 && figures.cleanedAutomatically;
  look.quarantineShown = !figures.quarantineEmpty;
  look.removeQuarantineShown = figures.quarantineHasUnrestored;
  look.restartNoticeShown = look.state == 3;
  look.browserNoticeShown = figures.browserReinstallAdvised;
  return look;
}

std::u16string ScanDurationText(int64_t hundredNanoseconds) {
  const long long seconds = hundredNanoseconds > 0 ? hundredNanoseconds / 10'000'000 : 0;
  char text[32];
  // "%02lld" keeps every digit of more than 99 hours.
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60, seconds % 60);
  return std::u16string(text, text + std::char_traits<char>::length(text));
}

}  // namespace qws
