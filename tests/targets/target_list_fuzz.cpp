// Stored target lists are outside data: every list operation must take any text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "targets/target_list.h"
#include "tests/targets/table_target_system.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::u16string list(size / 2, u'\0');
  for (size_t i = 0; i < list.size(); ++i) {
    list[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  }
  static const qws::test::TableTargetSystem system(
      {{u"C:\\", qws::DriveKind::Fixed}, {u"E:\\", qws::DriveKind::CdRom},
       {u"N:\\", qws::DriveKind::Remote}});

  const std::u16string full = qws::UncompactTargets(list);
  const std::u16string compact = qws::CompactTargets(full);
  // A shared parent is never longer than the "~" that stands for it.
  if (compact.size() > full.size()) __builtin_trap();
  const std::u16string expanded = qws::TargetsForScan(list, system);
  for (const std::u16string& item : qws::SplitTargets(expanded)) {
    if (item.empty() || item.find(u'|') != std::u16string::npos) __builtin_trap();
    qws::IsSingleObjectTarget(item, system);
    if (!qws::TargetListContains(expanded, item)) __builtin_trap();
  }
  qws::TargetsDisplayText(list, true, false,
                          [](std::u16string_view text) { return static_cast<int>(text.size()) * 7; });
  return 0;
}
