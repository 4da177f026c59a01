// The loopback servers that CTest fixtures start for the tests (qws_test_server, cmake/Qws.cmake).
#pragma once

#include <windows.h>

#include <cstdlib>
#include <string>

#include "tests/support/win_test_support.h"

namespace qws::test {

// The Windows form (Z:\...) of the fixture folder of server `name`; empty when the test runs
// without its fixture.
inline std::wstring TestServerFolder(const std::wstring& name) {
  const char* servers = std::getenv("QWS_TEST_SERVERS");
  if (!servers || !*servers) return {};
  std::wstring folder = L"Z:";
  for (const char* c = servers; *c; ++c) folder += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
  return folder + L"\\" + name;
}

// The port the server listens on, 0 when unknown.
inline unsigned TestServerPort(const std::wstring& name) {
  const std::wstring folder = TestServerFolder(name);
  if (folder.empty()) return 0;
  return static_cast<unsigned>(std::atoi(ReadFileBytes(folder + L"\\port").c_str()));
}

}  // namespace qws::test
