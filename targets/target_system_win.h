// The target logic's view of the real computer.
#pragma once

#include <windows.h>

#include "targets/target_list.h"

namespace qws {

class WindowsTargetSystem : public TargetSystem {
 public:
  std::vector<DriveRoot> Drives() const override;
  bool IsExistingNonFolder(std::u16string_view path) const override;
};

// The display texts from the program's string table.
TargetTexts LoadTargetTexts();

// Widths as `dc` draws text with the font selected into it.
TextWidth DeviceContextTextWidth(HDC dc);

}  // namespace qws
