// Writing and reading the scan plan in the current directory (the work folder).
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace qws {

// `name` in code page `codePage`, cut to at most `maxBytes` bytes at a character boundary, so
// that a cut never leaves half of a multi-byte character (or of a surrogate pair) behind.
// Characters the code page lacks become its default character.
std::string ToCodePageCut(std::wstring_view name, UINT codePage, size_t maxBytes);

// Creates or empties ".\qws2scanplan.txt", then appends one line per name (in the ANSI code
// page, cut at 1022 bytes); an empty name is left out. 0, or -1 when the file cannot be
// created. A line whose append fails is dropped.
int WriteScanPlan(const std::vector<std::u16string>& names);

// The plan's names joined by "|"; 0, or -1 when the file cannot be opened.
int ReadScanPlan(std::wstring& targets);

}  // namespace qws
