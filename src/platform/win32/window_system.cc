// Windows over user32. A WindowHandle is the system's window handle, which fits in 32 bits.
// Picture boxes are windows of a class of our own that paint their background colour; labels and
// buttons are the system's STATIC and BUTTON classes. Colours ride on the windows as properties, so
// the parent can colour a label's text when the label asks (WM_CTLCOLORSTATIC).
#include <windows.h>

#include <map>
#include <utility>

#include "platform/win32/dialog_template.h"
#include "platform/win32/wide.h"
#include "platform/win32/windows_platform.h"

namespace verolin::platform::win32 {
namespace {

constexpr wchar_t kWindowClass[] = L"VerolinWindow";
constexpr wchar_t kPictureClass[] = L"VerolinPicture";
constexpr wchar_t kBackProperty[] = L"VerolinBackColor";
constexpr wchar_t kForeProperty[] = L"VerolinForeColor";

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

COLORREF toColorref(Color c) {
  return (c & kSystemColor) ? ::GetSysColor(static_cast<int>(c & 0xFF)) : static_cast<COLORREF>(c & 0xFFFFFF);
}

// A colour property holds the colour plus one, so that black is told from no property.
void setColorProperty(HWND window, const wchar_t* name, std::optional<Color> color) {
  if (color) ::SetPropW(window, name, reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(*color) + 1));
}

std::optional<Color> colorProperty(HWND window, const wchar_t* name) {
  const auto value = reinterpret_cast<std::uintptr_t>(::GetPropW(window, name));
  if (value == 0) return std::nullopt;
  return static_cast<Color>(value - 1);
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      if (const auto back = colorProperty(window, kBackProperty)) {
        RECT r;
        ::GetClientRect(window, &r);
        const HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetDCBrushColor(dc, toColorref(*back));
        ::FillRect(dc, &r, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
        return 1;
      }
      break;
    case WM_CTLCOLORSTATIC: {
      // A label shows its own text colour on its parent's background.
      const HDC dc = reinterpret_cast<HDC>(wParam);
      const HWND label = reinterpret_cast<HWND>(lParam);
      if (const auto fore = colorProperty(label, kForeProperty)) ::SetTextColor(dc, toColorref(*fore));
      const Color back = colorProperty(window, kBackProperty).value_or(kSystemColor | COLOR_WINDOW);
      ::SetBkColor(dc, toColorref(back));
      ::SetDCBrushColor(dc, toColorref(back));
      return reinterpret_cast<LRESULT>(::GetStockObject(DC_BRUSH));
    }
    case WM_PARENTNOTIFY:
      // A label or button (the system's classes) leaves its colours behind: take them off as it goes.
      if (LOWORD(wParam) == WM_DESTROY) {
        ::RemovePropW(reinterpret_cast<HWND>(lParam), kBackProperty);
        ::RemovePropW(reinterpret_cast<HWND>(lParam), kForeProperty);
      }
      break;
    case WM_NCDESTROY:
      ::RemovePropW(window, kBackProperty);
      ::RemovePropW(window, kForeProperty);
      break;
    default:
      break;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

void registerClassOnce(const wchar_t* name) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (::GetClassInfoExW(thisModule(), name, &wc)) return;
  wc.lpfnWndProc = windowProc;
  wc.hInstance = thisModule();
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = name;
  ::RegisterClassExW(&wc);
}

std::wstring classOf(HWND window) {
  wchar_t name[64] = {};
  ::GetClassNameW(window, name, 64);
  return name;
}

WindowKind kindOf(HWND window) {
  const std::wstring name = classOf(window);
  if (name == kPictureClass) return WindowKind::Picture;
  if (::lstrcmpiW(name.c_str(), L"Static") == 0) return WindowKind::Label;
  if (::lstrcmpiW(name.c_str(), L"Button") == 0) return WindowKind::Button;
  return WindowKind::Plain;
}

int pixelsPerInch() {
  const HDC screen = ::GetDC(nullptr);
  const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

class Win32Windows final : public WindowSystem {
 public:
  ~Win32Windows() override {
    for (const auto& [key, font] : fonts_) ::DeleteObject(font);
  }

  WindowHandle create(const WindowInfo& info) override {
    const HWND parent = hwndOf(info.parent);
    const wchar_t* className = kWindowClass;
    DWORD style = parent ? WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN : WS_OVERLAPPEDWINDOW;
    if (parent) {
      switch (info.kind) {
        case WindowKind::Plain:
          break;
        case WindowKind::Picture:
          className = kPictureClass;
          break;
        case WindowKind::Label:
          className = L"STATIC";
          style = WS_CHILD | WS_CLIPSIBLINGS | SS_LEFT | SS_NOPREFIX;
          break;
        case WindowKind::Button:
          className = L"BUTTON";
          style = WS_CHILD | WS_CLIPSIBLINGS | BS_PUSHBUTTON | BS_CENTER | BS_VCENTER | BS_MULTILINE;
          break;
      }
    }
    if (className == kWindowClass || className == kPictureClass) registerClassOnce(className);
    if (info.visible) style |= WS_VISIBLE;
    const DWORD extended = info.topmost ? WS_EX_TOPMOST : 0;
    const Rect& r = info.rect;
    const HWND window = ::CreateWindowExW(extended, className, widen(info.title).c_str(), style, r.left,
                                          r.top, r.width, r.height, parent, nullptr, thisModule(), nullptr);
    if (!window) return 0;
    setColorProperty(window, kBackProperty, info.backColor);
    setColorProperty(window, kForeProperty, info.foreColor);
    if (const HFONT font = fontFor(info.font))
      ::SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    // The system puts a new child below its siblings; ours goes above, as the interface promises.
    if (parent) ::SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (info.maximized || info.minimized) setState(handleOf(window), info.maximized, info.minimized);
    return handleOf(window);
  }

  WindowHandle findWindow(std::string_view title) override {
    return handleOf(::FindWindowW(nullptr, widen(title).c_str()));
  }

  WindowHandle setParent(WindowHandle child, WindowHandle parent) override {
    const HWND window = hwndOf(child);
    if (!::IsWindow(window)) return 0;
    // The system leaves the style alone; a window given a parent must also become a child, or it would
    // still be placed, maximised and reported as a top-level window.
    const LONG_PTR style = ::GetWindowLongPtrW(window, GWL_STYLE);
    if (parent != 0)
      ::SetWindowLongPtrW(window, GWL_STYLE, (style & ~static_cast<LONG_PTR>(WS_POPUP)) | WS_CHILD);
    const HWND previous = ::SetParent(window, hwndOf(parent));
    if (!previous) {
      ::SetWindowLongPtrW(window, GWL_STYLE, style);
      return 0;
    }
    if (parent == 0) ::SetWindowLongPtrW(window, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_CHILD));
    return handleOf(previous);
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
    title.resize(
        static_cast<std::size_t>(::GetWindowTextW(window, title.data(), static_cast<int>(title.size()))));
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
    out.kind = kindOf(window);
    out.backColor = colorProperty(window, kBackProperty);
    out.foreColor = colorProperty(window, kForeProperty);
    if (const auto font = reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0))) {
      LOGFONTW logical{};
      if (::GetObjectW(font, sizeof logical, &logical)) {
        out.font.name = narrow(logical.lfFaceName);
        out.font.points =
            ::MulDiv(logical.lfHeight < 0 ? -logical.lfHeight : logical.lfHeight, 72, pixelsPerInch());
      }
    }
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

 private:
  // One font object per face and size, kept while the window system lives: the windows that use a
  // font do not own it.
  HFONT fontFor(const Font& font) {
    if (font.name.empty() || font.points <= 0) return nullptr;
    auto& slot = fonts_[{font.name, font.points}];
    if (!slot) {
      slot = ::CreateFontW(-::MulDiv(font.points, pixelsPerInch(), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                           FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           DEFAULT_PITCH | FF_DONTCARE, widen(font.name).c_str());
    }
    return slot;
  }

  std::map<std::pair<std::string, int>, HFONT> fonts_;
};

}  // namespace

std::unique_ptr<WindowSystem> newWindowSystem() {
  return std::make_unique<Win32Windows>();
}

}  // namespace verolin::platform::win32
