// A bare TCP client for tests that must send a request piece by piece, or stall on purpose.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>

namespace verolin::server::testing {

class RawClient {
 public:
  explicit RawClient(int port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~RawClient() {
    if (fd_ >= 0) ::close(fd_);
  }
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;

  bool connected() const { return connected_; }
  bool send(const std::string& bytes) const {
    return ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
  }
  // Everything the server sends until it closes the connection or `limit` passes; `closed` tells which.
  std::string receiveAll(std::chrono::milliseconds limit, bool* closed = nullptr) const {
    std::string out;
    const auto until = std::chrono::steady_clock::now() + limit;
    for (;;) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
      pollfd p{fd_, POLLIN, 0};
      if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
      char buffer[65536];
      const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
      if (n <= 0) {
        if (closed) *closed = true;
        return out;
      }
      out.append(buffer, static_cast<std::size_t>(n));
    }
    if (closed) *closed = false;
    return out;
  }
  // Up to `size` bytes, waiting at most `limit` for the first.
  std::string receiveSome(std::size_t size, std::chrono::milliseconds limit) const {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(limit.count())) <= 0) return {};
    std::string out(size, '\0');
    const ssize_t n = ::recv(fd_, out.data(), size, 0);
    out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return out;
  }
  int fd() const { return fd_; }

 private:
  int fd_ = -1;
  bool connected_ = false;
};

// The request line and headers of an upload of `length` bytes to `path`, as the control sends it.
inline std::string uploadHead(const std::string& path, std::size_t length) {
  return "POST /page?savetype=1&RequestType=UPLOAD&path=" + path +
         " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
         std::to_string(length) + "\r\n\r\n";
}

}  // namespace verolin::server::testing
