#include "report/scan_report_win.h"

#include <windows.h>

#include "app/file_utils.h"
#include "app/log.h"
#include "app/work_folder.h"
#include "base/reg_key.h"
#include "base/u16.h"

namespace qws {

namespace {

// The serial is read into a buffer of this many bytes, its terminator included.
constexpr size_t kSerialBufferBytes = 100;
constexpr int kCountryMaxChars = 500;

CalendarTime ToCalendar(const SYSTEMTIME& time) {
  return {time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond};
}

std::optional<TimeZoneFacts> CurrentTimeZone() {
  TIME_ZONE_INFORMATION zone{};
  const DWORD state = GetTimeZoneInformation(&zone);
  if (state == TIME_ZONE_ID_INVALID) return std::nullopt;
  // The bias in effect now, so that the offset matches the local time beside it.
  if (state == TIME_ZONE_ID_DAYLIGHT) {
    return TimeZoneFacts{static_cast<int32_t>(zone.Bias + zone.DaylightBias),
                         ToU16(zone.DaylightName)};
  }
  return TimeZoneFacts{static_cast<int32_t>(zone.Bias + zone.StandardBias),
                       ToU16(zone.StandardName)};
}

std::optional<std::u16string> UserCountry() {
  wchar_t name[kCountryMaxChars + 1] = L"";
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SENGCOUNTRY, name, kCountryMaxChars + 1) == 0) {
    return std::nullopt;
  }
  return ToU16(name);
}

std::optional<OsVersionFacts> SystemVersion() {
  // RtlGetVersion reports the real version whatever the program's manifest says.
  using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (ntdll == nullptr) return std::nullopt;
  const auto getVersion = reinterpret_cast<RtlGetVersionFunction>(
      reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (getVersion == nullptr || getVersion(&info) != 0) return std::nullopt;
  return OsVersionFacts{info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber,
                        info.dwPlatformId == VER_PLATFORM_WIN32_NT, ToU16(info.szCSDVersion)};
}

}  // namespace

std::string ToAnsiCodePage(std::u16string_view text) {
  if (text.empty()) return {};
  const std::wstring wide = ToWide(text);
  const int length = static_cast<int>(wide.size());
  const int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string out(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), length, out.data(), bytes, nullptr, nullptr);
  return out;
}

std::string ReadSerial() {
  RegKey key;
  if (key.OpenOrCreate(HKEY_LOCAL_MACHINE, kSerialKey, KEY_READ) != ERROR_SUCCESS) return {};
  const std::optional<std::wstring> serial = key.ReadString(kSerialValue, kSerialBufferBytes);
  if (!serial) return {};
  std::string ansi = ToAnsiCodePage(ToU16(*serial));
  return ansi.size() < kSerialBufferBytes ? ansi : std::string();
}

ReportFacts GatherReportFacts() {
  ReportFacts facts;
  const std::wstring program = ModulePath();
  facts.executableName = ToU16(program.substr(program.find_last_of(L'\\') + 1));
  facts.fileVersion = GetFileVersionText(program);
  facts.serial = ReadSerial();
  SYSTEMTIME utc, local;
  GetSystemTime(&utc);
  GetLocalTime(&local);
  facts.utcTime = ToCalendar(utc);
  facts.localTime = ToCalendar(local);
  facts.timeZone = CurrentTimeZone();
  facts.country = UserCountry();
  facts.osVersion = SystemVersion();
  return facts;
}

bool BuildAndSubmitScanReport(const ScanReport& report, const ReportHandOver& handOver) {
  return report.BuildAndSubmit(GatherReportFacts(), ToAnsiCodePage, handOver,
                               [](std::string_view text) {
                                 // Back to wide text for the log, which converts it again.
                                 const int length = static_cast<int>(text.size());
                                 const int chars = MultiByteToWideChar(CP_ACP, 0, text.data(), length,
                                                                       nullptr, 0);
                                 std::wstring wide(static_cast<size_t>(chars > 0 ? chars : 0), L'\0');
                                 if (chars > 0) {
                                   MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(),
                                                       chars);
                                 }
                                 WriteLog(wide);
                               });
}

}  // namespace qws
