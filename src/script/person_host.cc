#include "script/person_host.h"

namespace verolin::script {

// The pump is not anyone's turn: what it runs (a timer, posted work) takes its own.
void PersonHost::pumpMessages(int times) {
  shared_.pumpMessages(times);
}

PersonHost::TimerId PersonHost::startTimer(int intervalMs, std::function<void()> tick) {
  return shared_.startTimer(intervalMs, [this, tick = std::move(tick)] {
    Turn turn(*this);
    tick();
  });
}

void PersonHost::stopTimer(TimerId id) {
  shared_.stopTimer(id);
}

automation::DateTime PersonHost::now() {
  return shared_.now();
}

std::int64_t PersonHost::tickMs() {
  return shared_.tickMs();
}

int PersonHost::messageBox(const std::string& text, int style, const std::string& caption) {
  Turn turn(*this);
  return shared_.messageBox(text, style, caption);
}

std::optional<std::string> PersonHost::inputBox(const std::string& prompt, const std::string& title,
                                                const std::string& defaultText) {
  Turn turn(*this);
  return shared_.inputBox(prompt, title, defaultText);
}

void PersonHost::showModal(platform::Form& form) {
  Turn turn(*this);
  shared_.showModal(form);
}

int PersonHost::showDialog(platform::DialogRequest& request) {
  Turn turn(*this);
  return shared_.showDialog(request);
}

void PersonHost::propertyChanged(const std::string& name) {
  Turn turn(*this);
  shared_.propertyChanged(name);
}

void PersonHost::trace(std::string_view category, std::string_view line) {
  Turn turn(*this);
  shared_.trace(category, line);
}

}  // namespace verolin::script
