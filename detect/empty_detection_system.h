// A computer on which nothing can be found: for the build's tools (which check the database
// without reading the machine they run on), the fuzz targets and host tests of the loader.
#pragma once

#include "detect/detection_system.h"

namespace qws {

class EmptyDetectionSystem : public DetectionSystem {
 public:
  explicit EmptyDetectionSystem(int bits = 0) : bits_(bits) {}
  int OsCode() override { return 0; }
  int WindowsBits() override { return bits_; }
  bool KeyExists(RegRoot, const std::u16string&, RegView) override { return false; }
  std::optional<std::u16string> ReadValue(RegRoot, const std::u16string&, const std::u16string&,
                                          RegView) override {
    return std::nullopt;
  }
  std::optional<std::u16string> FirstSubkey(RegRoot, const std::u16string&, RegView) override {
    return std::nullopt;
  }
  std::optional<int64_t> DirectoryTime(const std::u16string&) override { return std::nullopt; }
  std::optional<int64_t> FileTime(const std::u16string&) override { return std::nullopt; }
  std::vector<std::u16string> ListNames(const std::u16string&, bool) override { return {}; }
  std::optional<std::string> ReadFileRange(const std::u16string&, uint64_t, uint32_t) override {
    return std::nullopt;
  }
  std::optional<std::string> ReadFileHead(const std::u16string&, uint32_t) override {
    return std::nullopt;
  }
  std::optional<ServiceStatusInfo> QueryService(const std::u16string&) override {
    return std::nullopt;
  }
  ProcessState FindProcess(const std::u16string&) override { return ProcessState::NotRunning; }
  int64_t Now() override { return 0; }
  std::optional<int64_t> LocalTimeToUtc(int, int, int, int, int, int) override {
    return std::nullopt;
  }

 private:
  int bits_;
};

}  // namespace qws
