#include "app/command_line.h"

#include <gtest/gtest.h>

namespace qws {
namespace {

struct Case {
  std::vector<std::u16string> args;
  bool upd, eula, updated, resetStart;
  std::u16string updPath;
  ProcessRole role;
};

class CommandLineGrammar : public testing::TestWithParam<Case> {};

TEST_P(CommandLineGrammar, SetsExactlyTheExpectedFields) {
  const Case& c = GetParam();
  CCommandLineInfoEx info;
  info.ParseArguments(c.args);
  EXPECT_EQ(info.m_bUpd, c.upd);
  EXPECT_EQ(info.m_bEula, c.eula);
  EXPECT_EQ(info.m_bUpdated, c.updated);
  EXPECT_EQ(info.m_bResetStart, c.resetStart);
  EXPECT_EQ(info.m_strUpdPath, c.updPath);
  EXPECT_EQ(DecideRole(info), c.role);
}

using R = ProcessRole;
INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineGrammar,
    testing::Values(
        Case{{}, false, false, false, false, u"", R::Normal},
        Case{{u"EULA"}, false, true, false, false, u"", R::Normal},
        Case{{u"/EULA"}, false, true, false, false, u"", R::Normal},
        Case{{u"-EULA"}, false, true, false, false, u"", R::Normal},
        // Exact and case-sensitive; only one marker is removed.
        Case{{u"eula"}, false, false, false, false, u"", R::Normal},
        Case{{u"//EULA"}, false, false, false, false, u"", R::Normal},
        Case{{u"EULA2"}, false, false, false, false, u"", R::Normal},
        Case{{u"UPDATED"}, false, false, true, false, u"", R::Normal},
        // Anything after "UPDATED" makes it a replacement argument, path from the fifth character.
        Case{{u"UPDATEDX"}, true, false, false, false, u"TEDX", R::Replacement},
        Case{{u"UPD"}, true, false, false, false, u"", R::Replacement},
        Case{{u"UPD="}, true, false, false, false, u"", R::Replacement},
        Case{{u"UPD=C:\\Old\\Scanner.exe"}, true, false, false, false, u"C:\\Old\\Scanner.exe",
             R::Replacement},
        Case{{u"/UPD:C:\\a b\\x.exe"}, true, false, false, false, u"C:\\a b\\x.exe",
             R::Replacement},
        Case{{u"upd=C:\\x.exe"}, false, false, false, false, u"", R::Normal},
        Case{{u"RESETSTART"}, false, false, false, true, u"", R::Resumed},
        Case{{u"-RESETSTART"}, false, false, false, true, u"", R::Resumed},
        // The program's own relaunch after replacing itself.
        Case{{u"EULA", u"UPDATED"}, false, true, true, false, u"", R::Normal},
        // Replacement wins over every other role.
        Case{{u"RESETSTART", u"UPD=C:\\x.exe"}, true, false, false, true, u"C:\\x.exe",
             R::Replacement},
        Case{{u"ignored", u"", u"-", u"EULA"}, false, true, false, false, u"", R::Normal}));

}  // namespace
}  // namespace qws
