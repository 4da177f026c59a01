#include "app/relaunch_plan.h"

namespace qws {

namespace {

size_t FileNameStart(std::u16string_view path) {
  const size_t slash = path.find_last_of(u"\\/:");
  return slash == std::u16string_view::npos ? 0 : slash + 1;
}

}  // namespace

bool RelaunchNeedsElevation(bool versionKnown, unsigned majorVersion, bool isAdmin) {
  return versionKnown && majorVersion >= 6 && !isAdmin;
}

std::u16string ProgramName(std::u16string_view modulePath) {
  std::u16string_view name = modulePath.substr(FileNameStart(modulePath));
  const size_t dot = name.find_last_of(u'.');
  if (dot != std::u16string_view::npos) name = name.substr(0, dot);
  return std::u16string(name);
}

std::u16string FolderOfPath(std::u16string_view path) {
  return std::u16string(path.substr(0, FileNameStart(path)));
}

std::optional<ShellStart> PlanRelaunch(RelaunchMode mode, std::u16string_view modulePath,
                                       std::u16string_view workFolder, bool needsElevation) {
  if (mode == RelaunchMode::Elevate && !needsElevation) return std::nullopt;
  ShellStart start;
  start.verb = needsElevation ? u"runas" : u"open";
  if (mode == RelaunchMode::Elevate) {
    start.program = ProgramName(modulePath) + u".exe";
    start.parameters = u"EULA";
    start.workingFolder = FolderOfPath(modulePath);
  } else {
    start.program = ProgramName(modulePath) + u"_upd.exe";
    start.parameters = u"UPD=\"" + std::u16string(modulePath) + u"\"";
    start.workingFolder = std::u16string(workFolder);
  }
  return start;
}

ShellStart PlanReplacementStart(std::u16string_view targetPath) {
  ShellStart start;
  start.verb = u"open";
  start.program = ProgramName(targetPath) + u".exe";
  start.parameters = u"EULA UPDATED";
  start.workingFolder = FolderOfPath(targetPath);
  return start;
}

std::u16string LeftoverCopyPath(std::u16string_view workFolder, std::u16string_view programName) {
  return std::u16string(workFolder) + u"\\" + std::u16string(programName) + u"_upd.exe";
}

}  // namespace qws
