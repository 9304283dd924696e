// Windows over user32. A WindowHandle is the system's window handle, which fits in 32 bits.
#include <windows.h>

#include "platform/win32/dialog_template.h"
#include "platform/win32/wide.h"
#include "platform/win32/windows_platform.h"

namespace verolin::platform::win32 {
namespace {

constexpr wchar_t kWindowClass[] = L"VerolinWindow";

HWND hwndOf(WindowHandle h) {
  return reinterpret_cast<HWND>(static_cast<std::intptr_t>(h));
}

WindowHandle handleOf(HWND window) {
  return static_cast<WindowHandle>(reinterpret_cast<std::intptr_t>(window));
}

// The parent as the control counts it: none for a top-level window.
HWND parentOf(HWND window) {
  const HWND parent = ::GetAncestor(window, GA_PARENT);
  return parent == ::GetDesktopWindow() ? nullptr : parent;
}

void registerClassOnce() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (::GetClassInfoExW(thisModule(), kWindowClass, &wc)) return;
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = thisModule();
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kWindowClass;
  ::RegisterClassExW(&wc);
}

class Win32Windows final : public WindowSystem {
 public:
  WindowHandle create(const WindowInfo& info) override {
    registerClassOnce();
    const HWND parent = hwndOf(info.parent);
    DWORD style = parent ? WS_CHILD | WS_CLIPSIBLINGS : WS_OVERLAPPEDWINDOW;
    if (info.visible) style |= WS_VISIBLE;
    const DWORD extended = info.topmost ? WS_EX_TOPMOST : 0;
    const Rect& r = info.rect;
    const HWND window = ::CreateWindowExW(extended, kWindowClass, widen(info.title).c_str(), style, r.left, r.top,
                                          r.width, r.height, parent, nullptr, thisModule(), nullptr);
    if (window && (info.maximized || info.minimized)) setState(handleOf(window), info.maximized, info.minimized);
    return handleOf(window);
  }

  WindowHandle findWindow(std::string_view title) override {
    return handleOf(::FindWindowW(nullptr, widen(title).c_str()));
  }

  WindowHandle setParent(WindowHandle child, WindowHandle parent) override {
    const HWND window = hwndOf(child);
    if (!::IsWindow(window)) return 0;
    return handleOf(::SetParent(window, hwndOf(parent)));
  }

  WindowHandle setFocus(WindowHandle h) override { return handleOf(::SetFocus(hwndOf(h))); }

  WindowHandle focus() override { return handleOf(::GetFocus()); }

  bool lockWindowUpdate(WindowHandle h) override { return ::LockWindowUpdate(hwndOf(h)) != FALSE; }

  bool destroy(WindowHandle h) override { return h != 0 && ::DestroyWindow(hwndOf(h)) != FALSE; }

  bool setWindowPos(WindowHandle h, std::optional<bool> topmost, std::optional<Rect> rect) override {
    const HWND window = hwndOf(h);
    if (!::IsWindow(window)) return false;
    UINT flags = SWP_NOACTIVATE;
    if (!topmost) flags |= SWP_NOZORDER | SWP_NOOWNERZORDER;
    if (!rect) flags |= SWP_NOMOVE | SWP_NOSIZE;
    const Rect r = rect.value_or(Rect{});
    const HWND after = !topmost ? nullptr : *topmost ? HWND_TOPMOST : HWND_NOTOPMOST;
    return ::SetWindowPos(window, after, r.left, r.top, r.width, r.height, flags) != FALSE;
  }

  bool show(WindowHandle h, bool visible) override {
    const HWND window = hwndOf(h);
    if (!::IsWindow(window)) return false;
    ::ShowWindow(window, visible ? SW_SHOW : SW_HIDE);  // returns the earlier visibility, not success
    return true;
  }

  bool setTitle(WindowHandle h, std::string_view title) override {
    return ::SetWindowTextW(hwndOf(h), widen(title).c_str()) != FALSE;
  }

  bool setState(WindowHandle h, bool maximized, bool minimized) override {
    const HWND window = hwndOf(h);
    if (!::IsWindow(window)) return false;
    ::ShowWindow(window, minimized ? SW_MINIMIZE : maximized ? SW_MAXIMIZE : SW_RESTORE);
    return true;
  }

  std::optional<WindowInfo> info(WindowHandle h) override {
    const HWND window = hwndOf(h);
    if (h == 0 || !::IsWindow(window)) return std::nullopt;
    WindowInfo out;
    std::wstring title(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    title.resize(static_cast<std::size_t>(::GetWindowTextW(window, title.data(), static_cast<int>(title.size()))));
    out.title = narrow(title);
    const HWND parent = parentOf(window);
    out.parent = handleOf(parent);
    RECT r{};
    ::GetWindowRect(window, &r);
    if (parent) ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    out.rect = Rect{r.left, r.top, r.right - r.left, r.bottom - r.top};
    const LONG_PTR style = ::GetWindowLongPtrW(window, GWL_STYLE);
    out.visible = (style & WS_VISIBLE) != 0;
    out.topmost = (::GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    const DWORD thread = ::GetWindowThreadProcessId(window, nullptr);
    out.thread = thread == ::GetCurrentThreadId() ? 0 : static_cast<int>(thread);
    out.maximized = ::IsZoomed(window) != FALSE;
    out.minimized = ::IsIconic(window) != FALSE;
    return out;
  }

  int metric(Metric m) override {
    switch (m) {
      case Metric::CaptionHeight:
        return ::GetSystemMetrics(SM_CYCAPTION);
      case Metric::BorderHeight:
        return ::GetSystemMetrics(SM_CYFIXEDFRAME);
      case Metric::FrameHeight:
        return ::GetSystemMetrics(SM_CYSIZEFRAME);
    }
    return 0;
  }
};

}  // namespace

std::unique_ptr<WindowSystem> newWindowSystem() {
  return std::make_unique<Win32Windows>();
}

}  // namespace verolin::platform::win32
