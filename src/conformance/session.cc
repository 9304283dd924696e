#include "conformance/session.h"

#include <unistd.h>

#include <ctime>

#include "crypto/crypto.h"
#include "seal/marks.h"
#include "text/codepage.h"
#include "text/utf8.h"
#include "transfer/list_answer.h"
#include "transfer/protocol.h"

namespace verolin::conformance {
namespace {

// Asked of a page whose last exchange went unanswered: any answer at all shows that it still serves.
constexpr const char* kAliveProbe = "?RequestType=VerolinConformanceProbe";
constexpr const char* kDefaultExtension = ".jia";
constexpr const char* kFilesPath = "/files";
constexpr const char* kClientFilesPath = "/clientfiles";

std::string generatedStem() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  // Two runs in one second (two pipelines against one page) must not meet in each other's files.
  return std::string("verolin-conformance-") + stamp + "-" + std::to_string(::getpid());
}

std::string joinUrl(std::string base, const std::string& path) {
  while (!base.empty() && base.back() == '/') base.pop_back();
  return base + "/" + path;
}

}  // namespace

TestNames::TestNames(const std::string& document) {
  std::string stem = document.empty() ? generatedStem() : document;
  std::string extension = kDefaultExtension;
  if (const auto dot = stem.rfind('.'); dot != std::string::npos && dot > 0) {
    extension = stem.substr(dot);
    stem.resize(dot);
  }
  road = stem + extension;
  urlFolder = stem + "-dir";
  urlName = stem + "-url" + extension;
  marks = stem + "-marks" + extension;
  unusual = stem + " 会议纪要 #1" + extension;
  status = stem + "-status" + extension;
  missing = stem + "-missing" + extension;
  big = stem + "-big" + extension;
  outside = stem + "-outside" + extension;
  clientFile = stem + "-client.txt";
}

Session::Session(const Options& o) : options(o), page(o), names(o.document) {
  report.pageUrl = o.pageUrl;
  report.codePage = text::wireCodePage();
}

void Session::check(const std::string& id, const std::string& title,
                    const std::function<void(CheckResult&)>& body) {
  CheckResult c;
  c.id = id;
  c.title = title;
  if (stopped()) {
    Skip(c, "not run: " + stopReason_);
  } else {
    // A body that reaches no verdict is a fault of the check, reported rather than taken for a pass.
    Fail(c, "a verdict", "none");
    try {
      body(c);
    } catch (const std::exception& e) {
      Fail(c, "the check to run to its end", std::string("it stopped: ") + e.what());
    }
  }
  report.checks.push_back(std::move(c));
}

bool Session::passed(const std::string& id) const {
  for (const auto& c : report.checks) {
    if (c.id == id) return c.outcome == Outcome::Pass;
  }
  return false;
}

Answer Session::watched(Answer answer) {
  if (answer.completed() || stopped()) return answer;
  const Answer probe = page.get(page.state().activeForm + kAliveProbe);
  if (!probe.completed()) stopReason_ = "the page does not answer (" + probe.record.error + ")";
  return answer;
}

Answer Session::get(const std::string& url) {
  return watched(page.get(url));
}

Answer Session::post(const std::string& url, const std::string& body, const std::string& basedOn) {
  return watched(page.post(url, body, basedOn));
}

Answer Session::postFile(const std::string& url, const std::filesystem::path& body,
                         std::chrono::milliseconds limit) {
  return watched(page.postFile(url, body, limit));
}

Answer Session::upload(const std::string& mode, const std::string& fileDir, const std::string& name,
                       const std::string& container) {
  auto& st = page.state();
  st.getSetType = mode;
  const std::string pathValue = transfer::UploadPathValue(mode, fileDir, name);
  const auto tag = versionTags_.find(name);
  Answer a = post(st.activeForm + transfer::UploadQuery(st, pathValue), container,
                  tag == versionTags_.end() ? std::string() : tag->second);
  if (a.succeeded) {
    stored(pathValue, "document");
    if (!a.versionTag.empty()) versionTags_[name] = a.versionTag;
  }
  return a;
}

void Session::basedOn(const std::string& name, const std::string& tag) {
  versionTags_[name] = tag;
}

Answer Session::download(const std::string& mode, const std::string& serverPath) {
  auto& st = page.state();
  st.getSetType = mode;
  const std::string name = transfer::LastPathSegment(serverPath);
  Answer a = get(transfer::DownloadUrl(st, name));
  if (a.succeeded && !a.versionTag.empty()) versionTags_[name] = a.versionTag;
  return a;
}

ListRead Session::readLists(const std::string& url) {
  ListRead r;
  r.answer = get(url);
  auto& st = page.state();
  if (r.answer.succeeded) {
    r.used = transfer::ApplyListAnswer(r.answer.body, st.linkStr, st.splitStr,
                                       {&r.groups[0], &r.groups[1], &r.groups[2]});
    if (const auto parsed = transfer::ParseListAnswer(text::fromWire(r.answer.body)))
      r.groupCount = parsed->groups.size();
  }
  r.linkStr = st.linkStr;
  r.splitStr = st.splitStr;
  return r;
}

ListRead Session::signatureLists(const std::string& name) {
  page.state().getSetType = "1";
  return readLists(transfer::SignatureListUrl(page.state(), name));
}

ListRead Session::sealLists(const std::string& name) {
  page.state().getSetType = "1";
  return readLists(transfer::SealListUrl(page.state(), name));
}

void Session::placeMarks(const std::vector<Mark>& seals, const std::vector<Mark>& signatures) {
  auto& st = page.state();
  st.newSealNameList.clear();
  st.newSealIdList.clear();
  st.newSealTimeList.clear();
  st.newSignNameList.clear();
  st.newSignIdList.clear();
  st.newSignTimeList.clear();
  for (const auto& m : seals) {
    seal::AppendItem(st.newSealNameList, m.name, st.splitStr);
    seal::AppendItem(st.newSealIdList, m.id, st.splitStr);
    seal::AppendItem(st.newSealTimeList, m.time, st.splitStr);
  }
  for (const auto& m : signatures) {
    seal::AppendItem(st.newSignNameList, m.name, st.splitStr);
    seal::AppendItem(st.newSignIdList, m.id, st.splitStr);
    seal::AppendItem(st.newSignTimeList, m.time, st.splitStr);
  }
}

void Session::stored(const std::string& name, const std::string& how) {
  for (auto& [known, said] : stored_) {
    if (known == name) {
      said = how;
      return;
    }
  }
  stored_.emplace_back(name, how);
}

std::string Session::filesUrl() const {
  return options.filesUrl.empty() ? OriginOf(options.pageUrl) + kFilesPath : options.filesUrl;
}

std::string Session::clientFilesUrl() const {
  return options.clientFilesUrl.empty() ? OriginOf(options.pageUrl) + kClientFilesPath
                                        : options.clientFilesUrl;
}

std::string Session::fileUrl(const std::string& base, const std::string& path) {
  return joinUrl(base, path);
}

void Pass(CheckResult& check, std::string note) {
  check.outcome = Outcome::Pass;
  check.note = std::move(note);
  check.expected.clear();
  check.got.clear();
  check.exchanges.clear();
}

void Skip(CheckResult& check, std::string why) {
  check.outcome = Outcome::Skip;
  check.note = std::move(why);
  check.expected.clear();
  check.got.clear();
  check.exchanges.clear();
}

void Fail(CheckResult& check, std::string expected, std::string got, const Answer* shows) {
  check.outcome = Outcome::Fail;
  check.note.clear();
  check.expected = std::move(expected);
  check.got = std::move(got);
  check.exchanges.clear();
  if (shows) check.exchanges.push_back(shows->record);
}

void Fail(CheckResult& check, std::string expected, std::string got, const Answer& shows) {
  Fail(check, std::move(expected), std::move(got), &shows);
}

std::string StatusText(const Answer& answer) {
  if (answer.completed()) return std::to_string(answer.status());
  return "no answer (" + answer.record.error + ")";
}

std::vector<std::string> Items(const std::string& list, const std::string& splitStr) {
  auto items = seal::SplitList(list, splitStr);
  if (!items.empty() && items.back().empty()) items.pop_back();
  return items;
}

std::string Joined(const std::vector<std::string>& items, const std::string& splitStr) {
  std::string out;
  for (const auto& item : items) seal::AppendItem(out, item, splitStr);
  return out;
}

std::string TestDocument(int version) {
  const std::string v = std::to_string(version);
  std::string d = "{\\rtf1\\ansi verolin conformance test document, version " + v + "}\r\n";
  d += text::toWire("会议纪要：第" + v + "版。\r\n");
  for (int b = 0; b < 256; ++b) d += static_cast<char>(b);
  d += "\r\nend of version " + v + "\r\n";
  return d;
}

std::string TestContainer(int version) {
  return crypto::encryptBytes(TestDocument(version), "doc", crypto::kTransferPassword);
}

std::string OriginOf(const std::string& url) {
  const auto scheme = url.find("://");
  const auto start = scheme == std::string::npos ? 0 : scheme + 3;
  const auto slash = url.find('/', start);
  return slash == std::string::npos ? url : url.substr(0, slash);
}

}  // namespace verolin::conformance
