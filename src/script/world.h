// World: what a page script's `host` reaches around the control: each person's machine (files,
// clipboard, running word processor), the local clock, the browser's cookies and where the user's
// answers plug in. The stand-in platform makes one world (standin_world.h); the Windows runner makes
// another over the real system, so that host.* means the same on both.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "automation/date.h"
#include "automation/variant.h"
#include "platform/clipboard.h"
#include "platform/files.h"
#include "platform/form.h"
#include "platform/host.h"

namespace verolin::script {

// One person's machine.
class Machine {
 public:
  Machine() = default;
  Machine(const Machine&) = delete;
  Machine& operator=(const Machine&) = delete;
  virtual ~Machine() = default;

  virtual platform::FileSystem& files() = 0;
  virtual platform::Clipboard& clipboard() = 0;
  // The word processor this person's control runs, as an application object; Empty when none runs.
  virtual automation::Variant word() = 0;
};

// The user's four kinds of answer, as whatever shows the boxes asks for them; an empty function
// leaves the box to its default answer.
struct UserAnswers {
  std::function<int(const std::string& text, int style, const std::string& caption)> messageBox;
  std::function<std::optional<std::string>(const std::string& prompt, const std::string& title,
                                           const std::string& defaultText)>
      inputBox;
  std::function<void(platform::Form& form)> form;
  std::function<int(platform::DialogRequest& request)> dialog;
};

class World {
 public:
  World() = default;
  World(const World&) = delete;
  World& operator=(const World&) = delete;
  virtual ~World() = default;

  // The page's own user's machine.
  virtual Machine& own() = 0;
  // The colleague, met at the first call (then the same one): their machine and their control.
  // AutomationError 5 when the run has no second person.
  virtual Machine& colleague() = 0;
  virtual automation::ObjectRef colleagueControl() = 0;

  // The local time; setting it lets it run on from there. AutomationError 5 where the run cannot set it.
  virtual automation::DateTime now() = 0;
  virtual void setClock(const automation::DateTime& t) = 0;
  // Lets `ms` milliseconds pass while timers and queued work run.
  virtual void sleep(int ms) = 0;

  // The browser's cookie jar: `site` "" is every site. set throws std::invalid_argument for a cookie
  // a Cookie header cannot carry.
  virtual void setCookie(const std::string& name, const std::string& value, const std::string& site) = 0;
  virtual bool removeCookie(const std::string& name, const std::string& site) = 0;
  virtual void clearCookies() = 0;

  // The user answers this way from now on (replacing the answers given before).
  virtual void answerWith(const UserAnswers& answers) = 0;
};

}  // namespace verolin::script
