// A scripted network of domains, servers and shares behind the enumeration seam, for the
// worker and the dialog: it counts what is open and can hold one container until released.
#pragma once

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "targets/network_browse.h"

namespace qws::test {

// Containers by remote name ("" is the top level); the container named in `slow` blocks until
// released. Counts open enumerations and live enumerators.
struct ScriptedNetwork {
  std::mutex lock;
  std::condition_variable changed;
  std::map<std::u16string, std::vector<NetResource>> containers;
  std::u16string slow = u"-";
  bool released = false;
  int openEnumerations = 0, liveEnumerators = 0;
  std::vector<std::u16string> opened;
};

class ScriptedEnumeration : public NetworkEnumeration {
 public:
  ScriptedEnumeration(ScriptedNetwork& net, std::vector<NetResource> entries, bool slow)
      : net_(net), entries_(std::move(entries)), slow_(slow) {}
  ~ScriptedEnumeration() override {
    std::lock_guard<std::mutex> guard(net_.lock);
    --net_.openEnumerations;
    net_.changed.notify_all();
  }
  Status Next(std::vector<NetResource>& entries) override {
    if (slow_) {
      std::unique_lock<std::mutex> guard(net_.lock);
      net_.changed.wait(guard, [&] { return net_.released; });
    }
    if (done_) return Status::NoMoreItems;
    done_ = true;
    entries = entries_;
    return Status::Entries;
  }

 private:
  ScriptedNetwork& net_;
  std::vector<NetResource> entries_;
  bool slow_;
  bool done_ = false;
};

class ScriptedEnumerator : public NetworkEnumerator {
 public:
  explicit ScriptedEnumerator(ScriptedNetwork& net) : net_(net) {
    std::lock_guard<std::mutex> guard(net_.lock);
    ++net_.liveEnumerators;
  }
  ~ScriptedEnumerator() override {
    std::lock_guard<std::mutex> guard(net_.lock);
    --net_.liveEnumerators;
    net_.changed.notify_all();
  }
  std::unique_ptr<NetworkEnumeration> Open(const NetResource* container) override {
    std::lock_guard<std::mutex> guard(net_.lock);
    const std::u16string name = container ? container->remoteName : u"";
    net_.opened.push_back(name);
    const auto found = net_.containers.find(name);
    if (found == net_.containers.end()) return nullptr;
    ++net_.openEnumerations;
    return std::make_unique<ScriptedEnumeration>(net_, found->second, name == net_.slow);
  }

 private:
  ScriptedNetwork& net_;
};

}  // namespace qws::test
