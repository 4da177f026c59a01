// The program's command-line grammar: four keywords, each argument examined by itself.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qws {

class CCommandLineInfoEx {
 public:
  // One argument as the runtime split it, with a single leading '/' or '-' already removed.
  void ParseParam(std::u16string_view param, bool isFlag, bool isLast);
  // Feeds every argument (without the program name) through ParseParam.
  void ParseArguments(const std::vector<std::u16string>& args);

  bool m_bUpd = false;
  bool m_bEula = false;
  bool m_bUpdated = false;
  bool m_bResetStart = false;
  std::u16string m_strUpdPath;
};

enum class ProcessRole { Normal, Resumed, Replacement };

ProcessRole DecideRole(const CCommandLineInfoEx& info);

}  // namespace qws
