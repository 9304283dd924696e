#include "platform/curl_http.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <system_error>
#include <utility>
#include <vector>

#include "automation/error.h"
#include "text/codepage.h"
#include "text/utf8.h"

namespace verolin::platform {
namespace {

using automation::AutomationError;
using automation::Bytes;
using Clock = std::chrono::steady_clock;

constexpr const char* kSource = "HttpRequest";
constexpr long kMaxRedirects = 10;
constexpr const char* kWebProtocols = "http,https";

void initialiseOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

[[noreturn]] void fail(std::int32_t number, const std::string& description) {
  throw AutomationError(number, description, kSource);
}

// The number and text a page script sees for a failed transfer.
[[noreturn]] void failTransfer(CURLcode code, bool stalled, bool overdue, const char* detail) {
  const std::string why =
      std::string(curl_easy_strerror(code)) + (detail && *detail ? std::string(": ") + detail : "");
  if (stalled) fail(http_err::kTimedOut, "The operation timed out: the server sent nothing for too long");
  if (overdue) fail(http_err::kTimedOut, "The operation timed out: the exchange went on past its deadline");
  switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      fail(http_err::kCannotConnect, "The server name could not be resolved (" + why + ")");
    case CURLE_COULDNT_CONNECT:
      fail(http_err::kCannotConnect, "A connection with the server could not be established (" + why + ")");
    case CURLE_OPERATION_TIMEDOUT:
      fail(http_err::kTimedOut, "The operation timed out (" + why + ")");
    case CURLE_URL_MALFORMAT:
      fail(http_err::kInvalidUrl, "The URL is invalid (" + why + ")");
    case CURLE_UNSUPPORTED_PROTOCOL:
      fail(http_err::kUnknownProtocol, "The protocol is not supported (" + why + ")");
    case CURLE_TOO_MANY_REDIRECTS:
      fail(http_err::kRedirectFailed, "The redirection failed (" + why + ")");
    case CURLE_READ_ERROR:
    case CURLE_WRITE_ERROR:
      fail(automation::err::kPathFileAccess, "Path/File access error (" + why + ")");
    default:
      fail(automation::err::kEFail, "Unspecified error (" + why + ")");
  }
}

struct CurlDeleter {
  void operator()(CURL* h) const { curl_easy_cleanup(h); }
};
struct SlistDeleter {
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};
struct UrlDeleter {
  void operator()(CURLU* u) const { curl_url_cleanup(u); }
};

// What the callbacks of one transfer share.
struct Transfer {
  // Upload side: a memory body or a file stream.
  const Bytes* memoryBody = nullptr;
  std::size_t memoryOffset = 0;
  std::ifstream* fileBody = nullptr;
  // Download side: a file stream or memory.
  std::ofstream* fileSink = nullptr;
  const BodySink* callbackSink = nullptr;
  Bytes* memorySink = nullptr;
  // Response headers of the latest answer (a redirect's are dropped at the next status line).
  std::vector<std::pair<std::string, std::string>>* headers = nullptr;
  // Stall detection.
  std::chrono::milliseconds stallTimeout{0};
  Clock::time_point lastActivity = Clock::now();
  curl_off_t lastDown = -1;
  curl_off_t lastUp = -1;
  bool stalled = false;
  // The deadline (HttpOptions).
  Clock::time_point started = Clock::now();
  std::chrono::milliseconds deadlineGrace{0};
  std::uint64_t deadlineRate = 0;
  bool overdue = false;
};

size_t writeBody(char* data, size_t size, size_t count, void* user) {
  auto& t = *static_cast<Transfer*>(user);
  const size_t bytes = size * count;
  if (t.fileSink) {
    t.fileSink->write(data, static_cast<std::streamsize>(bytes));
    return t.fileSink->good() ? bytes : 0;
  }
  if (t.callbackSink) {
    try {
      (*t.callbackSink)(data, bytes);
    } catch (...) {
      return 0;  // a sink that breaks its promise ends the exchange as a write error
    }
    return bytes;
  }
  t.memorySink->insert(t.memorySink->end(), reinterpret_cast<unsigned char*>(data),
                       reinterpret_cast<unsigned char*>(data) + bytes);
  return bytes;
}

std::string trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() &&
         (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n'))
    text.remove_suffix(1);
  return std::string(text);
}

size_t readHeader(char* data, size_t size, size_t count, void* user) {
  auto& t = *static_cast<Transfer*>(user);
  const size_t bytes = size * count;
  const std::string_view line(data, bytes);
  if (line.rfind("HTTP/", 0) == 0) {
    t.headers->clear();
  } else if (const auto colon = line.find(':'); colon != std::string_view::npos) {
    t.headers->emplace_back(trimmed(line.substr(0, colon)), trimmed(line.substr(colon + 1)));
  }
  return bytes;
}

size_t readBody(char* buffer, size_t size, size_t count, void* user) {
  auto& t = *static_cast<Transfer*>(user);
  const size_t room = size * count;
  if (t.fileBody) {
    t.fileBody->read(buffer, static_cast<std::streamsize>(room));
    if (t.fileBody->bad()) return CURL_READFUNC_ABORT;
    return static_cast<size_t>(t.fileBody->gcount());
  }
  const size_t n = std::min(room, t.memoryBody->size() - t.memoryOffset);
  std::copy_n(t.memoryBody->data() + t.memoryOffset, n, reinterpret_cast<unsigned char*>(buffer));
  t.memoryOffset += n;
  return n;
}

// A redirect that keeps the method sends the body again from its start.
int seekBody(void* user, curl_off_t offset, int origin) {
  auto& t = *static_cast<Transfer*>(user);
  if (origin != SEEK_SET) return CURL_SEEKFUNC_CANTSEEK;
  if (t.fileBody) {
    t.fileBody->clear();
    t.fileBody->seekg(offset);
    return t.fileBody->good() ? CURL_SEEKFUNC_OK : CURL_SEEKFUNC_FAIL;
  }
  if (offset < 0 || static_cast<std::size_t>(offset) > t.memoryBody->size()) return CURL_SEEKFUNC_FAIL;
  t.memoryOffset = static_cast<std::size_t>(offset);
  return CURL_SEEKFUNC_OK;
}

// True when the exchange has run longer than its grace plus the time its bytes so far have earned.
bool pastDeadline(const Transfer& t, Clock::time_point now, curl_off_t downNow, curl_off_t upNow) {
  if (t.deadlineRate == 0) return false;
  const auto moved = static_cast<double>(std::max<curl_off_t>(downNow, 0) + std::max<curl_off_t>(upNow, 0));
  const std::chrono::duration<double> earned(moved / static_cast<double>(t.deadlineRate));
  return now - t.started > t.deadlineGrace + earned;
}

// libcurl calls this at least once a second; an exchange whose byte counts stand still for longer
// than the stall time-out, or that goes on past its deadline, is ended.
int watchProgress(void* user, curl_off_t, curl_off_t downNow, curl_off_t, curl_off_t upNow) {
  auto& t = *static_cast<Transfer*>(user);
  const auto now = Clock::now();
  if (downNow != t.lastDown || upNow != t.lastUp) {
    t.lastDown = downNow;
    t.lastUp = upNow;
    t.lastActivity = now;
  } else if (t.stallTimeout.count() > 0 && now - t.lastActivity > t.stallTimeout) {
    t.stalled = true;
    return 1;
  }
  if (pastDeadline(t, now, downNow, upNow)) {
    t.overdue = true;
    return 1;
  }
  return 0;
}

class CurlHttpRequest final : public HttpRequest {
 public:
  explicit CurlHttpRequest(const HttpOptions& options) : options_(options) {}

  void open(const std::string& method, const std::string& url, bool async) override {
    if (async) fail(automation::err::kENotImpl, "Only synchronous requests are supported");
    if (method.empty() || method.find_first_of(" \t\r\n") != std::string::npos) {
      fail(automation::err::kInvalidCall, "Invalid procedure call or argument: method \"" + method + "\"");
    }
    std::string wire = wireUrl(url);
    checkUrl(wire);
    method_ = method;
    std::transform(method_.begin(), method_.end(), method_.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    url_ = std::move(wire);
    readyState_ = 1;
    status_ = 0;
    response_.clear();
    requestHeaders_.clear();
    responseHeaders_.clear();
  }

  void setRequestHeader(const std::string& name, const std::string& value) override {
    if (readyState_ != 1) fail(automation::err::kEFail, "Unspecified error: the request was not opened");
    if (name.empty() || name.find_first_of(" \t\r\n:") != std::string::npos ||
        value.find_first_of("\r\n") != std::string::npos) {
      fail(automation::err::kInvalidCall, "Invalid procedure call or argument: header \"" + name + "\"");
    }
    requestHeaders_.push_back(name + ": " + value);
  }

  std::string getResponseHeader(const std::string& name) const override {
    std::string value;
    if (readyState_ != 4) return value;
    const std::string wanted = text::toLowerAscii(name);
    for (const auto& [key, field] : responseHeaders_) {
      if (text::toLowerAscii(key) != wanted) continue;
      if (!value.empty()) value += ", ";
      value += field;
    }
    return value;
  }

  void send() override { perform(nullptr, nullptr); }
  void send(const Bytes& body) override { perform(&body, nullptr); }
  void sendFile(const std::filesystem::path& bodyFile) override { perform(nullptr, &bodyFile); }

  void receiveInto(const std::filesystem::path& file) override { receiveFile_ = file; }
  void receiveWith(BodySink sink) override { receiveSink_ = std::move(sink); }

  int readyState() const override { return readyState_; }
  int status() const override { return status_; }
  Bytes responseBody() const override { return response_; }

 private:
  // Refuses at open what no exchange could use: a text that is no absolute URL, or another protocol.
  static void checkUrl(const std::string& wire) {
    std::unique_ptr<CURLU, UrlDeleter> parsed(curl_url());
    if (!parsed) fail(automation::err::kOutOfMemory, "Out of memory");
    if (curl_url_set(parsed.get(), CURLUPART_URL, wire.c_str(), CURLU_PATH_AS_IS) != CURLUE_OK) {
      fail(http_err::kInvalidUrl, "The URL is invalid: " + withoutCredentials(wire));
    }
    char* scheme = nullptr;
    if (curl_url_get(parsed.get(), CURLUPART_SCHEME, &scheme, 0) != CURLUE_OK) {
      fail(http_err::kInvalidUrl, "The URL is invalid: " + withoutCredentials(wire));
    }
    const std::string name = text::toLowerAscii(scheme);
    curl_free(scheme);
    if (name != "http" && name != "https")
      fail(http_err::kUnknownProtocol, "The protocol is not supported: " + withoutCredentials(wire));
  }

  // The jar's cookies for this URL go into libcurl's cookie engine as cookies of the URL's host only,
  // so that a redirect to another site does not carry them (a Cookie header would follow it).
  void addCookies(CURL* h) const {
    if (!options_.cookies) return;
    const auto cookies = options_.cookies->cookiesFor(url_);
    if (cookies.empty()) return;
    std::unique_ptr<CURLU, UrlDeleter> parsed(curl_url());
    char* host = nullptr;
    if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url_.c_str(), CURLU_PATH_AS_IS) != CURLUE_OK ||
        curl_url_get(parsed.get(), CURLUPART_HOST, &host, 0) != CURLUE_OK) {
      return;
    }
    const std::string domain = host;
    curl_free(host);
    for (const auto& c : cookies) {
      const std::string line = domain + "\tFALSE\t/\tFALSE\t0\t" + c.name + "\t" + c.value;
      curl_easy_setopt(h, CURLOPT_COOKIELIST, line.c_str());
    }
  }

  void perform(const Bytes* body, const std::filesystem::path* bodyFile) {
    if (readyState_ != 1) fail(automation::err::kEFail, "Unspecified error: the request was not opened");
    initialiseOnce();
    std::unique_ptr<CURL, CurlDeleter> handle(curl_easy_init());
    if (!handle) fail(automation::err::kOutOfMemory, "Out of memory");
    CURL* h = handle.get();
    char error[CURL_ERROR_SIZE] = {};

    Transfer t;
    t.stallTimeout = options_.stallTimeout;
    t.deadlineGrace = options_.deadlineGrace;
    t.deadlineRate = options_.deadlineRate;
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(h, CURLOPT_URL, url_.c_str());
    curl_easy_setopt(h, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, kWebProtocols);
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, kWebProtocols);
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options_.connectTimeout.count()));
    if (options_.totalTimeout.count() > 0)
      curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(options_.totalTimeout.count()));
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, watchProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &t);
    addCookies(h);

    // The control sets no request header; libcurl's own form type and 100-continue wait are taken out.
    std::unique_ptr<curl_slist, SlistDeleter> headers;
    auto addHeader = [&headers](const char* line) {
      headers.reset(curl_slist_append(headers.release(), line));
    };
    addHeader("Expect:");
    for (const auto& line : requestHeaders_) addHeader(line.c_str());

    std::ifstream fileBody;
    if (method_ == "GET") {
      curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    } else if (method_ == "HEAD") {
      curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
    } else {
      curl_off_t size = 0;
      if (bodyFile) {
        fileBody.open(*bodyFile, std::ios::binary);
        std::error_code ec;
        const auto fileSize = std::filesystem::file_size(*bodyFile, ec);
        if (!fileBody || ec)
          fail(automation::err::kPathFileAccess, "Path/File access error: " + bodyFile->string());
        size = static_cast<curl_off_t>(fileSize);
        t.fileBody = &fileBody;
      } else {
        static const Bytes kNoBody;
        t.memoryBody = body ? body : &kNoBody;
        size = static_cast<curl_off_t>(t.memoryBody->size());
      }
      curl_easy_setopt(h, CURLOPT_POST, 1L);
      curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, size);
      curl_easy_setopt(h, CURLOPT_READFUNCTION, readBody);
      curl_easy_setopt(h, CURLOPT_READDATA, &t);
      curl_easy_setopt(h, CURLOPT_SEEKFUNCTION, seekBody);
      curl_easy_setopt(h, CURLOPT_SEEKDATA, &t);
      if (method_ != "POST") curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, method_.c_str());
      addHeader("Content-Type:");
    }
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());

    std::ofstream sink;
    Bytes received;
    if (!receiveFile_.empty()) {
      sink.open(receiveFile_, std::ios::binary | std::ios::trunc);
      if (!sink) fail(automation::err::kPathFileAccess, "Path/File access error: " + receiveFile_.string());
      t.fileSink = &sink;
    } else if (receiveSink_) {
      t.callbackSink = &receiveSink_;
    } else {
      t.memorySink = &received;
    }
    std::vector<std::pair<std::string, std::string>> headersReceived;
    t.headers = &headersReceived;
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, readHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &t);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, writeBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &t);

    const CURLcode code = curl_easy_perform(h);
    if (sink.is_open()) sink.close();
    if (code != CURLE_OK || (t.fileSink && sink.fail())) {
      // A broken answer leaves no half-written file behind.
      if (!receiveFile_.empty()) {
        std::error_code ignored;
        std::filesystem::remove(receiveFile_, ignored);
      }
      failTransfer(code == CURLE_OK ? CURLE_WRITE_ERROR : code, t.stalled, t.overdue, error);
    }
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    status_ = static_cast<int>(status);
    response_ = std::move(received);
    responseHeaders_ = std::move(headersReceived);
    readyState_ = 4;
  }

  HttpOptions options_;
  std::string method_;
  std::string url_;
  std::filesystem::path receiveFile_;
  BodySink receiveSink_;
  int readyState_ = 0;
  int status_ = 0;
  Bytes response_;
  std::vector<std::string> requestHeaders_;  // "Name: value"
  std::vector<std::pair<std::string, std::string>> responseHeaders_;
};

class CurlHttpFactory final : public HttpFactory {
 public:
  explicit CurlHttpFactory(HttpOptions options) : options_(options) {}
  std::unique_ptr<HttpRequest> create() override { return std::make_unique<CurlHttpRequest>(options_); }

 private:
  HttpOptions options_;
};

}  // namespace

std::unique_ptr<HttpFactory> makeCurlHttpFactory(HttpOptions options) {
  initialiseOnce();
  return std::make_unique<CurlHttpFactory>(options);
}

}  // namespace verolin::platform
