#include "app/work_folder.h"

#include <gtest/gtest.h>

#include "base/scoped_handle.h"
#include "scanlib/include/qlxs_api.h"
#include "tests/support/win_test_support.h"

namespace qws {
namespace {

using test::BinFolder;
using test::ReadFileBytes;

TEST(WorkFolder, LiesInTheLocalApplicationDataFolderAndBecomesCurrent) {
  const WorkFolder located = LocateWorkFolder();
  ASSERT_TRUE(located.isAppData);
  const std::wstring suffix = L"\\AppData\\Local\\Quellix\\QuellixWebSweep";
  ASSERT_GT(located.path.size(), suffix.size());
  EXPECT_EQ(located.path.substr(located.path.size() - suffix.size()), suffix);

  test::RemoveTree(located.path);
  const WorkFolder determined = DetermineWorkFolder();
  EXPECT_EQ(determined.path, located.path);
  EXPECT_TRUE(test::FolderExists(determined.path));
  EXPECT_EQ(test::CurrentDirectory(), determined.path);
}

class Extraction : public testing::Test {
 protected:
  void SetUp() override {
    program_.reset(LoadLibraryExW((BinFolder() + L"\\QuellixWebSweep.exe").c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    ASSERT_TRUE(program_.is_valid());
  }
  ScopedModule program_;
  test::TempFolder folder_;
};

TEST_F(Extraction, WritesBothVariantsByteForByteAndAgainOverThem) {
  const std::string plain = ReadFileBytes(BinFolder() + L"\\qlxs_apiW.dll");
  const std::string antiStealth = ReadFileBytes(BinFolder() + L"\\qlxs_apiW_a.dll");
  ASSERT_FALSE(plain.empty());
  ASSERT_NE(plain, antiStealth);

  for (int run = 0; run < 2; ++run) {
    ASSERT_EQ(ExtractScannerLibrary(folder_.path().c_str(), program_.get()), 0);
    EXPECT_EQ(ReadFileBytes(folder_ / kPlainLibraryName), plain);
    EXPECT_EQ(ReadFileBytes(folder_ / kAntiStealthLibraryName), antiStealth);
  }

  // What was written is a library that loads and names its variant.
  ScopedModule loaded(LoadLibraryExW((folder_ / kAntiStealthLibraryName).c_str(), nullptr,
                                     LOAD_WITH_ALTERED_SEARCH_PATH));
  ASSERT_TRUE(loaded.is_valid());
  using VersionFunction = const qlxs_char*(QLXS_CALL*)();
  auto version = reinterpret_cast<VersionFunction>(
      reinterpret_cast<void*>(GetProcAddress(loaded.get(), "qlxs_get_api_version_string")));
  ASSERT_NE(version, nullptr);
  EXPECT_NE(std::wstring(version()).find(L"antistealth"), std::wstring::npos);
}

TEST_F(Extraction, AFileHeldByAnotherUserIsLeftAlone) {
  test::WriteFileBytes(folder_ / kPlainLibraryName, "in use");
  ScopedHandle held(CreateFileW((folder_ / kPlainLibraryName).c_str(), GENERIC_READ,
                                FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held.is_valid());
  EXPECT_EQ(ExtractScannerLibrary(folder_.path().c_str(), program_.get()), 0);
  EXPECT_EQ(ReadFileBytes(folder_ / kPlainLibraryName), "in use");
  EXPECT_FALSE(ReadFileBytes(folder_ / kAntiStealthLibraryName).empty());
}

TEST_F(Extraction, FailsWithoutFolderOrResources) {
  EXPECT_EQ(ExtractScannerLibrary(nullptr, program_.get()), -1);
  // The test program itself carries no library.
  EXPECT_EQ(ExtractScannerLibrary(folder_.path().c_str(), nullptr), -1);
  EXPECT_FALSE(test::FileExists(folder_ / kAntiStealthLibraryName));
  EXPECT_EQ(ExtractScannerLibrary((folder_ / L"absent").c_str(), program_.get()), 0)
      << "an unwritable folder is skipped like a held file";
}

}  // namespace
}  // namespace qws
