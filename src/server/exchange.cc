#include "server/exchange.h"

#include <ctime>

#include "server/access_log.h"
#include "server/page_requests.h"
#include "server/server.h"

namespace verolin::server {
namespace {

std::int64_t utcNow() {
  return static_cast<std::int64_t>(std::time(nullptr));
}

std::string trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return std::string(text);
}

}  // namespace

Exchanges::Exchanges(Store& store, const ServerOptions& options) : store_(store), options_(options) {
  // The store may commit its last rows after this object is gone: the report holds its own copy.
  store_.reportAuditFailures([log = options_.log](const std::string& reason) {
    if (log) log("the audit trail cannot be written: " + reason);
  });
}

namespace {

// A thread serves one exchange at a time, from begin() to finish(), so each keeps its own record:
// no lock and no allocation per exchange.
struct OpenExchange {
  const Exchanges* owner = nullptr;
  const httplib::Request* request = nullptr;
  Exchange exchange;
};
thread_local OpenExchange openExchange;

}  // namespace

void Exchanges::begin(const httplib::Request& req) {
  // A fresh record even when a request object at this address was left unfinished.
  openExchange.owner = this;
  openExchange.request = &req;
  openExchange.exchange = Exchange{};
  openExchange.exchange.beganUtc = utcNow();
}

Exchange& Exchanges::of(const httplib::Request& req) {
  if (openExchange.owner != this || openExchange.request != &req) begin(req);
  return openExchange.exchange;
}

std::string Exchanges::clientAddress(const httplib::Request& req) const {
  if (options_.trustProxy) {
    // Each proxy appends the address it received from; the last entry is the one our proxy saw.
    std::string forwarded;
    for (std::size_t i = 0, n = req.get_header_value_count("X-Forwarded-For"); i < n; ++i) {
      forwarded += (forwarded.empty() ? "" : ",") + req.get_header_value("X-Forwarded-For", i);
    }
    const std::string last = trimmed(std::string_view(forwarded).substr(forwarded.rfind(',') + 1));
    if (!last.empty()) return last;
  }
  return req.remote_addr;
}

void Exchanges::finish(const httplib::Request& req, const httplib::Response& res) {
  // A request the parser could not read carries no method; nothing of it is worth a line.
  std::optional<Exchange> exchange;
  if (openExchange.owner == this && openExchange.request == &req) {
    exchange = std::move(openExchange.exchange);
    openExchange.owner = nullptr;
    openExchange.request = nullptr;
  }
  if (req.method.empty()) return;
  const std::uint64_t bodyBytes = res.content_provider_ ? (exchange ? exchange->sent : 0) : res.body.size();
  const std::string client = clientAddress(req);
  const bool known = exchange && exchange->session;
  if (exchange && (exchange->audited || res.status == 403)) {
    AuditRecord record = exchange->audit;
    record.time = exchange->beganUtc;
    record.user = known ? exchange->session->user : "-";
    record.client = client;
    record.status = res.status;
    if (record.type.empty()) record.type = req.method;
    // Downloads record what went out; uploads what came in (set by the answer).
    if (res.content_provider_) record.bytes = bodyBytes;
    try {
      store_.recordAudit(record);
    } catch (const std::exception& e) {
      if (options_.log) options_.log("the audit trail cannot be written: " + std::string(e.what()));
    }
  }
  if (!options_.accessLog) return;
  AccessEntry entry;
  entry.client = client;
  entry.user = known ? exchange->session->user : "-";
  entry.time = exchange ? exchange->beganUtc : utcNow();
  entry.method = req.method;
  entry.target = req.target;
  entry.version = req.version;
  entry.status = res.status;
  entry.bytes = bodyBytes;
  entry.referer = req.get_header_value("Referer");
  entry.userAgent = req.get_header_value("User-Agent");
  if (exchange) {
    entry.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - exchange->began).count();
  }
  if (res.has_header(kErrorHeader)) entry.reason = res.get_header_value(kErrorHeader);
  options_.accessLog(combinedLine(entry));
}

}  // namespace verolin::server
