#include "app/scan_plan_win.h"

#include "app/scan_plan.h"
#include "base/scoped_handle.h"
#include "base/u16.h"

namespace qws {

namespace {

std::string ToCodePage(std::wstring_view text, UINT codePage) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int bytes = WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string out(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), length, out.data(), bytes, nullptr, nullptr);
  return out;
}

std::wstring FromAnsi(std::string_view bytes) {
  if (bytes.empty()) return {};
  const int length = static_cast<int>(bytes.size());
  const int chars = MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
  if (chars <= 0) return {};
  std::wstring out(static_cast<size_t>(chars), L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, out.data(), chars);
  return out;
}

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }

}  // namespace

std::string ToCodePageCut(std::wstring_view name, UINT codePage, size_t maxBytes) {
  std::string whole = ToCodePage(name, codePage);
  if (whole.size() <= maxBytes) return whole;
  // Grow the prefix one character at a time; a character's bytes come whole or not at all.
  std::string cut;
  size_t taken = 0;
  while (taken < name.size()) {
    const size_t step = IsHighSurrogate(name[taken]) && taken + 1 < name.size() ? 2 : 1;
    std::string longer = ToCodePage(name.substr(0, taken + step), codePage);
    if (longer.size() > maxBytes) break;
    cut = std::move(longer);
    taken += step;
  }
  return cut;
}

int WriteScanPlan(const std::vector<std::u16string>& names) {
  {
    ScopedHandle created(CreateFileW(kScanPlanRelativePath, GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                     CREATE_ALWAYS, FILE_FLAG_WRITE_THROUGH, nullptr));
    if (!created) return -1;
  }
  for (const std::u16string& name : names) {
    const std::string line =
        ScanPlanLine(ToCodePageCut(ToWide(name), CP_ACP, kScanPlanNameMaxBytes));
    if (line.empty()) continue;
    ScopedHandle file(CreateFileW(kScanPlanRelativePath, GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  OPEN_ALWAYS, FILE_FLAG_WRITE_THROUGH, nullptr));
    if (!file) continue;
    DWORD written = 0;
    if (SetFilePointer(file.get(), 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER)
      WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  }
  return 0;
}

int ReadScanPlan(std::wstring& targets) {
  ScopedHandle file(CreateFileW(kScanPlanRelativePath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return -1;
  // The plan holds a run's infected objects; a file far beyond that is not read past this.
  constexpr DWORD kMaxPlanBytes = 64u << 20;
  std::string bytes;
  char buffer[64 * 1024];
  DWORD got = 0;
  while (bytes.size() < kMaxPlanBytes && ReadFile(file.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0)
    bytes.append(buffer, got);
  targets.clear();
  bool first = true;
  for (const std::string& name : ParseScanPlan(bytes)) {
    if (!first) targets.push_back(L'|');
    targets += FromAnsi(name);
    first = false;
  }
  return 0;
}

}  // namespace qws
