// The world of a page script on Windows: the page's control comes from its COM server, the person's
// hands reach the real machine (files on drive paths, the running word processor found as the system
// finds a running program, the cookie store of the system's HTTP stack), and the watchdog answers the
// control's real windows with the script's handlers. The colleague sits at another machine: a control of
// their own, linked into this program, on stand-ins of their own (files under a folder of the run, word
// processor, clipboard, registry), sharing this thread's pump, the run's clock and the system's request
// object; their boxes are on their screen, so the script's handlers answer them without a window here.
#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>

#include "com/dialog_watchdog.h"
#include "script/person_host.h"
#include "script/world.h"

namespace verolin::com {

// The ProgIDs a page names: its control, and the word processor the control starts.
inline constexpr const wchar_t* kControlProgId = L"VerolinSystem.VerolinActivex";
inline constexpr const wchar_t* kWordProgId = L"Word.Application";

// The running instance of `progId` (GetActiveObject) as an automation object; Empty when none runs.
automation::Variant runningObject(const wchar_t* progId);

class WindowsWorld final : public script::World {
 public:
  // The colleague's transcript lines go to `transcript`, marked as theirs.
  explicit WindowsWorld(std::ostream& transcript);
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
  // Whose control is being served (host.asking); the page's own unless the colleague's is.
  const script::Stage& stage() const { return stage_; }
  // The page goes away: the colleague's control, when the run met them, is released (Terminate).
  void releaseColleague() noexcept;

 private:
  class RunnerMachine;
  class ColleagueDesk;
  struct ColleagueSeat;
  int answerDialog(HWND window);
  ColleagueSeat& seat();

  std::ostream& transcript_;
  script::Stage stage_;
  std::unique_ptr<RunnerMachine> own_;
  script::UserAnswers answers_;
  DialogWatchdog watchdog_;
  // Made when the script first meets the colleague; gone before the apartment is.
  std::unique_ptr<ColleagueSeat> colleague_;
};

// Lets window messages run (the watchdog's among them) for `ms` milliseconds.
void pumpFor(int ms);

}  // namespace verolin::com
