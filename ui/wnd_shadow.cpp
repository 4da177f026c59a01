#include "ui/wnd_shadow.h"

#include <cstring>
#include <map>
#include <vector>

#include "base/scoped_handle.h"
#include "ui/gdi.h"

namespace qws {

namespace {

constexpr wchar_t kShadowClass[] = L"LumenShadowWnd";
constexpr UINT kCompositionChanged = 0x031E;  // WM_DWMCOMPOSITIONCHANGED

using UpdateLayeredWindowFn = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF,
                                            BLENDFUNCTION*, DWORD);
using DwmIsCompositionEnabledFn = HRESULT(WINAPI*)(BOOL*);

struct ProcessShadowState {
  bool initialised = false;
  UpdateLayeredWindowFn updateLayeredWindow = nullptr;
  DwmIsCompositionEnabledFn compositionEnabled = nullptr;
  ScopedModule dwmapi;
  std::map<HWND, CWndShadow*> shadows;  // parent window to its shadow
};

ProcessShadowState& State() {
  static ProcessShadowState state;
  return state;
}

// The rows of the window's region, or of its rectangle when it has none.
std::vector<RowSpan> WindowShape(HWND window, int width, int height) {
  std::vector<RowSpan> spans(static_cast<size_t>(height), RowSpan{0, width - 1});
  ScopedRegion region(CreateRectRgn(0, 0, 0, 0));
  const int kind = GetWindowRgn(window, region.get());
  if (kind == ERROR || kind == NULLREGION) return spans;
  for (int y = 0; y < height; ++y) {
    RowSpan span{1, 0};
    for (int x = 0; x < width; ++x) {
      if (PtInRegion(region.get(), x, y)) {
        if (span.empty()) span.left = x;
        span.right = x;
      }
    }
    spans[static_cast<size_t>(y)] = span;
  }
  return spans;
}

}  // namespace

bool CWndShadow::Initialise(HINSTANCE instance) {
  ProcessShadowState& state = State();
  if (state.initialised) return state.updateLayeredWindow != nullptr;
  state.initialised = true;
  HMODULE user32 = GetModuleHandleW(L"USER32.DLL");
  if (user32) {
    state.updateLayeredWindow = reinterpret_cast<UpdateLayeredWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(user32, "UpdateLayeredWindow")));
  }
  if (!state.updateLayeredWindow) return false;
  state.dwmapi.reset(LoadLibraryExW(L"dwmapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  if (state.dwmapi) {
    state.compositionEnabled = reinterpret_cast<DwmIsCompositionEnabledFn>(
        reinterpret_cast<void*>(GetProcAddress(state.dwmapi.get(), "DwmIsCompositionEnabled")));
  }
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kShadowClass;
  RegisterClassExW(&wc);
  return true;
}

CWndShadow::~CWndShadow() {
  if (parent_ && parentProc_ && IsWindow(parent_)) {
    SetWindowLongPtrW(parent_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(parentProc_));
  }
  if (parent_) State().shadows.erase(parent_);
  if (shadow_) DestroyWindow(shadow_);
}

bool CWndShadow::Create(HWND parent) {
  ProcessShadowState& state = State();
  if (!state.updateLayeredWindow || !parent || shadow_) return false;
  shadow_ = CreateWindowExW(WS_EX_LAYERED | WS_EX_TRANSPARENT, kShadowClass, nullptr,
                            WS_POPUPWINDOW & ~WS_BORDER, CW_USEDEFAULT, 0, 0, 0, parent, nullptr,
                            reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE)),
                            nullptr);
  if (!shadow_) return false;
  parent_ = parent;
  status_ = kEnabled;
  if (CompositionEnabled()) status_ |= kComposition;
  Show();
  state.shadows[parent] = this;
  parentProc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWndShadow::ParentProc)));
  return true;
}

bool CWndShadow::CompositionEnabled() const {
  BOOL enabled = FALSE;
  auto query = State().compositionEnabled;
  return query && SUCCEEDED(query(&enabled)) && enabled;
}

void CWndShadow::Show() {
  status_ &= ~kShown;
  if ((status_ & kEnabled) && !(status_ & kComposition)) {
    const LONG style = GetWindowLongW(parent_, GWL_STYLE);
    // While the parent is being shown its style does not say so yet: the bit set on
    // WM_SHOWWINDOW counts as well.
    if ((style & WS_VISIBLE) || (status_ & kParentVisible)) {
      status_ |= kParentVisible;
      if (!(style & (WS_MAXIMIZE | WS_MINIMIZE))) status_ |= kShown;
    }
  }
  if (status_ & kShown) {
    ShowWindow(shadow_, SW_SHOWNOACTIVATE);
    Update();
  } else {
    ShowWindow(shadow_, SW_HIDE);
  }
}

void CWndShadow::MoveToParent() {
  RECT rect{};
  GetWindowRect(parent_, &rect);
  SetWindowPos(shadow_, nullptr, rect.left + params_.xOffset - params_.size,
               rect.top + params_.yOffset - params_.size, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWndShadow::Update() {
  RECT rect{};
  GetWindowRect(parent_, &rect);
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return;
  const ShadowPicture picture = RenderShadow(WindowShape(parent_, width, height), width, height, params_);
  if (picture.pixels.empty()) return;

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = picture.width;
  info.bmiHeader.biHeight = -picture.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  ScopedBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || !bits) return;
  std::memcpy(bits, picture.pixels.data(), picture.pixels.size() * sizeof(uint32_t));
  GdiFlush();

  BitmapDc source(bitmap.get());
  POINT destination = {rect.left + params_.xOffset - params_.size, rect.top + params_.yOffset - params_.size};
  SIZE size = {picture.width, picture.height};
  POINT origin = {0, 0};
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  SetWindowPos(shadow_, nullptr, destination.x, destination.y, size.cx, size.cy,
               SWP_NOZORDER | SWP_NOACTIVATE);
  State().updateLayeredWindow(shadow_, nullptr, &destination, &size, source.dc(), &origin, 0, &blend,
                              ULW_ALPHA);
}

LRESULT CALLBACK CWndShadow::ParentProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto& shadows = State().shadows;
  const auto found = shadows.find(window);
  if (found == shadows.end()) return DefWindowProcW(window, message, wparam, lparam);
  return found->second->OnParentMessage(message, wparam, lparam);
}

LRESULT CWndShadow::OnParentMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  const WNDPROC previous = parentProc_;
  const HWND parent = parent_;
  const bool active = (status_ & kEnabled) && !(status_ & kComposition);
  switch (message) {
    case WM_MOVE:
      if (status_ & kShown) MoveToParent();
      break;
    case WM_SIZE:
      if (!active) break;
      if (wparam == SIZE_MINIMIZED || wparam == SIZE_MAXIMIZED) {
        ShowWindow(shadow_, SW_HIDE);
        status_ &= ~kShown;
      } else if (GetWindowLongW(parent_, GWL_STYLE) & WS_VISIBLE) {
        status_ |= kParentVisible;
        const WORD width = LOWORD(lparam), height = HIWORD(lparam);
        if (!(status_ & kShown)) {
          status_ |= kShown;
          ShowWindow(shadow_, SW_SHOWNOACTIVATE);
          Update();
        } else if (width <= lastWidth_ && height <= lastHeight_) {
          Update();  // shrinking: at once, or the old shadow shows beyond the window
        } else {
          updatePending_ = true;  // growing: with the next paint, when the window shows its new size
        }
        lastWidth_ = width;
        lastHeight_ = height;
      }
      break;
    case WM_ACTIVATE:
      params_ = LOWORD(wparam) != WA_INACTIVE ? ActiveShadow(params_) : InactiveShadow(params_);
      updatePending_ = true;
      if (status_ & kShown) {
        Update();
        updatePending_ = false;
      }
      break;
    case WM_PAINT:
      if (updatePending_ && (status_ & kShown)) {
        Update();
        updatePending_ = false;
      }
      break;
    case WM_SHOWWINDOW:
      if (!active) break;
      {
        const LRESULT result = CallWindowProcW(previous, parent, message, wparam, lparam);
        if (wparam) {
          status_ |= kShown | kParentVisible;
          updatePending_ = true;
          Show();
        } else {
          ShowWindow(shadow_, SW_HIDE);
          status_ &= ~(kShown | kParentVisible);
        }
        return result;
      }
    case WM_EXITSIZEMOVE:
      if (status_ & kShown) Update();
      break;
    case kCompositionChanged:
      if (CompositionEnabled()) {
        status_ |= kComposition;
      } else {
        status_ &= ~kComposition;
      }
      Show();
      break;
    case WM_DESTROY:
      if (shadow_) DestroyWindow(shadow_);
      shadow_ = nullptr;
      break;
    case WM_NCDESTROY:
      State().shadows.erase(parent);
      SetWindowLongPtrW(parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
      parent_ = nullptr;
      parentProc_ = nullptr;
      return CallWindowProcW(previous, parent, message, wparam, lparam);
    default:
      break;
  }
  return CallWindowProcW(previous, parent, message, wparam, lparam);
}

}  // namespace qws
