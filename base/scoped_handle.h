// Move-only owners of Windows handles, built on one traits template.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <winsvc.h>

#include <utility>

namespace qws {

template <class Traits>
class GenericScopedHandle {
 public:
  using Handle = typename Traits::Handle;

  GenericScopedHandle() = default;
  explicit GenericScopedHandle(Handle handle) : handle_(handle) {}
  GenericScopedHandle(GenericScopedHandle&& other) noexcept : handle_(other.release()) {}
  GenericScopedHandle& operator=(GenericScopedHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  GenericScopedHandle(const GenericScopedHandle&) = delete;
  GenericScopedHandle& operator=(const GenericScopedHandle&) = delete;
  ~GenericScopedHandle() { reset(); }

  Handle get() const { return handle_; }
  bool is_valid() const { return Traits::IsValid(handle_); }
  explicit operator bool() const { return is_valid(); }

  void reset(Handle handle = Traits::Null()) {
    if (Traits::IsValid(handle_)) Traits::Close(handle_);
    handle_ = handle;
  }
  [[nodiscard]] Handle release() { return std::exchange(handle_, Traits::Null()); }

 private:
  Handle handle_ = Traits::Null();
};

// Kernel objects: both null and INVALID_HANDLE_VALUE mean "none".
struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle Null() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { ::CloseHandle(h); }
};
using ScopedHandle = GenericScopedHandle<KernelHandleTraits>;

struct FindHandleTraits {
  using Handle = HANDLE;
  static Handle Null() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { ::FindClose(h); }
};
using ScopedFindHandle = GenericScopedHandle<FindHandleTraits>;

struct ModuleTraits {
  using Handle = HMODULE;
  static Handle Null() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::FreeLibrary(h); }
};
using ScopedModule = GenericScopedHandle<ModuleTraits>;

struct SocketTraits {
  using Handle = SOCKET;
  static Handle Null() { return INVALID_SOCKET; }
  static bool IsValid(Handle h) { return h != INVALID_SOCKET; }
  static void Close(Handle h) { ::closesocket(h); }
};
using ScopedSocket = GenericScopedHandle<SocketTraits>;

// GDI objects (bitmaps, fonts, brushes, pens, regions): DeleteObject.
template <class T>
struct GdiObjectTraits {
  using Handle = T;
  static Handle Null() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::DeleteObject(h); }
};
using ScopedBitmap = GenericScopedHandle<GdiObjectTraits<HBITMAP>>;
using ScopedFont = GenericScopedHandle<GdiObjectTraits<HFONT>>;
using ScopedBrush = GenericScopedHandle<GdiObjectTraits<HBRUSH>>;
using ScopedPen = GenericScopedHandle<GdiObjectTraits<HPEN>>;
using ScopedRegion = GenericScopedHandle<GdiObjectTraits<HRGN>>;

// Memory device contexts made by CreateCompatibleDC.
struct MemoryDcTraits {
  using Handle = HDC;
  static Handle Null() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::DeleteDC(h); }
};
using ScopedMemoryDc = GenericScopedHandle<MemoryDcTraits>;

struct IconTraits {
  using Handle = HICON;
  static Handle Null() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::DestroyIcon(h); }
};
using ScopedIcon = GenericScopedHandle<IconTraits>;

// Service control manager and service handles.
struct ServiceHandleTraits {
  using Handle = SC_HANDLE;
  static Handle Null() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::CloseServiceHandle(h); }
};
using ScopedServiceHandle = GenericScopedHandle<ServiceHandleTraits>;

// Registry keys the system hands out already open (RegOpenCurrentUser); keys opened by name
// belong in RegKey (base/reg_key.h).
struct RegistryKeyTraits {
  using Handle = HKEY;
  static Handle Null() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::RegCloseKey(h); }
};
using ScopedRegistryKey = GenericScopedHandle<RegistryKeyTraits>;

// Memory that system functions hand out for the caller to release with GlobalFree (the texts of
// the Internet settings queries, for instance).
struct GlobalMemoryTraits {
  using Handle = HGLOBAL;
  static Handle Null() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::GlobalFree(h); }
};
using ScopedGlobalMemory = GenericScopedHandle<GlobalMemoryTraits>;

// WinINet handles (HINTERNET). Closed through the entry point of the loaded library, so that
// code that loads WinINet at run time needs no import of it: a handle can only exist while the
// library that made it is loaded. Kept free of <wininet.h>, which clashes with <winhttp.h>.
struct InternetHandleTraits {
  using Handle = void*;
  static Handle Null() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) {
    using CloseFunction = BOOL(WINAPI*)(void*);
    const HMODULE wininet = ::GetModuleHandleW(L"wininet.dll");
    const auto close = wininet ? reinterpret_cast<CloseFunction>(
                                     reinterpret_cast<void*>(::GetProcAddress(wininet, "InternetCloseHandle")))
                               : nullptr;
    if (close) close(h);
  }
};
using ScopedInternet = GenericScopedHandle<InternetHandleTraits>;

}  // namespace qws
