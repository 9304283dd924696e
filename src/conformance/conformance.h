// The conformance check of a server page: `verolin conformance` plays the control's side of every
// exchange against a page of a web application, with the control's own request object, URL forming,
// list parse and container code, and reports one line per check.
//
// Contents of this folder:
//   conformance.h    the options, the report and RunConformance (this file)
//   page.h           the page under test as the control sees it: one exchange at a time, each recorded
//   session.h        what the checks share: names of the test files, the check runner, what was left
//   documents.cc     the document's road: upload in both modes, download in both modes, unusual names
//   marks.cc         the new-mark fields of an upload and the list answers that bring them back
//   seals.cc         the seal owner list and a seal picture
//   client_files.cc  a client file upload
//   status.cc        status codes, the version tag and the conflict answer
//   refusals.cc      what a page must refuse: names outside its folder, unknown requests, large bodies
//   run.cc           the order of the groups and the clean-up
//   report.cc        the report as text lines and as JSON
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace verolin::conformance {

struct Options {
  std::string pageUrl;  // the control's ActiveForm
  // Name of the test document, not yet on the page ("" : one made from the time and the process); the
  // other test files are named after it.
  std::string document;
  // A seal owner of the page and its seal password, to decrypt the owner's seal picture.
  std::string owner;
  std::string ownerPassword;
  std::string sealListType = "GetSealList";
  std::string sealPictureType = "GetSealPicture";
  // Where the page serves documents uploaded in plain-URL mode (folder/name is appended) and client
  // files (their SERVER name is appended). "" : the reference server's places on the page's host are
  // tried, and a miss there skips the check instead of failing it.
  std::string filesUrl;
  std::string clientFilesUrl;
  // A RequestType of the page that removes a document (GET ?RequestType=T&filename=NAME, 2xx when
  // removed); the control's protocol has none, so without it the test files stay and are listed.
  std::string removeType;
  // Every exchange ends within this time; a page that never answers fails its check.
  std::chrono::milliseconds timeout{10'000};
  // The size of the body that the page must refuse as too large.
  std::uint64_t oversizeBytes = (std::uint64_t{256} << 20) + (std::uint64_t{1} << 20);
};

enum class Outcome { Pass, Fail, Skip };

// One exchange as the check saw it.
struct ExchangeRecord {
  std::string method;
  std::string url;      // as the control forms it (text)
  std::string wireUrl;  // as it went on the wire
  bool completed = false;
  int status = 0;
  std::uint64_t bodyBytes = 0;
  std::string preview;  // the start of the answer's body, readable
  std::string error;    // the request object's error when it did not complete
  bool timedOut = false;
  std::int64_t milliseconds = 0;
};

struct CheckResult {
  std::string id;     // "group.name", stable for scripts
  std::string title;  // what is checked, one line
  Outcome outcome = Outcome::Skip;
  std::string note;  // a pass: what was seen; a skip: why
  std::string expected;
  std::string got;
  std::vector<ExchangeRecord> exchanges;  // a fail: the exchange that shows it
};

struct Report {
  std::string pageUrl;
  std::string codePage;
  std::vector<CheckResult> checks;
  std::vector<std::string> removed;  // test files removed again
  std::vector<std::string> left;     // test files still on the page, each with the reason
  int count(Outcome outcome) const;
  // No check failed (skips are no failures).
  bool passed() const { return count(Outcome::Fail) == 0; }
};

// Runs every check against the page. Never throws for what the page does; a page that does not answer
// fails the check that waited for it, and once it answers nothing at all the remaining checks are skipped.
Report RunConformance(const Options& options);

// One line per check (failures with what was expected, what came back and the exchange), then what
// was left on the page and a summary line.
std::string FormatText(const Report& report);
// The same as one JSON object, for CI pipelines.
std::string FormatJson(const Report& report);

}  // namespace verolin::conformance
