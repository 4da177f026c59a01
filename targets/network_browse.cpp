#include "targets/network_browse.h"

#include <algorithm>
#include <thread>
#include <utility>

#include "targets/target_text_case.h"

namespace qws {

namespace {

int KindRank(TargetNodeKind kind) {
  return kind == TargetNodeKind::FolderNode ? 0 : static_cast<int>(kind);
}

}  // namespace

bool TargetRecordBefore(const TargetRecord& a, const TargetRecord& b) {
  // Records of two different kinds that are not folders still need an order of their own, or
  // the sort would be given an inconsistent comparison.
  if (a.kind != b.kind) return KindRank(a.kind) < KindRank(b.kind);
  return LessIgnoringCase(a.name, b.name);
}

void SortTargetRecords(std::vector<TargetRecord>& records) {
  std::stable_sort(records.begin(), records.end(), TargetRecordBefore);
}

std::u16string Capitalised(std::u16string_view text) {
  std::u16string out(text);
  for (size_t i = 0; i < out.size(); ++i) out[i] = i == 0 ? FoldCase(out[i]) : LowerCase(out[i]);
  return out;
}

std::optional<TargetRecord> RecordFromNetResource(const NetResource& entry) {
  std::u16string raw;
  bool fromRemote = false;
  if (!entry.localName.empty()) {
    raw = entry.localName;
  } else if (!entry.remoteName.empty()) {
    raw = entry.remoteName;
    fromRemote = true;
  } else if (!entry.comment.empty()) {
    raw = entry.comment;
  } else {
    raw = entry.provider;
  }
  std::u16string display = raw;
  if (fromRemote && display.starts_with(u"\\\\")) display.erase(0, 2);

  TargetRecord record;
  switch (entry.displayType) {
    case kDisplayTypeDomain:
      record.kind = TargetNodeKind::DomainNode;
      display = Capitalised(display);
      break;
    case kDisplayTypeServer:
      record.kind = TargetNodeKind::ServerNode;
      display = Capitalised(display);
      break;
    case kDisplayTypeShare: {
      record.kind = TargetNodeKind::ShareNode;
      const size_t start = display.starts_with(u"\\\\") ? 2 : 0;
      const size_t slash = display.find(u'\\', start);
      if (slash != std::u16string::npos) display.erase(0, slash + 1);
      break;
    }
    case kDisplayTypeNetwork:
      record.kind = TargetNodeKind::NetworkNode;
      break;
    default:
      return std::nullopt;
  }
  if (display.empty()) return std::nullopt;
  if (display.size() > kNodeNameChars) display.resize(kNodeNameChars);
  record.name = std::move(display);
  if (record.kind == TargetNodeKind::ServerNode || record.kind == TargetNodeKind::ShareNode) {
    record.iconName = raw;
  }
  record.resource = entry;
  return record;
}

std::vector<TargetRecord> EnumerateContainer(NetworkEnumerator& enumerator,
                                             const NetResource* container,
                                             const std::atomic<bool>& running) {
  std::vector<TargetRecord> records;
  {
    std::unique_ptr<NetworkEnumeration> enumeration = enumerator.Open(container);
    if (!enumeration) return records;
    std::vector<NetResource> entries;
    while (running && enumeration->Next(entries) == NetworkEnumeration::Status::Entries) {
      for (const NetResource& entry : entries) {
        if (!running) break;
        if (auto record = RecordFromNetResource(entry)) records.push_back(std::move(*record));
      }
    }
  }
  if (running) SortTargetRecords(records);
  return records;
}

struct NetworkWorker::State {
  std::unique_ptr<NetworkEnumerator> enumerator;
  Deliver deliver;
  BusyChanged busyChanged;
  std::atomic<bool> running{false};
  std::atomic<bool> busy{false};

  mutable std::mutex lock;  // guards the queue, `wake` and `ended`
  std::condition_variable changed;
  struct Queued {
    uint64_t id;
    NetworkRequest request;
  };
  std::vector<Queued> queue;
  uint64_t nextId = 0;
  bool wake = false;
  bool ended = false;

  void SetBusy(bool value) {
    busy = value;
    if (busyChanged && running) busyChanged();
  }

  void Run() {
    while (true) {
      {
        std::unique_lock<std::mutex> guard(lock);
        changed.wait(guard, [&] { return wake || !running; });
        wake = false;
      }
      if (!running) return;
      SetBusy(true);
      while (running) {
        Queued served;
        {
          std::lock_guard<std::mutex> guard(lock);
          if (queue.empty()) break;
          served = queue.back();
        }
        std::vector<TargetRecord> records = EnumerateContainer(
            *enumerator, served.request.hasResource ? &served.request.resource : nullptr, running);
        if (!running) return;
        {
          std::lock_guard<std::mutex> guard(lock);
          std::erase_if(queue, [&](const Queued& q) { return q.id == served.id; });
        }
        if (!records.empty() && running) deliver(served.request, records);
      }
      SetBusy(false);
    }
  }
};

NetworkWorker::NetworkWorker(std::unique_ptr<NetworkEnumerator> enumerator, Deliver deliver,
                             BusyChanged busyChanged)
    : state_(std::make_shared<State>()) {
  state_->enumerator = std::move(enumerator);
  state_->deliver = std::move(deliver);
  state_->busyChanged = std::move(busyChanged);
}

NetworkWorker::~NetworkWorker() { Stop(std::chrono::milliseconds(0)); }

bool NetworkWorker::Start() {
  if (started_) return true;
  // Set before the thread exists, so that a close right after opening is never missed.
  state_->running = true;
  try {
    std::thread([state = state_] {
      state->Run();
      state->busy = false;
      // What the owner handed over goes before the owner hears of the end, so that it may
      // free what these refer to.
      state->enumerator.reset();
      state->deliver = nullptr;
      state->busyChanged = nullptr;
      std::lock_guard<std::mutex> guard(state->lock);
      state->ended = true;
      state->changed.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    state_->running = false;
    return false;
  }
  started_ = true;
  return true;
}

void NetworkWorker::Queue(NetworkRequest request) {
  std::lock_guard<std::mutex> guard(state_->lock);
  state_->queue.push_back({state_->nextId++, std::move(request)});
  state_->wake = true;
  state_->changed.notify_all();
}

bool NetworkWorker::Stop(std::chrono::milliseconds wait, const std::function<void()>& pump) {
  if (!started_) return true;
  {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->running = false;
    state_->wake = true;
    state_->changed.notify_all();
  }
  const auto deadline = std::chrono::steady_clock::now() + wait;
  std::unique_lock<std::mutex> guard(state_->lock);
  while (!state_->ended) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return false;
    const auto step = std::min<std::chrono::steady_clock::duration>(
        deadline - now, std::chrono::milliseconds(10));
    state_->changed.wait_for(guard, step, [&] { return state_->ended; });
    if (!state_->ended && pump) {
      guard.unlock();
      pump();
      guard.lock();
    }
  }
  return true;
}

bool NetworkWorker::running() const { return state_->running; }
bool NetworkWorker::busy() const { return state_->busy; }

size_t NetworkWorker::queued() const {
  std::lock_guard<std::mutex> guard(state_->lock);
  return state_->queue.size();
}

}  // namespace qws
