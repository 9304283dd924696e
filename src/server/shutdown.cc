#include "server/shutdown.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace verolin::server {
namespace {

std::string signalName(int signal) {
  switch (signal) {
    case SIGINT:
      return "SIGINT";
    case SIGTERM:
      return "SIGTERM";
    default:
      return "signal " + std::to_string(signal);
  }
}

// After a second signal the broken-off exchanges end at their next read or write; one stuck in the
// file system is not waited for longer than this.
constexpr std::chrono::seconds kBreakOffGrace{2};

}  // namespace

bool serveUntilSignalled(Server& server, const sigset_t& signals,
                         const std::function<void(const std::string&)>& say,
                         const std::function<void()>& hangup) {
  int received = 0;
  while (sigwait(&signals, &received) != 0 || received == SIGHUP) {
    if (received == SIGHUP && hangup) hangup();
    received = 0;
  }
  say("stopping on " + signalName(received) + ": no new connections; " +
      std::to_string(server.exchangesUnderWay()) +
      " exchange(s) under way may finish (signal again to stop at once)");
  std::atomic<bool> stopped{false};
  std::thread stopper([&] {
    server.stop();
    stopped = true;
  });
  bool graceful = true;
  while (!stopped) {
    timespec tick{0, 100'000'000};
    const int again = sigtimedwait(&signals, nullptr, &tick);
    if (again == SIGHUP) {
      if (hangup) hangup();
      continue;
    }
    if (again > 0) {
      say("stopping at once: broke off " + std::to_string(server.breakOff()) + " exchange(s)");
      graceful = false;
      const auto until = std::chrono::steady_clock::now() + kBreakOffGrace;
      while (!stopped && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
      // Whatever is still writing leaves only staged files, which the next start sweeps.
      if (!stopped) std::_Exit(1);
      break;
    }
  }
  stopper.join();
  return graceful;
}

}  // namespace verolin::server
