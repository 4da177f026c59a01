// What the rule evaluation asks of the computer: registry, files, services, processes, clock.
// The evaluation itself is platform-neutral; win_detection_system.* answers on Windows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qws {

enum class RegRoot { None, ClassesRoot, CurrentUser, LocalMachine, Users, CurrentConfig };
enum class RegView { Bits64, Bits32 };

// The fields of a service's status, as QueryServiceStatus reports them.
struct ServiceStatusInfo {
  uint32_t serviceType = 0;
  uint32_t currentState = 0;
  uint32_t controlsAccepted = 0;
  uint32_t win32ExitCode = 0;
  uint32_t serviceSpecificExitCode = 0;
  uint32_t checkPoint = 0;
  uint32_t waitHint = 0;
};

enum class ProcessState { NotRunning, Accessible, Inaccessible };

class DetectionSystem {
 public:
  virtual ~DetectionSystem() = default;

  // The classification of the running Windows version (0 when unknown).
  virtual int OsCode() = 0;
  // 32 or 64, 0 when it cannot be determined.
  virtual int WindowsBits() = 0;

  virtual bool KeyExists(RegRoot root, const std::u16string& key, RegView view) = 0;
  // REG_SZ and REG_EXPAND_SZ as written, REG_DWORD in decimal, REG_BINARY as decimal bytes
  // separated by spaces; nothing for other types or a missing value.
  virtual std::optional<std::u16string> ReadValue(RegRoot root, const std::u16string& key,
                                                  const std::u16string& name, RegView view) = 0;
  virtual std::optional<std::u16string> FirstSubkey(RegRoot root, const std::u16string& key,
                                                    RegView view) = 0;

  // Last-write times in seconds since 1970 (UTC): of an existing directory, of a file that can
  // be opened.
  virtual std::optional<int64_t> DirectoryTime(const std::u16string& path) = 0;
  virtual std::optional<int64_t> FileTime(const std::u16string& path) = 0;
  // The names of the subdirectories (or of the files) of a folder that ends in a backslash.
  virtual std::vector<std::u16string> ListNames(const std::u16string& folder,
                                                bool directories) = 0;
  // Exactly `size` bytes at `offset`, nothing when the file is shorter or cannot be read.
  virtual std::optional<std::string> ReadFileRange(const std::u16string& path, uint64_t offset,
                                                   uint32_t size) = 0;
  // The first bytes of a file, at most maxBytes.
  virtual std::optional<std::string> ReadFileHead(const std::u16string& path,
                                                  uint32_t maxBytes) = 0;

  virtual std::optional<ServiceStatusInfo> QueryService(const std::u16string& name) = 0;
  virtual ProcessState FindProcess(const std::u16string& imageName) = 0;

  virtual int64_t Now() = 0;
  // A local calendar time as seconds since 1970 (UTC); nothing when it is not a valid time.
  virtual std::optional<int64_t> LocalTimeToUtc(int year, int month, int day, int hour,
                                                int minute, int second) = 0;
};

}  // namespace qws
