// Apartment: the browser thread as the control sees it: the platform services and the control-wide
// state that all controls created on the thread share.
#pragma once

#include <map>
#include <memory>
#include <typeindex>

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

  // One object of type T per thread (a subsystem's window), created on first use and kept until the
  // thread's controls are all gone, as the design's forms are.
  template <class T>
  T& instance() {
    auto& slot = instances_[std::type_index(typeid(T))];
    if (!slot) slot = std::make_shared<T>();
    return *static_cast<T*>(slot.get());
  }

 private:
  platform::Platform platform_;
  ControlState state_;
  std::map<std::type_index, std::shared_ptr<void>> instances_;
};

}  // namespace verolin::control
