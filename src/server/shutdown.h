// How `verolin serve` stops: the first SIGINT or SIGTERM stops accepting and drains the exchanges
// under way; a second one breaks them off at once.
#pragma once

#include <signal.h>

#include <functional>
#include <string>

#include "server/server.h"

namespace verolin::server {

// Waits for one of `signals` (blocked by the caller in every thread, so only this wait receives
// them), then stops `server` as described above, telling the operator through `say`. A SIGHUP among
// `signals` stops nothing: it calls `hangup` (log rotation) and the wait goes on. Returns false when a
// second signal broke exchanges off.
bool serveUntilSignalled(Server& server, const sigset_t& signals,
                         const std::function<void(const std::string&)>& say,
                         const std::function<void()>& hangup = {});

}  // namespace verolin::server
