// What the whole-run scenarios share: a clean start (no settings, no work folder), the folder of
// threats they scan, the settings page's way to the target dialog and back, and the program's
// report as its diagnostic log holds it.
#pragma once

#include <string>
#include <vector>

#include "tests/wizard/wizard_driver.h"

namespace qws::test {

// The program's registry key.
inline constexpr wchar_t kProgramKey[] = L"Software\\Quellix\\WebSweep_v2";
bool ProgramKeyExists();
// Removes the work folder and the program key, as on a computer that never ran the program.
void ForgetEarlierRuns();

// A folder of threats on C: (made anew):
//   eicar.com            the EICAR test file
//   documents\copy.com   the same
//   documents\notes.txt  clean
//   archive.zip          eicar.com, deflated
struct ThreatFolder {
  explicit ThreatFolder(const std::wstring& path);
  ~ThreatFolder();
  std::wstring root, eicar, copy, notes, archive;
  std::string archiveBytes;
  std::vector<std::wstring> Infected() const { return {eicar, copy, archive}; }
};

// On the settings page: chooses the radio given, opens the advanced section, and makes `folder`
// the only scan target through "Change..." and the target dialog (preset "No selection", the path
// typed, its check box ticked with Space, OK). Failures are reported as test failures.
void ChooseSettingsAndTarget(Wizard& wizard, int radio, const std::wstring& folder);

// The last scan report that the program wrote into its diagnostic log (log.txt in the
// temporary-files folder it was given); empty when there is none.
std::string LastLoggedReport(const std::wstring& tempFolder);

}  // namespace qws::test
