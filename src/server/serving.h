// The HTTP server under the connection limits (connections.h), plain or over TLS, its health answer
// and its graceful stop.
#pragma once

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "server/connections.h"
#include "server/limits.h"
#include "server/store.h"
#include "server/tls.h"

namespace verolin::server {

inline constexpr const char* kHealthPath = "/healthz";

class Serving {
 public:
  using Log = std::function<void(const std::string&)>;

  // Throws std::invalid_argument when the certificate or key cannot be loaded.
  Serving(const Limits& limits, const TlsFiles& tls, Log log);
  Serving(const Serving&) = delete;
  Serving& operator=(const Serving&) = delete;

  httplib::Server& http() { return *http_; }
  bool tls() const { return tls_; }

  // Accepts and serves on the calling thread (after the port is bound) until stop().
  void listen();
  // Stops accepting at once, lets the exchanges under way finish within `drain`, then breaks off what
  // is left; returns once listen() has returned and every connection is closed.
  void stop(std::chrono::milliseconds drain);
  // Breaks off every exchange under way now (a second stop signal); returns how many there were.
  std::size_t breakOff() { return exchanges_.breakOff(); }

  std::size_t underWay() const { return exchanges_.underWay(); }
  bool stopping() const { return exchanges_.stopping(); }

  // GET kHealthPath: 200 and the store's figures as JSON while serving; 503 while stopping or when the
  // store cannot be read.
  void answerHealth(Store& store, httplib::Response& res) const;

 private:
  void log(const std::string& line) const {
    if (log_) log_(line);
  }

  Log log_;
  Connections exchanges_;
  std::unique_ptr<httplib::Server> http_;
  std::function<int()> listeningSocket_;
  bool tls_ = false;
  std::mutex mutex_;
  std::condition_variable ended_;
  bool listening_ = false;
};

}  // namespace verolin::server
