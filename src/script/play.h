// Playing a page, the same on every system: the script's globals, the run, and the page going away at
// the end. What differs between systems is the world around the control and how the control is made.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "automation/variant.h"
#include "script/person_host.h"
#include "script/world.h"

namespace verolin::script {

inline constexpr int kExitScriptError = 1;  // the script (or a handler) raised an uncaught error
inline constexpr int kExitCannotRun = 2;    // the script could not be read or the platform not set up

// How the page's control comes and goes.
struct PageControl {
  // Makes the control, as the page's object tag does; throws std::exception when it cannot.
  std::function<automation::ObjectRef()> create;
  // The pages go away: the controls are released (Terminate) while the handlers still answer.
  std::function<void()> release;
};

// Runs `source` (the script file `fileName`) with `args` as host.args against the control that `control`
// makes. `stage` (may be null) tells whose control the host serves. The script's output goes to `out`,
// its failure to `log`. Returns 0 when it ran to its end, kExitScriptError otherwise.
int playScript(World& world, const Stage* stage, std::string_view source, const std::string& fileName,
               const std::vector<std::string>& args, const PageControl& control, std::ostream& out,
               std::ostream& log);

}  // namespace verolin::script
