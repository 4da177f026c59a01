// The application object: decides the process's role and runs the main dialog.
#pragma once

#include <string>
#include <vector>

#include "app/command_line.h"
#include "base/scoped_handle.h"

namespace qws {

class CQWS_v2Dlg;

class CQWS_v2App {
 public:
  // The start-up sequence; false in every path, which ends the process.
  bool InitInstance(const std::vector<std::u16string>& args);

  // F1: opens the help page when the page on screen offers help.
  void OnHelp();

 private:
  static void RunReplacement(const std::u16string& targetPath);
  static void RemoveLeftoverCopy();

  ScopedModule richEdit_;
  CQWS_v2Dlg* mainDialog_ = nullptr;
};

CQWS_v2App& TheApp();

}  // namespace qws
