// The handwriting window end to end on Windows: the control's own HandWrite on the Windows platform,
// its form shown as the real dialog, the pen width asked in the host's real input box, a signature
// drawn with mouse messages, and "确 定" answered by the host's real message box when no word
// processor runs. A second thread plays the user throughout.
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
#include "platform/win32/form_dialog.h"
#include "platform/win32/windows_platform.h"
#include "seal/handwriting.h"
#include "seal/handwriting_window.h"
#include "windows/form_dialog_host.h"

namespace verolin::platform::win32 {
namespace {

HWND waitForWindow(const wchar_t* title) {
  for (int i = 0; i < 500; ++i) {
    HWND w = FindWindowW(nullptr, title);
    if (w && IsWindowVisible(w)) return w;
    Sleep(10);
  }
  return nullptr;
}

void answer(HWND box, int id) {
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
}

TEST(FormHandwriting, SignatureDrawnInTheRealDialogWithTheWidthAskedInTheRealInputBox) {
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
  seal::HandwritingWindow& window = apartment.instance<seal::HandwritingWindow>();

  bool inputBoxSeen = false, messageSeen = false;
  int checked = -1;
  std::thread user([&] {
    HWND dialog = nullptr;
    for (int i = 0; i < 500 && !(dialog = formDialogWindow(window.form())); ++i) Sleep(10);
    if (!dialog) return;
    HWND mode = formControlWindow(dialog, window.form(), "Csign1");
    PostMessageW(mode, BM_CLICK, 0, 0);
    if (HWND width = waitForWindow(L"宽度")) {
      inputBoxSeen = true;
      SetWindowTextW(FindWindowExW(width, nullptr, L"Edit", nullptr), L"3");
      answer(width, IDOK);
    }
    for (int i = 0; i < 500 && checked != BST_CHECKED; ++i) {
      checked = static_cast<int>(SendMessageW(mode, BM_GETCHECK, 0, 0));
      Sleep(10);
    }
    HWND pad = formControlWindow(dialog, window.form(), "picgetimage");
    SendMessageW(pad, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 60));
    SendMessageW(pad, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(120, 90));
    SendMessageW(pad, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(200, 50));
    SendMessageW(pad, WM_LBUTTONUP, 0, MAKELPARAM(200, 50));
    // "确 定" without a word processor: the control says there is nothing to insert into.
    PostMessageW(formControlWindow(dialog, window.form(), "cmdok"), BM_CLICK, 0, 0);
    if (HWND box = waitForWindow(L"提示")) {
      messageSeen = true;
      answer(box, IDOK);
    }
    Sleep(100);
    PostMessageW(formControlWindow(dialog, window.form(), "cmdcancel"), BM_CLICK, 0, 0);
  });
  seal::HandWrite(c);
  user.join();

  EXPECT_TRUE(inputBoxSeen);
  EXPECT_TRUE(messageSeen);
  EXPECT_EQ(checked, BST_CHECKED);
  EXPECT_FALSE(window.form().isOpen());
  EXPECT_EQ(window.hasInk(), -1);
  EXPECT_EQ(window.image().penWidth(), 3);
  // The stroke reached the model where the mouse drew it: 15 twips a pixel, as the box's scale says.
  EXPECT_EQ(window.image().pixel(120, 90), kWindowTextColour);
  EXPECT_EQ(window.image().pixel(120, 120), kWindowColour);
  std::lock_guard<std::mutex> lock(linesMutex);
  auto has = [&](const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  };
  EXPECT_TRUE(has("inputbox: 宽度|请输入签名笔的宽度:|1 -> \"3\"")) << ::testing::PrintToString(lines);
  EXPECT_TRUE(has("msgbox: 提示|64|找不到要插入的对象! -> 1")) << ::testing::PrintToString(lines);
}

}  // namespace
}  // namespace verolin::platform::win32
