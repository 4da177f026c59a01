// The scan report's reads of the running system, and its build on the statistics thread.
#pragma once

#include <string>
#include <string_view>

#include "report/scan_report.h"

namespace qws {

// Where the report's serial number is kept, below HKEY_LOCAL_MACHINE.
inline constexpr wchar_t kSerialKey[] = L"SOFTWARE\\Quellix\\Quellix WebSweep";
inline constexpr wchar_t kSerialValue[] = L"QWSSerial";

// Wide text in the system's ANSI code page, its default character for the rest.
std::string ToAnsiCodePage(std::u16string_view text);

// The QWSSerial value in the ANSI code page; empty when missing or longer than 99 bytes.
// Opening creates the key, empty, when it is missing and the process may create it.
std::string ReadSerial();

// The program, serial, current times, time zone, country and system version.
ReportFacts GatherReportFacts();

// The statistics thread's work: builds the report from the running system, hands it to the
// submission and appends it to the diagnostic log. True when the submission succeeded.
bool BuildAndSubmitScanReport(const ScanReport& report, const ReportHandOver& handOver);

}  // namespace qws
