// The world of a page script on Windows: the page's control comes from its COM server, the person's
// hands reach the real machine (files on drive paths, the running word processor found as the system
// finds a running program, the cookie store of the system's HTTP stack), and the watchdog answers the
// control's real windows with the script's handlers.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "com/dialog_watchdog.h"
#include "script/world.h"

namespace verolin::com {

// The ProgIDs a page names: its control, and the word processor the control starts.
inline constexpr const wchar_t* kControlProgId = L"VerolinSystem.VerolinActivex";
inline constexpr const wchar_t* kWordProgId = L"Word.Application";

// The running instance of `progId` (GetActiveObject) as an automation object; Empty when none runs.
automation::Variant runningObject(const wchar_t* progId);

class WindowsWorld final : public script::World {
 public:
  WindowsWorld();
  ~WindowsWorld() override;

  script::Machine& own() override;
  script::Machine& colleague() override;
  automation::ObjectRef colleagueControl() override;
  automation::DateTime now() override;
  void setClock(const automation::DateTime& t) override;
  void sleep(int ms) override;
  void setCookie(const std::string& name, const std::string& value, const std::string& site) override;
  bool removeCookie(const std::string& name, const std::string& site) override;
  void clearCookies() override;
  void answerWith(const script::UserAnswers& answers) override;

  DialogWatchdog& watchdog() { return watchdog_; }

 private:
  class RunnerMachine;
  int answerDialog(HWND window);
  std::unique_ptr<RunnerMachine> own_;
  script::UserAnswers answers_;
  DialogWatchdog watchdog_;
};

// Lets window messages run (the watchdog's among them) for `ms` milliseconds.
void pumpFor(int ms);

}  // namespace verolin::com
