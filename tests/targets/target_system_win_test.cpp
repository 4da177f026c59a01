#include "targets/target_system_win.h"

#include <gtest/gtest.h>

#include "base/u16.h"
#include "tests/support/win_test_support.h"

namespace qws {
namespace {

// Under Wine C: is the prefix's drive_c (fixed) and Z: the Linux root.
TEST(WindowsTargetSystem, ListsTheRealDrivesWithTheirKinds) {
  const std::vector<DriveRoot> drives = WindowsTargetSystem().Drives();
  ASSERT_FALSE(drives.empty());
  bool sawC = false;
  for (const DriveRoot& drive : drives) {
    ASSERT_EQ(drive.root.size(), 3u) << U16ToUtf8(drive.root);
    EXPECT_EQ(drive.root.substr(1), u":\\");
    EXPECT_EQ(static_cast<UINT>(drive.kind), GetDriveTypeW(ToWide(drive.root).c_str()));
    if (drive.root == u"C:\\") {
      sawC = true;
      EXPECT_EQ(drive.kind, DriveKind::Fixed);
    }
  }
  EXPECT_TRUE(sawC);

  // The expansion of the fixed drives lists exactly the fixed roots, in the system's order.
  std::u16string fixed;
  for (const DriveRoot& drive : drives) {
    if (drive.kind != DriveKind::Fixed) continue;
    if (!fixed.empty()) fixed.push_back(u'|');
    fixed += drive.root;
  }
  EXPECT_EQ(ExpandTargets(u"${DriveFixed}", WindowsTargetSystem()), fixed);
  EXPECT_NE(ExpandTargets(u"${DriveAll}", WindowsTargetSystem()).find(u"C:\\"),
            std::u16string::npos);
}

TEST(WindowsTargetSystem, FilesAreSingleObjectsFoldersAndMissingPathsAreNot) {
  test::TempFolder temp;
  const std::wstring file = temp / L"sample.txt";
  test::WriteFileBytes(file, "text");
  CreateDirectoryW((temp / L"sub").c_str(), nullptr);
  const WindowsTargetSystem system;

  EXPECT_TRUE(IsSingleObjectTarget(ToU16(file), system));
  EXPECT_FALSE(IsSingleObjectTarget(ToU16(temp / L"sub"), system));
  EXPECT_FALSE(IsSingleObjectTarget(ToU16(temp / L"sub\\"), system));
  EXPECT_FALSE(IsSingleObjectTarget(ToU16(temp / L"missing.txt"), system));
  EXPECT_FALSE(IsSingleObjectTarget(u"C:\\", system));
  // A wildcard names no one object, though the search would find the file.
  EXPECT_FALSE(IsSingleObjectTarget(ToU16(temp / L"*.txt"), system));
  EXPECT_TRUE(IsSingleObjectTarget(u"C:\\${Boot}", system));
}

TEST(WindowsTargetSystem, TextsComeFromTheStringTableOrTheEnglishDefaults) {
  // A test program carries no string table: the defaults stand.
  const TargetTexts texts = LoadTargetTexts();
  EXPECT_EQ(texts.operatingMemory, u"Operating memory");
  EXPECT_EQ(TargetDisplayName(kDriveFixedToken, texts), u"Local drives");
}

}  // namespace
}  // namespace qws
