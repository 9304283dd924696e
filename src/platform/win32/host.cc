// The host on the thread's message queue: the pump, window timers, the clock and the modal boxes.
#include <windows.h>

#include <algorithm>
#include <map>

#include "platform/form.h"
#include "platform/win32/dialog_template.h"
#include "platform/win32/form_dialog.h"
#include "platform/win32/wide.h"
#include "platform/win32/windows_platform.h"

namespace verolin::platform::win32 {
namespace {

constexpr wchar_t kTimerClass[] = L"VerolinHostTimers";
constexpr wchar_t kOkText[] = L"确定";
constexpr wchar_t kCancelText[] = L"取消";

// Item numbers of the input box.
constexpr int kPromptItem = 100;
constexpr int kEditItem = 101;

struct InputBoxState {
  std::wstring prompt;
  std::wstring text;
  bool accepted = false;
};

INT_PTR CALLBACK inputBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<InputBoxState*>(::GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      state = reinterpret_cast<InputBoxState*>(lParam);
      ::SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      ::SetDlgItemTextW(dialog, kPromptItem, state->prompt.c_str());
      ::SetDlgItemTextW(dialog, kEditItem, state->text.c_str());
      ::SendDlgItemMessageW(dialog, kEditItem, EM_SETSEL, 0, -1);
      ::SetFocus(::GetDlgItem(dialog, kEditItem));
      return FALSE;  // the focus is set
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        const HWND edit = ::GetDlgItem(dialog, kEditItem);
        std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(edit)) + 1, L'\0');
        text.resize(
            static_cast<std::size_t>(::GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
        state->text = std::move(text);
        state->accepted = true;
        ::EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        ::EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      break;
    default:
      break;
  }
  return FALSE;
}

INT_PTR CALLBACK confirmProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    ::EndDialog(dialog, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

// Milliseconds on the performance counter, finer than the tick count's 10 to 16 ms steps.
std::int64_t ticks() {
  static const std::int64_t frequency = [] {
    LARGE_INTEGER f{};
    ::QueryPerformanceFrequency(&f);
    return static_cast<std::int64_t>(f.QuadPart);
  }();
  LARGE_INTEGER now{};
  ::QueryPerformanceCounter(&now);
  const auto count = static_cast<std::int64_t>(now.QuadPart);
  return count / frequency * 1000 + count % frequency * 1000 / frequency;
}

class Win32Host final : public WindowsHost {
 public:
  Win32Host() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (!::GetClassInfoExW(thisModule(), kTimerClass, &wc)) {
      wc.lpfnWndProc = timerProc;
      wc.hInstance = thisModule();
      wc.lpszClassName = kTimerClass;
      ::RegisterClassExW(&wc);
    }
    timerWindow_ =
        ::CreateWindowExW(0, kTimerClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, thisModule(), nullptr);
    if (timerWindow_) ::SetWindowLongPtrW(timerWindow_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }

  ~Win32Host() override {
    if (!timerWindow_) return;
    for (const auto& entry : timers_) ::KillTimer(timerWindow_, static_cast<UINT_PTR>(entry.first));
    ::SetWindowLongPtrW(timerWindow_, GWLP_USERDATA, 0);
    ::DestroyWindow(timerWindow_);
  }

  void setOwner(HWND owner) override { owner_ = owner; }

  void pumpMessages(int times) override {
    MSG message;
    for (int round = 0; round < times; ++round) {
      // Only what is queued now: a message posted while this round runs waits for the next one.
      const DWORD until = ::GetTickCount();
      while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
          // The quit request belongs to the thread's own loop; put it back for that loop.
          ::PostQuitMessage(static_cast<int>(message.wParam));
          return;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
        if (static_cast<LONG>(message.time - until) > 0) break;
      }
    }
  }

  TimerId startTimer(int intervalMs, std::function<void()> tick) override {
    const TimerId id = nextTimer_++;
    timers_[id] = Timer{std::move(tick), false};
    if (!timerWindow_ || !::SetTimer(timerWindow_, static_cast<UINT_PTR>(id),
                                     static_cast<UINT>(std::max(intervalMs, 1)), nullptr)) {
      trace("error", "timer: the system refused a timer");
    }
    return id;
  }

  void stopTimer(TimerId id) override {
    if (timers_.erase(id) != 0 && timerWindow_) ::KillTimer(timerWindow_, static_cast<UINT_PTR>(id));
  }

  automation::DateTime now() override {
    SYSTEMTIME local{};
    ::GetLocalTime(&local);
    return automation::DateTime{local.wYear, local.wMonth,  local.wDay,
                                local.wHour, local.wMinute, local.wSecond};
  }

  std::int64_t tickMs() override { return ticks(); }

  int messageBox(const std::string& text, int style, const std::string& caption) override {
    const std::string line = caption + "|" + std::to_string(style) + "|" + text;
    const int answer = ::MessageBoxW(ownerWindow(), widen(text).c_str(), widen(caption).c_str(),
                                     static_cast<UINT>(style) | MB_SETFOREGROUND);
    trace("msgbox", line + " -> " + std::to_string(answer));
    return answer;
  }

  std::optional<std::string> inputBox(const std::string& prompt, const std::string& title,
                                      const std::string& defaultText) override {
    InputBoxState state{widen(prompt), widen(defaultText), false};
    DialogTemplate box(widen(title), 250, 88);
    box.addStatic(kPromptItem, L"", 7, 7, 180, 48);
    box.addButton(IDOK, kOkText, 193, 7, 50, 14, true);
    box.addButton(IDCANCEL, kCancelText, 193, 24, 50, 14, false);
    box.addEdit(kEditItem, L"", 7, 64, 236, 14);
    const INT_PTR result = ::DialogBoxIndirectParamW(thisModule(), box.get(), ownerWindow(), inputBoxProc,
                                                     reinterpret_cast<LPARAM>(&state));
    std::optional<std::string> answer;
    if (result == IDOK && state.accepted) answer = narrow(state.text);
    trace("inputbox",
          title + "|" + prompt + "|" + defaultText + " -> " + (answer ? "\"" + *answer + "\"" : "Cancel"));
    return answer;
  }

  void showModal(Form& form) override {
    trace("form", "show " + form.name() + " \"" + form.caption() + "\"");
    form.markShown();
    if (runFormDialog(form, ownerWindow()) != 0) trace("error", "form: the window could not be created");
    trace("form", "closed " + form.name());
  }

  int showDialog(DialogRequest& request) override {
    // The word processor's own dialogs belong to it; the host offers the confirmation around them.
    DialogTemplate box(widen(request.caption), 200, 50);
    box.addButton(IDOK, kOkText, 84, 29, 50, 14, true);
    box.addButton(IDCANCEL, kCancelText, 143, 29, 50, 14, false);
    const INT_PTR result = ::DialogBoxIndirectParamW(thisModule(), box.get(), ownerWindow(), confirmProc, 0);
    const int answer = result == IDOK ? -1 : 0;
    trace("dialog", std::to_string(request.id) + " \"" + request.caption + "\"" +
                        (request.execute ? " show" : " display") + " -> " + (answer == -1 ? "OK" : "Cancel"));
    return answer;
  }

  void propertyChanged(const std::string& name) override {
    trace("property", name);
    if (onPropertyChanged) onPropertyChanged(name);
  }

  void trace(std::string_view category, std::string_view line) override {
    try {
      if (onTrace) {
        onTrace(category, line);
      } else {
        ::OutputDebugStringW(widen(std::string(category) + ": " + std::string(line) + "\n").c_str());
      }
    } catch (...) {
      // A transcript that cannot be written must not change what the control does.
    }
  }

 private:
  struct Timer {
    std::function<void()> tick;
    bool running = false;  // inside its own tick: a nested pump does not fire it again
  };

  static LRESULT CALLBACK timerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER) {
      if (auto* host = reinterpret_cast<Win32Host*>(::GetWindowLongPtrW(window, GWLP_USERDATA))) {
        host->fire(static_cast<TimerId>(wParam));
        return 0;
      }
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
  }

  void fire(TimerId id) {
    auto it = timers_.find(id);
    if (it == timers_.end() || it->second.running) return;
    it->second.running = true;
    // A copy: the tick may stop its own timer, which destroys the stored function.
    auto tick = it->second.tick;
    try {
      if (tick) tick();
    } catch (const std::exception& e) {
      trace("error", std::string("timer: ") + e.what());
    }
    it = timers_.find(id);
    if (it != timers_.end()) it->second.running = false;
  }

  // The owner of a box: the innermost form up now (a box stays above a topmost form), else the
  // control's window while it exists.
  HWND ownerWindow() const {
    if (const HWND form = currentFormDialog()) return form;
    return owner_ && ::IsWindow(owner_) ? owner_ : nullptr;
  }

  HWND timerWindow_ = nullptr;
  HWND owner_ = nullptr;
  std::map<TimerId, Timer> timers_;
  TimerId nextTimer_ = 1;
};

}  // namespace

std::unique_ptr<WindowsHost> newHost() {
  return std::make_unique<Win32Host>();
}

}  // namespace verolin::platform::win32
