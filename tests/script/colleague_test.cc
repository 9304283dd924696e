// The colleague: a second person with a control and a machine of their own in the same run, answered
// by the same handlers, marked in the transcript, and released with the page.
#include <sstream>

#include "script/page_run.h"
#include "script_fixture.h"

namespace verolin::script::testing {
namespace {

class ColleagueRun : public ::testing::Test {
 protected:
  ColleagueRun() : root_(freshRoot()) {}
  ~ColleagueRun() override {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }

  // Runs `source` on a root of its own; the exit code.
  int run(const std::string& source) {
    PageOptions options;
    options.root = root_;
    options.out = &out_;
    options.transcript = &log_;
    return runPageSource(source, "test.js", options);
  }
  bool said(const std::string& line) const { return log_.str().find(line) != std::string::npos; }

  std::filesystem::path root_;
  std::ostringstream out_;
  std::ostringstream log_;
};

TEST_F(ColleagueRun, ColleagueHasAMachineOfTheirOwn) {
  ASSERT_EQ(
      run("var c = host.colleague;"
          "host.print(c === host.colleague, c.control === control);"
          "c.control.AddNewDocument();"
          "host.print(host.word === null, c.word !== null);"
          "host.file.write('c:\\\\temp\\\\mine.txt', 'a');"
          "c.file.write('c:\\\\temp\\\\theirs.txt', 'b');"
          "host.print(host.file.exists('c:\\\\temp\\\\theirs.txt'), c.file.exists('c:\\\\temp\\\\mine.txt'),"
          "           c.file.read('c:\\\\temp\\\\theirs.txt'));"),
      0)
      << log_.str();
  EXPECT_EQ(out_.str(), "true false\ntrue true\nfalse false b\n");
  EXPECT_TRUE(std::filesystem::exists(root_ / "colleague" / "c" / "temp" / "theirs.txt"));
}

TEST_F(ColleagueRun, HandlersAreToldWhoseControlAskedAndTheTranscriptMarksTheColleague) {
  ASSERT_EQ(run("host.onMessageBox = function (text) { host.print(host.asking, text); };"
                "control.UploadFileToServer('');"
                "host.colleague.control.UploadFileToServer('');"
                "host.print(host.asking);"),
            0)
      << log_.str();
  const std::string first = "请先打开一篇文档或打开一篇文档.\n";
  const std::string failed = "保存数据到服务器失败!\n";
  EXPECT_EQ(out_.str(), "control " + first + "control " + failed + "colleague " + first + "colleague " +
                            failed + "control\n");
  EXPECT_TRUE(said("\nmsgbox   [信息] 请先打开一篇文档或打开一篇文档."));
  EXPECT_TRUE(said("\ncolleague msgbox   [信息] 请先打开一篇文档或打开一篇文档."));
}

TEST_F(ColleagueRun, ColleagueIsReleasedWhenThePageGoes) {
  ASSERT_EQ(run("host.colleague.control.AddNewDocument(); host.print('end');"), 0) << log_.str();
  const std::string log = log_.str();
  const auto quit = log.find("colleague word     quit");
  ASSERT_NE(quit, std::string::npos) << log;
  EXPECT_EQ(out_.str(), "end\n");
}

TEST_F(ColleagueRun, RunThatNeverMeetsTheColleagueHasNone) {
  ASSERT_EQ(run("control.AddNewDocument();"), 0) << log_.str();
  EXPECT_FALSE(std::filesystem::exists(root_ / "colleague"));
  EXPECT_FALSE(said("colleague "));
}

TEST_F(ScriptTest, ColleagueIsRefusedWhereTheRunHasNone) {
  EXPECT_NE(run("host.colleague;").find("this run has no second person"), std::string::npos);
  EXPECT_EQ(run("host.print(host.asking);"), "");
  EXPECT_EQ(out(), "control\n");
}

}  // namespace
}  // namespace verolin::script::testing
