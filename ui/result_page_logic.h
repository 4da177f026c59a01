// What the result page shows for the run's figures: its state, title, icon, buttons with the
// choices they send, which links, boxes and notices appear, and the value texts.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace qws {

// Set by the main window before it refreshes the page.
struct ResultFigures {
  uint32_t filesScanned = 0;
  uint32_t infectedFiles = 0;
  uint32_t cleanedThreats = 0;
  int64_t scanDuration = 0;  // 100-nanosecond units, as the scan page measures it
  bool stoppedByUser = false;
  bool cleanedAutomatically = false;
  bool quarantineEmpty = true;
  bool quarantineHasUnrestored = false;
  bool restartRequired = false;
  bool browserReinstallAdvised = false;
};

// The choices the page sends with its step message.
enum ResultChoice : int {
  kChoiceThreatList = 0,
  kChoiceFinal = 1,
  kChoiceRestartNow = 2,
  kChoiceShowList = 3,
  kChoiceQuarantine = 4,
  kChoiceRestartLater = 5,
};

struct ResultButtonLook {
  bool shown = false;
  unsigned labelId = 0;  // string table
  int choice = -1;
};

struct ResultLook {
  int state = 1;  // 1 nothing found, 2 found (cleaned or no restart needed), 3 restart needed
  unsigned titleId = 0;
  int iconId = 0;
  uint32_t titleColour = 0;
  // The bottom row from the right: 1054 (accent), 1055, 1056.
  std::array<ResultButtonLook, 3> buttons;
  bool infectedHighlighted = false;  // the "Infected files:" pair in red
  bool uninstallShown = false;
  bool showListShown = false;
  bool quarantineShown = false;
  bool removeQuarantineShown = false;
  bool restartNoticeShown = false;
  bool browserNoticeShown = false;
};

ResultLook LookOfResult(const ResultFigures& figures);

// Whole hours, minutes and seconds: "00:05:00", "30:00:00", "100:00:00".
std::u16string ScanDurationText(int64_t hundredNanoseconds);

}  // namespace qws
