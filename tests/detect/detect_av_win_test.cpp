// The detection driver on a Wine computer: the database this program carries (the test program
// carries the same chunks as the product), or a downloaded one handed to it; a window of the
// test's own receives the completion message.
#include "detect/detect_av.h"

#include <gtest/gtest.h>

#include <chrono>

#include "tests/detect/fake_computer.h"
#include "tests/detect/served_database.h"

namespace qws {
namespace {

using namespace std::chrono_literals;
constexpr REGSAM k64 = KEY_WOW64_64KEY;
constexpr REGSAM k32 = KEY_WOW64_32KEY;
constexpr wchar_t kServices[] = L"SYSTEM\\CurrentControlSet\\Services\\";
constexpr wchar_t kUninstall[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// A message-only window that counts the detector's messages.
class NotifiedWindow {
 public:
  NotifiedWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QwsDetectTestWindow";
    RegisterClassW(&wc);
    window_ = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              wc.hInstance, nullptr);
    messages_ = 0;
  }
  ~NotifiedWindow() { DestroyWindow(window_); }
  HWND get() const { return window_; }
  // Pumps messages for up to `timeout`, until `count` messages have arrived.
  int WaitFor(int count, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (messages_ < count && std::chrono::steady_clock::now() < end) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
      Sleep(10);
    }
    return messages_;
  }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
    if (message == CDetectAVWrapper::kDoneMessage) ++messages_;
    return DefWindowProcW(hwnd, message, w, l);
  }
  static inline int messages_ = 0;
  HWND window_ = nullptr;
};

std::string ServedFolder() {
  return "Z:" + std::string(QWS_DETECTION_DIR) + "/../content/special/detectav";
}

struct Outcome {
  int messages = 0;
  std::vector<std::wstring> list;
  bool listed = false;
  bool other = false;
  std::string compatibility;
};

Outcome Detect(CDetectAVWrapper& detector, int expectedMessages = 1) {
  NotifiedWindow window;
  detector.Start(window.get());
  Outcome outcome;
  outcome.messages = window.WaitFor(expectedMessages, expectedMessages ? 60s : 3s);
  outcome.listed = detector.GetResultList(&outcome.list);
  outcome.other = detector.HasOtherProduct();
  outcome.compatibility = detector.GetCompatibilityText();
  return outcome;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(DetectAV, FindsNothingOnAComputerWithoutProductsAndRunsOnce) {
  CDetectAVWrapper detector;
  NotifiedWindow window;
  detector.Start(window.get());
  ASSERT_EQ(window.WaitFor(1, 60s), 1);
  std::vector<std::wstring> list{L"stale"};
  ASSERT_TRUE(detector.GetResultList(&list));
  EXPECT_TRUE(list.empty());
  EXPECT_FALSE(detector.HasOtherProduct());
  EXPECT_EQ(detector.GetCompatibilityText(), "");
  // Shown again: the starter runs, but no second evaluation and no second message.
  detector.Start(window.get());
  EXPECT_EQ(window.WaitFor(2, 3s), 1);
}

class InstalledProducts : public ::testing::Test {
 protected:
  // Avira Antivirus 15 as its 32-bit installer leaves it.
  void InstallAvira() {
    const std::wstring folder = test::ProgramFilesFolder(k32) + L"\\Avira\\AntiVir Desktop";
    for (const wchar_t* file : {L"avguard.exe", L"avgnt.exe", L"sched.exe", L"avscan.exe", L"avmailc7.exe"}) {
      computer_.WriteFile(folder + L"\\" + file, "MZ");
    }
    computer_.SetString(HKEY_LOCAL_MACHINE, k32, L"SOFTWARE\\Avira\\AntiVir Desktop", L"Path", folder);
    computer_.SetString(HKEY_LOCAL_MACHINE, k32, L"SOFTWARE\\Avira\\AntiVir Desktop", L"LastUpdate",
                        L"2024-02-01 08:00:00");
    computer_.SetString(HKEY_LOCAL_MACHINE, k32, std::wstring(kUninstall) + L"Avira AntiVir Desktop",
                        L"DisplayName", L"Avira Free Antivirus");
    for (const wchar_t* service : {L"AntiVirService", L"AntiVirSchedulerService", L"AntiVirMailService"}) {
      computer_.CreateService(service);
    }
  }
  // Malwarebytes 4, a 64-bit program.
  void InstallMalwarebytes() {
    const std::wstring folder = test::ProgramFilesFolder(k64) + L"\\Malwarebytes\\Anti-Malware";
    for (const wchar_t* file : {L"MBAMService.exe", L"mbam.exe", L"mbamtray.exe", L"MbamPt.exe"}) {
      computer_.WriteFile(folder + L"\\" + file, "MZ");
    }
    computer_.SetString(HKEY_LOCAL_MACHINE, k64, L"SOFTWARE\\Malwarebytes", L"InstallDir", folder);
    computer_.SetString(HKEY_LOCAL_MACHINE, k64,
                        std::wstring(kUninstall) + L"{35065F43-4BB2-439A-BFF7-0F1014F2E0CD}_is1",
                        L"DisplayName", L"Malwarebytes version 4.6.9.311");
    for (const wchar_t* service : {L"MBAMService", L"MBAMChameleon", L"mbamswissarmy"}) {
      computer_.CreateService(service);
    }
  }
  // Our own Endpoint Shield 5, as our installer writes it.
  void InstallEndpointShield() {
    const std::wstring folder = test::ProgramFilesFolder(k64) + L"\\Quellix\\Endpoint Shield";
    for (const wchar_t* file : {L"QlxShield.exe", L"QlxShieldSvc.exe", L"qlxs_apiW.dll"}) {
      computer_.WriteFile(folder + L"\\" + file, "MZ");
    }
    const std::wstring key = L"SOFTWARE\\Quellix\\Endpoint Shield";
    computer_.SetString(HKEY_LOCAL_MACHINE, k64, key, L"InstallPath", folder);
    computer_.SetString(HKEY_LOCAL_MACHINE, k64, key, L"Version", L"5.2.0");
    computer_.SetString(HKEY_LOCAL_MACHINE, k64, key, L"Edition", L"full");
    computer_.SetString(HKEY_LOCAL_MACHINE, k64, key, L"LastUpdate", L"20240301");
    computer_.SetDword(HKEY_LOCAL_MACHINE, k64, key + L"\\Status", L"RealTime", 1);
    computer_.SetString(HKEY_LOCAL_MACHINE, k64, std::wstring(kUninstall) + L"Quellix Endpoint Shield",
                        L"DisplayName", L"Quellix Endpoint Shield");
    computer_.CreateService(L"QlxShieldSvc");
  }

  test::FakeComputer computer_;
};

TEST_F(InstalledProducts, ListsTwoOtherProductsAndOurOwn) {
  InstallAvira();
  InstallMalwarebytes();
  InstallEndpointShield();
  CDetectAVWrapper detector;
  const Outcome outcome = Detect(detector);
  ASSERT_EQ(outcome.messages, 1);
  ASSERT_TRUE(outcome.listed);
  EXPECT_EQ(outcome.list, (std::vector<std::wstring>{L"Avira|Avira Free Antivirus",
                                                     L"Malwarebytes|Malwarebytes",
                                                     L"Quellix|Quellix Endpoint Shield"}));
  EXPECT_TRUE(outcome.other);
  const std::string& text = outcome.compatibility;
  EXPECT_TRUE(Contains(text, "# compatibility_mode_1='Avira Antivirus'\r\n# compatibility_mode=770 "));
  EXPECT_TRUE(Contains(text, "# compatibility_mode_1='Malwarebytes'\r\n# compatibility_mode=2561 "));
  EXPECT_TRUE(Contains(text, "# compatibility_mode_1='Quellix Endpoint Shield'\r\n# compatibility_mode=8193 "));
  // Endpoint Shield: service stopped (2), current state "and" of stopped and real time on (2),
  // restart not evaluated (3), update and install read (1 and 0: no install date), status
  // bits 1 then four results of 0, edition "full" (2). All scores 100 %.
  uint32_t status = 0xFFFFFF;
  const auto field = [&](int bit, uint32_t value) { status = (status & ~(3u << bit)) | value << bit; };
  field(0, 2);
  field(6, 2);
  field(10, 1);
  field(12, 0);
  field(14, 1);
  for (int bit = 16; bit <= 22; bit += 2) field(bit, 0);
  field(24, 2);
  EXPECT_TRUE(Contains(text, "# compatibility_mode=8193 " + std::to_string(status) + " 100 100 "))
      << text;
  size_t lines = 0;
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++lines;
  EXPECT_EQ(lines, 6u);
}

TEST_F(InstalledProducts, OurOwnProductAloneIsNoOtherProduct) {
  InstallEndpointShield();
  CDetectAVWrapper detector;
  const Outcome outcome = Detect(detector);
  ASSERT_EQ(outcome.messages, 1);
  EXPECT_EQ(outcome.list, (std::vector<std::wstring>{L"Quellix|Quellix Endpoint Shield"}));
  EXPECT_FALSE(outcome.other);
}

TEST(DetectAV, UsesADownloadedDatabaseThatVerifies) {
  const test::ServedDatabase served = test::ReadServedDatabase(ServedFolder());
  ASSERT_FALSE(served.file.empty());
  ASSERT_EQ(served.signature.size(), kSignatureBytes);
  int downloads = 0;
  // No carried chunks: only the downloaded copy can make this run.
  CDetectAVWrapper detector(
      [&]() -> std::optional<DownloadedDatabase> {
        ++downloads;
        return DownloadedDatabase{served.file, served.signature};
      },
      [] { return std::optional<BuiltInChunks>(); });
  const Outcome outcome = Detect(detector);
  EXPECT_EQ(downloads, 1);
  EXPECT_EQ(outcome.messages, 1);
  EXPECT_TRUE(outcome.listed);
  EXPECT_EQ(outcome.compatibility, "");
}

TEST(DetectAV, NeverFinishesWithoutADatabase) {
  const test::ServedDatabase served = test::ReadServedDatabase(ServedFolder());
  std::string tampered = served.file;
  tampered[tampered.size() / 2] ^= 0x20;
  CDetectAVWrapper detector(
      [&]() -> std::optional<DownloadedDatabase> { return DownloadedDatabase{tampered, served.signature}; },
      [] { return std::optional<BuiltInChunks>(); });
  EXPECT_EQ(detector.GetCompatibilityText(), "# compatibility_mode=crash\r\n");
  const Outcome outcome = Detect(detector, 0);
  EXPECT_EQ(outcome.messages, 0);
  EXPECT_FALSE(outcome.listed);
  EXPECT_FALSE(detector.IsRunning());
  EXPECT_EQ(outcome.compatibility, "# compatibility_mode=crash\r\n");
}

}  // namespace
}  // namespace qws
