#include "report/file_fingerprint_win.h"

#include <gtest/gtest.h>

#include "base/u16.h"
#include "report/file_fingerprint.h"
#include "tests/support/win_test_support.h"

namespace qws {
namespace {

using test::TempFolder;
using test::WriteFileBytes;

constexpr char16_t kAbcHash[] = u"A9993E364706816ABA3E25717850C26C9CD0D89D";

class FileFingerprintWin : public testing::Test {
 protected:
  std::u16string Path(const wchar_t* name) { return ToU16(temp_ / name); }
  TempFolder temp_;
  WindowsFileFingerprinter fingerprinter_;
};

TEST_F(FileFingerprintWin, ReadsRealFilesInBlocks) {
  WriteFileBytes(temp_ / L"abc.txt", "abc");
  const FileFingerprints text = fingerprinter_.SingleObject(Path(L"abc.txt"));
  EXPECT_EQ(text.hash, kAbcHash);
  EXPECT_EQ(text.type, kFileTypeOther);
  EXPECT_EQ(text.fingerprint, u"0000000000000003");
  EXPECT_EQ(fingerprinter_.DirectoryScan(Path(L"abc.txt")).fingerprint, kFingerprintPlaceholder);

  // An executable over several blocks: the same hash and checksums as from memory.
  std::string program(9000, 'x');
  program[0] = 'M';
  program[1] = 'Z';
  program[8999] = 'e';
  WriteFileBytes(temp_ / L"prog.exe", program);
  MemoryByteSource memory(program);
  const FileFingerprints expected = DirectoryScanFingerprints(&memory);
  const FileFingerprints real = fingerprinter_.DirectoryScan(Path(L"prog.exe"));
  EXPECT_EQ(real.hash, expected.hash);
  EXPECT_EQ(real.type, kFileTypeExecutable);
  EXPECT_EQ(real.fingerprint, expected.fingerprint);
  EXPECT_NE(real.fingerprint, kFingerprintPlaceholder);
}

TEST_F(FileFingerprintWin, MissingEmptyAndFolderObjectsGivePlaceholders) {
  WriteFileBytes(temp_ / L"empty.bin", "");
  CreateDirectoryW((temp_ / L"folder").c_str(), nullptr);
  for (const wchar_t* name : {L"missing.exe", L"empty.bin", L"folder"}) {
    const FileFingerprints prints = fingerprinter_.SingleObject(Path(name));
    EXPECT_EQ(prints.hash, kHashPlaceholder) << name;
    EXPECT_EQ(prints.type, kFileTypeNotExamined) << name;
    EXPECT_EQ(prints.fingerprint, kFingerprintPlaceholder) << name;
  }
}

TEST_F(FileFingerprintWin, ExclusivelyOpenFileCannotBeExamined) {
  WriteFileBytes(temp_ / L"held.exe", "MZ held");
  ScopedHandle held(CreateFileW((temp_ / L"held.exe").c_str(), GENERIC_READ, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held.is_valid());
  const FileFingerprints prints = fingerprinter_.DirectoryScan(Path(L"held.exe"));
  EXPECT_EQ(prints.hash, kHashPlaceholder);
  EXPECT_EQ(prints.type, kFileTypeNotExamined);
}

}  // namespace
}  // namespace qws
