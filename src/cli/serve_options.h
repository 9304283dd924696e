// The options of `verolin serve` that set how it holds up: threads, time limits, drain and TLS.
#pragma once

#include <CLI/CLI.hpp>

#include "server/server.h"

namespace verolin::cli {

void addHoldUpOptions(CLI::App& command, server::ServerOptions& options);

}  // namespace verolin::cli
