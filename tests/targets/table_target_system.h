// A computer whose drives and files a test chooses.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "targets/target_list.h"

namespace qws::test {

class TableTargetSystem : public TargetSystem {
 public:
  TableTargetSystem(std::vector<DriveRoot> drives, std::set<std::u16string> files = {})
      : drives_(std::move(drives)), files_(std::move(files)) {}
  std::vector<DriveRoot> Drives() const override { return drives_; }
  bool IsExistingNonFolder(std::u16string_view path) const override {
    return files_.count(std::u16string(path)) != 0;
  }

 private:
  std::vector<DriveRoot> drives_;
  std::set<std::u16string> files_;
};

}  // namespace qws::test
