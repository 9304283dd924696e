#include "com/dialog_watchdog.h"

#include <chrono>
#include <cstdio>
#include <map>
#include <optional>
#include <vector>

namespace verolin::com {
namespace {

// How often the script's thread looks for new windows, and the guard for stuck ones.
constexpr UINT kScanMs = 40;
constexpr int kGuardMs = 100;
// The control ids a message box gives its text and its icon (the system's and Wine's).
constexpr int kMessageTextId = 0xFFFF;
constexpr int kMessageIconIds[] = {0x14, 0x440};

// The watchdog of this thread, for the timer's callback.
thread_local DialogWatchdog* current = nullptr;

std::wstring className(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

bool isDialog(HWND window) {
  return className(window) == L"#32770";
}

HWND findChild(HWND parent, const wchar_t* cls) {
  return FindWindowExW(parent, nullptr, cls, nullptr);
}

bool hasButton(HWND box, int id) {
  HWND button = GetDlgItem(box, id);
  return button && IsWindowVisible(button);
}

// The button set and icon of a message box, as the style it was shown with.
int messageBoxStyle(HWND box) {
  int style = MB_OK;
  if (hasButton(box, IDABORT)) {
    style = MB_ABORTRETRYIGNORE;
  } else if (hasButton(box, IDYES)) {
    style = hasButton(box, IDCANCEL) ? MB_YESNOCANCEL : MB_YESNO;
  } else if (hasButton(box, IDRETRY)) {
    style = MB_RETRYCANCEL;
  } else if (hasButton(box, IDCANCEL)) {
    style = hasButton(box, IDOK) ? MB_OKCANCEL : MB_OK;
  }
  for (int id : kMessageIconIds) {
    HWND icon = GetDlgItem(box, id);
    if (!icon) continue;
    const auto shown = reinterpret_cast<HICON>(SendMessageW(icon, STM_GETICON, 0, 0));
    if (!shown) continue;
    const std::pair<LPCWSTR, int> icons[] = {{IDI_ASTERISK, MB_ICONINFORMATION},
                                             {IDI_EXCLAMATION, MB_ICONEXCLAMATION},
                                             {IDI_QUESTION, MB_ICONQUESTION},
                                             {IDI_HAND, MB_ICONSTOP}};
    for (const auto& [resource, flag] : icons) {
      if (LoadIconW(nullptr, resource) == shown) style |= flag;
    }
  }
  return style;
}

// What a user who just presses Enter gets: the first button.
int firstButton(int style) {
  switch (style & 0xF) {
    case MB_ABORTRETRYIGNORE:
      return IDABORT;
    case MB_YESNOCANCEL:
    case MB_YESNO:
      return IDYES;
    case MB_RETRYCANCEL:
      return IDRETRY;
    default:
      return IDOK;
  }
}

void press(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// The first static text of a dialog that says something (an input box's prompt).
std::string firstStaticText(HWND dialog) {
  for (HWND child = findChild(dialog, L"Static"); child;
       child = FindWindowExW(dialog, child, L"Static", nullptr)) {
    std::string text = windowText(child);
    if (!text.empty()) return text;
  }
  return {};
}

// The name of a form window, from its property; "" when it is no form.
std::string formName(HWND window) {
  const auto atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropW(window, kFormProperty)));
  if (atom == 0) return {};
  wchar_t name[256] = {};
  const UINT n = GlobalGetAtomNameW(atom, name, 256);
  return narrow(std::wstring_view(name, n));
}

bool isForm(HWND window) {
  return GetPropW(window, kFormProperty) != nullptr || className(window) == kFormClass;
}

long long nowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

struct Candidates {
  std::vector<HWND> windows;
};

BOOL CALLBACK collect(HWND window, LPARAM data) {
  if (IsWindowVisible(window) && (isDialog(window) || isForm(window)))
    reinterpret_cast<Candidates*>(data)->windows.push_back(window);
  return TRUE;
}

std::vector<HWND> modalWindows(DWORD thread) {
  Candidates found;
  EnumThreadWindows(thread, collect, reinterpret_cast<LPARAM>(&found));
  return found.windows;
}

}  // namespace

std::wstring wide(std::string_view text) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

std::string narrow(std::wstring_view text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                      nullptr);
  return out;
}

std::string windowText(HWND window) {
  const int n = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
  const int got = GetWindowTextW(window, text.data(), n + 1);
  text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return narrow(text);
}

DialogWatchdog::DialogWatchdog(int unansweredMs)
    : thread_(GetCurrentThreadId()), unansweredMs_(unansweredMs) {
  current = this;
  timer_ = SetTimer(nullptr, 0, kScanMs, tick);
  // The guard sees the same windows from outside: one that outlives the time a user is given is closed,
  // and when even that does not end it the run is over.
  guard_ = std::thread([this] {
    std::map<HWND, long long> since;
    while (!stop_) {
      Sleep(kGuardMs);
      const long long now = nowMs();
      std::map<HWND, long long> still;
      for (HWND window : modalWindows(thread_)) {
        const auto it = since.find(window);
        const long long first = it == since.end() ? now : it->second;
        still[window] = first;
        if (now - first > 2LL * unansweredMs_) {
          std::fprintf(stderr, "verolin: a window stayed unanswered; the run is stopped\n");
          std::fflush(stderr);
          TerminateProcess(GetCurrentProcess(), 3);
        } else if (now - first > unansweredMs_) {
          PostMessageW(window, WM_CLOSE, 0, 0);
        }
      }
      since = std::move(still);
    }
  });
}

DialogWatchdog::~DialogWatchdog() {
  stop_ = true;
  if (guard_.joinable()) guard_.join();
  if (timer_) KillTimer(nullptr, timer_);
  if (current == this) current = nullptr;
}

void CALLBACK DialogWatchdog::tick(HWND, UINT, UINT_PTR, DWORD) {
  if (current) current->scan();
}

void DialogWatchdog::scan() {
  // A handler's own boxes are found by the nested loop's ticks, not by this one again.
  if (scanning_) return;
  scanning_ = true;
  for (HWND window : modalWindows(thread_)) {
    if (seen_.count(window) || !IsWindowEnabled(window)) continue;
    seen_.insert(window);
    try {
      answer(window);
    } catch (...) {
      // A handler that failed has left its error for the script; the window gets the default answer.
      if (IsWindow(window)) PostMessageW(window, WM_CLOSE, 0, 0);
    }
  }
  // Forget windows that are gone, as their handles may come back for new ones.
  for (auto it = seen_.begin(); it != seen_.end();) it = IsWindow(*it) ? std::next(it) : seen_.erase(it);
  scanning_ = false;
}

void DialogWatchdog::answer(HWND window) {
  // The handler may show boxes of its own; they are answered in the nested loops it runs.
  scanning_ = false;
  if (isForm(window)) {
    answerForm(window, formName(window));
  } else if (GetPropW(window, kDialogProperty)) {
    answerDialog(window);
  } else if (HWND edit = findChild(window, L"Edit")) {
    answerInputBox(window, edit);
  } else if (GetDlgItem(window, kMessageTextId)) {
    answerMessageBox(window);
  } else {
    // A dialog of no kind the control shows (a system one): closed, as a hurried user would.
    trace("window", "closed \"" + windowText(window) + "\"");
    PostMessageW(window, WM_CLOSE, 0, 0);
  }
  scanning_ = true;
}

void DialogWatchdog::answerMessageBox(HWND box) {
  const std::string caption = windowText(box);
  const std::string text = windowText(GetDlgItem(box, kMessageTextId));
  const int style = messageBoxStyle(box);
  int chosen = firstButton(style);
  if (answers_.messageBox) {
    try {
      chosen = answers_.messageBox(text, style, caption);
    } catch (...) {
      press(box, firstButton(style));
      throw;
    }
  }
  press(box, chosen);
  trace("msgbox", caption + "|" + std::to_string(style) + "|" + text + " -> " + std::to_string(chosen));
}

void DialogWatchdog::answerInputBox(HWND box, HWND edit) {
  const std::string title = windowText(box);
  const std::string prompt = firstStaticText(box);
  const std::string defaultText = windowText(edit);
  std::optional<std::string> typed;
  if (answers_.inputBox) {
    try {
      typed = answers_.inputBox(prompt, title, defaultText);
    } catch (...) {
      press(box, IDCANCEL);
      throw;
    }
  }
  if (typed) {
    SetWindowTextW(edit, wide(*typed).c_str());
    press(box, IDOK);
  } else {
    press(box, IDCANCEL);
  }
  trace("inputbox",
        title + "|" + prompt + "|" + defaultText + " -> " + (typed ? "\"" + *typed + "\"" : "Cancel"));
}

void DialogWatchdog::answerForm(HWND form, const std::string& name) {
  trace("form", "show " + name + " \"" + windowText(form) + "\"");
  if (onFormWindow) onFormWindow(form, name);
  if (IsWindow(form) && IsWindowVisible(form)) PostMessageW(form, WM_CLOSE, 0, 0);
  trace("form", "closed " + name);
}

void DialogWatchdog::answerDialog(HWND dialog) {
  int button = IDCANCEL;
  try {
    if (onDialogWindow) button = onDialogWindow(dialog);
  } catch (...) {
    press(dialog, IDCANCEL);
    throw;
  }
  press(dialog, button);
}

void DialogWatchdog::trace(std::string_view category, const std::string& line) {
  if (!onTrace) return;
  try {
    onTrace(category, line);
  } catch (...) {
    // A transcript that cannot be written must not change what the user answers.
  }
}

}  // namespace verolin::com
