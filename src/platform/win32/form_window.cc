#include "platform/win32/form_window.h"

#include "platform/win32/dialog_template.h"
#include "platform/win32/wide.h"

namespace verolin::platform::win32 {
namespace {

constexpr wchar_t kFormClass[] = L"VerolinForm";
// The form's client area until the form's controls are laid out here.
constexpr int kWidth = 480;
constexpr int kHeight = 360;

LRESULT CALLBACK formProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* form = reinterpret_cast<Form*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_NCCREATE: {
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
      break;
    }
    case WM_CLOSE:
      // The close box unloads the form; its own code decides what that means.
      if (form && form->isOpen()) form->close();
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

void registerClassOnce() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (::GetClassInfoExW(thisModule(), kFormClass, &wc)) return;
  wc.lpfnWndProc = formProc;
  wc.hInstance = thisModule();
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kFormClass;
  ::RegisterClassExW(&wc);
}

}  // namespace

bool runFormWindow(Form& form, HWND owner) {
  registerClassOnce();
  RECT frame{0, 0, kWidth, kHeight};
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME;
  ::AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME);
  const HWND window = ::CreateWindowExW(WS_EX_DLGMODALFRAME, kFormClass, widen(form.caption()).c_str(), style,
                                        CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                                        frame.bottom - frame.top, owner, nullptr, thisModule(), &form);
  if (!window) {
    form.close();
    return false;
  }
  const bool ownerWasEnabled = owner && ::IsWindowEnabled(owner);
  if (ownerWasEnabled) ::EnableWindow(owner, FALSE);
  ::ShowWindow(window, SW_SHOW);
  MSG message;
  while (form.isOpen() && ::IsWindow(window)) {
    const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got <= 0) {
      // A quit request belongs to the thread's outer loop: close the form and pass it on.
      if (got == 0) ::PostQuitMessage(static_cast<int>(message.wParam));
      if (form.isOpen()) form.close();
      break;
    }
    if (!::IsDialogMessageW(window, &message)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
  // The owner comes back before the form goes, so that the focus returns to it.
  if (ownerWasEnabled) ::EnableWindow(owner, TRUE);
  if (::IsWindow(window)) {
    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    ::DestroyWindow(window);
  }
  return true;
}

}  // namespace verolin::platform::win32
