// The scan plan "qws2scanplan.txt": the infected objects of a run, one name a line, in the
// system ANSI code page, each line ended by a single "\n". The resumed run after a restart
// reads it back with the rules of the formatted-input pattern "%[^\n]\n".
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qws {

inline constexpr wchar_t kScanPlanRelativePath[] = L".\\qws2scanplan.txt";
inline constexpr wchar_t kScanPlanFileName[] = L"qws2scanplan.txt";
// A name is cut to this many bytes, so that the line with its "\n" fits 1023 bytes.
inline constexpr size_t kScanPlanNameMaxBytes = 1022;
// The reader's line buffer: a line must leave room for its terminating zero.
inline constexpr size_t kScanPlanReadBufferBytes = 1024;

// The line of one name already converted (and cut) to the ANSI code page; empty when the name
// is empty, because an empty line first in the file would hide every name after it.
std::string ScanPlanLine(std::string_view ansiName);

// The names of a plan file's bytes, read as a text-mode stream (CR LF reads as LF, Ctrl+Z
// ends the text): a name is a run of bytes up to "\n"; the white space after it, blank lines
// and leading blanks of the next name included, is skipped. Reading stops at the end, at an
// empty first line, or at a line that does not fit the reader's buffer (1024 bytes or more).
std::vector<std::string> ParseScanPlan(std::string_view fileBytes);

}  // namespace qws
