// Network names come from other computers, and the opener's list from storage: the tree must
// take any of them, as results, as an initial list and as a typed path.
#include <cstddef>
#include <cstdint>
#include <string>

#include "targets/target_tree.h"
#include "tests/targets/memory_tree_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::u16string text(size / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  }
  qws::test::MemoryTreeStore store;
  qws::test::TableTreeSystem system;
  system.drives = {{u"C:\\", qws::DriveKind::Fixed}};
  system.folders[u"C:\\"] = {{u"A", true}, {u"f", false}};
  std::vector<qws::NetworkRequest> requests;
  qws::TargetTree tree(store, system, true, [&](qws::NetworkRequest r) { requests.push_back(r); });
  qws::TargetTreeLayout layout;
  layout.computerName = u"Computer";
  layout.networkName = u"Network";
  tree.Build(layout);
  tree.SetInitialList(text);
  tree.ApplyInitialSelection();

  // Each "|"-separated part is one entry of every display type, from the remote name.
  std::vector<qws::TargetRecord> records;
  for (const std::u16string& name : qws::SplitTargets(text)) {
    for (uint32_t type : {qws::kDisplayTypeDomain, qws::kDisplayTypeServer,
                          qws::kDisplayTypeShare, qws::kDisplayTypeNetwork}) {
      qws::NetResource entry;
      entry.displayType = type;
      entry.usage = qws::kUsageContainer;
      entry.remoteName = name;
      if (auto record = qws::RecordFromNetResource(entry)) {
        if (record->name.empty() || record->name.size() > qws::kNodeNameChars) __builtin_trap();
        records.push_back(*record);
      }
    }
  }
  qws::SortTargetRecords(records);
  for (int round = 0; round < 3 && !requests.empty(); ++round) {
    const qws::NetworkRequest request = requests.back();
    requests.pop_back();
    tree.InsertNetworkResults(request, records, text);
  }
  tree.FollowTypedPath(text);
  if (store.FirstChild(0)) tree.ToggleCheck(store.FirstChild(0));
  tree.SyncPresetCombo(0, qws::CheckState::Unchecked);
  const std::u16string result = tree.BuildResult();
  // Nothing of the opener's list is lost unless the tree collected it.
  for (const std::u16string& item : tree.unresolved()) {
    // A literal "~\" item is the compact form's own mark and may take a parent.
    if (!item.empty() && item.find(u'~') == std::u16string::npos &&
        !qws::TargetListContains(qws::UncompactTargets(result), item)) {
      __builtin_trap();
    }
  }
  return 0;
}
