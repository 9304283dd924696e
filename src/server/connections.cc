#include "server/connections.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

namespace verolin::server {
namespace {

using std::chrono::milliseconds;

// How often an idle connection looks whether the server is stopping.
constexpr milliseconds kStopCheck{100};

class PlainTransport final : public Transport {
 public:
  explicit PlainTransport(int fd) : fd_(fd) {
    // sendfile(2) has no flag for "do not wait"; the socket itself must not block.
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
  }

  Io read(char* data, std::size_t size) override {
    for (;;) {
      const ssize_t n = ::recv(fd_, data, size, MSG_DONTWAIT);
      if (n >= 0) return {n, 0};
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) return {0, POLLIN};
      return {-1, 0};
    }
  }

  Io write(const char* data, std::size_t size) override {
    for (;;) {
      const ssize_t n = ::send(fd_, data, size, MSG_DONTWAIT | MSG_NOSIGNAL);
      if (n > 0) return {n, 0};
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return {0, POLLOUT};
      return {-1, 0};
    }
  }

  Io sendFile(int file, std::uint64_t offset, std::size_t size) override {
    for (;;) {
      auto at = static_cast<off_t>(offset);
      const ssize_t n = ::sendfile(fd_, file, &at, size);
      if (n > 0) return {n, 0};
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return {0, POLLOUT};
      return {-1, 0};
    }
  }
  bool canSendFile() const override { return true; }

 private:
  int fd_;
};

thread_local ConnectionStream* currentStream = nullptr;

void addressOf(const sockaddr_storage& address, std::string& ip, int& port) {
  char text[INET6_ADDRSTRLEN] = "";
  if (address.ss_family == AF_INET) {
    const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
    ::inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
    port = ntohs(v4.sin_port);
  } else if (address.ss_family == AF_INET6) {
    const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
    ::inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
    port = ntohs(v6.sin6_port);
  }
  ip = text;
}

}  // namespace

std::unique_ptr<Transport> plainTransport(int fd) {
  return std::make_unique<PlainTransport>(fd);
}

ConnectionStream::ConnectionStream(int fd, Transport& transport, const Limits& limits)
    : fd_(fd), transport_(transport), limits_(limits) {
  // The first request's limits count from the connection's start, so a client that connects and says
  // nothing is treated like one that sends its headers slowly.
  const auto now = Clock::now();
  headerDeadline_ = now + limits_.headerTimeout;
  requestDeadline_ = now + limits_.requestTimeout;
}

bool ConnectionStream::handshake() {
  for (;;) {
    const Transport::Io io = transport_.open();
    if (io.bytes > 0) return true;
    if (!io.waitFor || !waitFor(io.waitFor, allowedWait(true))) return false;
  }
}

bool ConnectionStream::awaitRequest(milliseconds idle, const std::atomic<bool>& stopping) {
  if (begin_ < end_ || transport_.pending()) return true;
  const auto until = Clock::now() + idle;
  for (;;) {
    const auto left = std::chrono::duration_cast<milliseconds>(until - Clock::now());
    // Once the server stops, only a request that has arrived already is still served.
    const bool last = stopping || left <= milliseconds::zero();
    pollfd p{fd_, POLLIN, 0};
    const int ready = ::poll(&p, 1, last ? 0 : static_cast<int>(std::min(left, kStopCheck).count()) + 1);
    if (ready > 0) return true;  // a request, or the peer's close, which the next read sees
    if (last || (ready < 0 && errno != EINTR)) return false;
  }
}

void ConnectionStream::beginRequest() {
  phase_ = Phase::kHeaders;
  timedOut_.clear();
  written_ = 0;
  sentAhead_ = 0;
  if (++requests_ == 1) return;
  const auto now = Clock::now();
  headerDeadline_ = now + limits_.headerTimeout;
  requestDeadline_ = now + limits_.requestTimeout;
}

void ConnectionStream::headersRead() {
  phase_ = Phase::kExchange;
}

milliseconds ConnectionStream::allowedWait(bool receiving) const {
  const auto now = Clock::now();
  const auto toRequestEnd = std::chrono::duration_cast<milliseconds>(requestDeadline_ - now);
  if (phase_ == Phase::kHeaders) {
    const auto toHeaderEnd = std::chrono::duration_cast<milliseconds>(headerDeadline_ - now);
    if (toHeaderEnd <= toRequestEnd) {
      pendingReason_ = "the request's headers took longer than " + formatDuration(limits_.headerTimeout);
      return toHeaderEnd;
    }
  } else if (limits_.stallTimeout < toRequestEnd) {
    pendingReason_ = std::string(receiving ? "the body" : "the answer") + " stalled for " +
                     formatDuration(limits_.stallTimeout);
    return limits_.stallTimeout;
  }
  pendingReason_ = "the exchange took longer than " + formatDuration(limits_.requestTimeout);
  return toRequestEnd;
}

bool ConnectionStream::waitFor(short events, milliseconds limit) const {
  if (limit > milliseconds::zero()) {
    const auto until = Clock::now() + limit;
    for (;;) {
      const auto left = std::chrono::duration_cast<milliseconds>(until - Clock::now());
      pollfd p{fd_, events, 0};
      const int ready = ::poll(&p, 1, static_cast<int>(std::max<milliseconds::rep>(left.count(), 0)));
      if (ready > 0) return true;
      if (ready == 0) break;
      if (errno != EINTR) return false;
    }
  }
  timedOut_ = pendingReason_;
  return false;
}

bool ConnectionStream::fill() {
  for (;;) {
    const Transport::Io io = transport_.read(buffer_, sizeof buffer_);
    if (io.bytes > 0) {
      begin_ = 0;
      end_ = static_cast<std::size_t>(io.bytes);
      return true;
    }
    if (!io.waitFor || !waitFor(io.waitFor, allowedWait(true))) return false;
  }
}

bool ConnectionStream::is_readable() const {
  return begin_ < end_ || waitFor(POLLIN, allowedWait(true));
}

bool ConnectionStream::is_writable() const {
  // write() waits for room itself, under the same limits; a poll before every piece would only add a
  // system call to each write.
  return true;
}

ssize_t ConnectionStream::read(char* ptr, size_t size) {
  if (begin_ == end_ && !fill()) return timedOut_.empty() ? 0 : -1;
  const std::size_t n = std::min(size, end_ - begin_);
  std::memcpy(ptr, buffer_ + begin_, n);
  begin_ += n;
  return static_cast<ssize_t>(n);
}

ssize_t ConnectionStream::write(const char* ptr, size_t size) {
  if (sentAhead_ > 0) {
    const std::size_t counted = std::min(size, sentAhead_);
    sentAhead_ -= counted;
    return static_cast<ssize_t>(counted);
  }
  if (!timedOut_.empty() && phase_ == Phase::kHeaders) {
    // The library answers headers cut off by the time limit as malformed (400); say what happened.
    answerTimeout();
    return static_cast<ssize_t>(size);
  }
  // After a time limit ran out, a refusal goes out only if the socket takes it at once.
  std::size_t done = 0;
  while (done < size) {
    const Transport::Io io = transport_.write(ptr + done, size - done);
    if (io.bytes > 0) {
      done += static_cast<std::size_t>(io.bytes);
      written_ += static_cast<std::size_t>(io.bytes);
    } else if (!io.waitFor || !timedOut_.empty() || !waitFor(io.waitFor, allowedWait(false))) {
      return -1;
    }
  }
  return static_cast<ssize_t>(size);
}

ssize_t ConnectionStream::sendFile(int file, std::uint64_t offset, std::size_t size) {
  if (!transport_.canSendFile()) return 0;
  std::size_t done = 0;
  while (done < size) {
    const Transport::Io io = transport_.sendFile(file, offset + done, size - done);
    if (io.bytes > 0) {
      done += static_cast<std::size_t>(io.bytes);
      written_ += static_cast<std::size_t>(io.bytes);
    } else if (!io.waitFor || !timedOut_.empty() || !waitFor(io.waitFor, allowedWait(false))) {
      return -1;
    }
  }
  sentAhead_ += size;
  return static_cast<ssize_t>(size);
}

ConnectionStream* ConnectionStream::current() {
  return currentStream;
}

void ConnectionStream::answerTimeout() {
  if (written_ > 0 || phase_ != Phase::kHeaders) return;
  // One try without waiting: the client is slow, and it is being dropped anyway.
  static constexpr std::string_view kAnswer =
      "HTTP/1.1 408 Request Timeout\r\nConnection: close\r\nContent-Length: 0\r\n\r\n";
  transport_.write(kAnswer.data(), kAnswer.size());
  written_ = kAnswer.size();
}

// The library asks for both addresses with every request; they are the connection's, so they are
// asked of the system once.
void ConnectionStream::get_remote_ip_and_port(std::string& ip, int& port) const {
  if (!remote_.known) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getpeername(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) return;
    addressOf(address, remote_.ip, remote_.port);
    remote_.known = true;
  }
  ip = remote_.ip;
  port = remote_.port;
}

void ConnectionStream::get_local_ip_and_port(std::string& ip, int& port) const {
  if (!local_.known) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) return;
    addressOf(address, local_.ip, local_.port);
    local_.known = true;
  }
  ip = local_.ip;
  port = local_.port;
}

void Connections::serve(int fd, std::unique_ptr<Transport> transport, std::size_t maxRequests,
                        const Process& process) {
  // Small answers must not wait for the client's delayed acknowledgement of the previous one.
  int yes = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
  Connection connection{fd};
  {
    std::lock_guard lock(mutex_);
    connections_.insert(&connection);
  }
  ConnectionStream stream(fd, *transport, limits_);
  if (stream.handshake()) {
    for (std::size_t left = maxRequests; left > 0; --left) {
      const bool first = left == maxRequests;
      if (!stream.awaitRequest(first ? limits_.headerTimeout : limits_.keepAliveTimeout, stopping_)) break;
      setBusy(connection, true);
      stream.beginRequest();
      bool closed = false;
      const bool answered = [&] {
        struct Current {
          explicit Current(ConnectionStream* s) { currentStream = s; }
          ~Current() { currentStream = nullptr; }
        } current(&stream);
        return process(stream, left == 1 || stopping_, closed,
                       [&stream](httplib::Request&) { stream.headersRead(); });
      }();
      setBusy(connection, false);
      if (!stream.timedOut().empty()) {
        stream.answerTimeout();
        break;
      }
      if (!answered || closed) break;
    }
  }
  if (!stream.timedOut().empty() && log_) {
    std::string ip;
    int port = 0;
    stream.get_remote_ip_and_port(ip, port);
    log_(ip + ":" + std::to_string(port) + " cut off: " + stream.timedOut());
  }
  transport->close();
  {
    std::lock_guard lock(mutex_);
    connections_.erase(&connection);
  }
  ::shutdown(fd, SHUT_RDWR);
  ::close(fd);
}

void Connections::setBusy(Connection& connection, bool busy) {
  connection.busy.store(busy, std::memory_order_release);
}

std::size_t Connections::breakOff() {
  std::lock_guard lock(mutex_);
  std::size_t busy = 0;
  for (Connection* connection : connections_) {
    busy += connection->busy.load();
    // The worker closes the descriptor only after leaving the set, so it is still this connection's.
    ::shutdown(connection->fd, SHUT_RDWR);
  }
  return busy;
}

std::size_t Connections::underWay() const {
  std::lock_guard lock(mutex_);
  return static_cast<std::size_t>(std::count_if(connections_.begin(), connections_.end(),
                                                [](const Connection* c) { return c->busy.load(); }));
}

std::size_t Connections::open() const {
  std::lock_guard lock(mutex_);
  return connections_.size();
}

}  // namespace verolin::server
