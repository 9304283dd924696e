#include "transfer/exchange.h"

#include "automation/error.h"
#include "text/codepage.h"
#include "transfer/list_answer.h"
#include "transfer/protocol.h"

namespace verolin::transfer {
namespace {

using automation::AutomationError;
using control::kCaptionInfo;

constexpr const char* kReceivingPageError = "接受数据页面错误.";
// The answer streams into this file beside its destination and is renamed into place on success.
constexpr const char* kScratchSuffix = ".download";

std::string bytesText(const automation::Bytes& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// Removes a file on the way out, whatever happened.
class RemoveOnExit {
 public:
  RemoveOnExit(platform::FileSystem& files, std::string path) : files_(files), path_(std::move(path)) {}
  ~RemoveOnExit() {
    try {
      if (files_.fileExists(path_)) files_.remove(path_);
    } catch (const std::exception&) {
      // A scratch file that cannot go now stays; the next answer to the same name replaces it.
    }
  }
  RemoveOnExit(const RemoveOnExit&) = delete;
  RemoveOnExit& operator=(const RemoveOnExit&) = delete;

 private:
  platform::FileSystem& files_;
  std::string path_;
};

}  // namespace

Exchange::Exchange(control::Control& c, std::string_view method, const std::string& url) : control_(c) {
  platform::HttpFactory* factory = c.platform().http;
  if (!factory) throw automation::errorOf(automation::err::kCantCreateObject, "HttpRequest");
  request_ = factory->create();
  request_->open(std::string(method), url, false);
}

bool AnswerSucceeded(const platform::HttpRequest& request) {
  const int status = request.status();
  return request.readyState() == 4 && status >= 200 && status < 300;
}

bool Exchange::succeeded() const {
  return AnswerSucceeded(*request_);
}

bool Exchange::receiveFile(const std::string& path) {
  platform::FileSystem& files = control_.files();
  const std::string scratch = path + kScratchSuffix;
  RemoveOnExit cleanup(files, scratch);
  request_->receiveInto(files.nativePath(scratch));
  request_->send();
  if (!succeeded()) return false;
  files.replace(scratch, path);
  return true;
}

bool Exchange::receiveWith(platform::BodySink sink) {
  request_->receiveWith(std::move(sink));
  request_->send();
  return succeeded();
}

namespace {

// The post of request 1 and what its answer says; `send` sends the body on the opened request.
template <typename Send>
PostAnswer postAnswered(control::Control& c, const std::string& url, const std::string& basedOn,
                        Send&& send) {
  PostAnswer answer;
  Exchange exchange(c, "POST", url);
  if (!basedOn.empty()) exchange.request().setRequestHeader(kBasedOnHeader, basedOn);
  c.pump();
  platform::HttpRequest& request = exchange.request();
  send(request);
  answer.ok = exchange.succeeded();
  if (answer.ok) {
    answer.versionTag = request.getResponseHeader(kVersionHeader);
  } else if (request.readyState() == 4 && request.status() == kConflictStatus) {
    answer.conflictCopy = HeaderText(request.getResponseHeader(kConflictCopyHeader));
  }
  return answer;
}

// A body source that notes whether it was the one that failed.
class WatchedBody final : public platform::BodySource {
 public:
  explicit WatchedBody(platform::BodySource& inner) : inner_(inner) {}
  std::uint64_t size() const override { return inner_.size(); }
  std::size_t read(char* buffer, std::size_t capacity) override {
    try {
      return inner_.read(buffer, capacity);
    } catch (...) {
      failed_ = true;
      throw;
    }
  }
  void rewind() override { inner_.rewind(); }
  bool failed() const { return failed_; }

 private:
  platform::BodySource& inner_;
  bool failed_ = false;
};

}  // namespace

PostAnswer PostDocument(control::Control& c, const std::string& baseUrl, const std::string& query,
                        const std::string& localPath, const std::string& basedOn) {
  try {
    platform::FileSystem& files = c.files();
    // The body is read as it is sent; an empty or unreadable file fails here, before anything is sent.
    if (files.size(localPath) == 0) {
      throw AutomationError(automation::err::kSubscriptOutOfRange,
                            "Subscript out of range: " + localPath + " is empty");
    }
    files.openRead(localPath);
    return postAnswered(c, baseUrl + query, basedOn, [&](platform::HttpRequest& request) {
      request.sendFile(files.nativePath(localPath));
    });
  } catch (const std::exception&) {
    c.message(kReceivingPageError, platform::mb::kInformation, kCaptionInfo);
    return {};
  }
}

PostAnswer PostDocument(control::Control& c, const std::string& baseUrl, const std::string& query,
                        platform::BodySource& body, const std::string& basedOn) {
  WatchedBody watched(body);
  try {
    return postAnswered(c, baseUrl + query, basedOn,
                        [&](platform::HttpRequest& request) { request.sendFrom(watched); });
  } catch (const std::exception&) {
    if (watched.failed()) throw;
    c.message(kReceivingPageError, platform::mb::kInformation, kCaptionInfo);
    return {};
  }
}

bool PostFile(control::Control& c, const std::string& baseUrl, const std::string& query,
              const std::string& localPath) {
  return PostDocument(c, baseUrl, query, localPath, "").ok;
}

void ShowRequestError(control::Control& c) {
  try {
    throw;
  } catch (const AutomationError& e) {
    if (e.number() != automation::err::kEFail)
      c.message(e.description(), platform::mb::kInformation, kCaptionInfo);
  } catch (const std::exception& e) {
    c.message(e.what(), platform::mb::kInformation, kCaptionInfo);
  }
}

std::string GetServerText(control::Control& c, const std::string& url) {
  try {
    Exchange exchange(c, "GET", url);
    exchange.request().send();
    if (!exchange.succeeded()) return {};
    return text::fromWire(bytesText(exchange.request().responseBody()));
  } catch (const std::exception&) {
    return {};
  }
}

void FetchListAnswer(control::Control& c, const std::string& url, const std::array<std::string*, 3>& lists) {
  Exchange exchange(c, "GET", url);
  exchange.request().send();
  try {
    if (!exchange.succeeded()) return;
    auto& s = c.state();
    ApplyListAnswer(bytesText(exchange.request().responseBody()), s.linkStr, s.splitStr, lists);
  } catch (const std::exception&) {
    // A body that cannot be read leaves the lists as they were.
  }
}

}  // namespace verolin::transfer
