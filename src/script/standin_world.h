// The world of a page script on the stand-in platform: the page's control lives in an apartment on
// the stand-ins, the colleague (when the run has one) on stand-ins of their own, and the stand-in
// host shows the boxes, keeps the clock and asks the user's answers.
#pragma once

#include <functional>

#include "control/apartment.h"
#include "platform/standin.h"
#include "script/world.h"

namespace verolin::script {

class Colleague;

// A machine whose control lives in `apartment`.
class ApartmentMachine final : public Machine {
 public:
  explicit ApartmentMachine(control::Apartment& apartment) : apartment_(apartment) {}
  platform::FileSystem& files() override { return *apartment_.platform().files; }
  platform::Clipboard& clipboard() override { return *apartment_.platform().clipboard; }
  automation::Variant word() override;

 private:
  control::Apartment& apartment_;
};

class StandInWorld final : public World {
 public:
  StandInWorld(platform::StandInPlatform& standIn, control::Apartment& apartment)
      : standIn_(standIn), own_(apartment) {}
  ~StandInWorld() override;

  Machine& own() override { return own_; }
  Machine& colleague() override;
  automation::ObjectRef colleagueControl() override;
  automation::DateTime now() override { return standIn_.host.now(); }
  void setClock(const automation::DateTime& t) override { standIn_.host.setClock(t); }
  void sleep(int ms) override { standIn_.host.sleep(ms); }
  void setCookie(const std::string& name, const std::string& value, const std::string& site) override {
    standIn_.cookies.set(name, value, site);
  }
  bool removeCookie(const std::string& name, const std::string& site) override {
    return standIn_.cookies.remove(name, site);
  }
  void clearCookies() override { standIn_.cookies.clear(); }
  void answerWith(const UserAnswers& answers) override;

  // The colleague, met at the first call (then the same one); empty when the run has none.
  std::function<Colleague&()> meetColleague;

 private:
  Colleague& met();

  platform::StandInPlatform& standIn_;
  ApartmentMachine own_;
  std::unique_ptr<ApartmentMachine> colleague_;
};

}  // namespace verolin::script
