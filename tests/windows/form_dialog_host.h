// The Windows host with its forms shown as the real dialogs, as Host::showModal does once it calls
// runFormDialog: every other service is the wrapped host's.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/host.h"
#include "platform/win32/form_dialog.h"

namespace verolin::platform::win32 {

class DialogHost final : public Host {
 public:
  explicit DialogHost(Host& inner) : inner_(inner) {}
  void pumpMessages(int times) override { inner_.pumpMessages(times); }
  TimerId startTimer(int ms, std::function<void()> tick) override {
    return inner_.startTimer(ms, std::move(tick));
  }
  void stopTimer(TimerId id) override { inner_.stopTimer(id); }
  automation::DateTime now() override { return inner_.now(); }
  std::int64_t tickMs() override { return inner_.tickMs(); }
  int messageBox(const std::string& text, int style, const std::string& caption) override {
    return inner_.messageBox(text, style, caption);
  }
  std::optional<std::string> inputBox(const std::string& prompt, const std::string& title,
                                      const std::string& defaultText) override {
    return inner_.inputBox(prompt, title, defaultText);
  }
  void showModal(Form& form) override { runFormDialog(form, currentFormDialog()); }
  int showDialog(DialogRequest& request) override { return inner_.showDialog(request); }
  void propertyChanged(const std::string& name) override { inner_.propertyChanged(name); }
  void trace(std::string_view category, std::string_view line) override { inner_.trace(category, line); }

 private:
  Host& inner_;
};

}  // namespace verolin::platform::win32
