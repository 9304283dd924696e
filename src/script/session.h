// Session: what the native functions of one running page script reach: the stand-in platform, the
// control's apartment, the colleague (when the run has one), the script's standard output, and the
// failure being handed to the script.
#pragma once

#include <duktape.h>

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

#include "control/apartment.h"
#include "platform/standin.h"
#include "script/person_host.h"

namespace verolin::script {

class Colleague;

class Session {
 public:
  Session(platform::StandInPlatform& standIn, control::Apartment& apartment, std::ostream& out)
      : standIn(standIn), apartment(apartment), out(out) {}
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  platform::StandInPlatform& standIn;
  control::Apartment& apartment;
  std::ostream& out;
  duk_context* ctx = nullptr;

  // Whose control the host is serving; null when the run has only the page's own control.
  const Stage* stage = nullptr;
  // The colleague, met at the first call (then the same one); empty when the run has none.
  std::function<Colleague&()> meetColleague;

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
