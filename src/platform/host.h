// Host: what the browser's user-interface thread offers the control: the message pump, timers, the
// local clock, message boxes, input boxes, modal forms, the word processor's dialogs and property
// change notification.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "automation/date.h"
#include "automation/variant.h"

namespace verolin::platform {

class Form;

// Message box styles and answers, with the platform's values.
namespace mb {
inline constexpr int kOk = 0;
inline constexpr int kOkCancel = 1;
inline constexpr int kYesNo = 4;
inline constexpr int kQuestion = 32;
inline constexpr int kExclamation = 48;
inline constexpr int kInformation = 64;
inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerCancel = 2;
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;
}  // namespace mb

// One of the word processor's built-in dialogs, shown modally through the host.
struct DialogRequest {
  int id = 0;                  // the word processor's dialog number (168 print, 178 page setup, ...)
  std::string caption;         // its title
  bool execute = true;         // Show (carry out what is confirmed) or Display (only read the settings)
  std::map<std::string, automation::Variant> fields;  // settings the user may change
};

class Host {
 public:
  using TimerId = int;

  Host() = default;
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;
  virtual ~Host() = default;

  // Lets pending window messages run, `times` rounds in a row (DoEvents): due timers fire and queued
  // work runs, so script and timer may re-enter the control. Never fails.
  virtual void pumpMessages(int times = 1) = 0;

  // Calls `tick` every `intervalMs` milliseconds while messages are pumped; the id stops it.
  virtual TimerId startTimer(int intervalMs, std::function<void()> tick) = 0;
  virtual void stopTimer(TimerId id) = 0;

  // The local date and time (for working-copy names and time texts).
  virtual automation::DateTime now() = 0;
  // Milliseconds on a steady clock that runs with now().
  virtual std::int64_t tickMs() = 0;

  // A modal message box; returns the answer (mb::kAnswerOk, ...).
  virtual int messageBox(const std::string& text, int style, const std::string& caption) = 0;
  // A modal input box; nullopt when the user cancels.
  virtual std::optional<std::string> inputBox(const std::string& prompt, const std::string& title,
                                              const std::string& defaultText) = 0;
  // Shows `form` modally; returns when it has closed.
  virtual void showModal(Form& form) = 0;
  // Shows one of the word processor's dialogs modally; returns -1 for OK, 0 for Cancel (the
  // word processor's convention), and leaves the user's settings in request.fields.
  virtual int showDialog(DialogRequest& request) = 0;

  // Tells the container that property `name` of the control changed.
  virtual void propertyChanged(const std::string& name) = 0;

  // One readable line of the transcript ("status", "http", "window", ...). Never fails.
  virtual void trace(std::string_view category, std::string_view line) = 0;
};

}  // namespace verolin::platform
