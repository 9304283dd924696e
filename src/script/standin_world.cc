#include "script/standin_world.h"

#include "automation/error.h"
#include "script/colleague.h"
#include "script/session.h"

namespace verolin::script {

automation::Variant ApartmentMachine::word() {
  const automation::Variant& app = apartment_.state().wordApp;
  return app.isObject() ? app : automation::Variant();
}

StandInWorld::~StandInWorld() = default;

Colleague& StandInWorld::met() {
  if (!meetColleague) {
    throw automation::AutomationError(automation::err::kInvalidCall,
                                      "host.colleague: this run has no second person");
  }
  return meetColleague();
}

Machine& StandInWorld::colleague() {
  Colleague& c = met();
  if (!colleague_) colleague_ = std::make_unique<ApartmentMachine>(c.apartment());
  return *colleague_;
}

automation::ObjectRef StandInWorld::colleagueControl() {
  return met().control();
}

void StandInWorld::answerWith(const UserAnswers& answers) {
  platform::StandInHost& host = standIn_.host;
  host.onMessageBox = answers.messageBox;
  host.onInputBox = answers.inputBox;
  host.onForm = answers.form;
  host.onDialog = answers.dialog;
}

Session::Session(platform::StandInPlatform& standIn, control::Apartment& apartment, std::ostream& out)
    : ownWorld_(std::make_unique<StandInWorld>(standIn, apartment)), world(*ownWorld_), out(out) {}

}  // namespace verolin::script
