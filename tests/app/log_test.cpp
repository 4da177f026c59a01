#include "app/log.h"

#include <gtest/gtest.h>

#include <regex>
#include <thread>
#include <vector>

#include "tests/support/win_test_support.h"

namespace qws {
namespace {

class Log : public testing::Test {
 protected:
  void SetUp() override { SetLogFolder(folder_.path()); }
  void TearDown() override { SetLogFolder(L"."); }
  std::string Content() const { return test::ReadFileBytes(folder_ / L"log.txt"); }
  test::TempFolder folder_;
};

TEST_F(Log, EntriesCarryA24HourTimeAndAppend) {
  WriteLog(L"first entry\r\n");
  WriteLog(L"second");
  WriteLog(L" continues\n");
  const std::string content = Content();
  const std::regex format(
      "([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9] first entry\r\n"
      "([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9] second"
      "([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9]  continues\n");
  EXPECT_TRUE(std::regex_match(content, format)) << content;
}

TEST_F(Log, WritesAnsiTextAndCutsLongMessages) {
  WriteLog(L"caf\u00e9\n");
  EXPECT_EQ(Content().substr(9), "caf\xe9\n");  // the ANSI code page of the prefix is 1252

  test::RemoveTree(folder_.path());
  CreateDirectoryW(folder_.path().c_str(), nullptr);
  WriteLog(std::wstring(30000, L'a'));
  EXPECT_EQ(Content().size(), 9 + kLogMessageMaxBytes);
}

TEST_F(Log, MissingFolderLosesTheEntryQuietly) {
  SetLogFolder(folder_ / L"missing");
  WriteLog(L"lost\n");
  EXPECT_FALSE(test::FolderExists(folder_ / L"missing"));
}

TEST_F(Log, ConcurrentWritersLoseNoEntry) {
  std::vector<std::thread> writers;
  for (int t = 0; t < 4; ++t)
    writers.emplace_back([t] {
      for (int i = 0; i < 50; ++i) WriteLog(L"thread " + std::to_wstring(t) + L"\n");
    });
  for (auto& writer : writers) writer.join();
  const std::string content = Content();
  size_t lines = 0;
  for (char c : content) lines += c == '\n';
  EXPECT_EQ(lines, 200u);
}

TEST(LogFolder, StartsAsTheCurrentDirectory) {
  EXPECT_EQ(LogFolder(), L".");
  EXPECT_EQ(LogFilePath(), L".\\log.txt");
}

}  // namespace
}  // namespace qws
