// The page under test as the control sees it: the control-wide transfer state that forms its URLs
// (page address, mode, separators, new-mark lists) and exchanges made with the control's request
// object, each ended by a time limit and recorded for the report.
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "conformance/conformance.h"
#include "control/state.h"
#include "platform/http.h"

namespace verolin::conformance {

// What came back from one exchange.
struct Answer {
  ExchangeRecord record;
  bool succeeded = false;    // the control's rule: completed with a 2xx status
  std::string body;          // the answer's bytes as they came off the wire
  std::string versionTag;    // ETag
  std::string conflictCopy;  // X-Verolin-Conflict-Copy, decoded

  bool completed() const { return record.completed; }
  int status() const { return record.status; }
};

class Page {
 public:
  explicit Page(const Options& options);
  Page(const Page&) = delete;
  Page& operator=(const Page&) = delete;

  // The state the control's URL forming reads; activeForm is the page.
  control::ControlState& state() { return state_; }

  // GET `url`. Never throws: an exchange that does not complete says why in record.error.
  Answer get(const std::string& url);
  // POST `body` to `url`, naming the version it is based on when `basedOn` is not empty.
  Answer post(const std::string& url, const std::string& body, const std::string& basedOn = "");
  // POST the file at `body` (native path); `limit` replaces the time limit of the whole exchange.
  Answer postFile(const std::string& url, const std::filesystem::path& body, std::chrono::milliseconds limit);

 private:
  Answer exchange(platform::HttpFactory& factory, const std::string& method, const std::string& url,
                  const std::string* body, const std::filesystem::path* bodyFile, const std::string& basedOn);

  control::ControlState state_;
  std::chrono::milliseconds timeout_;
  std::unique_ptr<platform::HttpFactory> http_;
};

// The start of a body as one readable line: text in the wire code page, or a note on binary bytes.
std::string Preview(const std::string& body);

}  // namespace verolin::conformance
