// The platform's HTTP request object, as the control uses it for one exchange: open, a request
// header or two, send, then readyState, status, a response header and the response body. A fresh object
// serves one exchange and is released.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "automation/variant.h"
#include "platform/cookies.h"

namespace verolin::platform {

// Takes the next `size` bytes of a response body.
using BodySink = std::function<void(const char* data, std::size_t size)>;

// A request body produced as it is sent, of a size known before the exchange starts.
class BodySource {
 public:
  virtual ~BodySource() = default;
  // Bytes of the whole body.
  virtual std::uint64_t size() const = 0;
  // Fills up to `capacity` bytes with the next bytes of the body; returns how many, 0 only at its end.
  // May throw: the exchange then ends and send rethrows that exception.
  virtual std::size_t read(char* buffer, std::size_t capacity) = 0;
  // Starts again from the first byte (a redirect that sends the body again).
  virtual void rewind() = 0;
};

struct HttpOptions {
  std::chrono::milliseconds connectTimeout{10'000};
  std::chrono::milliseconds stallTimeout{60'000};  // no bytes moving for this long ends the exchange
  // The whole exchange may take no longer than this; 0 leaves it unbounded (a slow but moving transfer
  // of a large document goes on).
  std::chrono::milliseconds totalTimeout{0};
  // The deadline of one exchange grows with the bytes it has moved: it ends once it has run longer
  // than `deadlineGrace` plus one second for every `deadlineRate` bytes sent and received. A server
  // that trickles a byte now and then is given up after the grace; a large document on a slow line
  // (1 GiB at 1 Mbit/s takes about 2.4 hours) keeps earning time as long as it moves faster than the rate.
  std::chrono::milliseconds deadlineGrace{300'000};
  std::uint64_t deadlineRate = 16 * 1024;  // bytes per second; 0 leaves the exchange without a deadline
  // The browser's cookies, sent with each request to the site they belong to (and not along a
  // redirect to another site); none when null. Not owned: it outlives the factory.
  const CookieJar* cookies = nullptr;
};

class HttpRequest {
 public:
  HttpRequest() = default;
  HttpRequest(const HttpRequest&) = delete;
  HttpRequest& operator=(const HttpRequest&) = delete;
  virtual ~HttpRequest() = default;

  // Prepares an exchange ("GET" or "POST"); the URL is made valid for the wire (non-ASCII text in the
  // wire code page, percent-encoded) without changing its structure. Only synchronous use is supported.
  virtual void open(const std::string& method, const std::string& url, bool async = false) = 0;
  // Adds a header to the request (after open, before send). A name or value that would break the
  // header's line (CR, LF, a colon in the name) throws AutomationError.
  virtual void setRequestHeader(const std::string& name, const std::string& value) = 0;
  // Sends the request with no body, with `body`, or streaming the file at native path `bodyFile`.
  // A connection failure, a stall or a missed deadline (HttpOptions) throws AutomationError (E_FAIL
  // or the platform's number); an answer of any HTTP status is a completed exchange.
  virtual void send() = 0;
  virtual void send(const automation::Bytes& body) = 0;
  virtual void sendFile(const std::filesystem::path& bodyFile) = 0;
  // Sends the body that `body` produces as it goes out. An exception thrown by `body` ends the
  // exchange and is rethrown here unchanged; other failures as for send. This default gathers the
  // whole body first, for request objects that can only send bytes in memory.
  virtual void sendFrom(BodySource& body) {
    automation::Bytes bytes(static_cast<std::size_t>(body.size()));
    std::size_t filled = 0;
    while (filled < bytes.size()) {
      const std::size_t n = body.read(reinterpret_cast<char*>(bytes.data()) + filled, bytes.size() - filled);
      if (n == 0) break;
      filled += n;
    }
    bytes.resize(filled);
    send(bytes);
  }
  // Streams the response body into `file` (native path) instead of memory; call before send.
  virtual void receiveInto(const std::filesystem::path& file) = 0;
  // Hands the response body to `sink` piece by piece as it arrives, instead of keeping it; call
  // before send. The sink sees the body of the final answer whatever its status, and must not throw.
  virtual void receiveWith(BodySink sink) = 0;

  virtual int readyState() const = 0;                  // 0 uninitialised, 1 opened, 4 completed
  virtual int status() const = 0;                      // the HTTP status of a completed exchange, 0 before
  virtual automation::Bytes responseBody() const = 0;  // empty when streamed into a file
  // The value of a response header of a completed exchange, its name compared without regard to case
  // (several of one name joined by ", "); "" when the answer has none.
  virtual std::string getResponseHeader(const std::string& name) const = 0;
};

class HttpFactory {
 public:
  virtual ~HttpFactory() = default;
  virtual std::unique_ptr<HttpRequest> create() = 0;
};

}  // namespace verolin::platform
