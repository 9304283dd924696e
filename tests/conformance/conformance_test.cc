// The conformance check against the reference server page (everything passes), against a page written
// from the docs (everything it offers passes), and against pages wrong in one way each (that check fails,
// with a line that says what was expected and what came back).
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "conformance/conformance.h"
#include "conformance/test_page.h"
#include "server/admin.h"
#include "server/server.h"

namespace verolin::conformance {
namespace {

using testing::Faults;
using testing::TestPage;

const CheckResult* find(const Report& report, const std::string& id) {
  for (const auto& c : report.checks) {
    if (c.id == id) return &c;
  }
  return nullptr;
}

std::vector<std::string> idsWith(const Report& report, Outcome outcome) {
  std::vector<std::string> ids;
  for (const auto& c : report.checks) {
    if (c.outcome == outcome) ids.push_back(c.id);
  }
  return ids;
}

Options optionsFor(const TestPage& page) {
  Options o;
  o.pageUrl = page.pageUrl();
  o.document = "check.jia";
  o.filesUrl = page.filesUrl();
  o.clientFilesUrl = page.clientFilesUrl();
  o.owner = TestPage::kOwner;
  o.ownerPassword = TestPage::kOwnerPassword;
  o.timeout = std::chrono::seconds(5);
  o.oversizeBytes = 2 << 20;
  return o;
}

// The reference server page in this process, over a fresh data folder, with one seal owner.
class ReferenceServer {
 public:
  ReferenceServer()
      : data_(std::filesystem::temp_directory_path() /
              ("verolin-conformance-" + std::to_string(::getpid()))) {
    std::filesystem::remove_all(data_);
    std::filesystem::create_directories(data_);
    server::ServerOptions options;
    options.dataDir = data_ / "store";
    options.port = 0;
    options.maxBodyBytes = 1 << 20;
    server_ = std::make_unique<server::Server>(options);
    const auto picture = data_ / "zhang.png";
    std::ofstream(picture, std::ios::binary) << testing::kSealPng;
    server::addOwner(server_->store(), "张三", "zs123", picture, false);
    server_->start();
  }
  ~ReferenceServer() {
    server_.reset();
    std::filesystem::remove_all(data_);
  }
  std::string pageUrl() const { return server_->pageUrl(); }
  server::Store& store() { return server_->store(); }

 private:
  std::filesystem::path data_;
  std::unique_ptr<server::Server> server_;
};

TEST(Conformance, ReferenceServerPassesEveryCheck) {
  ReferenceServer reference;
  Options o;
  o.pageUrl = reference.pageUrl();
  o.owner = "张三";
  o.ownerPassword = "zs123";
  o.timeout = std::chrono::seconds(10);
  o.oversizeBytes = 2 << 20;

  const Report report = RunConformance(o);

  EXPECT_EQ(idsWith(report, Outcome::Fail), std::vector<std::string>{}) << FormatText(report);
  EXPECT_EQ(idsWith(report, Outcome::Skip), std::vector<std::string>{}) << FormatText(report);
  EXPECT_GE(report.checks.size(), 25u);
  // The conflict copy and every test document are named, since the protocol removes nothing.
  EXPECT_FALSE(report.left.empty());
  EXPECT_NE(FormatText(report).find("all " + std::to_string(report.checks.size()) + " checks passed"),
            std::string::npos);
}

TEST(Conformance, PageWrittenFromTheDocsPassesAndSkipsWhatItDoesNotOffer) {
  TestPage page;
  const Report report = RunConformance(optionsFor(page));
  EXPECT_EQ(idsWith(report, Outcome::Fail), std::vector<std::string>{}) << FormatText(report);
  // It names no versions: the two version checks say so instead of failing.
  EXPECT_EQ(idsWith(report, Outcome::Skip),
            (std::vector<std::string>{"status.version-tag", "status.conflict"}));
  EXPECT_TRUE(page.holds("check.jia"));
  EXPECT_TRUE(page.holds("check-dir/check-url.jia"));
  EXPECT_TRUE(page.holds("check 会议纪要 #1.jia"));
}

TEST(Conformance, PageThatDropsTheSeparatorsFailsTheListChecks) {
  TestPage page(Faults{.dropSeparators = true});
  const Report report = RunConformance(optionsFor(page));
  const CheckResult* seals = find(report, "marks.seal-list");
  ASSERT_TRUE(seals);
  EXPECT_EQ(seals->outcome, Outcome::Fail);
  EXPECT_EQ(find(report, "marks.signature-list")->outcome, Outcome::Fail);
  EXPECT_EQ(find(report, "documents.download-request-mode")->outcome, Outcome::Pass);
  ASSERT_EQ(seals->exchanges.size(), 1u);
  EXPECT_NE(seals->exchanges[0].url.find("RequestType=GetSignInfoData"), std::string::npos);
  EXPECT_NE(FormatText(report).find("FAIL  marks.seal-list"), std::string::npos);
  EXPECT_NE(FormatText(report).find("      expected: "), std::string::npos);
}

TEST(Conformance, PageThatAnswers200ToAFailedUploadFailsTheStatusCheck) {
  TestPage page(Faults{.okToFailedUpload = true});
  const Report report = RunConformance(optionsFor(page));
  const CheckResult* failed = find(report, "status.failed-upload");
  ASSERT_TRUE(failed);
  EXPECT_EQ(failed->outcome, Outcome::Fail);
  EXPECT_NE(failed->got.find("200"), std::string::npos);
  EXPECT_NE(failed->got.find("ERROR: not a document"), std::string::npos);
  EXPECT_EQ(find(report, "documents.upload-request-mode")->outcome, Outcome::Pass);
  EXPECT_FALSE(report.passed());
}

TEST(Conformance, PageThatStoresTheBodyReEncodedFailsTheDownloads) {
  TestPage page(Faults{.reencodeBody = true});
  const Report report = RunConformance(optionsFor(page));
  EXPECT_EQ(find(report, "documents.upload-request-mode")->outcome, Outcome::Pass);
  const CheckResult* down = find(report, "documents.download-request-mode");
  EXPECT_EQ(down->outcome, Outcome::Fail);
  EXPECT_NE(down->got.find("re-encoded"), std::string::npos) << down->got;
  EXPECT_EQ(find(report, "documents.download-url-mode")->outcome, Outcome::Fail);
  EXPECT_EQ(find(report, "names.document")->outcome, Outcome::Fail);
}

TEST(Conformance, PageThatAcceptsBackslashNamesFailsThatRefusalOnly) {
  TestPage page(Faults{.acceptBackslashNames = true});
  const Report report = RunConformance(optionsFor(page));
  EXPECT_EQ(idsWith(report, Outcome::Fail), std::vector<std::string>{"refusals.backslash"})
      << FormatText(report);
  EXPECT_TRUE(page.holds("..\\check-outside.jia"));
  // What the page took outside its folder is listed among what the run left behind.
  bool listed = false;
  for (const auto& left : report.left) listed |= left.find("..\\check-outside.jia") != std::string::npos;
  EXPECT_TRUE(listed);
}

TEST(Conformance, PageThatNeverAnswersFailsWithinTheTimeLimitAndTheRunEnds) {
  TestPage page(Faults{.neverAnswer = true});
  Options o = optionsFor(page);
  o.timeout = std::chrono::seconds(1);
  const auto start = std::chrono::steady_clock::now();
  const Report report = RunConformance(o);
  const auto took = std::chrono::steady_clock::now() - start;

  EXPECT_LT(took, std::chrono::seconds(20));
  const CheckResult* first = find(report, "documents.upload-request-mode");
  ASSERT_TRUE(first);
  EXPECT_EQ(first->outcome, Outcome::Fail);
  ASSERT_EQ(first->exchanges.size(), 1u);
  EXPECT_TRUE(first->exchanges[0].timedOut);
  EXPECT_EQ(report.count(Outcome::Fail), 1);
  const CheckResult* later = find(report, "refusals.oversized");
  ASSERT_TRUE(later);
  EXPECT_EQ(later->outcome, Outcome::Skip);
  EXPECT_NE(later->note.find("the page does not answer"), std::string::npos);
}

TEST(Conformance, PageThatTricklesForEverIsCutOffAtTheTimeLimit) {
  TestPage page(Faults{.trickle = true});
  Options o = optionsFor(page);
  o.timeout = std::chrono::seconds(1);
  const auto start = std::chrono::steady_clock::now();
  const Report report = RunConformance(o);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  const CheckResult* first = find(report, "documents.upload-request-mode");
  ASSERT_TRUE(first);
  EXPECT_EQ(first->outcome, Outcome::Fail);
  ASSERT_EQ(first->exchanges.size(), 1u);
  EXPECT_TRUE(first->exchanges[0].timedOut) << first->exchanges[0].error;
  EXPECT_EQ(report.count(Outcome::Fail), 1);
}

TEST(Conformance, FilesThePageWillNotRemoveAreListedWithItsAnswer) {
  ReferenceServer reference;
  Options o;
  o.pageUrl = reference.pageUrl();
  o.oversizeBytes = 2 << 20;
  o.removeType = "NoSuchRemoval";
  const Report report = RunConformance(o);
  EXPECT_TRUE(report.removed.empty());
  ASSERT_FALSE(report.left.empty());
  EXPECT_NE(report.left[0].find("removal answered 400"), std::string::npos) << report.left[0];
}

TEST(Conformance, JsonReportCarriesEveryCheckAndEscapesText) {
  Report report;
  report.pageUrl = "http://h/p";
  report.codePage = "GBK";
  CheckResult c;
  c.id = "x.y";
  c.title = "a \"quoted\" title";
  c.outcome = Outcome::Fail;
  c.expected = "line\nbreak";
  c.got = "back\\slash";
  c.exchanges.push_back({"GET", "http://h/p?a=张", "http://h/p?a=%D5%C5", true, 404, 3, "no", "", false, 5});
  report.checks.push_back(c);
  const std::string json = FormatJson(report);
  EXPECT_NE(json.find(R"("passed":false)"), std::string::npos);
  EXPECT_NE(json.find(R"("title":"a \"quoted\" title")"), std::string::npos);
  EXPECT_NE(json.find(R"("expected":"line\u000abreak")"), std::string::npos);
  EXPECT_NE(json.find(R"("got":"back\\slash")"), std::string::npos);
  EXPECT_NE(json.find(R"("status":404)"), std::string::npos);
  EXPECT_NE(json.find(R"("counts":{"pass":0,"fail":1,"skip":0})"), std::string::npos);
}

// The program's exit status: 0 when every check passed, 1 when one failed.
int runProgram(const std::string& arguments, std::string& output, const std::string& input = "") {
  const char* binary = std::getenv("VEROLIN_BINARY");
  if (!binary) return -1;
  const std::string feed = input.empty() ? "" : "printf '%s\\n' '" + input + "' | ";
  FILE* pipe = ::popen((feed + binary + " conformance " + arguments + " 2>&1").c_str(), "r");
  char buffer[4096];
  while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
  const int status = ::pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Conformance, ProgramExitsWithTheVerdict) {
  if (!std::getenv("VEROLIN_BINARY") || !std::filesystem::exists(std::getenv("VEROLIN_BINARY")))
    GTEST_SKIP() << "the verolin program is not built";
  ReferenceServer reference;
  std::string good;
  EXPECT_EQ(runProgram(reference.pageUrl() + " --oversize 2M --json", good), 0) << good;
  EXPECT_NE(good.find(R"("passed":true)"), std::string::npos);
  // The seal password from standard input, out of the process list.
  std::string owner;
  EXPECT_EQ(runProgram(reference.pageUrl() + " --oversize 2M --owner 张三", owner, "zs123"), 0) << owner;
  EXPECT_NE(owner.find("png picture of 3x2 pixels"), std::string::npos) << owner;

  TestPage wrong(Faults{.okToFailedUpload = true});
  std::string bad;
  EXPECT_EQ(runProgram(wrong.pageUrl() + " --oversize 2M", bad), 1) << bad;
  EXPECT_NE(bad.find("FAIL  status.failed-upload"), std::string::npos) << bad;

  std::string usage;
  EXPECT_EQ(runProgram("'" + reference.pageUrl() + "?x=1'", usage), 2) << usage;
}

}  // namespace
}  // namespace verolin::conformance
