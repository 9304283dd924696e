// TLS over an accepted socket, with the context that cpp-httplib's SSLServer loaded from the
// certificate and key files.
#include <fcntl.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>

#include <climits>
#include <stdexcept>

#include "server/connections.h"
#include "server/tls.h"

namespace verolin::server {
namespace {

class TlsTransport final : public Transport {
 public:
  TlsTransport(int fd, SSL_CTX* context) : ssl_(SSL_new(context)) {
    // Every call must return at once; waiting is the stream's business, under its time limits.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    if (ssl_) SSL_set_fd(ssl_, fd);
  }
  ~TlsTransport() override { SSL_free(ssl_); }
  TlsTransport(const TlsTransport&) = delete;
  TlsTransport& operator=(const TlsTransport&) = delete;

  Io open() override {
    if (!ssl_) return {-1, 0};
    ERR_clear_error();
    const int result = SSL_accept(ssl_);
    if (result == 1) {
      open_ = true;
      return {1, 0};
    }
    return failure(result);
  }

  Io read(char* data, std::size_t size) override {
    ERR_clear_error();
    const int result = SSL_read(ssl_, data, static_cast<int>(std::min<std::size_t>(size, INT_MAX)));
    return result > 0 ? Io{result, 0} : failure(result);
  }

  Io write(const char* data, std::size_t size) override {
    ERR_clear_error();
    const int result = SSL_write(ssl_, data, static_cast<int>(std::min<std::size_t>(size, INT_MAX)));
    return result > 0 ? Io{result, 0} : failure(result);
  }

  bool pending() const override { return SSL_pending(ssl_) > 0; }

  void close() noexcept override {
    if (!open_) return;
    ERR_clear_error();
    SSL_shutdown(ssl_);  // sends close_notify if the socket takes it now; no waiting for the reply
  }

 private:
  Io failure(int result) {
    switch (SSL_get_error(ssl_, result)) {
      case SSL_ERROR_WANT_READ:
        return {0, POLLIN};
      case SSL_ERROR_WANT_WRITE:
        return {0, POLLOUT};
      case SSL_ERROR_ZERO_RETURN:
        return {0, 0};
      default:
        open_ = false;  // no close_notify on a broken connection
        return {-1, 0};
    }
  }

  SSL* ssl_;
  bool open_ = false;
};

}  // namespace

void checkTls(const TlsFiles& tls) {
  if (tls.certificate.empty() != tls.key.empty()) {
    throw std::invalid_argument("TLS needs both a certificate file and a key file");
  }
}

std::unique_ptr<Transport> tlsTransport(int fd, ssl_ctx_st* context) {
  return std::make_unique<TlsTransport>(fd, context);
}

}  // namespace verolin::server
