// What the groups of checks share: the page, the names of the test files, the check runner, the
// exchanges of the control's catalogue with the bookkeeping around them, and what was stored on the page.
#pragma once

#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "conformance/conformance.h"
#include "conformance/page.h"

namespace verolin::conformance {

// The names of everything a run stores or asks for, all made from one stem so that a run's files are
// easy to find and never meet another run's.
struct TestNames {
  explicit TestNames(const std::string& document);
  std::string road;        // the document in request mode
  std::string urlFolder;   // the folder of the document in plain-URL mode
  std::string urlName;     // its name in that folder
  std::string marks;       // the document that carries seals and signatures
  std::string unusual;     // a name with Chinese characters, a blank and "#"
  std::string status;      // the document for failed uploads and versions
  std::string missing;     // never uploaded
  std::string big;         // named by the oversized body
  std::string outside;     // named only behind a way out of the page's folder
  std::string clientFile;  // the client file's SERVER name
};

// One seal or signature as an upload carries it.
struct Mark {
  std::string name, id, time;
};

// A list answer read the way the control reads it.
struct ListRead {
  Answer answer;
  bool used = false;  // the control took it for lists (2xx, more than four characters)
  std::string linkStr, splitStr;
  std::array<std::string, 3> groups;  // as stored into the control's three lists
  std::size_t groupCount = 0;         // groups the answer held
};

class Session {
 public:
  explicit Session(const Options& options);

  const Options& options;
  Page page;
  TestNames names;
  Report report;

  // Runs `body` as the check `id`. The body calls Pass, Fail or Skip; an exception it lets out fails the
  // check. Once the page stopped answering, the check is skipped without running.
  void check(const std::string& id, const std::string& title, const std::function<void(CheckResult&)>& body);
  // True when the check `id` ran and passed.
  bool passed(const std::string& id) const;

  // Exchanges, each watched: after one without an answer the page is asked once more, and when that
  // too goes unanswered the session stops.
  Answer get(const std::string& url);
  Answer post(const std::string& url, const std::string& body, const std::string& basedOn = "");
  Answer postFile(const std::string& url, const std::filesystem::path& body, std::chrono::milliseconds limit);
  bool stopped() const { return !stopReason_.empty(); }

  // Request 1 in `mode` ("1" or "0") with the new-mark lists and separators the state holds, naming the
  // version last seen for the document. A 2xx answer records the document as stored.
  Answer upload(const std::string& mode, const std::string& fileDir, const std::string& name,
                const std::string& container);
  // The version the next upload of document `name` says it is based on.
  void basedOn(const std::string& name, const std::string& tag);
  // Request 2 in `mode` for the document `serverPath` (its last segment is sent).
  Answer download(const std::string& mode, const std::string& serverPath);
  // Requests 4 and 5 for document `name`, read with the control's list parse into fresh lists.
  ListRead signatureLists(const std::string& name);
  ListRead sealLists(const std::string& name);
  // Sets the six new-mark lists as placing these marks would, with the state's split separator.
  void placeMarks(const std::vector<Mark>& seals, const std::vector<Mark>& signatures);

  // A file the page stored (or may have stored) that the run should remove; `how` says what it is (the
  // latest word on a name counts).
  void stored(const std::string& name, const std::string& how);
  const std::vector<std::pair<std::string, std::string>>& storedFiles() const { return stored_; }

  // Where the page serves plain-URL documents and client files, and whether that was guessed.
  std::string filesUrl() const;
  std::string clientFilesUrl() const;
  static std::string fileUrl(const std::string& base, const std::string& path);
  bool filesUrlGuessed() const { return options.filesUrl.empty(); }
  bool clientFilesUrlGuessed() const { return options.clientFilesUrl.empty(); }

 private:
  Answer watched(Answer answer);
  ListRead readLists(const std::string& url);

  std::string stopReason_;
  std::map<std::string, std::string> versionTags_;  // by path value
  std::vector<std::pair<std::string, std::string>> stored_;
};

// Check outcomes. Fail names what was expected and what came back, and attaches the exchange that shows it.
void Pass(CheckResult& check, std::string note = {});
void Skip(CheckResult& check, std::string why);
void Fail(CheckResult& check, std::string expected, std::string got, const Answer* shows = nullptr);
void Fail(CheckResult& check, std::string expected, std::string got, const Answer& shows);

// "200", "404" or "no answer (why)".
std::string StatusText(const Answer& answer);
// The items of a list text, the empty element after the last terminator left out.
std::vector<std::string> Items(const std::string& list, const std::string& splitStr);
// Items joined for a report line: "张三§李四§".
std::string Joined(const std::vector<std::string>& items, const std::string& splitStr);

// The plain bytes of test document number `version`: every byte value, Chinese text in the wire code
// page and a line that names the version, so that a page that changes a byte is caught.
std::string TestDocument(int version);
// That document as the control uploads it: a container of the transfer password holding "doc".
std::string TestContainer(int version);
// The origin ("http://host:port") of a URL.
std::string OriginOf(const std::string& url);

// The control's own separators, or the other pair ¤ ※ that a page may have chosen.
void UseSeparators(Session& s, bool controlsOwn);
// True when the answer holds test document `version` (a container of the transfer password, its
// document byte for byte); `note` then says how. Otherwise fails the check and gives false.
bool HoldsDocument(CheckResult& c, const Answer& a, int version, std::string& note);
// Passes the check when the list answer holds exactly these names, identifiers and times, in order;
// fails it otherwise.
void ExpectLists(CheckResult& c, const ListRead& r, const std::array<std::vector<std::string>, 3>& expected);

// Group runners, in the order run.cc calls them.
void CheckDocuments(Session& s);
void CheckUnusualNames(Session& s);
void CheckMarks(Session& s);
void CheckSeals(Session& s);
void CheckClientFiles(Session& s);
void CheckStatus(Session& s);
void CheckRefusals(Session& s);

}  // namespace verolin::conformance
