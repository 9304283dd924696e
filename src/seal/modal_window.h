// Showing one of the seal windows modally so that it is closed on every way out: a user (or page
// script) that fails while the window is up must not leave it marked open for the next showing.
#pragma once

#include "control/control.h"
#include "platform/form.h"

namespace verolin::seal {

inline void ShowModalWindow(control::Control& c, platform::Form& window) {
  struct CloseOnExit {
    platform::Form& window;
    ~CloseOnExit() {
      try {
        if (window.isOpen()) window.close();
      } catch (...) {
        // Unloading only restores texts and removes a scratch picture; it has nothing to report.
      }
    }
  } closeOnExit{window};
  c.host().showModal(window);
}

}  // namespace verolin::seal
