// Shows the control's own four forms on the Windows platform with sample content, acts on them as a
// user would (an owner chosen, the password typed and the seal loaded from a seal page on loopback; the
// mouse mode with pen width 3 and a signature drawn; a line chosen) and saves a screenshot of each
// dialog as PNG: form_screens.exe OUTPUT_FOLDER. tools/screens-windows.sh runs it under Wine on Xvfb.
#include "windows/seal_server.h"  // first: it brings winsock2.h before windows.h

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

#include "control/apartment.h"
#include "control/control.h"
#include "platform/form.h"
#include "platform/win32/form_dialog.h"
#include "platform/win32/picture_bitmap.h"
#include "platform/win32/wide.h"
#include "platform/win32/windows_platform.h"
#include "seal/handwriting.h"
#include "seal/handwriting_window.h"
#include "seal/mark_list.h"
#include "seal/revision_log.h"
#include "seal/seal_placement.h"
#include "seal/seal_window.h"
#include "windows/form_dialog_host.h"
#include "windows/screen_capture.h"
#include "windows/seal_picture.h"

namespace verolin::platform::win32 {
namespace {

using automation::Variant;

constexpr int kPaintWaitMs = 600;
std::wstring outputFolder;

// The dialog as it stands on the screen, caption and frame included.
bool capture(HWND dialog, const std::wstring& name) {
  RECT r{};
  GetWindowRect(dialog, &r);
  const automation::Bytes png = captureWindow(dialog);
  const std::wstring path = outputFolder + L"\\" + name + L".png";
  const bool ok = !png.empty() && writeWholeFile(path, png);
  std::printf("%s %s (%dx%d)\n", ok ? "wrote" : "could not write", narrow(path).c_str(),
              static_cast<int>(r.right - r.left), static_cast<int>(r.bottom - r.top));
  return ok;
}

// Runs `show` (which shows `form` modally) while another thread acts on the dialog, waits for it to be
// painted and keeps its picture; `finish` then closes it as the user would.
bool showAndCapture(Form& form, const std::function<void()>& show, const std::function<void(HWND)>& act,
                    const std::function<void(HWND)>& finish) {
  bool ok = false;
  std::thread driver([&] {
    HWND dialog = nullptr;
    for (int i = 0; i < 1000 && !(dialog = formDialogWindow(form)); ++i) Sleep(10);
    if (!dialog) return;
    Sleep(kPaintWaitMs);
    act(dialog);
    Sleep(kPaintWaitMs);
    ok = capture(dialog, widen(form.name()));
    finish(dialog);
    for (int i = 0; i < 100 && formDialogWindow(form); ++i) {
      PostMessageW(dialog, WM_CLOSE, 0, 0);
      Sleep(20);
    }
  });
  show();
  driver.join();
  return ok;
}

HWND waitForWindow(const wchar_t* title) {
  for (int i = 0; i < 1000; ++i) {
    HWND w = FindWindowW(nullptr, title);
    if (w && IsWindowVisible(w)) return w;
    Sleep(10);
  }
  return nullptr;
}

// Posted: a click's handler may run a nested loop (a box, a download) that this thread waits on.
void click(HWND button) {
  PostMessageW(button, BM_CLICK, 0, 0);
}

// The control on the Windows platform, its forms shown as the real dialogs, with an open document.
struct Scene {
  Scene() : host(*windows.host), apartment(platformWithDialogs()), c(apartment) { c.state().docOpen = true; }
  Platform platformWithDialogs() {
    Platform p = windows.platform();
    p.host = &host;
    return p;
  }
  WindowsPlatform windows;
  DialogHost host;
  control::Apartment apartment;
  control::Control c;
};

bool sealWindow(Scene& scene) {
  SealServer server(makeSealPicture());
  scene.c.state().activeForm = server.page();
  seal::SealWindow& window = scene.apartment.instance<seal::SealWindow>();
  return showAndCapture(
      window, [&] { seal::ElectronSeal(scene.c, "GetSealList", Variant("GetSealPicture")); },
      [&](HWND dialog) {
        SendMessageW(formControlWindow(dialog, window, "comUserList"), WM_KEYDOWN, VK_DOWN, 0);
        HWND password = formControlWindow(dialog, window, "txtPassword");
        for (wchar_t ch : std::wstring(L"zs123")) SendMessageW(password, WM_CHAR, ch, 1);
        click(formControlWindow(dialog, window, "cmdok"));
        for (int i = 0; i < 1000 && window.sealPictureFile.empty(); ++i) Sleep(10);
      },
      [&](HWND dialog) { click(formControlWindow(dialog, window, "cmdcanel")); });
}

bool handwritingWindow(Scene& scene) {
  seal::HandwritingWindow& window = scene.apartment.instance<seal::HandwritingWindow>();
  Form& form = window.form();
  return showAndCapture(
      form, [&] { seal::HandWrite(scene.c); },
      [&](HWND dialog) {
        click(formControlWindow(dialog, form, "Csign1"));
        // The pen width, asked in the host's input box.
        if (HWND width = waitForWindow(L"宽度")) {
          SetWindowTextW(FindWindowExW(width, nullptr, L"Edit", nullptr), L"3");
          PostMessageW(width, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
        HWND mode = formControlWindow(dialog, form, "Csign1");
        for (int i = 0; i < 500 && SendMessageW(mode, BM_GETCHECK, 0, 0) != BST_CHECKED; ++i) Sleep(10);
        HWND pad = formControlWindow(dialog, form, "picgetimage");
        drawSignature(pad);
      },
      [&](HWND dialog) { click(formControlWindow(dialog, form, "cmdcancel")); });
}

bool markList(Scene& scene) {
  // Filled as the seal check fills it once the word processor has answered which seals are there.
  seal::MarkListWindow& window = scene.apartment.instance<seal::MarkListWindow>();
  window.lisMsg.addItem("1. 盖章人姓名:张三  盖章日期:2026年12月8日9时5分3秒");
  window.lisMsg.addItem("2. 盖章人姓名:李四  盖章日期:2026年12月8日10时21分47秒");
  window.lblmsg.set("Caption", "本文档有效盖章列表:(共2个)");
  return showAndCapture(
      window, [&] { scene.c.host().showModal(window); }, [](HWND) {},
      [&](HWND dialog) { click(formControlWindow(dialog, window, "cmdok")); });
}

bool revisionLog(Scene& scene) {
  seal::FrmOpMsg& window = seal::RevisionLog(scene.c);
  window.clear();
  window.addLine("1  张三  插入  2026-12-08 09:12:40");
  window.addLine("2  张三  删除  2026-12-08 09:13:05");
  window.addLine("3  李四  插入  2026-12-08 10:02:17");
  return showAndCapture(
      window, [&] { window.showFor(scene.c); },
      [&](HWND dialog) {
        HWND list = formControlWindow(dialog, window, "libmsg");
        SendMessageW(list, WM_KEYDOWN, VK_DOWN, 0);
        SendMessageW(list, WM_KEYDOWN, VK_DOWN, 0);
      },
      [&](HWND dialog) { click(formControlWindow(dialog, window, "cmdok")); });
}

}  // namespace
}  // namespace verolin::platform::win32

int wmain(int argc, wchar_t** argv) {
  using namespace verolin::platform::win32;
  if (argc != 2) {
    std::fprintf(stderr, "usage: form_screens OUTPUT_FOLDER\n");
    return 2;
  }
  outputFolder = argv[1];
  CreateDirectoryW(outputFolder.c_str(), nullptr);
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  int failed = 0;
  {
    Scene scene;
    for (bool (*show)(Scene&) : {sealWindow, handwritingWindow, markList, revisionLog})
      failed += show(scene) ? 0 : 1;
  }
  CoUninitialize();
  return failed == 0 ? 0 : 1;
}
