// Real input for the window tests: the mouse and the keyboard through SendInput, screen pixels,
// and a message pump for windows of the test's own thread.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>

namespace qws::test {

// Handles this thread's messages (dialog keys included) for the given time.
void Pump(std::chrono::milliseconds time = std::chrono::milliseconds(150));
// Pumps until the condition holds or the time is up.
bool PumpUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(5));

void MoveMouse(POINT screen);
void MouseDown();
void MouseUp();
// Moves to the point, presses and releases the left button there.
void ClickAt(POINT screen);
void PressKey(WORD key);
// Ctrl (or another modifier) held while `key` is pressed.
void PressKeyWith(WORD modifier, WORD key);

// A point of a window's client area in screen coordinates.
POINT ScreenPoint(HWND window, int x, int y);
POINT CentreOf(HWND window);
// The colour on screen, 0x00BBGGRR.
COLORREF ScreenPixel(POINT screen);
COLORREF WindowPixel(HWND window, int x, int y);
// Colours within `tolerance` in each channel.
bool Near(COLORREF a, COLORREF b, int tolerance = 8);

}  // namespace qws::test
