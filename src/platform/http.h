// The platform's HTTP request object, as the control uses it for one exchange: open, a request
// header or two, send, then readyState, status, a response header and the response body. A fresh object
// serves one exchange and is released.
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "automation/variant.h"
#include "platform/cookies.h"

namespace verolin::platform {

struct HttpOptions {
  std::chrono::milliseconds connectTimeout{10'000};
  std::chrono::milliseconds stallTimeout{60'000};  // no bytes moving for this long ends the exchange
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
  // A connection failure or time-out throws AutomationError (E_FAIL or the platform's number); an
  // answer of any HTTP status is a completed exchange.
  virtual void send() = 0;
  virtual void send(const automation::Bytes& body) = 0;
  virtual void sendFile(const std::filesystem::path& bodyFile) = 0;
  // Streams the response body into `file` (native path) instead of memory; call before send.
  virtual void receiveInto(const std::filesystem::path& file) = 0;

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
