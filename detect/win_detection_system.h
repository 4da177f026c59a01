// The detection rules' view of a real Windows computer: the registry in both views, files and
// directories, the service control manager, the process list and the clock.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>

#include "base/reg_key.h"
#include "base/scoped_handle.h"
#include "detect/detection_system.h"

namespace qws {

class WinDetectionSystem : public DetectionSystem {
 public:
  int OsCode() override;
  int WindowsBits() override;
  bool KeyExists(RegRoot root, const std::u16string& key, RegView view) override;
  std::optional<std::u16string> ReadValue(RegRoot root, const std::u16string& key,
                                          const std::u16string& name, RegView view) override;
  std::optional<std::u16string> FirstSubkey(RegRoot root, const std::u16string& key,
                                            RegView view) override;
  std::optional<int64_t> DirectoryTime(const std::u16string& path) override;
  std::optional<int64_t> FileTime(const std::u16string& path) override;
  std::vector<std::u16string> ListNames(const std::u16string& folder, bool directories) override;
  std::optional<std::string> ReadFileRange(const std::u16string& path, uint64_t offset,
                                           uint32_t size) override;
  std::optional<std::string> ReadFileHead(const std::u16string& path, uint32_t maxBytes) override;
  std::optional<ServiceStatusInfo> QueryService(const std::u16string& name) override;
  ProcessState FindProcess(const std::u16string& imageName) override;
  int64_t Now() override;
  std::optional<int64_t> LocalTimeToUtc(int year, int month, int day, int hour, int minute,
                                        int second) override;

 private:
  REGSAM ViewFlag(RegView view);
  // Opens a key for reading. Keys found missing, and a missing top-level vendor key above them,
  // are remembered for the run: the rules of one vendor share their roots, and every open is a
  // round trip to the registry server.
  bool OpenKey(RegRoot root, const std::u16string& key, RegView view, RegKey* opened);
  std::optional<std::set<std::wstring>> ListServiceNames();

  int osCode_ = -1;  // -1 until asked
  ScopedServiceHandle manager_;
  bool managerOpened_ = false;
  // Each query of the service manager is a round trip to another process: the names of all
  // services are listed once, so that a name not among them needs no query, and each answer
  // is kept for the run.
  std::optional<std::set<std::wstring>> serviceNames_;
  std::map<std::wstring, std::optional<ServiceStatusInfo>> serviceAnswers_;
  std::set<std::wstring> missingKeys_;
};

// The OS code of a version record (platform 2 is NT; 1 is the 9x line).
int OsCodeFor(DWORD platform, DWORD major, DWORD minor, WORD servicePackMajor, BYTE productType);

}  // namespace qws
