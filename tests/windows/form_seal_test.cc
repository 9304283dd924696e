// The seal window end to end on Windows: the control's own ElectronSeal on the Windows platform fetches
// the owner list from a seal server on loopback, its form is the real dialog, and a second thread plays
// the user: picks the owner, types a wrong password and then the right one, loads the seal (fetched
// through XMLHTTP and decrypted with the password), sees it in the preview, asks to place it without a
// word processor and cancels. The host's message boxes are answered as they come.
#include "windows/seal_server.h"  // first: it brings winsock2.h before windows.h

#include <windows.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "control/apartment.h"
#include "control/control.h"
#include "platform/form.h"
#include "platform/raster.h"
#include "platform/win32/form_dialog.h"
#include "platform/win32/windows_platform.h"
#include "seal/seal_placement.h"
#include "seal/seal_window.h"
#include "windows/form_dialog_host.h"

namespace verolin::platform::win32 {
namespace {

HWND waitForWindow(const wchar_t* title) {
  for (int i = 0; i < 1000; ++i) {
    HWND w = FindWindowW(nullptr, title);
    if (w && IsWindowVisible(w)) return w;
    Sleep(10);
  }
  return nullptr;
}

// Answers the host's message box titled `caption` with OK; true when it came.
bool answerMessage(const wchar_t* caption) {
  HWND box = waitForWindow(caption);
  if (!box) return false;
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
  for (int i = 0; i < 500 && IsWindow(box); ++i) Sleep(10);
  return true;
}

std::string textOf(HWND hwnd) {
  wchar_t buffer[256] = {};
  SendMessageW(hwnd, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(buffer));
  char out[768] = {};
  WideCharToMultiByte(CP_UTF8, 0, buffer, -1, out, sizeof(out), nullptr, nullptr);
  return out;
}

COLORREF previewCentre(HWND box) {
  RECT r{};
  GetClientRect(box, &r);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, r.right, r.bottom);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  SendMessageW(box, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  const COLORREF c = GetPixel(dc, r.right / 2, r.bottom / 2);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return c;
}

void typeText(HWND edit, const std::wstring& text) {
  SetWindowTextW(edit, L"");
  for (wchar_t ch : text) SendMessageW(edit, WM_CHAR, ch, 1);
}

constexpr Colour kSealRed = 0x2020D0;  // 0x00BBGGRR

automation::Bytes sealPicture() {
  Raster seal(80, 80, kWindowColour, kSealRed);
  seal.setPenWidth(60);
  seal.point(40, 40);
  return seal.png();
}

TEST(FormSeal, OwnerPasswordAndLoadThroughTheRealDialogShowTheDecryptedSeal) {
  SealServer server(sealPicture());
  WindowsPlatform windows;
  std::mutex linesMutex;
  std::vector<std::string> lines;
  windows.host->onTrace = [&](std::string_view category, std::string_view line) {
    std::lock_guard<std::mutex> lock(linesMutex);
    lines.push_back(std::string(category) + ": " + std::string(line));
  };
  DialogHost host(*windows.host);
  Platform platform = windows.platform();
  platform.host = &host;
  control::Apartment apartment(platform);
  control::Control c(apartment);
  c.state().docOpen = true;
  c.state().activeForm = server.page();
  seal::SealWindow& window = apartment.instance<seal::SealWindow>();

  bool wrongPasswordTold = false, noWordTold = false;
  std::string progress;
  COLORREF preview = 0;
  std::thread user([&] {
    HWND dialog = nullptr;
    for (int i = 0; i < 1000 && !(dialog = formDialogWindow(window)); ++i) Sleep(10);
    if (!dialog) return;
    auto item = [&](const char* name) { return formControlWindow(dialog, window, name); };
    SendMessageW(item("comUserList"), WM_KEYDOWN, VK_DOWN, 0);
    typeText(item("txtPassword"), L"wrong");
    PostMessageW(item("cmdok"), BM_CLICK, 0, 0);
    wrongPasswordTold = answerMessage(L"密码错误");
    typeText(item("txtPassword"), L"zs123");
    PostMessageW(item("cmdok"), BM_CLICK, 0, 0);
    for (int i = 0; i < 1000 && (progress = textOf(item("lblmsg"))) != "加载完成！"; ++i) Sleep(10);
    preview = previewCentre(item("picshow"));
    PostMessageW(item("cmdthis"), BM_CLICK, 0, 0);
    noWordTold = answerMessage(L"错误");
    PostMessageW(item("cmdcanel"), BM_CLICK, 0, 0);
  });
  seal::ElectronSeal(c, "GetSealList", automation::Variant("GetSealPicture"));
  user.join();

  EXPECT_TRUE(wrongPasswordTold);
  EXPECT_EQ(progress, "加载完成！");
  EXPECT_EQ(preview, RGB(0xD0, 0x20, 0x20));
  EXPECT_TRUE(noWordTold);
  EXPECT_FALSE(window.isOpen());
  // Cancel deleted the decrypted picture and nothing was recorded.
  EXPECT_TRUE(window.sealPictureFile.empty());
  EXPECT_TRUE(c.state().sealIdList.empty());
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0], "GET /page?RequestType=GetSealList");
  EXPECT_NE(requests[1].find("RequestType=GetSealPicture"), std::string::npos);
  EXPECT_NE(requests[1].find("fileName=zhang.jia"), std::string::npos);
  std::lock_guard<std::mutex> lock(linesMutex);
  auto has = [&](const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  };
  EXPECT_TRUE(has("msgbox: 密码错误|64|密码不正确！ -> 1")) << ::testing::PrintToString(lines);
  EXPECT_TRUE(has("msgbox: 错误|64|没有找到WORD对象 -> 1")) << ::testing::PrintToString(lines);
}

}  // namespace
}  // namespace verolin::platform::win32
