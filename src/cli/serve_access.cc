#include "cli/serve_access.h"

#include <iostream>
#include <mutex>

#include "cli/command.h"
#include "server/session.h"

namespace verolin::cli {

void addAccessOptions(CLI::App& command, ServeAccess& access, server::ServerOptions& options) {
  command.add_option("--session-secret", access.secretFile,
                     "file holding the secret the web application signs session cookies with; without it "
                     "everyone who reaches the server is admitted");
  command.add_option("--cookie-name", options.sessionCookie, "name of the session cookie")
      ->capture_default_str();
  command.add_option("--access-log", access.accessLogFile,
                     "file for the access log (combined log format, reopened on SIGHUP); default: "
                     "standard error");
  command.add_flag("--trust-proxy", options.trustProxy,
                   "the server sits behind a reverse proxy: log and audit the client address it forwards "
                   "(X-Forwarded-For)");
}

void setUpAccess(ServeAccess& access, server::ServerOptions& options, bool quiet) {
  if (!access.secretFile.empty()) {
    try {
      options.sessionSecret = server::loadSessionSecret(access.secretFile);
    } catch (const std::exception& e) {
      fail(std::string("verolin serve: ") + e.what());
    }
  }
  if (!access.accessLogFile.empty()) {
    try {
      access.log = std::make_unique<server::AccessLogFile>(access.accessLogFile);
    } catch (const std::exception& e) {
      fail(std::string("verolin serve: ") + e.what());
    }
    options.accessLog = [file = access.log.get()](const std::string& line) { file->write(line); };
  } else if (!quiet) {
    options.accessLog = [](const std::string& line) {
      static std::mutex mutex;
      std::lock_guard lock(mutex);
      std::cerr << line << '\n';
    };
  }
}

std::string admissionNotice(const server::ServerOptions& options) {
  if (!options.sessionSecret) {
    return "verolin serve: no --session-secret: everyone who can reach this server is admitted and may "
           "read and replace every document";
  }
  return "verolin serve: admitting requests with a session cookie " + options.sessionCookie +
         " signed with the session secret";
}

void reopenAccessLog(ServeAccess& access) {
  if (access.log && !access.log->reopen()) {
    std::cerr << "verolin serve: cannot reopen the access log " << access.accessLogFile
              << "; still writing to the old file\n";
  }
}

}  // namespace verolin::cli
