// Browsing the disk shares of the network: the records of one container's listing, the seam
// in front of the system's network enumeration, and the worker that serves the tree's
// requests newest first.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "targets/target_tree_store.h"

namespace qws {

// The fields of a NETRESOURCEW, with strings of its own.
struct NetResource {
  uint32_t scope = 0, type = 0, displayType = 0, usage = 0;
  std::u16string localName, remoteName, comment, provider;
};

inline constexpr uint32_t kDisplayTypeDomain = 1;   // RESOURCEDISPLAYTYPE_DOMAIN
inline constexpr uint32_t kDisplayTypeServer = 2;   // RESOURCEDISPLAYTYPE_SERVER
inline constexpr uint32_t kDisplayTypeShare = 3;    // RESOURCEDISPLAYTYPE_SHARE
inline constexpr uint32_t kDisplayTypeNetwork = 6;  // RESOURCEDISPLAYTYPE_NETWORK
inline constexpr uint32_t kUsageContainer = 2;      // RESOURCEUSAGE_CONTAINER

// Longest node name; longer names are cut.
inline constexpr size_t kNodeNameChars = 260;

// One child before it is inserted into the tree: a folder listing's entry or a network result.
struct TargetRecord {
  std::u16string name;
  int icon = -1;                // image index, or -1 when the inserting thread looks it up
  std::u16string iconName;      // network results: the name whose shell icon is shown
  TargetNodeKind kind = TargetNodeKind::FileNode;
  NetResource resource;         // network results only
};

// Folders first, then the other kinds in a fixed order; names within a kind ignoring case.
bool TargetRecordBefore(const TargetRecord& a, const TargetRecord& b);
void SortTargetRecords(std::vector<TargetRecord>& records);

// First character upper case, the rest lower case.
std::u16string Capitalised(std::u16string_view text);

// The open listing of one container.
class NetworkEnumeration {
 public:
  virtual ~NetworkEnumeration() = default;
  enum class Status { Entries, NoMoreItems, Failed };
  // The next batch of entries (replacing `entries`).
  virtual Status Next(std::vector<NetResource>& entries) = 0;
};

// The system's network enumeration of disk resources (the WNet functions on Windows).
class NetworkEnumerator {
 public:
  virtual ~NetworkEnumerator() = default;
  // The container's listing, or the network's top level without one; null when it cannot be
  // opened.
  virtual std::unique_ptr<NetworkEnumeration> Open(const NetResource* container) = 0;
};

// The record a listed entry becomes, or nothing for entries the tree does not show.
std::optional<TargetRecord> RecordFromNetResource(const NetResource& entry);

// The children of a container, sorted; stops early (unsorted) when `running` clears.
std::vector<TargetRecord> EnumerateContainer(NetworkEnumerator& enumerator,
                                             const NetResource* container,
                                             const std::atomic<bool>& running);

// A container whose children the tree asked for.
struct NetworkRequest {
  NodeId node = 0;
  bool expand = false;
  bool hasResource = false;  // false: the top level of the network
  NetResource resource;
};

// The network worker: one thread that enumerates the queued containers, the newest request
// first, and hands each result to the dialog's thread synchronously. Its state is shared with
// the thread, so a worker still blocked in the network when the dialog closes ends on its own
// later without touching the dialog.
class NetworkWorker {
 public:
  // Runs on the worker; returns once the dialog's thread has inserted the records.
  using Deliver = std::function<void(const NetworkRequest&, std::vector<TargetRecord>&)>;
  // Runs on the worker whenever the busy flag changes.
  using BusyChanged = std::function<void()>;

  NetworkWorker(std::unique_ptr<NetworkEnumerator> enumerator, Deliver deliver,
                BusyChanged busyChanged);
  ~NetworkWorker();
  NetworkWorker(const NetworkWorker&) = delete;
  NetworkWorker& operator=(const NetworkWorker&) = delete;

  bool Start();
  void Queue(NetworkRequest request);
  // Clears the running flag, wakes the worker and waits up to `wait` for it to end, calling
  // `pump` between short waits (the dialog's thread answers the worker's synchronous hand-over
  // there). True when it ended in time; otherwise it is left to end by itself.
  bool Stop(std::chrono::milliseconds wait, const std::function<void()>& pump = {});
  bool running() const;
  bool busy() const;
  size_t queued() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
  bool started_ = false;
};

}  // namespace qws
