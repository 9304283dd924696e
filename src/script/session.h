// Session: what the native functions of one running page script reach: the world around the control
// (machines, clock, cookies, the user's answers), the script's standard output, and the failure being
// handed to the script.
#pragma once

#include <duktape.h>

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>

#include "script/person_host.h"
#include "script/world.h"

namespace verolin::control {
class Apartment;
}
namespace verolin::platform {
struct StandInPlatform;
}

namespace verolin::script {

class Session {
 public:
  Session(World& world, std::ostream& out) : world(world), out(out) {}
  // A session in a world of the stand-ins, the page's control living in `apartment`.
  Session(platform::StandInPlatform& standIn, control::Apartment& apartment, std::ostream& out);
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

 private:
  std::unique_ptr<World> ownWorld_;

 public:
  World& world;
  std::ostream& out;
  duk_context* ctx = nullptr;

  // Whose control the host is serving; null when the run has only the page's own control.
  const Stage* stage = nullptr;
  // The script's handlers as they stand (connected to the world whenever one changes).
  UserAnswers answers;

  // A handler's error waits in the heap stash while the control's frames unwind.
  bool errorPending = false;

  // The C++ failure of the native call that just ended, kept here (not on the C++ stack) while the
  // trampoline turns it into a script error.
  struct Failure {
    bool automation = false;
    std::int32_t number = 0;
    std::string message;
    std::string description;
    std::string source;
  } failure;
};

}  // namespace verolin::script
