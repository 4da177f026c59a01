#include "targets/wnet_enumerator.h"

#include <winnetwk.h>

#include <string>

#include "base/scoped_handle.h"
#include "base/u16.h"

namespace qws {

namespace {

constexpr DWORD kBufferBytes = 16384;

struct NetEnumTraits {
  using Handle = HANDLE;
  static Handle Null() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { WNetCloseEnum(h); }
};
using ScopedNetEnum = GenericScopedHandle<NetEnumTraits>;

std::u16string Copy(const wchar_t* text) { return text ? ToU16(text) : std::u16string(); }

class WNetEnumeration : public NetworkEnumeration {
 public:
  WNetEnumeration(ScopedNetEnum handle, std::vector<uint64_t>& buffer)
      : handle_(std::move(handle)), buffer_(buffer) {}

  Status Next(std::vector<NetResource>& entries) override {
    entries.clear();
    DWORD count = 0xFFFFFFFF;
    DWORD size = kBufferBytes;
    const DWORD status = WNetEnumResourceW(handle_.get(), &count, buffer_.data(), &size);
    if (status == ERROR_NO_MORE_ITEMS) return Status::NoMoreItems;
    if (status != NO_ERROR) return Status::Failed;
    const auto* resources = reinterpret_cast<const NETRESOURCEW*>(buffer_.data());
    for (DWORD i = 0; i < count; ++i) {
      const NETRESOURCEW& r = resources[i];
      entries.push_back({r.dwScope, r.dwType, r.dwDisplayType, r.dwUsage, Copy(r.lpLocalName),
                         Copy(r.lpRemoteName), Copy(r.lpComment), Copy(r.lpProvider)});
    }
    return Status::Entries;
  }

 private:
  ScopedNetEnum handle_;
  std::vector<uint64_t>& buffer_;
};

}  // namespace

std::unique_ptr<NetworkEnumeration> WNetEnumerator::Open(const NetResource* container) {
  std::wstring local, remote, comment, provider;
  NETRESOURCEW resource{};
  if (container) {
    local = ToWide(container->localName);
    remote = ToWide(container->remoteName);
    comment = ToWide(container->comment);
    provider = ToWide(container->provider);
    resource.dwScope = container->scope;
    resource.dwType = container->type;
    resource.dwDisplayType = container->displayType;
    resource.dwUsage = container->usage;
    resource.lpLocalName = local.empty() ? nullptr : local.data();
    resource.lpRemoteName = remote.empty() ? nullptr : remote.data();
    resource.lpComment = comment.empty() ? nullptr : comment.data();
    resource.lpProvider = provider.empty() ? nullptr : provider.data();
  }
  HANDLE raw = nullptr;
  if (WNetOpenEnumW(RESOURCE_GLOBALNET, RESOURCETYPE_DISK, 0, container ? &resource : nullptr,
                    &raw) != NO_ERROR) {
    return nullptr;
  }
  ScopedNetEnum handle(raw);
  if (buffer_.empty()) {
    try {
      buffer_.resize(kBufferBytes / sizeof(uint64_t));
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
  }
  return std::make_unique<WNetEnumeration>(std::move(handle), buffer_);
}

}  // namespace qws
