#include "com/word_platform.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <map>

#include "com/dialog_watchdog.h"
#include "com/drive_files.h"
#include "com/local_clock.h"
#include "com/trace_sink.h"
#include "com/word_paint.h"
#include "platform/form.h"
#include "platform/standin.h"
#include "platform/win32/dialog_template.h"
#include "platform/win32/windows_platform.h"

namespace verolin::com {
namespace {

constexpr const wchar_t* kFrameClass = L"VerolinWordFrame";
// How a hidden window is to be shown (SW_SHOWMAXIMIZED, ...), set when its state changes while hidden.
constexpr const wchar_t* kPendingShow = L"VerolinPendingShow";
// How often a main window looks whether its document changed (typing, a placed shape, an opened file).
constexpr UINT kChangeCheckMs = 150;
constexpr UINT_PTR kChangeTimer = 1;
constexpr const wchar_t* kShownProperty = L"VerolinWordShown";

DocumentFinder& documentFinder() {
  static DocumentFinder finder;
  return finder;
}

const wordproc::DocumentModel* shownDocument(HWND window) {
  const DocumentFinder& finder = documentFinder();
  return finder ? finder(static_cast<platform::WindowHandle>(reinterpret_cast<INT_PTR>(window))) : nullptr;
}

// Painted through a bitmap of the window's size, so that a repaint does not flicker.
void paintWindow(HWND window) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  RECT area{};
  GetClientRect(window, &area);
  HDC buffer = CreateCompatibleDC(dc);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, std::max<LONG>(1, area.right), std::max<LONG>(1, area.bottom));
  HGDIOBJ old = SelectObject(buffer, bitmap);
  paintDocument(buffer, area, shownDocument(window));
  BitBlt(dc, 0, 0, area.right, area.bottom, buffer, 0, 0, SRCCOPY);
  SelectObject(buffer, old);
  DeleteObject(bitmap);
  DeleteDC(buffer);
  EndPaint(window, &ps);
}

LRESULT CALLBACK frameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      SetTimer(window, kChangeTimer, kChangeCheckMs, nullptr);
      break;
    case WM_DESTROY:
      KillTimer(window, kChangeTimer);
      RemovePropW(window, kShownProperty);
      break;
    case WM_TIMER:
      if (wParam == kChangeTimer) {
        // The fingerprint's low bits ride on a window property; a change repaints the window.
        const auto shown = static_cast<std::uintptr_t>(paintFingerprint(shownDocument(window)) | 1);
        if (reinterpret_cast<std::uintptr_t>(GetPropW(window, kShownProperty)) != shown) {
          SetPropW(window, kShownProperty, reinterpret_cast<HANDLE>(shown));
          InvalidateRect(window, nullptr, FALSE);
        }
        return 0;
      }
      break;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      paintWindow(window);
      return 0;
    case WM_PRINTCLIENT: {
      RECT area{};
      GetClientRect(window, &area);
      paintDocument(reinterpret_cast<HDC>(wParam), area, shownDocument(window));
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

HWND toHwnd(platform::WindowHandle h) {
  return reinterpret_cast<HWND>(static_cast<INT_PTR>(h));
}

// Window handles carry 32 significant bits on 64-bit Windows too.
platform::WindowHandle toHandle(HWND h) {
  return static_cast<platform::WindowHandle>(reinterpret_cast<INT_PTR>(h));
}

class User32Windows final : public platform::WindowSystem {
 public:
  User32Windows() {
    WNDCLASSW cls{};
    cls.style = CS_HREDRAW | CS_VREDRAW;
    cls.lpfnWndProc = frameProc;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    cls.lpszClassName = kFrameClass;
    RegisterClassW(&cls);
  }

  platform::WindowHandle create(const platform::WindowInfo& info) override {
    const DWORD style = (info.parent ? WS_CHILD : WS_OVERLAPPEDWINDOW) | (info.visible ? WS_VISIBLE : 0);
    HWND h = CreateWindowExW(info.topmost ? WS_EX_TOPMOST : 0, kFrameClass, wide(info.title).c_str(), style,
                             info.rect.left, info.rect.top, info.rect.width, info.rect.height,
                             toHwnd(info.parent), nullptr, GetModuleHandleW(nullptr), nullptr);
    return toHandle(h);
  }
  platform::WindowHandle findWindow(std::string_view title) override {
    return toHandle(FindWindowW(nullptr, wide(title).c_str()));
  }
  platform::WindowHandle setParent(platform::WindowHandle child, platform::WindowHandle parent) override {
    return toHandle(SetParent(toHwnd(child), toHwnd(parent)));
  }
  platform::WindowHandle setFocus(platform::WindowHandle h) override { return toHandle(SetFocus(toHwnd(h))); }
  platform::WindowHandle focus() override { return toHandle(GetFocus()); }
  bool lockWindowUpdate(platform::WindowHandle h) override { return LockWindowUpdate(toHwnd(h)) != FALSE; }
  bool destroy(platform::WindowHandle h) override { return DestroyWindow(toHwnd(h)) != FALSE; }
  bool setWindowPos(platform::WindowHandle h, std::optional<bool> topmost,
                    std::optional<platform::Rect> rect) override {
    UINT flags = SWP_NOACTIVATE;
    if (!topmost) flags |= SWP_NOZORDER;
    if (!rect) flags |= SWP_NOMOVE | SWP_NOSIZE;
    const platform::Rect r = rect.value_or(platform::Rect{});
    HWND after = topmost ? (*topmost ? HWND_TOPMOST : HWND_NOTOPMOST) : nullptr;
    return SetWindowPos(toHwnd(h), after, r.left, r.top, r.width, r.height, flags) != FALSE;
  }
  bool show(platform::WindowHandle h, bool visible) override {
    HWND w = toHwnd(h);
    if (!IsWindow(w)) return false;
    // A window maximised or minimised while hidden comes up in that state.
    const auto pending = static_cast<int>(reinterpret_cast<INT_PTR>(RemovePropW(w, kPendingShow)));
    ShowWindow(w, !visible ? SW_HIDE : pending && !IsWindowVisible(w) ? pending : SW_SHOWNA);
    return true;
  }
  bool setTitle(platform::WindowHandle h, std::string_view title) override {
    return SetWindowTextW(toHwnd(h), wide(title).c_str()) != FALSE;
  }
  bool setState(platform::WindowHandle h, bool maximized, bool minimized) override {
    HWND w = toHwnd(h);
    if (!IsWindow(w)) return false;
    WINDOWPLACEMENT place{};
    place.length = sizeof place;
    GetWindowPlacement(w, &place);
    const UINT shown = maximized ? SW_SHOWMAXIMIZED : minimized ? SW_SHOWMINNOACTIVE : SW_SHOWNOACTIVATE;
    // A hidden window keeps its state for when it is shown.
    place.showCmd = IsWindowVisible(w) ? shown : SW_HIDE;
    if (IsWindowVisible(w))
      RemovePropW(w, kPendingShow);
    else
      SetPropW(w, kPendingShow, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(shown)));
    if (!IsWindowVisible(w)) place.flags |= maximized ? WPF_RESTORETOMAXIMIZED : 0;
    return SetWindowPlacement(w, &place) != FALSE;
  }
  std::optional<platform::WindowInfo> info(platform::WindowHandle h) override {
    HWND w = toHwnd(h);
    if (!IsWindow(w)) return std::nullopt;
    platform::WindowInfo out;
    out.title = windowText(w);
    HWND parent = (GetWindowLongW(w, GWL_STYLE) & WS_CHILD) ? GetParent(w) : nullptr;
    out.parent = toHandle(parent);
    RECT r;
    GetWindowRect(w, &r);
    if (parent) MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    out.rect = {r.left, r.top, r.right - r.left, r.bottom - r.top};
    out.visible = IsWindowVisible(w) != FALSE;
    out.topmost = (GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    const DWORD thread = GetWindowThreadProcessId(w, nullptr);
    out.thread = thread == GetCurrentThreadId() ? 0 : static_cast<int>(thread);
    out.maximized = IsZoomed(w) != FALSE;
    out.minimized = IsIconic(w) != FALSE;
    return out;
  }
  int metric(platform::Metric m) override {
    switch (m) {
      case platform::Metric::CaptionHeight:
        return GetSystemMetrics(SM_CYCAPTION) - 1;
      case platform::Metric::BorderHeight:
        return GetSystemMetrics(SM_CYFIXEDFRAME);
      case platform::Metric::FrameHeight:
        return GetSystemMetrics(SM_CYSIZEFRAME);
    }
    return 0;
  }
};

INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetPropW(dialog, kDialogProperty, reinterpret_cast<HANDLE>(lParam));
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        RemovePropW(dialog, kDialogProperty);
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
      }
      break;
    default:
      break;
  }
  return FALSE;
}

// The word processor's side of the user interface thread it shares with its client.
class WordHost final : public platform::Host {
 public:
  void pumpMessages(int times) override {
    for (int i = 0; i < times; ++i) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    }
  }
  TimerId startTimer(int intervalMs, std::function<void()> tick) override {
    const UINT_PTR id = SetTimer(nullptr, 0, static_cast<UINT>(intervalMs > 0 ? intervalMs : 1), fire);
    ticks()[id] = std::move(tick);
    return static_cast<TimerId>(id);
  }
  void stopTimer(TimerId id) override {
    KillTimer(nullptr, static_cast<UINT_PTR>(id));
    ticks().erase(static_cast<UINT_PTR>(id));
  }
  automation::DateTime now() override { return localNow(); }
  std::int64_t tickMs() override { return static_cast<std::int64_t>(GetTickCount64()); }
  int messageBox(const std::string& text, int style, const std::string& caption) override {
    const int answer = MessageBoxW(nullptr, wide(text).c_str(), wide(caption).c_str(),
                                   static_cast<UINT>(style) | MB_TASKMODAL);
    trace("msgbox", caption + "|" + std::to_string(style) + "|" + text + " -> " + std::to_string(answer));
    return answer;
  }
  std::optional<std::string> inputBox(const std::string&, const std::string&, const std::string&) override {
    return std::nullopt;
  }
  void showModal(platform::Form& form) override {
    form.markShown();
    if (form.isOpen()) form.close();
  }
  // A built-in dialog is a real modal dialog titled with its caption, with OK and Cancel; the request
  // rides on the window (kDialogProperty) so that whoever answers it can read and change the settings.
  int showDialog(platform::DialogRequest& request) override {
    platform::win32::DialogTemplate box(wide(request.caption), 200, 50);
    box.addButton(IDOK, L"确定", 84, 29, 50, 14, true);
    box.addButton(IDCANCEL, L"取消", 143, 29, 50, 14, false);
    const INT_PTR result = DialogBoxIndirectParamW(platform::win32::thisModule(), box.get(), nullptr,
                                                   dialogProc, reinterpret_cast<LPARAM>(&request));
    const int answer = result == IDOK ? -1 : 0;
    trace("dialog", std::to_string(request.id) + " \"" + request.caption + "\"" +
                        (request.execute ? " show" : " display") + " -> " + (answer == -1 ? "OK" : "Cancel"));
    return answer;
  }
  void propertyChanged(const std::string&) override {}
  void trace(std::string_view category, std::string_view line) override { traceToProgram(category, line); }

 private:
  static std::map<UINT_PTR, std::function<void()>>& ticks() {
    static std::map<UINT_PTR, std::function<void()>> all;
    return all;
  }
  static void CALLBACK fire(HWND, UINT, UINT_PTR id, DWORD) {
    const auto it = ticks().find(id);
    if (it == ticks().end()) return;
    auto tick = it->second;  // the tick may stop its own timer
    try {
      tick();
    } catch (...) {
      // The pump never fails.
    }
  }
};

struct Services {
  WordHost host;
  User32Windows windows;
  platform::FileRegistry registry{std::filesystem::temp_directory_path() / "verolin-word-registry.txt"};
  // The system's clipboard: the control puts a signature there for the word processor to paste.
  std::unique_ptr<platform::Clipboard> clipboard = platform::win32::newClipboard();
  std::unique_ptr<platform::FileSystem> files = makeDriveFiles();
  platform::ObjectFactory objects;
  platform::Platform platform{&host, &windows, &registry, clipboard.get(), files.get(), &objects, nullptr};
};

}  // namespace

const platform::Platform& wordProcessorPlatform() {
  static Services* services = new Services();  // lives as long as the process: instances may outlive clients
  return services->platform;
}

void setDocumentFinder(DocumentFinder finder) {
  documentFinder() = std::move(finder);
}

std::unique_ptr<platform::WindowSystem> makeUser32Windows() {
  return std::make_unique<User32Windows>();
}

}  // namespace verolin::com
