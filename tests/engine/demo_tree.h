// A real folder tree of threats and clean files for scans through the real scanning library,
// and the way to the qws-server of the CTest fixture that serves its engine modules.
#pragma once

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/scanlib/test_samples.h"
#include "tests/support/win_test_support.h"

namespace qws::test {

// The update server's base URL from the fixture's port file (a Unix path, Z: under Wine);
// empty when the test runs without the fixture.
inline std::wstring FixtureUpdateUrl() {
  const char* portFile = std::getenv("QWS_TEST_SERVER_PORT_FILE");
  if (!portFile || !*portFile) return {};
  std::wstring path = L"Z:";
  for (const char* c = portFile; *c; ++c) path += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
  const int port = std::atoi(ReadFileBytes(path).c_str());
  if (port <= 0) return {};
  return L"http://127.0.0.1:" + std::to_wstring(port) + L"/download/engineqws3/";
}

// An executable that the project's test signature of the malware category names.
inline std::string InfectedExecutable() {
  std::string bytes = "MZ";
  bytes.resize(6000, '\x90');
  bytes.insert(3000, "QWS-TEST-SAMPLE-demo-MALWARE-PAYLOAD");
  return bytes;
}

// The tree below `root` (which must not exist yet):
//   eicar.com                the EICAR test file
//   documents\copy.com       the same
//   documents\letter.txt     clean
//   documents\deep\a\b\c\tool.exe   an infected executable four levels down
//   archive.zip              eicar.com, deflated
//   nested.zip               notes.txt and inner.zip, which holds eicar.com
//   clean.zip                a clean text file
struct DemoTree {
  std::wstring root;
  std::wstring eicar, copy, letter, tool, archive, nested, cleanZip;
  std::string archiveBytes, nestedBytes;

  explicit DemoTree(const std::wstring& folder) : root(folder) {
    for (const wchar_t* sub : {L"", L"\\documents", L"\\documents\\deep", L"\\documents\\deep\\a",
                               L"\\documents\\deep\\a\\b", L"\\documents\\deep\\a\\b\\c"})
      CreateDirectoryW((root + sub).c_str(), nullptr);
    eicar = root + L"\\eicar.com";
    copy = root + L"\\documents\\copy.com";
    letter = root + L"\\documents\\letter.txt";
    tool = root + L"\\documents\\deep\\a\\b\\c\\tool.exe";
    archive = root + L"\\archive.zip";
    nested = root + L"\\nested.zip";
    cleanZip = root + L"\\clean.zip";
    archiveBytes = MakeZip({{"eicar.com", Eicar()}}, true);
    nestedBytes = MakeZip({{"notes.txt", "notes"}, {"inner.zip", MakeZip({{"eicar.com", Eicar()}}, false)}}, true);
    WriteFileBytes(eicar, Eicar());
    WriteFileBytes(copy, Eicar());
    WriteFileBytes(letter, "A clean letter.\r\n");
    WriteFileBytes(tool, InfectedExecutable());
    WriteFileBytes(archive, archiveBytes);
    WriteFileBytes(nested, nestedBytes);
    WriteFileBytes(cleanZip, MakeZip({{"readme.txt", "nothing here"}}, true));
  }
  // The infected objects as a scan of whole files names them.
  std::vector<std::wstring> Infected() const { return {eicar, copy, tool, archive, nested}; }
};

}  // namespace qws::test
