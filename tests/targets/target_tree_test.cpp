#include "targets/target_tree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/u16.h"
#include "tests/targets/memory_tree_store.h"

namespace qws {
namespace {

using test::MemoryTreeStore;
using test::TableTreeSystem;
using S = CheckState;

constexpr char16_t kComputer[] = u"Computer";

TableTreeSystem TwoFixedDrives() {
  TableTreeSystem system;
  system.drives = {{u"C:\\", DriveKind::Fixed}, {u"D:\\", DriveKind::Fixed}};
  system.folders[u"C:\\"] = {{u"file.txt", false}, {u"A", true}, {u"Windows", true}};
  system.folders[u"C:\\A\\"] = {{u"z", false}, {u"x", false}, {u"y", false}};
  system.folders[u"C:\\Windows\\"] = {{u"win.ini", false}, {u"System32", true}};
  system.folders[u"C:\\Windows\\System32\\"] = {};
  system.folders[u"D:\\"] = {};
  return system;
}

// The dialog's logic on a tree in memory, opened as the dialog opens it.
struct Fixture {
  explicit Fixture(TableTreeSystem table, bool antiStealth = true, bool network = false)
      : system(std::move(table)),
        tree(store, system, antiStealth, [this](NetworkRequest r) { requests.push_back(r); }) {
    TargetTreeLayout layout;
    layout.computerName = kComputer;
    if (network) layout.networkName = u"Network";
    tree.Build(layout);
  }
  void Open(std::u16string_view list) {
    tree.SetInitialList(list);
    tree.ApplyInitialSelection();
  }
  NodeId Node(std::u16string_view path) { return tree.FindOrCreateNode(path, false); }
  S StateOf(std::u16string_view path) {
    if (path == kComputer) return store.Check(tree.computer());
    const NodeId node = Node(path);
    EXPECT_NE(node, 0u) << U16ToUtf8(path);
    return node ? store.Check(node) : S::None;
  }

  MemoryTreeStore store;
  TableTreeSystem system;
  std::vector<NetworkRequest> requests;
  TargetTree tree;
};

struct SelectionCase {
  const char* what;
  bool antiStealth;
  const char16_t* initial;
  std::vector<const char16_t*> toggles;  // clicked in order
  const char16_t* result;
  std::vector<std::pair<const char16_t*, S>> states;
};

TEST(TargetTree, InitialListsTogglesAndTheReturnedList) {
  const SelectionCase cases[] = {
      {"default list with anti-stealth", true, u"${Memory}|${Startup}|C:\\|D:\\", {},
       u"${Memory}|${Startup}|C:\\|D:\\",
       {{u"${Memory}", S::Checked}, {u"${Startup}", S::Checked}, {u"C:", S::Checked},
        {u"D:", S::Checked}, {kComputer, S::Checked}}},
      {"memory without anti-stealth stays unresolved and comes last", false,
       u"${Memory}|${Startup}|C:\\|D:\\", {}, u"${Startup}|C:\\|D:\\|${Memory}",
       {{u"${Startup}", S::Checked}, {kComputer, S::Checked}}},
      {"drive tokens are expanded", true, u"${DriveFixed}", {}, u"C:\\|D:\\",
       {{u"C:", S::Checked}, {u"D:", S::Checked}, {kComputer, S::Mixed}}},
      {"a boot item is never shown and returned after the collected items", true,
       u"C:\\${Boot}|${Startup}", {}, u"${Startup}|C:\\${Boot}",
       {{u"${Startup}", S::Checked}, {u"C:", S::Unchecked}}},
      {"a folder checks itself, its drive and the computer show mixed", true, u"C:\\Windows\\",
       {}, u"C:\\Windows\\",
       {{u"C:\\Windows", S::Checked}, {u"C:\\Windows\\System32", S::Checked},
        {u"C:\\Windows\\win.ini", S::Checked}, {u"C:", S::Mixed}, {kComputer, S::Mixed},
        {u"C:\\A", S::Unchecked}}},
      {"a checked computer returns its children, never an item of its own", true, u"",
       {kComputer}, u"${Memory}|${Startup}|C:\\|D:\\", {{u"C:", S::Checked}}},
      {"a checked folder returns only itself", true, u"C:\\Windows\\|C:\\Windows\\System32\\",
       {}, u"C:\\Windows\\", {{u"C:\\Windows\\System32", S::Checked}}},
      {"two files of a fuller folder are returned compact", true, u"",
       {u"C:\\A\\x", u"C:\\A\\y"}, u"C:\\A\\x|~\\y",
       {{u"C:\\A", S::Mixed}, {u"C:\\A\\z", S::Unchecked}}},
      {"all of a folder's entries check the folder", true, u"",
       {u"C:\\A\\x", u"C:\\A\\y", u"C:\\A\\z"}, u"C:\\A\\", {{u"C:\\A", S::Checked}}},
      {"a second click unchecks", true, u"C:\\A\\x", {u"C:\\A\\x"}, u"", {{u"C:", S::Unchecked}}},
      {"duplicates are returned once", true, u"C:\\Windows\\|c:\\windows\\|${Startup}|${Startup}",
       {}, u"${Startup}|C:\\Windows\\", {}},
      {"compact input is uncompacted first", true, u"C:\\A\\x|~\\y", {}, u"C:\\A\\x|~\\y",
       {{u"C:\\A\\y", S::Checked}, {u"C:\\A\\z", S::Unchecked}}},
      {"missing paths are kept", true, u"C:\\missing\\|Q:\\x|C:\\A\\x", {},
       u"C:\\A\\x|C:\\missing\\|Q:\\x", {}},
  };
  for (const SelectionCase& c : cases) {
    SCOPED_TRACE(c.what);
    Fixture f(TwoFixedDrives(), c.antiStealth);
    f.Open(c.initial);
    for (const char16_t* path : c.toggles) {
      const NodeId node = std::u16string_view(path) == kComputer ? f.tree.computer() : f.Node(path);
      ASSERT_NE(node, 0u) << U16ToUtf8(path);
      f.tree.ToggleCheck(node);
    }
    for (const auto& [path, state] : c.states) {
      EXPECT_EQ(f.StateOf(path), state) << U16ToUtf8(path);
    }
    EXPECT_EQ(U16ToUtf8(f.tree.BuildResult()), U16ToUtf8(c.result));
  }
}

TEST(TargetTree, FoldersAreListedOnceSortedFoldersFirstAndOnlyWhenExpanded) {
  Fixture f(TwoFixedDrives());
  f.Open(u"");
  const NodeId c = f.store.At({kComputer, u"C:\\"});
  EXPECT_EQ(f.store.ChildTexts(c), std::vector<std::u16string>{u"."});
  const int before = f.system.listings;
  f.tree.PopulateNode(c, true);
  EXPECT_EQ(f.store.ChildTexts(c), (std::vector<std::u16string>{u"A", u"Windows", u"file.txt"}));
  EXPECT_TRUE(f.store.node(c).expanded);
  f.tree.PopulateNode(c, true);
  EXPECT_EQ(f.system.listings, before + 1);
  // Children of a checked folder arrive checked.
  const NodeId a = f.store.At({kComputer, u"C:\\", u"A"});
  f.tree.ToggleCheck(a);
  f.tree.PopulateNode(a, false);
  EXPECT_EQ(f.store.ChildTexts(a), (std::vector<std::u16string>{u"x", u"y", u"z"}));
  for (NodeId child = f.store.FirstChild(a); child; child = f.store.NextSibling(child)) {
    EXPECT_EQ(f.store.Check(child), S::Checked);
  }
  // A folder that cannot be listed ends empty and is not asked again.
  const NodeId windows = f.store.At({kComputer, u"C:\\", u"Windows"});
  f.system.folders.erase(u"C:\\Windows\\");
  f.tree.PopulateNode(windows, true);
  f.tree.PopulateNode(windows, true);
  EXPECT_TRUE(f.store.ChildTexts(windows).empty());
  EXPECT_EQ(f.system.listings, before + 3);
}

TEST(TargetTree, ItemPathsAndNodeKeys) {
  Fixture f(TwoFixedDrives());
  f.Open(u"");
  EXPECT_EQ(f.tree.ItemPath(f.Node(u"C:\\Windows\\System32")), u"C:\\Windows\\System32");
  EXPECT_EQ(f.tree.ItemPath(f.Node(u"C:")), u"C:\\");
  EXPECT_EQ(f.tree.ItemPath(f.tree.computer()), u"");
  EXPECT_EQ(f.tree.ItemPath(f.Node(u"${Startup}")), u"");
  EXPECT_EQ(NodeKey(TargetNodeKind::DriveNode, u"C:\\"), u"C:");
  EXPECT_EQ(NodeKey(TargetNodeKind::MemoryNode, u"Operating memory"), u"${Memory}");
  // Lookups ignore case and never stop on a placeholder.
  EXPECT_NE(f.Node(u"c:\\WINDOWS"), 0u);
  EXPECT_EQ(f.Node(u"C:\\."), 0u);
  EXPECT_EQ(f.Node(u"relative\\path"), 0u);
  EXPECT_EQ(f.Node(u""), 0u);
}

TEST(TargetTree, TypingAPathExpandsAndSelectsWithoutChecking) {
  Fixture f(TwoFixedDrives());
  f.Open(u"");
  f.tree.FollowTypedPath(u"C:\\Windows");
  const NodeId windows = f.store.At({kComputer, u"C:\\", u"Windows"});
  ASSERT_NE(windows, 0u);
  EXPECT_EQ(f.store.selected, windows);
  EXPECT_TRUE(f.store.node(f.store.At({kComputer, u"C:\\"})).expanded);
  EXPECT_EQ(f.store.Check(windows), S::Unchecked);
  EXPECT_FALSE(f.tree.CanAccept());
  // The path the selection writes into the box is not looked up again.
  f.store.selected = 0;
  EXPECT_EQ(f.tree.PathForSelection(windows), u"C:\\Windows");
  f.tree.FollowTypedPath(u"c:\\windows");
  EXPECT_EQ(f.store.selected, 0u);
}

TableTreeSystem AllDriveKinds() {
  TableTreeSystem system;
  system.drives = {{u"A:\\", DriveKind::Removable}, {u"C:\\", DriveKind::Fixed},
                   {u"D:\\", DriveKind::Fixed},     {u"E:\\", DriveKind::CdRom},
                   {u"N:\\", DriveKind::Remote}};
  for (const DriveRoot& d : system.drives) system.folders[d.root] = {};
  return system;
}

TEST(TargetTree, PresetsCheckOneDriveClassAndDropTheUnresolvedItems) {
  const struct {
    int entry;
    const char16_t* result;
  } cases[] = {
      {0, u"A:\\|E:\\"}, {1, u"C:\\|D:\\"}, {2, u"N:\\"}, {kNoSelectionPreset, u""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.entry);
    Fixture f(AllDriveKinds());
    f.Open(u"${Memory}|${Startup}|C:\\${Boot}|Q:\\lost\\");
    f.tree.ApplyPreset(c.entry);
    EXPECT_EQ(f.StateOf(u"${Memory}"), S::Unchecked);
    EXPECT_TRUE(f.tree.unresolved().empty());
    EXPECT_EQ(f.tree.CanAccept(), c.entry != kNoSelectionPreset);
    EXPECT_EQ(f.tree.SyncPresetCombo(0, S::Unchecked), c.entry);
    EXPECT_EQ(U16ToUtf8(f.tree.BuildResult()), U16ToUtf8(c.result));
  }
}

TEST(TargetTree, TheComboFollowsTheDrivesCheckedByHand) {
  Fixture f(AllDriveKinds());
  f.Open(u"");
  EXPECT_EQ(f.tree.SyncPresetCombo(0, S::Unchecked), kNoSelectionPreset);
  EXPECT_FALSE(f.tree.CanAccept());
  const auto toggle = [&](std::u16string_view path) {
    const NodeId node = f.Node(path);
    f.tree.ToggleCheck(node);
    return f.tree.SyncPresetCombo(node, f.store.Check(node));
  };
  EXPECT_EQ(toggle(u"C:"), kNoPresetEntry);  // D: is fixed too and unchecked
  EXPECT_EQ(toggle(u"D:"), 1);
  EXPECT_EQ(toggle(u"${Memory}"), 1);
  EXPECT_EQ(toggle(u"A:"), kNoPresetEntry);
  EXPECT_EQ(toggle(u"A:"), 1);
  EXPECT_EQ(toggle(u"C:"), kNoPresetEntry);
  // At opening the override is the top level: only the drives themselves count.
  Fixture g(AllDriveKinds());
  g.Open(u"N:\\");
  EXPECT_EQ(g.tree.SyncPresetCombo(kTopLevel, S::Checked), 2);
  // A drive of a type outside the classes never matches a preset.
  TableTreeSystem withRam = AllDriveKinds();
  withRam.drives.push_back({u"R:\\", DriveKind::RamDisk});
  Fixture h(std::move(withRam));
  h.Open(u"C:\\|D:\\");
  EXPECT_EQ(h.tree.SyncPresetCombo(kTopLevel, S::Checked), kNoPresetEntry);
}

TEST(TargetTree, DialogPlacement) {
  const ScreenRect work{0, 0, 1280, 1000};
  const ScreenRect placed = PlaceTargetDialog(work, 600, 400);
  EXPECT_EQ(placed.left, 340);
  EXPECT_EQ(placed.top, 270);  // 45 % of 600
  EXPECT_EQ(placed.right, 940);
  const ScreenRect offset = PlaceTargetDialog({100, 30, 1100, 531}, 200, 100);
  EXPECT_EQ(offset.left, 500);
  EXPECT_EQ(offset.top, 30 + 180);  // 401 * 45 / 100 truncated
  // Taller than the work area: the title bar stays on screen.
  EXPECT_EQ(PlaceTargetDialog(work, 600, 1200).top, 0);
}

NetResource Resource(uint32_t displayType, std::u16string remote, bool container) {
  NetResource r;
  r.displayType = displayType;
  r.remoteName = std::move(remote);
  r.usage = container ? kUsageContainer : 1;
  return r;
}

std::vector<TargetRecord> Records(std::initializer_list<NetResource> entries) {
  std::vector<TargetRecord> records;
  for (const NetResource& entry : entries) records.push_back(*RecordFromNetResource(entry));
  SortTargetRecords(records);
  return records;
}

// A network of one workgroup holding one server with two shares; `dir` is a folder on one.
struct NetworkFixture : Fixture {
  NetworkFixture() : Fixture(Network(), true, true) {}
  static TableTreeSystem Network() {
    TableTreeSystem system = TwoFixedDrives();
    system.folders[u"\\\\Server\\share\\"] = {{u"dir", true}, {u"f.txt", false}};
    system.folders[u"\\\\Server\\share\\dir\\"] = {{u"deep.txt", false}, {u"more.txt", false}};
    return system;
  }
  // Answers the newest request as the worker would.
  void Answer(std::initializer_list<NetResource> entries, std::u16string_view pathText = u"") {
    ASSERT_FALSE(requests.empty());
    const NetworkRequest request = requests.back();
    requests.pop_back();
    tree.InsertNetworkResults(request, Records(entries), pathText);
  }
  void LoadToServer() {
    Answer({Resource(kDisplayTypeDomain, u"WORKGROUP", true)});
    PopulateNamed({u"Network", u"Workgroup"});
    Answer({Resource(kDisplayTypeServer, u"\\\\SERVER", true)});
  }
  void PopulateNamed(std::initializer_list<std::u16string_view> texts) {
    tree.PopulateNode(store.At(texts), true);
  }
  static NetResource Share(std::u16string name) {
    return Resource(kDisplayTypeShare, u"\\\\SERVER\\" + name, false);
  }
};

TEST(TargetTreeNetwork, ResultsBecomeNodesAndResolveTheInitialItems) {
  NetworkFixture f;
  ASSERT_EQ(f.requests.size(), 1u);  // the network's top level, queued at opening
  EXPECT_FALSE(f.requests[0].hasResource);
  f.Open(u"\\\\Server\\share\\|\\\\Server\\other\\dir\\|\\\\Server\\share\\dir\\deep.txt");
  EXPECT_EQ(f.tree.unresolved().size(), 3u);
  f.LoadToServer();
  const NodeId server = f.store.At({u"Network", u"Workgroup", u"Server"});
  ASSERT_NE(server, 0u);
  EXPECT_EQ(f.store.Check(server), S::None);
  EXPECT_EQ(f.tree.ItemPath(server), u"\\\\Server");
  EXPECT_EQ(f.tree.nodeMap().at(server).remoteName, u"\\\\SERVER");
  f.PopulateNamed({u"Network", u"Workgroup", u"Server"});
  ASSERT_EQ(f.requests.size(), 1u);
  EXPECT_TRUE(f.requests.back().hasResource);
  EXPECT_EQ(f.requests.back().resource.remoteName, u"\\\\SERVER");
  f.Answer({NetworkFixture::Share(u"share"), NetworkFixture::Share(u"other")});

  EXPECT_EQ(f.store.ChildTexts(server), (std::vector<std::u16string>{u"other", u"share"}));
  const NodeId share = f.store.At({u"Network", u"Workgroup", u"Server", u"share"});
  EXPECT_EQ(f.store.Check(share), S::Checked);
  EXPECT_EQ(f.tree.ItemPath(f.Node(u"\\\\Server\\share\\dir")), u"\\\\Server\\share\\dir");
  // "other" holds no "dir": that item stays unresolved, the rest resolved.
  EXPECT_EQ(f.tree.unresolved(), std::vector<std::u16string>{u"\\\\Server\\other\\dir\\"});
  EXPECT_EQ(U16ToUtf8(f.tree.BuildResult()),
            "\\\\Server\\share\\|\\\\Server\\other\\dir\\");
}

TEST(TargetTreeNetwork, AFileBelowAShareIsFoundWhenTheShareArrives) {
  NetworkFixture f;
  f.Open(u"\\\\Server\\share\\dir\\deep.txt");
  f.LoadToServer();
  f.PopulateNamed({u"Network", u"Workgroup", u"Server"});
  f.Answer({NetworkFixture::Share(u"share")});
  EXPECT_TRUE(f.tree.unresolved().empty());
  EXPECT_EQ(f.store.Check(f.Node(u"\\\\Server\\share")), S::Mixed);
  EXPECT_EQ(U16ToUtf8(f.tree.BuildResult()), "\\\\Server\\share\\dir\\deep.txt");
}

TEST(TargetTreeNetwork, ATypedShareIsSelectedOnceItArrives) {
  NetworkFixture f;
  f.Open(u"");
  f.LoadToServer();
  f.tree.FollowTypedPath(u"\\\\Server\\share");
  ASSERT_EQ(f.requests.size(), 1u);  // the server's shares
  f.Answer({NetworkFixture::Share(u"share"), NetworkFixture::Share(u"sharp")}, u"\\\\Server\\share");
  EXPECT_EQ(f.store.selected, f.store.At({u"Network", u"Workgroup", u"Server", u"share"}));
  EXPECT_EQ(f.store.Check(f.store.selected), S::Unchecked);
  // A typed path through a server loads it as its name arrives; a longer name that merely
  // begins like it does not.
  NetworkFixture g;
  g.Open(u"");
  g.Answer({Resource(kDisplayTypeDomain, u"WORKGROUP", true)});
  g.PopulateNamed({u"Network", u"Workgroup"});
  g.Answer({Resource(kDisplayTypeServer, u"\\\\SERV", true),
            Resource(kDisplayTypeServer, u"\\\\SERVER", true)},
           u"\\\\Server\\share");
  ASSERT_EQ(g.requests.size(), 1u);
  EXPECT_EQ(g.requests[0].resource.remoteName, u"\\\\SERVER");
}

TEST(TargetTreeNetwork, SpaceOnAServerChecksItsLoadedShares) {
  NetworkFixture f;
  f.Open(u"");
  f.LoadToServer();
  f.PopulateNamed({u"Network", u"Workgroup", u"Server"});
  f.Answer({NetworkFixture::Share(u"share"), NetworkFixture::Share(u"other")});
  f.PopulateNamed({u"Network", u"Workgroup", u"Server", u"share"});
  const NodeId server = f.store.At({u"Network", u"Workgroup", u"Server"});
  for (int press = 0; press < 2; ++press) {
    f.tree.ToggleCheck(server);
    EXPECT_EQ(f.store.Check(server), S::None);
    EXPECT_EQ(f.StateOf(u"\\\\Server\\share\\dir"), S::Checked);
    EXPECT_EQ(U16ToUtf8(f.tree.BuildResult()), "\\\\Server\\other\\|~\\share\\");
  }
}

TEST(NetworkRecords, EntriesBecomeRecordsByDisplayType) {
  const struct {
    NetResource entry;
    bool shown;
    TargetNodeKind kind;
    const char16_t* name;
  } cases[] = {
      {Resource(kDisplayTypeDomain, u"WORKGROUP", true), true, TargetNodeKind::DomainNode,
       u"Workgroup"},
      {Resource(kDisplayTypeServer, u"\\\\FILESERVER", true), true, TargetNodeKind::ServerNode,
       u"Fileserver"},
      {Resource(kDisplayTypeShare, u"\\\\FILESERVER\\Public", false), true,
       TargetNodeKind::ShareNode, u"Public"},
      {Resource(kDisplayTypeShare, u"noslash", false), true, TargetNodeKind::ShareNode,
       u"noslash"},
      {Resource(kDisplayTypeNetwork, u"Microsoft Windows Network", true), true,
       TargetNodeKind::NetworkNode, u"Microsoft Windows Network"},
      {Resource(4 /* file */, u"\\\\S\\f", false), false, TargetNodeKind::FileNode, u""},
      {Resource(kDisplayTypeServer, u"\\\\", true), false, TargetNodeKind::FileNode, u""},
      {Resource(kDisplayTypeServer, std::u16string(300, u'a'), true), true,
       TargetNodeKind::ServerNode, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(U16ToUtf8(c.entry.remoteName));
    const std::optional<TargetRecord> record = RecordFromNetResource(c.entry);
    ASSERT_EQ(record.has_value(), c.shown);
    if (!record) continue;
    EXPECT_EQ(record->kind, c.kind);
    if (c.name) {
      EXPECT_EQ(U16ToUtf8(record->name), U16ToUtf8(c.name));
    }
    EXPECT_LE(record->name.size(), kNodeNameChars);
  }
  // The local name wins, then the remote name, the comment and the provider.
  NetResource named;
  named.displayType = kDisplayTypeNetwork;
  named.provider = u"Provider";
  EXPECT_EQ(RecordFromNetResource(named)->name, u"Provider");
  named.comment = u"Comment";
  EXPECT_EQ(RecordFromNetResource(named)->name, u"Comment");
  // Folders first; names ignore case; kinds that are not folders keep one consistent order.
  std::vector<TargetRecord> records = {{u"b", 0, u"", TargetNodeKind::FileNode, {}},
                                       {u"Z", 0, u"", TargetNodeKind::FolderNode, {}},
                                       {u"a", 0, u"", TargetNodeKind::FileNode, {}},
                                       {u"B", 0, u"", TargetNodeKind::FolderNode, {}}};
  SortTargetRecords(records);
  std::u16string order;
  for (const TargetRecord& r : records) order += r.name;
  EXPECT_EQ(order, u"BZab");
  EXPECT_EQ(Capitalised(u"wORKGROUP"), u"Workgroup");
}

}  // namespace
}  // namespace qws
