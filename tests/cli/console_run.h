// Runs a console program to its end with its standard output and error caught in files.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "base/scoped_handle.h"
#include "tests/support/win_test_support.h"

namespace qws::test {

struct ConsoleRun {
  std::optional<DWORD> exitCode;  // none when it did not end in time (it is then ended)
  std::string out, err;           // as written, "\r" status rewrites included
};

inline ScopedHandle InheritableFile(const std::wstring& path) {
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  return ScopedHandle(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

inline ConsoleRun RunConsole(const std::wstring& program, const std::wstring& arguments, DWORD timeoutMs = 120000) {
  TempFolder capture;
  const std::wstring outPath = capture / L"out.txt", errPath = capture / L"err.txt";
  ConsoleRun run;
  {
    ScopedHandle out = InheritableFile(outPath), err = InheritableFile(errPath);
    if (!out.is_valid() || !err.is_valid()) return run;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out.get();
    startup.hStdError = err.get();
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &info))
      return run;
    ScopedHandle process(info.hProcess);
    CloseHandle(info.hThread);
    if (WaitForSingleObject(process.get(), timeoutMs) == WAIT_OBJECT_0) {
      DWORD code = 0;
      GetExitCodeProcess(process.get(), &code);
      run.exitCode = code;
    } else {
      TerminateProcess(process.get(), 99);
      WaitForSingleObject(process.get(), 5000);
    }
  }
  run.out = ReadFileBytes(outPath);
  run.err = ReadFileBytes(errPath);
  return run;
}

}  // namespace qws::test
