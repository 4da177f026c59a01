#include "app/command_line.h"

namespace qws {

void CCommandLineInfoEx::ParseParam(std::u16string_view param, bool /*isFlag*/, bool /*isLast*/) {
  if (param == u"EULA") m_bEula = true;

  if (param == u"UPDATED") {
    m_bUpdated = true;
  } else if (param.substr(0, 3) == u"UPD") {
    m_bUpd = true;
    // The fourth character separates the keyword from the path, whatever it is.
    if (param.size() > 4) m_strUpdPath = std::u16string(param.substr(4));
  }

  if (param == u"RESETSTART") m_bResetStart = true;
}

void CCommandLineInfoEx::ParseArguments(const std::vector<std::u16string>& args) {
  for (size_t i = 0; i < args.size(); ++i) {
    std::u16string_view param = args[i];
    bool isFlag = false;
    if (!param.empty() && (param[0] == u'/' || param[0] == u'-')) {
      param.remove_prefix(1);
      isFlag = true;
    }
    ParseParam(param, isFlag, i + 1 == args.size());
  }
}

ProcessRole DecideRole(const CCommandLineInfoEx& info) {
  if (info.m_bUpd) return ProcessRole::Replacement;
  if (info.m_bResetStart) return ProcessRole::Resumed;
  return ProcessRole::Normal;
}

}  // namespace qws
