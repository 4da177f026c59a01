// The step messages that pages post to the main window, and the answers it forwards to them.
#pragma once

#include <windows.h>

namespace qws {

// lparam: the page's own MessagePageContent, which stays alive while the page does.
inline constexpr UINT kStepShowMessage = WM_USER + 1;
// wparam: the message page's button, 1 (left) or 2 (right).
inline constexpr UINT kStepMessageAnswered = WM_USER + 2;
inline constexpr UINT kStepTermsAccepted = WM_USER + 3;
// wparam: 1 when the new version was downloaded, else 0; lparam: megabytes missing, else 0.
inline constexpr UINT kStepNewVersionDone = WM_USER + 4;
// The update page's end. wparam: 0 done, 1 failed, 2 the user pressed Stop; with 1, lparam: 1 not
// enough disk space, 2 failed with the earlier modules in use again, 3 failed with no usable
// modules.
inline constexpr UINT kStepUpdateEnded = WM_USER + 7;
// The scan page's end. wparam: 0 finished, 1 failed (lparam: the error code made positive), 2 the
// user pressed Stop.
inline constexpr UINT kStepScanEnded = WM_USER + 8;
// wparam: 1 after a cleaning run (its count is the threat list's threatsCleaned()), 0 for
// "Do not clean".
inline constexpr UINT kStepThreatListDone = WM_USER + 9;
// wparam: the result page's choice (ResultChoice).
inline constexpr UINT kStepResultChoice = WM_USER + 10;
inline constexpr UINT kStepQuarantineBack = WM_USER + 12;

// Pages are children of the main window: their steps go to their parent.
inline bool PostStep(HWND page, UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
  return PostMessageW(GetParent(page), message, wparam, lparam) != FALSE;
}

}  // namespace qws
