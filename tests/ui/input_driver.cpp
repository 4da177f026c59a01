#include "tests/ui/input_driver.h"

#include <cstdlib>
#include <thread>

namespace qws::test {

void Pump(std::chrono::milliseconds time) {
  const auto end = std::chrono::steady_clock::now() + time;
  do {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
      if (root && IsDialogMessageW(root, &message)) continue;
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  } while (std::chrono::steady_clock::now() < end);
}

bool PumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < end) {
    if (condition()) return true;
    Pump(std::chrono::milliseconds(30));
  }
  return condition();
}

namespace {

void Send(INPUT input) {
  SendInput(1, &input, sizeof(input));
  Pump(std::chrono::milliseconds(60));
}

INPUT MouseInput(DWORD flags) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  return input;
}

INPUT KeyInput(WORD key, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

}  // namespace

void MoveMouse(POINT screen) {
  INPUT input = MouseInput(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE);
  input.mi.dx = MulDiv(screen.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  input.mi.dy = MulDiv(screen.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  Send(input);
}

void MouseDown() { Send(MouseInput(MOUSEEVENTF_LEFTDOWN)); }
void MouseUp() { Send(MouseInput(MOUSEEVENTF_LEFTUP)); }

void ClickAt(POINT screen) {
  MoveMouse(screen);
  MouseDown();
  MouseUp();
}

void PressKey(WORD key) {
  Send(KeyInput(key, false));
  Send(KeyInput(key, true));
}

void PressKeyWith(WORD modifier, WORD key) {
  Send(KeyInput(modifier, false));
  PressKey(key);
  Send(KeyInput(modifier, true));
}

POINT ScreenPoint(HWND window, int x, int y) {
  POINT point = {x, y};
  ClientToScreen(window, &point);
  return point;
}

POINT CentreOf(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  return ScreenPoint(window, client.right / 2, client.bottom / 2);
}

COLORREF ScreenPixel(POINT screen) {
  HDC dc = GetDC(nullptr);
  const COLORREF colour = GetPixel(dc, screen.x, screen.y);
  ReleaseDC(nullptr, dc);
  return colour;
}

COLORREF WindowPixel(HWND window, int x, int y) { return ScreenPixel(ScreenPoint(window, x, y)); }

bool Near(COLORREF a, COLORREF b, int tolerance) {
  for (int shift = 0; shift < 24; shift += 8) {
    if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > tolerance)
      return false;
  }
  return true;
}

}  // namespace qws::test
