// Apartment: the browser thread as the control sees it: the platform services and the control-wide
// state that all controls created on the thread share.
#pragma once

#include "control/state.h"
#include "platform/platform.h"

namespace verolin::control {

class Apartment {
 public:
  explicit Apartment(platform::Platform platform) : platform_(platform) {}
  Apartment(const Apartment&) = delete;
  Apartment& operator=(const Apartment&) = delete;

  platform::Platform& platform() { return platform_; }
  platform::Host& host() { return *platform_.host; }
  platform::FileSystem& files() { return *platform_.files; }
  platform::WindowSystem& windows() { return *platform_.windows; }
  ControlState& state() { return state_; }

 private:
  platform::Platform platform_;
  ControlState state_;
};

}  // namespace verolin::control
