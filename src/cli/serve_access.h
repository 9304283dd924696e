// Who `verolin serve` admits and what it records: the session secret, the access log and its
// rotation, the trusted proxy. Kept apart from cmd_serve.cc, which only hooks it in.
#pragma once

#include <CLI/CLI.hpp>

#include <memory>
#include <string>

#include "server/access_log.h"
#include "server/server.h"

namespace verolin::cli {

struct ServeAccess {
  std::string secretFile;
  std::string accessLogFile;
  std::unique_ptr<server::AccessLogFile> log;
};

// --session-secret, --cookie-name, --access-log, --trust-proxy.
void addAccessOptions(CLI::App& command, ServeAccess& access, server::ServerOptions& options);

// Loads the secret and opens the access log (standard error unless a file is named; none when
// `quiet`). Ends the program with a message when either cannot be had.
void setUpAccess(ServeAccess& access, server::ServerOptions& options, bool quiet);

// The line that tells at start whom the server admits.
std::string admissionNotice(const server::ServerOptions& options);

// After SIGHUP: the access log file is opened again under its name (log rotation moved it away).
void reopenAccessLog(ServeAccess& access);

}  // namespace verolin::cli
