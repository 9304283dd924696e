// A seal picture for screenshots: a round red seal with a star and its owner's name, as a PNG file.
#pragma once

#include <windows.h>

#include <cmath>

#include "automation/variant.h"
#include "platform/win32/picture_bitmap.h"

namespace verolin::platform::win32 {

// A round red seal with the owner's name, as a seal picture looks.
inline automation::Bytes makeSealPicture() {
  constexpr int kSize = 120;
  void* bits = nullptr;
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), kSize, -kSize, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  RECT all{0, 0, kSize, kSize};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  const COLORREF red = RGB(215, 25, 32);
  HPEN pen = CreatePen(PS_SOLID, 5, red);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  Ellipse(dc, 5, 5, kSize - 5, kSize - 5);
  HBRUSH fill = CreateSolidBrush(red);
  SelectObject(dc, fill);
  const double pi = std::acos(-1.0);
  POINT star[10];
  for (int i = 0; i < 10; ++i) {
    const double radius = i % 2 ? 8.0 : 20.0;
    const double angle = -pi / 2 + i * pi / 5;
    star[i] = {static_cast<LONG>(60 + radius * std::cos(angle)),
               static_cast<LONG>(44 + radius * std::sin(angle))};
  }
  Polygon(dc, star, 10);
  HFONT font = CreateFontW(-22, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH, L"宋体");
  HGDIOBJ oldFont = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, red);
  RECT name{10, 68, kSize - 10, 96};
  DrawTextW(dc, L"张三之印", -1, &name, DT_CENTER | DT_SINGLELINE | DT_VCENTER);
  SelectObject(dc, oldFont);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBitmap);
  DeleteObject(font);
  DeleteObject(fill);
  DeleteObject(pen);
  DeleteDC(dc);
  const automation::Bytes png = EncodePng(bitmap);
  DeleteObject(bitmap);
  return png;
}

}  // namespace verolin::platform::win32
