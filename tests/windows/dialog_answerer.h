// Plays the user of a real modal window from another thread: waits for a visible window of the given title,
// notes what it shows, then acts on it (a button press, text typed first), as a person would.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace verolin::testing {

class DialogAnswerer {
 public:
  // `act` runs on the answering thread with the dialog once it exists (within `patience`).
  DialogAnswerer(std::wstring title, std::function<void(HWND)> act,
                 std::chrono::milliseconds patience = std::chrono::seconds(20))
      : thread_([this, title = std::move(title), act = std::move(act), patience] {
          const auto until = std::chrono::steady_clock::now() + patience;
          while (std::chrono::steady_clock::now() < until) {
            // A dialog becomes visible once it has been set up; a person sees it only then.
            const HWND dialog = ::FindWindowW(nullptr, title.c_str());
            if (dialog && ::IsWindowVisible(dialog)) {
              found_ = true;
              act(dialog);
              return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
          }
        }) {}
  ~DialogAnswerer() {
    if (thread_.joinable()) thread_.join();
  }
  DialogAnswerer(const DialogAnswerer&) = delete;
  DialogAnswerer& operator=(const DialogAnswerer&) = delete;

  // Waits until the answer has been given; true when the dialog appeared.
  bool finish() {
    if (thread_.joinable()) thread_.join();
    return found_;
  }

 private:
  bool found_ = false;
  std::thread thread_;
};

// Presses the button `id` of a dialog (IDOK, IDNO, ...).
inline void press(HWND dialog, int id) {
  ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

inline std::wstring itemText(HWND dialog, int id) {
  wchar_t text[1024] = {};
  ::GetDlgItemTextW(dialog, id, text, 1024);
  return text;
}

}  // namespace verolin::testing
