#include "server/serving.h"

#include <sys/socket.h>

#include <csignal>
#include <fstream>
#include <stdexcept>
#include <type_traits>

#include "server/worker_pool.h"

namespace verolin::server {
namespace {

// cpp-httplib's server (plain or TLS) whose connections are served under our limits rather than its
// own per-read timeout.
template <typename Base>
class GuardedServer final : public Base {
 public:
  template <typename... Args>
  explicit GuardedServer(Connections& exchanges, Args&&... args)
      : Base(std::forward<Args>(args)...), exchanges_(exchanges) {}

  int listeningSocket() const { return this->svr_sock_; }

 private:
  bool process_and_close_socket(socket_t sock) override {
    std::unique_ptr<Transport> transport;
    if constexpr (std::is_same_v<Base, httplib::SSLServer>) {
      transport = tlsTransport(sock, this->ssl_context());
    } else {
      transport = plainTransport(sock);
    }
    exchanges_.serve(sock, std::move(transport), this->keep_alive_max_count_,
                     [this](httplib::Stream& stream, bool closeConnection, bool& connectionClosed,
                            const std::function<void(httplib::Request&)>& setup) {
                       return this->process_request(stream, closeConnection, connectionClosed, setup);
                     });
    return true;
  }

  Connections& exchanges_;
};

void checkReadable(const char* what, const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in || in.peek() == std::ifstream::traits_type::eof()) {
    throw std::invalid_argument("cannot read the TLS " + std::string(what) + " " + file.string() +
                                (in ? ": the file is empty" : ": no such readable file"));
  }
}

std::string jsonText(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      out += ' ';
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace

Serving::Serving(const Limits& limits, const TlsFiles& tls, Log log)
    : log_(std::move(log)), exchanges_(limits, log_), tls_(tls.on()) {
  checkLimits(limits);
  checkTls(tls);
  if (tls_) {
    checkReadable("certificate", tls.certificate);
    checkReadable("key", tls.key);
    auto server = std::make_unique<GuardedServer<httplib::SSLServer>>(exchanges_, tls.certificate.c_str(),
                                                                      tls.key.c_str());
    if (!server->is_valid()) {
      throw std::invalid_argument("cannot use the TLS certificate " + tls.certificate.string() +
                                  " with the key " + tls.key.string() +
                                  " (not PEM, or the key does not belong to the certificate)");
    }
    // A TLS write to a client that went away must fail, not end the process.
    std::signal(SIGPIPE, SIG_IGN);
    listeningSocket_ = [s = server.get()] { return s->listeningSocket(); };
    http_ = std::move(server);
  } else {
    auto server = std::make_unique<GuardedServer<httplib::Server>>(exchanges_);
    listeningSocket_ = [s = server.get()] { return s->listeningSocket(); };
    http_ = std::move(server);
  }
  const std::size_t threads = limits.threads;
  http_->new_task_queue = [threads] { return new WorkerPool(threads); };
  // TCP_NODELAY is set by Connections::serve for every connection; the library's own setting would
  // only repeat the system call.
  http_->set_tcp_nodelay(false);
  // Keep-alive clients (a browser's page, a proxy) save a connection per request; the library's
  // default of five requests per connection is low for them, and even a hundred left a busy client's
  // reconnections costing a fifth of the server's time.
  http_->set_keep_alive_max_count(1000);
}

void Serving::listen() {
  {
    std::lock_guard lock(mutex_);
    listening_ = true;
  }
  http_->listen_after_bind();
  {
    std::lock_guard lock(mutex_);
    listening_ = false;
  }
  ended_.notify_all();
}

void Serving::stop(std::chrono::milliseconds drain) {
  exchanges_.beginStop();
  // accept() returns at once; the library then closes the socket and waits for its workers. Its own
  // stop() would also cut short the answers being sent.
  if (const int fd = listeningSocket_(); fd != INVALID_SOCKET) ::shutdown(fd, SHUT_RDWR);
  std::unique_lock lock(mutex_);
  if (ended_.wait_for(lock, drain, [this] { return !listening_; })) return;
  lock.unlock();
  const std::size_t cut = exchanges_.breakOff();
  log("stopping: the drain time is over; broke off " + std::to_string(cut) + " exchange(s) under way");
  lock.lock();
  ended_.wait(lock, [this] { return !listening_; });
}

void Serving::answerHealth(Store& store, httplib::Response& res) const {
  std::string body;
  try {
    const StoreCounts counts = store.counts();
    std::error_code error;
    const auto space = std::filesystem::space(store.folder(), error);
    const bool stopping = exchanges_.stopping();
    res.status = stopping ? 503 : 200;
    body = std::string("{\"status\":") + (stopping ? "\"stopping\"" : "\"ok\"") +
           ",\"documents\":" + std::to_string(counts.documents) +
           ",\"copies\":" + std::to_string(counts.copies) + ",\"owners\":" + std::to_string(counts.owners) +
           ",\"clientFiles\":" + std::to_string(counts.clientFiles) +
           ",\"bytes\":" + std::to_string(counts.bytes) +
           ",\"freeBytes\":" + (error ? std::string("null") : std::to_string(space.available)) +
           ",\"exchanges\":" + std::to_string(exchanges_.underWay()) + "}\n";
  } catch (const std::exception& e) {
    res.status = 503;
    body = "{\"status\":\"failing\",\"reason\":" + jsonText(e.what()) + "}\n";
  }
  res.set_header("Cache-Control", "no-store");
  res.set_content(body, "application/json");
}

}  // namespace verolin::server
