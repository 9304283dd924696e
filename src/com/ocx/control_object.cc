// One VerolinActivex served through _VerolinActivex, and the apartment the controls of one thread
// share: the control-wide state lives once per browser thread and outlives any single control.
#include <memory>

#include "activex/verolin_activex.h"
#include "com/ocx/ole_object.h"
#include "com/ocx/server.h"

namespace verolin::com::ocx {
namespace {

// Made with the thread's first control and dropped with its last one. A plain pointer: a thread-local
// object with a destructor would leave the thread's exit calling into this module after COM unloaded it.
struct ThreadApartment {
  std::unique_ptr<ThreadServices> services;
  std::unique_ptr<control::Apartment> apartment;
  int controls = 0;
};
thread_local ThreadApartment* tApartment = nullptr;

control::Apartment& enterApartment() {
  if (!tApartment) {
    auto fresh = std::make_unique<ThreadApartment>();
    fresh->services = makeThreadServices();
    fresh->apartment = std::make_unique<control::Apartment>(fresh->services->platform());
    tApartment = fresh.release();
  }
  ++tApartment->controls;
  return *tApartment->apartment;
}

void leaveApartment() {
  if (--tApartment->controls > 0) return;
  // The apartment goes before its services, which it refers to.
  tApartment->apartment.reset();
  delete tApartment;
  tApartment = nullptr;
}

class ControlObject final : public OleControl {
 public:
  explicit ControlObject(std::shared_ptr<activex::VerolinActivex> control)
      : OleControl(control, controlMembers(), controlTypeInfo(), interfaceId()),
        control_(std::move(control)) {}

 private:
  control::Control& liveControl() override { return control_->control(); }

  // The container let go: its window and sinks go first, then Terminate runs (quitting the word
  // processor, deleting the local copy) before the apartment may go with the thread's last control.
  ~ControlObject() override {
    leaveContainer();
    control_->release();
    control_.reset();
    leaveApartment();
  }

  std::shared_ptr<activex::VerolinActivex> control_;
};

}  // namespace

ThreadServices& threadServices() {
  return *tApartment->services;
}

IDispatch* createControl() {
  // The type library first: a control that cannot be described is not made at all.
  controlTypeInfo();
  control::Apartment& apartment = enterApartment();
  try {
    return new ControlObject(activex::VerolinActivex::create(apartment));
  } catch (...) {
    leaveApartment();
    throw;
  }
}

}  // namespace verolin::com::ocx
