#include "app/shell_start.h"

#include <windows.h>
#include <shellapi.h>

#include "base/u16.h"

namespace qws {

bool StartThroughShell(const ShellStart& start) {
  const std::wstring verb = ToWide(start.verb);
  const std::wstring program = ToWide(start.program);
  const std::wstring parameters = ToWide(start.parameters);
  const std::wstring folder = ToWide(start.workingFolder);
  const HINSTANCE result = ShellExecuteW(nullptr, verb.c_str(), program.c_str(),
                                         parameters.c_str(), folder.c_str(), SW_HIDE);
  return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace qws
