#include "app/file_utils.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/directory_listing.h"
#include "app/plain_file.h"
#include "tests/support/win_test_support.h"

namespace qws {
namespace {

using test::FileExists;
using test::FolderExists;
using test::TempFolder;
using test::WriteFileBytes;

// root\a.txt, root\sub\b.txt, root\sub\deep\c.txt, root\Quarantine\q.bin
void MakeTree(const std::wstring& root) {
  CreateDirectoryW(root.c_str(), nullptr);
  WriteFileBytes(root + L"\\a.txt", "a");
  CreateDirectoryW((root + L"\\sub").c_str(), nullptr);
  WriteFileBytes(root + L"\\sub\\b.txt", "bb");
  CreateDirectoryW((root + L"\\sub\\deep").c_str(), nullptr);
  WriteFileBytes(root + L"\\sub\\deep\\c.txt", "ccc");
  CreateDirectoryW((root + L"\\Quarantine").c_str(), nullptr);
  WriteFileBytes(root + L"\\Quarantine\\q.bin", "q");
}

class FileUtils : public testing::Test {
 protected:
  void SetUp() override { saved_ = test::CurrentDirectory(); }
  void TearDown() override { SetCurrentDirectoryW(saved_.c_str()); }
  TempFolder temp_;
  std::wstring saved_;
};

TEST_F(FileUtils, RemovesAWholeTreeAndEndsInItsParent) {
  const std::wstring root = temp_ / L"work";
  MakeTree(root);
  RecursiveRemoveDirectoryAndAllFiles(true, nullptr, root);
  EXPECT_FALSE(FolderExists(root));
  EXPECT_EQ(test::CurrentDirectory(), temp_.path());
}

TEST_F(FileUtils, WithoutFoldersRemovesOnlyThePlainFilesDirectlyInside) {
  const std::wstring root = temp_ / L"work";
  MakeTree(root);
  RecursiveRemoveDirectoryAndAllFiles(false, nullptr, root + L"\\");
  EXPECT_FALSE(FileExists(root + L"\\a.txt"));
  EXPECT_TRUE(FileExists(root + L"\\sub\\b.txt"));
  EXPECT_TRUE(FileExists(root + L"\\sub\\deep\\c.txt"));
  EXPECT_TRUE(FileExists(root + L"\\Quarantine\\q.bin"));
  EXPECT_EQ(test::CurrentDirectory(), temp_.path());
}

TEST_F(FileUtils, KeptNamesSurviveWithTheirParent) {
  const std::wstring root = temp_ / L"work";
  MakeTree(root);
  const std::vector<std::wstring> keep = {L"Quarantine"};
  RecursiveRemoveDirectoryAndAllFiles(true, &keep, root);
  EXPECT_TRUE(FileExists(root + L"\\Quarantine\\q.bin"));
  EXPECT_FALSE(FolderExists(root + L"\\sub"));
  EXPECT_FALSE(FileExists(root + L"\\a.txt"));
}

TEST_F(FileUtils, MissingFolderChangesNothing) {
  SetCurrentDirectoryW(temp_.path().c_str());
  RecursiveRemoveDirectoryAndAllFiles(true, nullptr, temp_ / L"absent");
  EXPECT_EQ(test::CurrentDirectory(), temp_.path());
}

TEST_F(FileUtils, AnOpenFileStaysAndTheRestGoes) {
  const std::wstring root = temp_ / L"work";
  MakeTree(root);
  ScopedHandle held(CreateFileW((root + L"\\sub\\b.txt").c_str(), GENERIC_READ, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held.is_valid());
  RecursiveRemoveDirectoryAndAllFiles(true, nullptr, root);
  EXPECT_TRUE(FileExists(root + L"\\sub\\b.txt"));
  EXPECT_FALSE(FileExists(root + L"\\a.txt"));
  EXPECT_FALSE(FolderExists(root + L"\\sub\\deep"));
  EXPECT_EQ(test::CurrentDirectory(), temp_.path());
  held.reset();
  RecursiveRemoveDirectoryAndAllFiles(true, nullptr, root);
  EXPECT_FALSE(FolderExists(root));
}

TEST_F(FileUtils, ALinkedFolderIsUnlinkedNotEmptied) {
  const std::wstring outside = temp_ / L"outside";
  CreateDirectoryW(outside.c_str(), nullptr);
  WriteFileBytes(outside + L"\\precious.txt", "keep me");
  const std::wstring root = temp_ / L"work";
  MakeTree(root);
  if (!test::MakeFolderLink(root + L"\\link", outside)) GTEST_SKIP() << "folder links are not available here";
  ASSERT_TRUE(FileExists(root + L"\\link\\precious.txt")) << "the link leads to the outside folder";
  RecursiveRemoveDirectoryAndAllFiles(true, nullptr, root);
  EXPECT_TRUE(FileExists(outside + L"\\precious.txt"));
  // The tree's own content is gone (Wine cannot unlink a Unix link, so the root may stay).
  EXPECT_FALSE(FileExists(root + L"\\a.txt"));
  EXPECT_FALSE(FolderExists(root + L"\\sub"));
}

TEST_F(FileUtils, AFolderThatIsItselfALinkIsNeverEntered) {
  const std::wstring outside = temp_ / L"outside";
  MakeTree(outside);
  const std::wstring link = temp_ / L"link";
  if (!test::MakeFolderLink(link, outside)) GTEST_SKIP() << "folder links are not available here";
  SetCurrentDirectoryW(temp_.path().c_str());
  for (bool removeFolders : {false, true})
    RecursiveRemoveDirectoryAndAllFiles(removeFolders, nullptr, link + L"\\");
  EXPECT_TRUE(FileExists(outside + L"\\a.txt"));
  EXPECT_TRUE(FileExists(outside + L"\\sub\\deep\\c.txt"));
  EXPECT_EQ(test::CurrentDirectory(), temp_.path());
  test::RemoveFolderLink(link);
}

TEST_F(FileUtils, CopiesATreeThroughItsFilters) {
  const std::wstring source = temp_ / L"from";
  MakeTree(source);
  const std::wstring target = temp_ / L"to";
  CreateDirectoryW(target.c_str(), nullptr);
  WriteFileBytes(target + L"\\a.txt", "old content");

  const CopyFilter skipQuarantine = [](const std::wstring& path, void* context) {
    ++*static_cast<int*>(context);
    return path.find(L"Quarantine") == std::wstring::npos;
  };
  const CopyFilter skipC = [](const std::wstring& path, void*) {
    return path.substr(path.size() - 5) != L"c.txt";
  };
  int calls = 0;
  EXPECT_TRUE(CopyDirectoryTree(source, target, false, skipQuarantine, skipC, &calls));
  EXPECT_EQ(test::ReadFileBytes(target + L"\\a.txt"), "a");  // overwritten
  EXPECT_EQ(test::ReadFileBytes(target + L"\\sub\\b.txt"), "bb");
  EXPECT_TRUE(FolderExists(target + L"\\sub\\deep"));
  EXPECT_FALSE(FileExists(target + L"\\sub\\deep\\c.txt"));
  EXPECT_FALSE(FolderExists(target + L"\\Quarantine"));
  EXPECT_EQ(calls, 3);  // sub, deep, Quarantine

  const std::wstring unfiltered = temp_ / L"all";
  EXPECT_TRUE(CopyDirectoryTree(source, unfiltered, true, nullptr, nullptr, nullptr));
  EXPECT_EQ(test::ReadFileBytes(unfiltered + L"\\sub\\deep\\c.txt"), "ccc");
}

TEST_F(FileUtils, CopyReportsWhatItCouldNotDo) {
  const std::wstring source = temp_ / L"from";
  MakeTree(source);
  EXPECT_FALSE(CopyDirectoryTree(temp_ / L"absent", temp_ / L"t1", false, nullptr, nullptr, nullptr));
  EXPECT_FALSE(CopyDirectoryTree(source, temp_ / L"no\\such\\parent", false, nullptr, nullptr, nullptr));
  EXPECT_FALSE(FolderExists(temp_ / L"no"));

  ScopedHandle locked(CreateFileW((source + L"\\a.txt").c_str(), GENERIC_READ | GENERIC_WRITE,
                                        0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(locked.is_valid());
  const std::wstring target = temp_ / L"t2";
  EXPECT_FALSE(CopyDirectoryTree(source, target, false, nullptr, nullptr, nullptr));
  EXPECT_EQ(test::ReadFileBytes(target + L"\\sub\\deep\\c.txt"), "ccc") << "the rest is copied";
}

TEST_F(FileUtils, CreatesEveryMissingParent) {
  const std::wstring deep = temp_ / L"x\\y\\z";
  EXPECT_EQ(CreateDirectoryPath(deep), 0);
  EXPECT_TRUE(FolderExists(deep));
  EXPECT_EQ(CreateDirectoryPath(deep), 0);
  EXPECT_EQ(CreateDirectoryPath(deep + L"\\"), 0);
  WriteFileBytes(temp_ / L"file", "");
  EXPECT_EQ(CreateDirectoryPath(temp_ / L"file\\below"), -1);
}

TEST_F(FileUtils, SmallFileHelpers) {
  const std::wstring file = temp_ / L"ro.txt";
  WriteFileBytes(file, "x");
  SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(FileIsAccessible(file));
  DeleteFileInFolder(temp_.path(), L"\\ro.txt");
  EXPECT_FALSE(FileExists(file));
  EXPECT_FALSE(FileIsAccessible(file));

  WriteFileBytes(file, "x");
  ScopedHandle locked(CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_TRUE(FileIsAccessible(file)) << "a locked file still counts";

  const uint64_t space = GetFreeDiskSpace(temp_.path());
  EXPECT_GT(space, 0u);
  EXPECT_NE(space, ~uint64_t{0});
  EXPECT_EQ(GetFreeDiskSpace(L"Q:\\nowhere"), ~uint64_t{0});
}

TEST_F(FileUtils, ErrorTextsAndVersions) {
  SetLastError(ERROR_FILE_NOT_FOUND);
  const std::wstring text = LastErrorText();
  EXPECT_FALSE(text.empty());
  EXPECT_EQ(text.find(L"\r\n"), std::wstring::npos);
  EXPECT_EQ(text.find(L"Error "), std::wstring::npos) << "the system knows this code";
  EXPECT_EQ(ErrorText(0x2000FFFF), L"Error 536936447 ($2000ffff)");

  EXPECT_EQ(GetFileVersionText(test::BinFolder() + L"\\QuellixWebSweep.exe"), "2.0.1.0");
  EXPECT_EQ(GetFileVersionText(test::BinFolder() + L"\\file_utils_test.exe"), "Unknown");
  EXPECT_EQ(GetFileVersionText(temp_ / L"absent.exe"), "Unknown");
}

TEST_F(FileUtils, ListingAndPlainFiles) {
  const std::wstring root = temp_ / L"work";
  MakeTree(root);
  DirectoryListing listing(root + L"\\*");
  DirectoryEntry entry;
  std::vector<std::wstring> names;
  while (listing.Next(entry)) {
    if (entry.IsDotEntry()) continue;
    names.push_back(entry.name + (entry.IsFolder() ? L"/" : L"") + std::to_wstring(entry.size));
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{L"Quarantine/0", L"a.txt1", L"sub/0"}));
  EXPECT_NE(DirectoryListing(temp_ / L"absent\\*").OpenError(), static_cast<DWORD>(ERROR_SUCCESS));

  PlainFile file;
  EXPECT_EQ(file.OpenForReading(temp_ / L"absent"), -1);
  EXPECT_EQ(file.Read(nullptr, 1), -1);
  ASSERT_EQ(file.Create(temp_ / L"plain.bin"), 0);
  EXPECT_EQ(file.Write("hello world", 11), 11);
  EXPECT_EQ(file.SeekAndTruncate(5), 5);
  EXPECT_EQ(file.Size(), 5);
  EXPECT_EQ(file.Seek(-2, PlainFile::Origin::End), 3);
  char buffer[8] = {};
  EXPECT_EQ(file.Read(buffer, 8), 2);
  EXPECT_EQ(std::string(buffer, 2), "lo");
  file.Close();
  ASSERT_EQ(file.OpenForReading(temp_ / L"plain.bin"), 0);
  EXPECT_TRUE(DeleteFileW((temp_ / L"plain.bin").c_str())) << "readers share deletion";
}

}  // namespace
}  // namespace qws
