// What the screenshot programs share: a window's picture as PNG, a file written whole, and the
// handwritten signature drawn into a handwriting box with mouse messages.
#pragma once

#include <windows.h>

#include <cmath>
#include <string>

#include "automation/variant.h"
#include "platform/win32/picture_bitmap.h"

namespace verolin::platform::win32 {

// The window as it stands on the screen, caption and frame included, as PNG; empty on failure.
inline automation::Bytes captureWindow(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  const int w = r.right - r.left;
  const int h = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = SelectObject(dc, bitmap);
  BitBlt(dc, 0, 0, w, h, screen, r.left, r.top, SRCCOPY | CAPTUREBLT);
  SelectObject(dc, old);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  automation::Bytes png = EncodePng(bitmap);
  DeleteObject(bitmap);
  return png;
}

inline bool writeWholeFile(const std::wstring& path, const automation::Bytes& bytes) {
  HANDLE f =
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                  written == bytes.size();
  CloseHandle(f);
  return ok;
}

// A signature written in one go into the handwriting box `pad`: loops running to the right, then a
// flourish underneath.
inline void drawSignature(HWND pad) {
  auto at = [](double x, double y) { return MAKELPARAM(static_cast<int>(x), static_cast<int>(y)); };
  const double pi = std::acos(-1.0);
  constexpr int kSteps = 240;
  for (int i = 0; i <= kSteps; ++i) {
    const double t = double(i) / kSteps;
    const double x = 50 + 250 * t + 22 * std::cos(9 * pi * t + pi);
    const double y = 120 - 20 * t + 48 * std::sin(9 * pi * t) * (1 - 0.4 * t);
    SendMessageW(pad, i == 0 ? WM_LBUTTONDOWN : WM_MOUSEMOVE, MK_LBUTTON, at(x, y));
  }
  SendMessageW(pad, WM_LBUTTONUP, 0, at(50 + 250 - 22, 100));
  for (int i = 0; i <= 60; ++i) {
    const double t = double(i) / 60;
    SendMessageW(pad, i == 0 ? WM_LBUTTONDOWN : WM_MOUSEMOVE, MK_LBUTTON,
                 at(60 + 260 * t, 195 - 18 * std::sin(pi * t)));
  }
  SendMessageW(pad, WM_LBUTTONUP, 0, at(320, 195));
}

}  // namespace verolin::platform::win32
