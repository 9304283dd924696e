// The server's connections under the exchange time limits (limits.h), and the bookkeeping of open
// connections that a graceful stop drains.
//
// cpp-httplib hands every accepted socket to a worker thread and reads it with a timeout per read
// only, so a client sending a byte at a time keeps its thread as long as it likes. Here each
// connection is read and written through a stream that knows how far its exchange has come: the
// headers must arrive within the header timeout, a body or an answer must not stall longer than the
// stall timeout, and the whole exchange must end within the request timeout.
#pragma once

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "server/limits.h"

struct ssl_ctx_st;

namespace verolin::server {

// The bytes of one connection: plain TCP, or TLS over it. Every call returns at once; one that
// cannot go on says which readiness of the socket to wait for before trying again.
class Transport {
 public:
  // bytes > 0: that many moved. waitFor (POLLIN or POLLOUT): try again once the socket is ready.
  // Otherwise bytes == 0: the peer closed; bytes < 0: the connection failed.
  struct Io {
    long bytes = 0;
    short waitFor = 0;
  };
  virtual ~Transport() = default;
  // The handshake, if the transport has one; bytes > 0 once it is complete.
  virtual Io open() { return {1, 0}; }
  virtual Io read(char* data, std::size_t size) = 0;
  virtual Io write(const char* data, std::size_t size) = 0;
  // Sends up to `size` bytes of the open file `file` from `offset` without copying them through
  // this process, where the transport can; bytes < 0 and waitFor 0 from one that cannot (it sends
  // nothing then, and the caller writes the bytes itself).
  virtual Io sendFile(int file, std::uint64_t offset, std::size_t size) {
    (void)file, (void)offset, (void)size;
    return {-1, 0};
  }
  virtual bool canSendFile() const { return false; }
  // Whether bytes already received wait inside the transport, where polling the socket cannot see them.
  virtual bool pending() const { return false; }
  // Says goodbye on the transport's level (TLS close_notify), without waiting.
  virtual void close() noexcept {}
};

// Plain TCP over `fd` (which stays the caller's).
std::unique_ptr<Transport> plainTransport(int fd);
// TLS over `fd` with the server context `context` (tls.cc).
std::unique_ptr<Transport> tlsTransport(int fd, ssl_ctx_st* context);

// One connection seen as cpp-httplib's stream, with the time limits of the exchange under way.
class ConnectionStream final : public httplib::Stream {
 public:
  using Clock = std::chrono::steady_clock;

  ConnectionStream(int fd, Transport& transport, const Limits& limits);

  // The transport's handshake, within the header timeout. False when it failed or timed out.
  bool handshake();
  // Waits up to `idle` for the first byte of the next request, looking at `stopping` now and then.
  // False when the connection closed, the wait ran out, or stopping became true.
  bool awaitRequest(std::chrono::milliseconds idle, const std::atomic<bool>& stopping);
  // The limits of a new exchange start now; after headersRead() the body and answer limits apply.
  void beginRequest();
  void headersRead();
  // Why the last read or write gave up on time, or empty.
  const std::string& timedOut() const { return timedOut_; }
  // Tells a client whose headers ran out of time so (408), unless an answer was begun already.
  void answerTimeout();
  // Sends `size` bytes of the open file `file` from `offset` as part of the answer, under the same
  // limits as write(). Returns the bytes sent (all of them), -1 when the connection failed or stalled,
  // or 0 when the transport cannot send files (TLS): write the bytes instead.
  // The HTTP library counts an answer's bytes by its own writes, so the caller then writes the same
  // number of bytes through write() (any pointer to that many): those count as sent and are dropped.
  ssize_t sendFile(int file, std::uint64_t offset, std::size_t size);
  bool canSendFile() const { return transport_.canSendFile(); }
  // The connection whose exchange the calling thread is serving, or nullptr.
  static ConnectionStream* current();

  bool is_readable() const override;
  bool is_writable() const override;
  ssize_t read(char* ptr, size_t size) override;
  ssize_t write(const char* ptr, size_t size) override;
  void get_remote_ip_and_port(std::string& ip, int& port) const override;
  void get_local_ip_and_port(std::string& ip, int& port) const override;
  socket_t socket() const override { return fd_; }

 private:
  enum class Phase { kHeaders, kExchange };
  // How long the next wait may last under the current phase's limits, noting which limit that is.
  std::chrono::milliseconds allowedWait(bool receiving) const;
  // Waits for `events` up to `limit`; false when the time ran out (timedOut_ then says which limit)
  // or the socket failed.
  bool waitFor(short events, std::chrono::milliseconds limit) const;
  bool fill();

  int fd_;
  Transport& transport_;
  const Limits& limits_;
  Phase phase_ = Phase::kHeaders;
  Clock::time_point headerDeadline_;
  Clock::time_point requestDeadline_;
  std::size_t requests_ = 0;
  std::size_t written_ = 0;    // bytes of the current exchange's answer
  std::size_t sentAhead_ = 0;  // bytes sendFile() sent that the library's writes have yet to count
  struct Address {
    bool known = false;
    std::string ip;
    int port = 0;
  };
  mutable Address remote_;
  mutable Address local_;
  mutable std::string pendingReason_;
  mutable std::string timedOut_;
  char buffer_[16 * 1024];
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
};

// The open connections of one server: served one per worker thread, counted, drained on stop.
class Connections {
 public:
  using Log = std::function<void(const std::string&)>;
  // Reads and answers one request on `stream`, as cpp-httplib's Server::process_request does.
  using Process = std::function<bool(httplib::Stream& stream, bool closeConnection, bool& connectionClosed,
                                     const std::function<void(httplib::Request&)>& setup)>;

  Connections(const Limits& limits, Log log) : limits_(limits), log_(std::move(log)) {}

  // Serves the accepted socket `fd` until it closes, a limit runs out or the server stops; then
  // closes it.
  void serve(int fd, std::unique_ptr<Transport> transport, std::size_t maxRequests, const Process& process);

  // From now on no connection starts another request, and idle ones close.
  void beginStop() { stopping_ = true; }
  bool stopping() const { return stopping_; }
  // Shuts every open connection, so that the exchanges under way end at their next read or write.
  // Returns how many exchanges were under way.
  std::size_t breakOff();

  // Requests read or answered right now, and connections open.
  std::size_t underWay() const;
  std::size_t open() const;

 private:
  struct Connection {
    int fd;
    std::atomic<bool> busy{false};  // set and cleared by its own thread without the lock
  };
  void setBusy(Connection& connection, bool busy);

  const Limits& limits_;
  Log log_;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::set<Connection*> connections_;
};

}  // namespace verolin::server
