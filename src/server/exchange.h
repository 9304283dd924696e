// What the server keeps of each exchange while it runs: when it began, the session it carries, and
// what the audit trail and the access log record of it once the answer has gone out. The HTTP layer
// begins an exchange before routing and finishes it after the answer (both on the thread that serves
// it); the page's answers fill it in between.
#pragma once

#include <httplib.h>

#include <chrono>
#include <optional>
#include <string>

#include "server/audit.h"
#include "server/session.h"

namespace verolin::server {

class Store;
struct ServerOptions;

struct Exchange {
  std::chrono::steady_clock::time_point began = std::chrono::steady_clock::now();
  std::int64_t beganUtc = 0;
  // The session the request carries when its signature holds (expired or not).
  std::optional<Session> session;
  // Whether the request is recorded in the audit trail; `audit` is then filled in by the answer.
  bool audited = false;
  AuditRecord audit;
  // Body bytes an answer streamed from a stored file sent.
  std::uint64_t sent = 0;
};

class Exchanges {
 public:
  // Failures of the audit trail go to the server's log.
  Exchanges(Store& store, const ServerOptions& options);

  // Before routing: the clock starts.
  void begin(const httplib::Request& req);
  // The exchange of `req`, begun now when begin() did not see it.
  Exchange& of(const httplib::Request& req);
  // After the answer went out: the audit row (for an audited exchange) and the access log line.
  // Never throws: a failing audit write is reported on the server's log.
  void finish(const httplib::Request& req, const httplib::Response& res);

  // The client's address: the peer's, or behind a trusted proxy the last one it forwarded.
  std::string clientAddress(const httplib::Request& req) const;

 private:
  Store& store_;
  const ServerOptions& options_;
};

}  // namespace verolin::server
