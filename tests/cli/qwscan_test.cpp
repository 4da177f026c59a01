// qwscan.exe as a real process under Wine, its modules from qws-server on loopback: it finds and
// cleans the demo threats, restores one from the quarantine, prints the report, and ends with
// the exit codes its help names.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>

#include "base/u16.h"
#include "tests/cli/console_run.h"
#include "tests/engine/demo_tree.h"

namespace qws {
namespace {

std::string Utf8(const std::wstring& text) { return U16ToUtf8(ToU16(text)); }

// The output without the status line that is rewritten in place ("\r" ... ), line by line.
std::vector<std::string> Lines(const std::string& out) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < out.size(); ++i) {
    const char c = out[i];
    if (c == '\r' && i + 1 < out.size() && out[i + 1] == '\n') {
      continue;  // the CR LF of a report line
    } else if (c == '\r') {
      line.clear();  // the status line is rewritten
    } else if (c == '\n') {
      if (!line.empty()) lines.push_back(line);
      line.clear();
    } else {
      line.push_back(c);
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

class Qwscan : public testing::Test {
 protected:
  void SetUp() override {
    url_ = test::FixtureUpdateUrl();
    if (url_.empty()) GTEST_SKIP() << "needs the qws_server fixture";
  }
  test::ConsoleRun Run(const std::wstring& arguments) {
    return test::RunConsole(test::BinFolder() + L"\\qwscan.exe", L"--work \"" + work_.path() + L"\" " + arguments);
  }
  std::wstring UpdateUrl() const { return L"--update-url " + url_ + L" "; }

  test::TempFolder work_, files_;
  std::wstring url_;
};

TEST_F(Qwscan, CleansTheDemoThreatsPrintsTheReportAndRestoresOne) {
  const test::DemoTree tree(files_ / L"demo");
  const test::ConsoleRun scan = Run(UpdateUrl() + L"--archives --clean --report \"" + tree.root + L"\"");
  ASSERT_TRUE(scan.exitCode.has_value()) << scan.out;
  EXPECT_EQ(*scan.exitCode, 1u) << scan.out << scan.err;
  const std::vector<std::string> lines = Lines(scan.out);
  EXPECT_TRUE(Has(lines, "Engine modules up to date (build 22990).")) << Joined(lines);
  EXPECT_TRUE(Has(lines, "Scanned 9 objects.")) << Joined(lines);
  EXPECT_TRUE(Has(lines, "5 threat(s) found, 5 cleaned:")) << Joined(lines);
  for (const std::wstring& infected : tree.Infected()) {
    const auto at = std::find(lines.begin(), lines.end(), "  " + Utf8(infected));
    ASSERT_NE(at, lines.end()) << Utf8(infected) << "\n" << Joined(lines);
    ASSERT_NE(at + 1, lines.end());
    EXPECT_TRUE(at[1] == "      Eicar-Test-Signature  (cleaned)" || at[1] == "      Qws.TestSample-Malware  (cleaned)")
        << at[1];
    EXPECT_FALSE(test::FileExists(infected)) << Utf8(infected);
  }
  EXPECT_TRUE(test::FileExists(tree.letter));
  EXPECT_TRUE(Has(lines, "Scan report:"));
  EXPECT_TRUE(Has(lines, "# product=QWS"));
  EXPECT_TRUE(Has(lines, "# qwscan.exe=2.0.1.0"));
  EXPECT_TRUE(Has(lines, "# engine=22990"));
  EXPECT_TRUE(Has(lines, "# remove_checked=true"));
  EXPECT_TRUE(Has(lines, "# archives_checked=true"));
  EXPECT_TRUE(Has(lines, "# scanned=9"));
  EXPECT_TRUE(Has(lines, "# found=5"));
  EXPECT_TRUE(Has(lines, "# cleaned=5"));
  EXPECT_TRUE(Has(lines, "sh=3395856CE81F2B7382DEE72602F798B642F14140 ft=0 fh=0000000000000044 "
                         "vn=\"Eicar-Test-Signature (cleaned by deleting)\" ac=C fn=\"" + Utf8(tree.copy) + "\""))
      << Joined(lines);
  EXPECT_EQ(scan.out.find("\r\r\n"), std::string::npos) << "each line ends in one CR LF";
  size_t threatLines = 0;
  for (const std::string& line : lines) threatLines += line.rfind("sh=", 0) == 0;
  EXPECT_EQ(threatLines, 5u);

  // The quarantine lists the five; the one asked for goes back to its place, the rest stay.
  const test::ConsoleRun list = Run(L"--no-update --quarantine");
  ASSERT_TRUE(list.exitCode.has_value());
  EXPECT_EQ(*list.exitCode, 0u) << list.out;
  const std::vector<std::string> listed = Lines(list.out);
  EXPECT_TRUE(Has(listed, "Quarantine: 5 item(s)")) << Joined(listed);
  std::string number;
  const std::regex item("  ([0-9]+)\\. (.*)  \\((.*)\\)");
  for (const std::string& line : listed) {
    std::smatch match;
    if (std::regex_match(line, match, item) && match[2] == Utf8(tree.copy)) {
      EXPECT_EQ(match[3], "Eicar-Test-Signature");
      number = match[1];
    }
  }
  ASSERT_FALSE(number.empty()) << Joined(listed);

  const test::ConsoleRun restore = Run(L"--no-update --quarantine --restore " + ToWide(Utf8ToU16(number)));
  ASSERT_TRUE(restore.exitCode.has_value());
  EXPECT_EQ(*restore.exitCode, 0u) << restore.out;
  const std::vector<std::string> after = Lines(restore.out);
  EXPECT_TRUE(Has(after, "Restored " + Utf8(tree.copy))) << Joined(after);
  EXPECT_TRUE(Has(after, "Quarantine: 4 item(s)")) << Joined(after);
  EXPECT_EQ(test::ReadFileBytes(tree.copy), test::Eicar());
  EXPECT_FALSE(test::FileExists(tree.eicar));

  // An item number the list does not have is an error, and nothing changes.
  const test::ConsoleRun missing = Run(L"--no-update --restore 9");
  ASSERT_TRUE(missing.exitCode.has_value());
  EXPECT_EQ(*missing.exitCode, 2u);
  EXPECT_TRUE(Has(Lines(missing.out), "qwscan: the quarantine has no item 9")) << missing.out;
}

TEST_F(Qwscan, ReportsWithoutCleaningAndFindsNothingInCleanFiles) {
  const test::DemoTree tree(files_ / L"demo");
  const test::ConsoleRun found = Run(UpdateUrl() + L"--archives \"" + tree.eicar + L"\" \"" + tree.nested + L"\"");
  ASSERT_TRUE(found.exitCode.has_value());
  EXPECT_EQ(*found.exitCode, 1u) << found.out;
  const std::vector<std::string> lines = Lines(found.out);
  EXPECT_TRUE(Has(lines, "2 threat(s) found, 0 cleaned:")) << Joined(lines);
  EXPECT_TRUE(Has(lines, "  " + Utf8(tree.nested))) << Joined(lines);
  EXPECT_TRUE(Has(lines, "      Eicar-Test-Signature  (not cleaned)")) << Joined(lines);
  EXPECT_FALSE(Has(lines, "Scan report:")) << "only on request";
  EXPECT_TRUE(test::FileExists(tree.eicar));
  EXPECT_TRUE(test::FileExists(tree.nested));

  // Without --archives the threat inside the archive is not looked for.
  const test::ConsoleRun clean = Run(L"--no-update \"" + tree.letter + L"\" \"" + tree.archive + L"\"");
  ASSERT_TRUE(clean.exitCode.has_value());
  EXPECT_EQ(*clean.exitCode, 0u) << clean.out;
  EXPECT_TRUE(Has(Lines(clean.out), "No threats found.")) << clean.out;
  EXPECT_TRUE(Has(Lines(clean.out), "Scanned 2 objects.")) << clean.out;
}

TEST_F(Qwscan, FailsWithCodeTwoWhenNoUsableModulesAreLeft) {
  const test::DemoTree tree(files_ / L"demo");
  // Nothing listens on port 1, and the work folder holds no modules.
  const test::ConsoleRun down = Run(L"--update-url http://127.0.0.1:1/download/engineqws3/ \"" + tree.eicar + L"\"");
  ASSERT_TRUE(down.exitCode.has_value());
  EXPECT_EQ(*down.exitCode, 2u) << down.out;
  EXPECT_TRUE(Has(Lines(down.out), "qwscan: the update failed and no usable engine modules are left.")) << down.out;
  ASSERT_FALSE(Lines(down.out).empty());
  EXPECT_EQ(Lines(down.out).back(), "qwscan: the update failed and no usable engine modules are left.")
      << "no scan follows";

  const test::ConsoleRun noModules = Run(L"--no-update \"" + tree.eicar + L"\"");
  ASSERT_TRUE(noModules.exitCode.has_value());
  EXPECT_EQ(*noModules.exitCode, 2u) << noModules.out;
  EXPECT_TRUE(Has(Lines(noModules.out),
                  "qwscan: the scanning engine cannot start: no usable engine modules in " + Utf8(work_.path())))
      << noModules.out;
  EXPECT_TRUE(test::FileExists(tree.eicar));
}

TEST_F(Qwscan, HelpAndBadOptions) {
  const test::ConsoleRun help = Run(L"--help");
  ASSERT_TRUE(help.exitCode.has_value());
  EXPECT_EQ(*help.exitCode, 0u);
  const std::vector<std::string> lines = Lines(help.out);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "usage: qwscan [options] <target>...");
  EXPECT_TRUE(Has(lines, "exit codes: 0 nothing found, 1 threats found, 2 error")) << help.out;
  for (const char* option : {"--no-update", "--update-url URL", "--clean", "--anti-stealth", "--archives",
                             "--quarantine", "--restore N", "--report", "--submit HOST:PORT", "--help"}) {
    bool named = false;
    for (const std::string& line : lines) named = named || line.rfind(std::string("  ") + option + " ", 0) == 0;
    EXPECT_TRUE(named) << option;
  }
  EXPECT_FALSE(test::FileExists(work_ / L"qlxs_apiW.dll")) << "help touches nothing";
  // Every target token the help names is one the target list knows.
  const std::set<std::string> tokens = {"${Memory}", "${Startup}", "${DriveFixed}", "${DriveRemovable}",
                                        "${DriveRemote}", "${DriveAll}", "${DriveRemovableBoot}",
                                        "${DriveFixedBoot}", "${DriveAllBoot}", "${Boot}"};
  const std::regex token("\\$\\{[A-Za-z]*\\}");
  size_t named = 0;
  for (auto it = std::sregex_iterator(help.out.begin(), help.out.end(), token); it != std::sregex_iterator(); ++it, ++named)
    EXPECT_TRUE(tokens.count(it->str())) << it->str();
  EXPECT_GE(named, 5u);

  for (const wchar_t* bad : {L"--frobnicate", L"--restore 0"}) {
    const test::ConsoleRun run = Run(bad);
    ASSERT_TRUE(run.exitCode.has_value());
    EXPECT_EQ(*run.exitCode, 2u) << Utf8(bad);
    EXPECT_NE(run.err.find("usage: qwscan"), std::string::npos) << Utf8(bad);
    EXPECT_NE(run.out.find("qwscan: "), std::string::npos) << Utf8(bad);
  }
}

}  // namespace
}  // namespace qws
