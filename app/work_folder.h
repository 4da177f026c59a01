// The folder that holds the scanning library, its modules, the quarantine and the scan plan.
#pragma once

#include <windows.h>

#include <string>

namespace qws {

inline constexpr wchar_t kWorkFolderSuffix[] = L"\\Quellix\\QuellixWebSweep";
inline constexpr wchar_t kAntiStealthLibraryName[] = L"qlxs_apiW_a.dll";
inline constexpr wchar_t kPlainLibraryName[] = L"qlxs_apiW.dll";

struct WorkFolder {
  std::wstring path;  // without a trailing backslash; empty when nothing could be determined
  bool isAppData = false;
};

// The local application data folder's "Quellix\QuellixWebSweep", created and made current;
// the running program's folder when the former cannot be determined.
WorkFolder DetermineWorkFolder();
// The same path, without creating it or changing the current directory.
WorkFolder LocateWorkFolder();

// Writes RCDATA 156 and 159 of `module` (the program itself when null) into the folder as the
// two library files. 0 on success, -1 when a resource is missing. A file that cannot be opened
// (because a running library holds it) is left as it is.
int ExtractScannerLibrary(const wchar_t* folder, HMODULE module = nullptr);

// The full path of the running program.
std::wstring ModulePath();

}  // namespace qws
