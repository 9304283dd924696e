#include <algorithm>
#include <chrono>
#include <ctime>
#include <thread>

#include "platform/form.h"
#include "platform/standin.h"
#include "platform/standin_system.h"

namespace verolin::platform {
namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;

std::int64_t realMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Local time as milliseconds since the automation epoch, and back; whole days go through the
// automation date, which is exact for them.
std::int64_t toEpochMs(const automation::DateTime& t) {
  automation::DateTime midnight = t;
  midnight.hour = midnight.minute = midnight.second = 0;
  const auto days = static_cast<std::int64_t>(automation::toOaDate(midnight));
  return days * kMsPerDay + (t.hour * 3600LL + t.minute * 60LL + t.second) * 1000;
}

automation::DateTime fromEpochMs(std::int64_t ms) {
  std::int64_t days = ms / kMsPerDay;
  std::int64_t rest = ms % kMsPerDay;
  if (rest < 0) rest += kMsPerDay, --days;
  automation::DateTime t = automation::fromOaDate(static_cast<double>(days));
  const std::int64_t secs = rest / 1000;
  t.hour = static_cast<int>(secs / 3600);
  t.minute = static_cast<int>(secs / 60 % 60);
  t.second = static_cast<int>(secs % 60);
  return t;
}

automation::DateTime systemLocalTime() {
  const std::time_t now = std::time(nullptr);
  const std::tm tm = standin_system::localTime(now);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

// The answer of a message box's first button for its button style (the low four bits).
int firstButton(int style) {
  switch (style & 0xF) {
    case 2:
      return 3;  // Abort, Retry, Ignore
    case 3:      // Yes, No, Cancel
    case mb::kYesNo:
      return mb::kAnswerYes;
    case 5:
      return 4;  // Retry, Cancel
    default:
      return mb::kAnswerOk;
  }
}

}  // namespace

StandInHost::StandInHost() : realAnchor_(realMs()) {
  setClock(systemLocalTime());
}

void StandInHost::post(std::function<void()> task) {
  posted_.push_back(std::move(task));
}

void StandInHost::runPosted() {
  // Only what was queued before this round; work posted by a task waits for the next round.
  for (std::size_t n = posted_.size(); n > 0 && !posted_.empty(); --n) {
    auto task = std::move(posted_.front());
    posted_.pop_front();
    try {
      if (task) task();
    } catch (const std::exception& e) {
      trace("error", std::string("posted task: ") + e.what());
    }
  }
}

void StandInHost::fire(TimerId id) {
  auto it = timers_.find(id);
  if (it == timers_.end() || it->second.running) return;
  it->second.running = true;
  // A copy: the tick may stop its own timer, which destroys the stored function.
  auto tick = it->second.tick;
  try {
    tick();
  } catch (const std::exception& e) {
    trace("error", std::string("timer: ") + e.what());
  }
  it = timers_.find(id);
  if (it == timers_.end()) return;
  Timer& t = it->second;
  t.running = false;
  // Keep the schedule on a frozen clock; after a late tick on a running one, do not fire a backlog.
  const std::int64_t now = tickMs();
  t.due += t.interval;
  if (t.due <= now) t.due = now + t.interval;
}

void StandInHost::runDue() {
  const std::int64_t now = tickMs();
  std::vector<std::pair<std::int64_t, TimerId>> due;
  for (const auto& [id, t] : timers_) {
    if (!t.running && t.due <= now) due.emplace_back(t.due, id);
  }
  std::sort(due.begin(), due.end());
  for (const auto& d : due) {
    auto it = timers_.find(d.second);
    if (it != timers_.end() && it->second.due <= now) fire(d.second);
  }
}

std::optional<std::int64_t> StandInHost::nextDue() const {
  std::optional<std::int64_t> best;
  for (const auto& [id, t] : timers_) {
    if (!t.running && (!best || t.due < *best)) best = t.due;
  }
  return best;
}

void StandInHost::pumpMessages(int times) {
  for (int i = 0; i < times; ++i) {
    runPosted();
    runDue();
  }
}

Host::TimerId StandInHost::startTimer(int intervalMs, std::function<void()> tick) {
  const int interval = std::max(intervalMs, 1);
  const TimerId id = nextTimer_++;
  timers_[id] = Timer{interval, tickMs() + interval, std::move(tick)};
  return id;
}

void StandInHost::stopTimer(TimerId id) {
  timers_.erase(id);
}

std::int64_t StandInHost::tickMs() {
  return frozen_ ? tickAtAnchor_ : tickAtAnchor_ + (realMs() - realAnchor_);
}

automation::DateTime StandInHost::now() {
  return fromEpochMs(localAtTick_ + (tickMs() - tickOfLocal_));
}

void StandInHost::setClock(const automation::DateTime& t) {
  localAtTick_ = toEpochMs(t);
  tickOfLocal_ = tickMs();
}

void StandInHost::rebase() {
  tickAtAnchor_ = tickMs();
  realAnchor_ = realMs();
}

void StandInHost::freezeClock(bool frozen) {
  rebase();
  frozen_ = frozen;
}

void StandInHost::sleep(int ms) {
  if (ms < 0) ms = 0;
  const std::int64_t target = tickMs() + ms;
  if (frozen_) {
    runPosted();
    // Step from one due timer to the next so that they fire in order, each at its own time.
    for (auto due = nextDue(); frozen_ && due && *due <= target; due = nextDue()) {
      tickAtAnchor_ = std::max(tickAtAnchor_, *due);
      pumpMessages(1);
    }
    if (frozen_) tickAtAnchor_ = std::max(tickAtAnchor_, target);
    pumpMessages(1);
    return;
  }
  for (;;) {
    pumpMessages(1);
    const std::int64_t left = target - tickMs();
    if (left <= 0) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min<std::int64_t>(left, 5)));
  }
}

int StandInHost::messageBox(const std::string& text, int style, const std::string& caption) {
  const std::string line = caption + "|" + std::to_string(style) + "|" + text;
  messages.push_back(line);
  const int answer = onMessageBox ? onMessageBox(text, style, caption) : firstButton(style);
  trace("msgbox", line + " -> " + std::to_string(answer));
  return answer;
}

std::optional<std::string> StandInHost::inputBox(const std::string& prompt, const std::string& title,
                                                 const std::string& defaultText) {
  auto answer = onInputBox ? onInputBox(prompt, title, defaultText) : std::nullopt;
  trace("inputbox",
        title + "|" + prompt + "|" + defaultText + " -> " + (answer ? "\"" + *answer + "\"" : "Cancel"));
  return answer;
}

void StandInHost::showModal(Form& form) {
  trace("form", "show " + form.name() + " \"" + form.caption() + "\"");
  form.markShown();
  if (onForm) onForm(form);
  if (form.isOpen()) form.close();
  trace("form", "closed " + form.name());
}

int StandInHost::showDialog(DialogRequest& request) {
  const int answer = onDialog ? onDialog(request) : 0;
  trace("dialog", std::to_string(request.id) + " \"" + request.caption + "\"" +
                      (request.execute ? " show" : " display") + " -> " + (answer == -1 ? "OK" : "Cancel"));
  return answer;
}

void StandInHost::propertyChanged(const std::string& name) {
  changedProperties.push_back(name);
  trace("property", name);
  if (onPropertyChanged) onPropertyChanged(name);
}

void StandInHost::trace(std::string_view category, std::string_view line) {
  if (!onTrace) return;
  try {
    onTrace(category, line);
  } catch (...) {
    // A transcript that cannot be written must not change what the control does.
  }
}

}  // namespace verolin::platform
