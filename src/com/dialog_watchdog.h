// DialogWatchdog: the user at the real screen, as a page script plays them. While the script's thread
// waits in a modal window of the control (a message box, an input box, one of its forms), a timer on
// that thread finds the window, reads it, asks the script's handler and presses the button the handler
// chose or fills the box; without a handler it answers as the stand-in host does (message boxes with
// their first button, input boxes with Cancel, forms closed). A guard thread ends the process when a
// window stays unanswered, so a run never hangs on a box nobody sees.
//
// What it recognises, on the thread that made the watchdog:
//   message box  a dialog ("#32770") with the message text in control 0xFFFF and no edit box
//   input box    a dialog with an edit box: the prompt is its first non-empty static text
//   dialog       a dialog carrying the window property kDialogProperty (a word processor's built-in one)
//   form         a top-level window carrying the window property kFormProperty (its name, e.g. "FrmMySign"),
//                or a window of the platform's form class kFormClass
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <thread>

#include "script/world.h"

namespace verolin::com {

// The window property that marks a modal form of the control; its value is a global atom of the form's
// name (GlobalAddAtomW), so another module of the process can read it.
inline constexpr const wchar_t* kFormProperty = L"VerolinFormName";
// The window class of the platform's modal forms; such a window's user data is its platform::Form.
inline constexpr const wchar_t* kFormClass = L"VerolinForm";
// The window property of a word processor's built-in dialog: its platform::DialogRequest.
inline constexpr const wchar_t* kDialogProperty = L"VerolinDialogRequest";

class DialogWatchdog {
 public:
  // `unansweredMs`: how long one window may stay open before the guard gives up on the run (exit 3).
  explicit DialogWatchdog(int unansweredMs = 60'000);
  ~DialogWatchdog();
  DialogWatchdog(const DialogWatchdog&) = delete;
  DialogWatchdog& operator=(const DialogWatchdog&) = delete;

  // The user answers this way from now on.
  void answerWith(const script::UserAnswers& answers) { answers_ = answers; }

  // Each window answered, as a transcript trace ("msgbox", "inputbox", "form") in the stand-in host's
  // form, so that the transcript reads the same on both systems.
  std::function<void(std::string_view category, std::string_view line)> onTrace;
  // Called for a word processor's dialog; returns the button to press (IDOK or IDCANCEL). Without it the
  // dialog is cancelled.
  std::function<int(HWND window)> onDialogWindow;
  // Called for a form before the default closes it; the form's window and the name its property gives
  // ("" for a window of the platform's form class).
  std::function<void(HWND window, const std::string& name)> onFormWindow;

  // Looks for windows to answer now (the timer does this on its own every few milliseconds).
  void scan();

 private:
  static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD);
  void answer(HWND window);
  void answerMessageBox(HWND box);
  void answerInputBox(HWND box, HWND edit);
  void answerForm(HWND form, const std::string& name);
  void answerDialog(HWND dialog);
  void trace(std::string_view category, const std::string& line);

  script::UserAnswers answers_;
  DWORD thread_ = 0;
  UINT_PTR timer_ = 0;
  std::set<HWND> seen_;  // windows answered (or being answered) already
  bool scanning_ = false;

  // The guard: the time the oldest unanswered window was found (0: none), watched by another thread.
  std::atomic<long long> waitingSince_{0};
  std::atomic<bool> stop_{false};
  int unansweredMs_;
  std::thread guard_;
};

// Text of a window in UTF-8.
std::string windowText(HWND window);
// UTF-8 <-> UTF-16.
std::wstring wide(std::string_view text);
std::string narrow(std::wstring_view text);

}  // namespace verolin::com
