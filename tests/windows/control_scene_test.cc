// The control in a page with the stand-in word processor embedded, under Wine: a seal placed through the
// real FrmMySign dialog and a handwritten signature through FrmHandWritd end up as shapes of the open
// document, and the embedded word processor window paints them over the text.
#include "windows/control_scene.h"  // first: it brings winsock2.h before windows.h

#include <gtest/gtest.h>

#include "windows/seal_picture.h"

namespace verolin::com::scene {
namespace {

constexpr COLORREF kSealRed = RGB(215, 25, 32);

HWND findWordWindow(HWND page) {
  HWND found = nullptr;
  EnumChildWindows(
      page,
      [](HWND w, LPARAM p) -> BOOL {
        wchar_t name[64] = {};
        GetClassNameW(w, name, 64);
        if (std::wstring(name) != L"VerolinWordFrame") return TRUE;
        *reinterpret_cast<HWND*>(p) = w;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

// The window's client area as it paints it, and how many pixels are near `colour`.
int paintedPixelsLike(HWND window, COLORREF colour, int* black) {
  RECT r{};
  GetClientRect(window, &r);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), r.right, -r.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  GdiFlush();
  int like = 0;
  *black = 0;
  const auto* pixel = static_cast<const std::uint32_t*>(bits);
  for (long i = 0; i < static_cast<long>(r.right) * r.bottom; ++i) {
    const int red = (pixel[i] >> 16) & 0xFF, green = (pixel[i] >> 8) & 0xFF, blue = pixel[i] & 0xFF;
    if (std::abs(red - GetRValue(colour)) < 16 && std::abs(green - GetGValue(colour)) < 16 &&
        std::abs(blue - GetBValue(colour)) < 16)
      ++like;
    if (red < 40 && green < 40 && blue < 40) ++*black;
  }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return like;
}

TEST(ControlScene, ASealAndASignaturePlacedThroughTheDialogsAreShapesTheWordWindowPaints) {
  ControlScene scene(1024, 768);
  ASSERT_EQ(scene.start(), "");
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + L"verolin-control-scene";
  CreateDirectoryW(folder.c_str(), nullptr);
  scene.openNotice(folder);

  // Embedded: the word processor's window sits inside the page, painting the notice's text.
  HWND word = findWordWindow(scene.page.window);
  ASSERT_NE(word, nullptr);
  int inkBefore = 0;
  EXPECT_EQ(paintedPixelsLike(word, kSealRed, &inkBefore), 0);
  const int shapesBefore = scene.word().get("ActiveDocument").get("Shapes").get("Count").toInt32();
  EXPECT_EQ(shapesBefore, 0);

  Outcome outcome;
  platform::win32::SealServer server(platform::win32::makeSealPicture());
  scene.placeSeal(outcome, server.page());
  EXPECT_TRUE(outcome.sealDialogSeen);
  EXPECT_TRUE(outcome.sealLoaded);
  automation::Variant shapes = scene.word().get("ActiveDocument").get("Shapes");
  ASSERT_EQ(shapes.get("Count").toInt32(), 1);
  int inkWithSeal = 0;
  EXPECT_GT(paintedPixelsLike(word, kSealRed, &inkWithSeal), 500);

  scene.handwrite(outcome);
  EXPECT_TRUE(outcome.handwritingDialogSeen);
  shapes = scene.word().get("ActiveDocument").get("Shapes");
  ASSERT_EQ(shapes.get("Count").toInt32(), 2);
  // The signature's strokes add black ink to what the window shows.
  int inkWithSignature = 0;
  paintedPixelsLike(word, kSealRed, &inkWithSignature);
  EXPECT_GT(inkWithSignature, inkWithSeal + 200);
  // Both are pictures in front of the text, with their white left out.
  for (int i = 1; i <= 2; ++i) {
    const automation::Variant shape = shapes.call("Item", i);
    EXPECT_TRUE(shape.get("PictureFormat").get("TransparentBackground").toBool()) << i;
    EXPECT_EQ(shape.get("WrapFormat").get("Type").toInt32(), 3) << i;
  }
  scene.control().call("WordClose", false, false);
  EXPECT_TRUE(unregisterModule(L"wordproc.dll"));
}

}  // namespace
}  // namespace verolin::com::scene
