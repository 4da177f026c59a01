// What the program starts when it restarts itself: with administrator rights (mode 0)
// or as the freshly downloaded version (mode 1).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qws {

enum class RelaunchMode { Elevate = 0, NewVersion = 1 };

struct ShellStart {
  std::u16string verb;
  std::u16string program;
  std::u16string parameters;
  std::u16string workingFolder;
};

// Windows Vista and later with a user who is not an administrator.
bool RelaunchNeedsElevation(bool versionKnown, unsigned majorVersion, bool isAdmin);

// Nothing when mode 0 has no reason to relaunch (the run just goes on to the settings page).
std::optional<ShellStart> PlanRelaunch(RelaunchMode mode, std::u16string_view modulePath,
                                       std::u16string_view workFolder, bool needsElevation);

// The replacement run: starts the replaced program, by file name relative to its own folder.
ShellStart PlanReplacementStart(std::u16string_view targetPath);

// The module's file name without folder and extension.
std::u16string ProgramName(std::u16string_view modulePath);
// Drive and folder of a path, with the trailing backslash.
std::u16string FolderOfPath(std::u16string_view path);

// The copy that a replacement run leaves in the work folder: "<work>\<name>_upd.exe".
std::u16string LeftoverCopyPath(std::u16string_view workFolder, std::u16string_view programName);

}  // namespace qws
