// The network worker with a scripted network: the order in which requests are served, the
// records handed over, and stopping while an enumeration hangs.
#include <gtest/gtest.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "base/u16.h"
#include "targets/network_browse.h"
#include "tests/targets/scripted_network.h"

namespace qws {
namespace {

using namespace std::chrono_literals;
using test::ScriptedEnumerator;
using test::ScriptedNetwork;

NetResource Server(std::u16string name) {
  NetResource r;
  r.displayType = kDisplayTypeServer;
  r.usage = kUsageContainer;
  r.remoteName = u"\\\\" + std::move(name);
  return r;
}

NetworkRequest RequestFor(NodeId node, std::u16string container) {
  NetworkRequest request;
  request.node = node;
  request.hasResource = true;
  request.resource.remoteName = std::move(container);
  return request;
}

TEST(NetworkWorker, ServesTheNewestRequestFirstAndHandsOverSortedRecords) {
  ScriptedNetwork net;
  net.containers[u""] = {};
  net.containers[u"gate"] = {Server(u"G")};
  net.containers[u"one"] = {Server(u"ZED"), Server(u"alpha")};
  net.containers[u"two"] = {Server(u"B")};
  net.slow = u"gate";
  std::mutex lock;
  std::vector<std::pair<NodeId, std::vector<std::u16string>>> delivered;
  int busyChanges = 0;
  NetworkWorker worker(
      std::make_unique<ScriptedEnumerator>(net),
      [&](const NetworkRequest& request, std::vector<TargetRecord>& records) {
        std::vector<std::u16string> names;
        for (const TargetRecord& r : records) names.push_back(r.name);
        std::lock_guard<std::mutex> guard(lock);
        delivered.push_back({request.node, names});
      },
      [&] {
        std::lock_guard<std::mutex> guard(lock);
        ++busyChanges;
      });
  ASSERT_TRUE(worker.Start());
  worker.Queue(RequestFor(1, u"gate"));
  // While the gate hangs, three more requests queue up; the empty top level gives nothing.
  ASSERT_TRUE([&] {
    for (int i = 0; i < 500 && !worker.busy(); ++i) std::this_thread::sleep_for(2ms);
    return worker.busy();
  }());
  worker.Queue(RequestFor(2, u"one"));
  NetworkRequest top;
  top.node = 3;
  worker.Queue(top);
  worker.Queue(RequestFor(4, u"two"));
  worker.Queue(RequestFor(5, u"missing"));
  {
    std::lock_guard<std::mutex> guard(net.lock);
    net.released = true;
    net.changed.notify_all();
  }
  for (int i = 0; i < 1000 && (worker.busy() || worker.queued() > 0); ++i) {
    std::this_thread::sleep_for(2ms);
  }
  EXPECT_FALSE(worker.busy());
  EXPECT_EQ(worker.queued(), 0u);
  EXPECT_TRUE(worker.Stop(2s));

  EXPECT_EQ(net.opened, (std::vector<std::u16string>{u"gate", u"missing", u"two", u"", u"one"}));
  std::lock_guard<std::mutex> guard(lock);
  ASSERT_EQ(delivered.size(), 3u);
  EXPECT_EQ(delivered[0].first, 1u);
  EXPECT_EQ(delivered[1].first, 4u);
  EXPECT_EQ(delivered[2].first, 2u);
  EXPECT_EQ(delivered[2].second, (std::vector<std::u16string>{u"Alpha", u"Zed"}));
  // Busy at the start of each round and idle again at its end.
  EXPECT_GE(busyChanges, 2);
  EXPECT_EQ(busyChanges % 2, 0);
  EXPECT_EQ(net.openEnumerations, 0);
}

TEST(NetworkWorker, AHangingEnumerationDoesNotHoldUpTheCloseAndIsCleanedUpLater) {
  ScriptedNetwork net;
  net.containers[u"slow"] = {Server(u"S")};
  net.slow = u"slow";
  std::atomic<int> deliveries{0};
  {
    NetworkWorker worker(
        std::make_unique<ScriptedEnumerator>(net),
        [&](const NetworkRequest&, std::vector<TargetRecord>&) { ++deliveries; }, {});
    ASSERT_TRUE(worker.Start());
    worker.Queue(RequestFor(1, u"slow"));
    for (int i = 0; i < 500 && net.openEnumerations == 0; ++i) std::this_thread::sleep_for(2ms);
    ASSERT_EQ(net.openEnumerations, 1);
    int pumps = 0;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(worker.Stop(100ms, [&] { ++pumps; }));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_GT(pumps, 0);
    EXPECT_FALSE(worker.running());
  }
  // The worker outlives its owner, ends once the network answers, delivers nothing and frees
  // the enumeration and the enumerator.
  {
    std::lock_guard<std::mutex> guard(net.lock);
    net.released = true;
    net.changed.notify_all();
  }
  std::unique_lock<std::mutex> guard(net.lock);
  EXPECT_TRUE(net.changed.wait_for(guard, 10s, [&] { return net.liveEnumerators == 0; }));
  EXPECT_EQ(net.openEnumerations, 0);
  EXPECT_EQ(deliveries, 0);
}

TEST(NetworkWorker, StopsAtOnceWhenIdleOrNeverStarted) {
  ScriptedNetwork net;
  NetworkWorker idle(std::make_unique<ScriptedEnumerator>(net), {}, {});
  EXPECT_TRUE(idle.Stop(0ms));
  ASSERT_TRUE(idle.Start());
  EXPECT_TRUE(idle.Stop(2s));
}

}  // namespace
}  // namespace qws
