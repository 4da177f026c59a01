// The folder paths that the removals on close may be joined to.
#include "app/removal_root.h"

#include <gtest/gtest.h>

#include "base/u16.h"

namespace qws {
namespace {

TEST(RemovalRoot, AcceptsFoldersBelowARootAndRefusesEverythingElse) {
  const struct {
    std::u16string path;
    std::optional<std::u16string> root;
  } cases[] = {
      {u"C:\\Users\\a\\AppData\\Local\\Quellix\\QuellixWebSweep",
       u"C:\\Users\\a\\AppData\\Local\\Quellix\\QuellixWebSweep"},
      {u"d:\\Tools\\", u"d:\\Tools"},
      {u"C:/Tools//", u"C:/Tools"},
      {u"\\\\server\\share\\tools", u"\\\\server\\share\\tools"},
      {u"\\\\?\\C:\\Tools", u"\\\\?\\C:\\Tools"},
      {u"\\\\?\\UNC\\server\\share\\tools", u"\\\\?\\UNC\\server\\share\\tools"},
      {u"C:\\a.b\\x y", u"C:\\a.b\\x y"},
      // Nothing determined: joined to a name it would name the current drive's root.
      {u"", std::nullopt},
      {u"\\", std::nullopt},
      {u"\\Tools", std::nullopt},
      // Drive roots, and "C:", the current directory of drive C.
      {u"C:", std::nullopt},
      {u"C:\\", std::nullopt},
      {u"C:\\\\", std::nullopt},
      {u"C:Tools", std::nullopt},
      {u"\\\\?\\C:\\", std::nullopt},
      // Share roots and device paths.
      {u"\\\\server\\share", std::nullopt},
      {u"\\\\server\\share\\", std::nullopt},
      {u"\\\\server", std::nullopt},
      {u"\\\\?\\UNC\\server\\share", std::nullopt},
      {u"\\\\.\\C:\\Tools", std::nullopt},
      {u"\\\\?\\Volume{0}", std::nullopt},
      // Relative paths and steps that climb back to a root.
      {u".", std::nullopt},
      {u"Tools", std::nullopt},
      {u"C:\\Tools\\..", std::nullopt},
      {u"C:\\.", std::nullopt},
      {u"C:\\. .", std::nullopt},
      {u"C:\\...\\x", std::nullopt},
      {u"C:\\Tools:stream", std::nullopt},
      {std::u16string(u"C:\\Tools\0x", 10), std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RemovalRoot(c.path), c.root) << U16ToUtf8(c.path);
  }
}

}  // namespace
}  // namespace qws
