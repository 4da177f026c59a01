// A scan by qwscan.exe against qws-server: the engine modules come from the server, the folder
// holds a test virus, and the report goes to the server's query path. The report that qwscan
// wrote into its log is left in the server's folder, where the host check
// (check_stored_report.sh) compares it with the one in the server's database.
#include <gtest/gtest.h>

#include "tests/net/test_server.h"
#include "tests/scanlib/test_samples.h"

namespace qws {
namespace {

// Runs a program with its output in `output`, in an environment whose temporary-files folder is
// `temp`; the exit code, or nothing when it is still running after the wait.
std::optional<DWORD> RunWithOutput(const std::wstring& program, const std::wstring& arguments,
                                   const std::wstring& temp, const std::wstring& output) {
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  ScopedHandle out(CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out) return std::nullopt;
  wchar_t oldTmp[MAX_PATH] = L"", oldTemp[MAX_PATH] = L"";
  GetEnvironmentVariableW(L"TMP", oldTmp, MAX_PATH);
  GetEnvironmentVariableW(L"TEMP", oldTemp, MAX_PATH);
  SetEnvironmentVariableW(L"TMP", temp.c_str());
  SetEnvironmentVariableW(L"TEMP", temp.c_str());
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = out.get();
  startup.hStdError = out.get();
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  std::wstring commandLine = L"\"" + program + L"\" " + arguments;
  PROCESS_INFORMATION info{};
  const BOOL started = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      nullptr, &startup, &info);
  SetEnvironmentVariableW(L"TMP", oldTmp[0] ? oldTmp : nullptr);
  SetEnvironmentVariableW(L"TEMP", oldTemp[0] ? oldTemp : nullptr);
  if (!started) return std::nullopt;
  ScopedHandle process(info.hProcess), thread(info.hThread);
  if (WaitForSingleObject(process.get(), 180000) != WAIT_OBJECT_0) {
    TerminateProcess(process.get(), 99);
    return std::nullopt;
  }
  DWORD code = 0;
  GetExitCodeProcess(process.get(), &code);
  return code;
}

bool IsTimePrefix(std::string_view text) {
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  return text.size() >= 9 && digit(text[0]) && digit(text[1]) && text[2] == ':' && digit(text[3]) &&
         digit(text[4]) && text[5] == ':' && digit(text[6]) && digit(text[7]) && text[8] == ' ';
}

// The message of the log entry that begins with the report's first line: from after its time to
// the next entry's time (or the end of the log).
std::optional<std::string> ReportEntry(const std::string& log) {
  const size_t start = log.find("# product=QWS\r\n");
  if (start == std::string::npos || start < 9 || !IsTimePrefix(std::string_view(log).substr(start - 9))) return {};
  size_t end = start;
  while ((end = log.find("\r\n", end)) != std::string::npos) {
    end += 2;
    if (end == log.size() || IsTimePrefix(std::string_view(log).substr(end))) break;
  }
  return log.substr(start, (end == std::string::npos ? log.size() : end) - start);
}

TEST(QwscanReport, ScanUpdatesFromAndReportsToTheServer) {
  const unsigned port = test::TestServerPort(L"qwscan_query");
  ASSERT_NE(port, 0u) << "qws-server fixture missing";
  const std::wstring server = L"127.0.0.1:" + std::to_wstring(port);

  test::TempFolder temp, work, target;
  test::WriteFileBytes(target / L"eicar.com", test::Eicar());
  test::WriteFileBytes(target / L"notes.txt", "nothing to see here\r\n");
  const std::wstring output = temp / L"qwscan-output.txt";
  const auto code = RunWithOutput(test::BinFolder() + L"\\qwscan.exe",
                                  L"--update-url http://" + server + L"/download/engineqws3/ --work \"" +
                                      work.path() + L"\" --report --submit " + server + L" \"" + target.path() +
                                      L"\"",
                                  temp.path(), output);
  const std::string printed = test::ReadFileBytes(output);
  ASSERT_TRUE(code) << printed;
  EXPECT_EQ(*code, 1u) << "a threat was found\n" << printed;
  EXPECT_NE(printed.find("The scan report was sent."), std::string::npos) << printed;

  const std::string log = test::ReadFileBytes(temp / L"log.txt");
  const auto report = ReportEntry(log);
  ASSERT_TRUE(report) << "no scan report in qwscan's log:\n" << log;
  EXPECT_NE(report->find("# found=1\r\n"), std::string::npos) << *report;
  EXPECT_NE(report->find("eicar.com\"\r\n"), std::string::npos) << "the threat's line\n" << *report;

  test::WriteFileBytes(test::TestServerFolder(L"qwscan_query") + L"\\log-report.txt", *report);
}

}  // namespace
}  // namespace qws
