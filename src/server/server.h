// The reference server page: what a web application puts behind the control's `ActiveForm`.
//
// Contents of this folder:
//   server.h          Server and its options (this file)
//   page_requests.h   the answer to each RequestType at the page path, and the plain-URL files
//   store.h           the embedded store: SQLite rows plus a folder of bodies, crash-safe writes
//   staged_body.h     a body being written; body_reader.h  a stored body being read
//   query.h           the request's query text: exact keys, wire code page values
//   list_answer.h     the list texts and the list answer the control parses
//   names.h           which names a request may use
//   versions.h        version tags (ETag, If-Match) and the names of conflict copies
//   session.h         session cookies the web application mints and the page checks
//   exchange.h        what is kept of each exchange for the audit trail and the access log
//   audit.h           the audit trail's rows; access_log.h  the access log's lines and file
//   admin.h           the administration behind `verolin owner ...` and `verolin doc ...`
//   sqlite.h          the database connection
//   limits.h          threads and time limits; connections.h  connections served under them
//   worker_pool.h     the threads that serve connections
//   serving.h         the HTTP server (plain or TLS), its health answer and graceful stop
//   tls.h             the certificate and key of HTTPS
//   shutdown.h        `verolin serve`'s signals: drain, then stop at once
//   data_lock.h       one server per data folder, and who else has the store open
//   backup.h          a consistent copy of a store while it is being served
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "server/limits.h"
#include "server/session.h"
#include "server/store.h"
#include "server/tls.h"

namespace verolin::server {

struct ServerOptions {
  std::filesystem::path dataDir = "verolin-data";
  // Loopback unless told otherwise: the page hands out documents to whoever asks.
  std::string host = "127.0.0.1";
  int port = 8080;  // 0: any free port (see Server::port)
  std::string pagePath = "/page";
  // Plain-URL mode: stored documents by their name, and the files the control uploaded from clients.
  std::string filesPath = "/files";
  std::string clientFilesPath = "/clientfiles";
  // RequestType values of the seal owner list and the seal picture; the page passes the same values
  // to the control's ElectronSeal.
  std::string sealListType = "GetSealList";
  std::string sealPictureType = "GetSealPicture";
  // An upload must name the version it is based on (If-Match); one that does not is refused with 428.
  // Off by default: controls that send no version tag are served as they always were.
  bool requireVersion = false;
  // Larger request bodies are refused with 413.
  std::size_t maxBodyBytes = std::size_t{256} << 20;
  // Sessions: when set, the page and the files answer only requests that carry the cookie
  // `sessionCookie` minted with this secret (session.h); any other gets 403 and no document bytes.
  // When empty, everyone who can reach the server is admitted.
  std::optional<std::string> sessionSecret;
  std::string sessionCookie = kDefaultSessionCookie;
  // Behind a reverse proxy: the client's address is the last one in X-Forwarded-For.
  bool trustProxy = false;
  // Notable events (start-up sweeps, failures of the audit trail); nothing when empty.
  std::function<void(const std::string&)> log;
  // Threads and time limits against many and slow clients, and the drain on stop.
  Limits limits;
  // HTTPS when both files are named.
  TlsFiles tls;
  // One line per exchange in the combined log format (access_log.h); nothing when empty.
  std::function<void(const std::string&)> accessLog;
};

// Throws std::invalid_argument naming the first option that cannot work.
void checkOptions(const ServerOptions& options);

class Server {
 public:
  // Checks the options, locks the data folder for this server and opens (or creates) the store,
  // removing what a killed predecessor left half written. Throws std::invalid_argument, DataFolderBusy
  // when another server serves the folder, or StoreError.
  explicit Server(ServerOptions options);
  // Stops serving.
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Binds and serves on a thread of its own; returns once requests are accepted. Throws
  // std::runtime_error when the address cannot be bound.
  void start();
  // Stops accepting at once and lets the exchanges under way finish within the drain time
  // (options.limits.drain), then breaks off what is left; returns when every connection is closed.
  // Safe to call twice.
  void stop();
  // Breaks off every exchange under way now (for example while stop() drains on another thread);
  // returns how many there were. An upload broken off stores nothing.
  std::size_t breakOff();
  // Requests being read or answered right now.
  std::size_t exchangesUnderWay() const;

  // The bound port (after start()).
  int port() const;
  // "http://HOST:PORT" (https with TLS) and that followed by the page path: the control's `ActiveForm`.
  std::string baseUrl() const;
  std::string pageUrl() const;

  Store& store();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace verolin::server
