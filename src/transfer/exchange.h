// One HTTP exchange with the server page, and the exchange routines built on it. Every exchange uses
// a fresh request object that is released when it ends. An exchange succeeds only when it completed
// (readyState 4) with a 2xx status: an error page is never taken for the data asked for.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "control/control.h"
#include "platform/http.h"

namespace verolin::transfer {

// The control's rule for every answer: completed (readyState 4) with a 2xx status.
bool AnswerSucceeded(const platform::HttpRequest& request);

class Exchange {
 public:
  // Creates the request object and opens it (synchronous). Throws the request object's errors, and
  // AutomationError 429 when the platform has no request object.
  Exchange(control::Control& c, std::string_view method, const std::string& url);
  Exchange(const Exchange&) = delete;
  Exchange& operator=(const Exchange&) = delete;

  platform::HttpRequest& request() { return *request_; }

  // Completed with a 2xx status.
  bool succeeded() const;

  // Sends no body and streams the answer into `path` (a Windows-style path). Only a successful
  // answer reaches `path`, replacing what was there; otherwise no file is written and the result is
  // false. Throws the request object's errors (send) and the file layer's (putting the file in place).
  bool receiveFile(const std::string& path);

  // Sends no body and hands the answer to `sink` as it arrives; true when it was a successful one
  // (the sink has then seen all of it). Throws the request object's errors (send).
  bool receiveWith(platform::BodySink sink);

 private:
  control::Control& control_;
  std::unique_ptr<platform::HttpRequest> request_;
};

// Posts the file `localPath` as the body to baseUrl + query, letting messages run once between open
// and send. True when the exchange succeeded. A request error, or a file that is missing, empty or
// unreadable, shows "接受数据页面错误." and gives false; an unsuccessful answer gives false silently.
bool PostFile(control::Control& c, const std::string& baseUrl, const std::string& query,
              const std::string& localPath);

// What a server said to a posted document beyond success: the tag of the version it now holds, and,
// when it kept the post as a copy because it was based on a replaced version (409), the copy's name.
struct PostAnswer {
  bool ok = false;
  std::string versionTag;
  std::string conflictCopy;
};
// PostFile for the document upload, naming the version it is based on when `basedOn` is not empty.
PostAnswer PostDocument(control::Control& c, const std::string& baseUrl, const std::string& query,
                        const std::string& localPath, const std::string& basedOn);

// PostDocument with a body produced as it is sent. A failure of `body` itself (its read throws) is not
// the page's: the exchange ends without "接受数据页面错误." and the body's exception reaches the caller.
PostAnswer PostDocument(control::Control& c, const std::string& baseUrl, const std::string& query,
                        platform::BodySource& body, const std::string& basedOn);

// Inside a catch block of a fetch: shows the error's description in an information box, except for
// E_FAIL, which stands for a plain failure and is passed over without a message.
void ShowRequestError(control::Control& c);

// GETs `url` and returns the answer decoded from the wire code page; "" on any failure, errors included.
std::string GetServerText(control::Control& c, const std::string& url);

// GETs a list answer and applies it to the separators and the three lists. Errors of open and send
// reach the caller; an unsuccessful answer and errors while reading it leave everything unchanged.
void FetchListAnswer(control::Control& c, const std::string& url, const std::array<std::string*, 3>& lists);

}  // namespace verolin::transfer
