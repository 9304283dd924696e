#include "script/play.h"

#include "script/engine.h"
#include "script/handlers.h"
#include "script/host_api.h"
#include "script/session.h"

namespace verolin::script {

int playScript(World& world, const Stage* stage, std::string_view source, const std::string& fileName,
               const std::vector<std::string>& args, const PageControl& control, std::ostream& out,
               std::ostream& log) {
  Session session(world, out);
  session.stage = stage;
  Engine engine(session);
  installHost(engine.context(), args);
  automation::ObjectRef page;
  try {
    page = control.create();
  } catch (const std::exception& e) {
    log << fileName << ": the control cannot be created: " << e.what() << '\n';
    detachHandlers(session);
    return kExitScriptError;
  }
  installControl(engine.context(), page);
  page.reset();
  int code = 0;
  if (auto failure = engine.run(source, fileName)) {
    log << failure->describe();
    code = kExitScriptError;
  }
  if (control.release) control.release();
  if (auto failure = engine.takePendingError()) {
    log << failure->describe();
    code = kExitScriptError;
  }
  detachHandlers(session);
  return code;
}

}  // namespace verolin::script
