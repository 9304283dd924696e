// Answers every message box a test meets: a thread finds each dialog box of this process, records its
// caption and text and presses OK, so a modal box never blocks the test.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "com/variant.h"

namespace verolin::testing {

class MessageBoxAnswerer {
 public:
  MessageBoxAnswerer() : thread_([this] { run(); }) {}
  ~MessageBoxAnswerer() {
    stop_ = true;
    thread_.join();
  }
  MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
  MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;

  // Every box answered so far, as "caption|text", and forgets them.
  std::vector<std::string> take() {
    std::lock_guard lock(mutex_);
    answered_.clear();
    return std::exchange(seen_, {});
  }

 private:
  static std::string textOf(HWND h) {
    wchar_t buffer[1024] = {};
    GetWindowTextW(h, buffer, 1024);
    return com::fromWide(buffer);
  }
  static BOOL CALLBACK visit(HWND h, LPARAM self) {
    DWORD process = 0;
    GetWindowThreadProcessId(h, &process);
    wchar_t cls[64] = {};
    GetClassNameW(h, cls, 64);
    if (process != GetCurrentProcessId() || std::wstring(cls) != L"#32770" || !IsWindowVisible(h))
      return TRUE;
    auto* me = reinterpret_cast<MessageBoxAnswerer*>(self);
    // A message box's text is the static control 0xFFFF.
    const std::string line = textOf(h) + "|" + textOf(GetDlgItem(h, 0xFFFF));
    {
      std::lock_guard lock(me->mutex_);
      // A box stays on screen for a moment after OK was posted: record it once.
      if (!me->answered_.insert(h).second) return TRUE;
      me->seen_.push_back(line);
    }
    PostMessageW(h, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return TRUE;
  }
  void run() {
    while (!stop_) {
      EnumWindows(visit, reinterpret_cast<LPARAM>(this));
      Sleep(30);
    }
  }

  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<std::string> seen_;
  std::set<HWND> answered_;
  std::thread thread_;
};

}  // namespace verolin::testing
