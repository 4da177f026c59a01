// The diagnostic log "log.txt": one timestamped entry per call, appended, never truncated.
#pragma once

#include <string>
#include <string_view>

namespace qws {

// "." until the main window sets the temporary-files folder.
void SetLogFolder(std::wstring folder);
std::wstring LogFolder();
std::wstring LogFilePath();

// Appends "hh:mm:ss " and the message; the message carries its own line end.
void WriteLog(std::wstring_view message);

// The largest message part written, in bytes of the ANSI code page.
inline constexpr size_t kLogMessageMaxBytes = 25499;

}  // namespace qws
