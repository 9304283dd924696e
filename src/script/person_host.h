// One person's view of the host that the people of a run share: the same pump, timers and clock, while
// every box, window, dialog and transcript line this person causes is known to be theirs (host.asking,
// and the transcript's mark for the colleague).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/host.h"

namespace verolin::script {

// How a script reaches each person's control: the global `control`, and `host.colleague`.
inline constexpr std::string_view kControlName = "control";
inline constexpr std::string_view kColleagueName = "colleague";

// Whose control the shared host is serving at the moment.
struct Stage {
  std::string_view acting = kControlName;
};

class PersonHost final : public platform::Host {
 public:
  PersonHost(platform::Host& shared, Stage& stage, std::string_view name)
      : shared_(shared), stage_(stage), name_(name) {}

  void pumpMessages(int times = 1) override;
  TimerId startTimer(int intervalMs, std::function<void()> tick) override;
  void stopTimer(TimerId id) override;
  automation::DateTime now() override;
  std::int64_t tickMs() override;
  int messageBox(const std::string& text, int style, const std::string& caption) override;
  std::optional<std::string> inputBox(const std::string& prompt, const std::string& title,
                                      const std::string& defaultText) override;
  void showModal(platform::Form& form) override;
  int showDialog(platform::DialogRequest& request) override;
  void propertyChanged(const std::string& name) override;
  void trace(std::string_view category, std::string_view line) override;

 private:
  // This person is served until the scope ends; then whoever was before.
  class Turn {
   public:
    explicit Turn(const PersonHost& person) : stage_(person.stage_), before_(stage_.acting) {
      stage_.acting = person.name_;
    }
    ~Turn() { stage_.acting = before_; }
    Turn(const Turn&) = delete;
    Turn& operator=(const Turn&) = delete;

   private:
    Stage& stage_;
    std::string_view before_;
  };

  platform::Host& shared_;
  Stage& stage_;
  std::string_view name_;
};

}  // namespace verolin::script
