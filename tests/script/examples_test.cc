// Every example page script, run by the verolin program as a person runs it, against a reference
// server page on loopback where the example needs one.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "script_fixture.h"
#include "server/admin.h"
#include "server/server.h"
#include "text/codepage.h"

namespace verolin::script::testing {
namespace {

namespace fs = std::filesystem;

std::string readAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string quoted(const std::string& s) {
  return "'" + s + "'";
}

class Examples : public ::testing::Test {
 protected:
  Examples() : work_(freshRoot()) {}
  ~Examples() override {
    if (server_) server_->stop();
    std::error_code ec;
    fs::remove_all(work_, ec);
  }

  // A server page over a fresh store holding report.jia.
  std::string startServer(std::optional<std::string> sessionSecret = std::nullopt) {
    server::ServerOptions options;
    options.sessionSecret = std::move(sessionSecret);
    options.dataDir = work_ / "data";
    options.port = 0;
    server_ = std::make_unique<server::Server>(options);
    std::ofstream(work_ / "report.doc", std::ios::binary)
        << "关于召开年度工作会议的通知\r\n全体员工：请准时参加。\r\n";
    server::putDocument(server_->store(), work_ / "report.doc", "report.jia", false);
    server_->start();
    return server_->pageUrl();
  }

  // Runs `verolin run SCRIPT OPTIONS`; the exit code, with standard output and error kept.
  int verolin(const std::string& script, const std::string& options = "") {
    const char* binary = std::getenv("VEROLIN_BINARY");
    if (!binary) binary = VEROLIN_DEFAULT_BINARY;
    const std::string command = quoted(binary) + " run " + quoted(script) + " " + options + " >" +
                                quoted((work_ / "out").string()) + " 2>" + quoted((work_ / "err").string());
    const int status = std::system(command.c_str());
    out_ = readAll(work_ / "out");
    err_ = readAll(work_ / "err");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  int example(const std::string& name, const std::string& options = "") {
    return verolin(std::string(VEROLIN_EXAMPLES_DIR) + "/" + name, options);
  }
  std::string writeScript(const std::string& name, const std::string& source) {
    std::ofstream(work_ / name) << source;
    return (work_ / name).string();
  }
  bool said(const std::string& line) const { return err_.find(line) != std::string::npos; }

  fs::path work_;
  std::unique_ptr<server::Server> server_;
  std::string out_;
  std::string err_;
};

TEST_F(Examples, PropertiesAndGuards) {
  EXPECT_EQ(example("properties.js"), 0) << err_;
  EXPECT_TRUE(said("msgbox   [信息] 找不到发送数据的接口. (style 64) -> OK"));
  EXPECT_TRUE(said("property ActiveForm changed"));
}

TEST_F(Examples, OpenLocalFile) {
  EXPECT_EQ(example("open-local-file.js"), 0) << err_;
  EXPECT_TRUE(said("word     opened c:\\temp\\"));
}

TEST_F(Examples, NewDocument) {
  EXPECT_EQ(example("new-document.js"), 0) << err_;
  EXPECT_EQ(out_, "document text: 会议纪要 / 一、年度工作总结。 / \n");
}

// The page sets the properties, downloads, the user types, the control uploads: the server holds the text.
TEST_F(Examples, DownloadTypeUploadInRequestMode) {
  const std::string page = startServer();
  ASSERT_EQ(example("download-upload.js", "-- " + quoted(page) + " report.jia"), 0) << err_;
  EXPECT_TRUE(said("RequestType=DOWN&filename=report.jia -> 200"));
  EXPECT_TRUE(said("&savetype=1&RequestType=UPLOAD&path=report.jia ("));
  EXPECT_TRUE(said("msgbox   [信息] 保存数据到服务器完成! (style 64) -> OK"));
  const fs::path stored = server::getDocument(server_->store(), "report.jia", work_ / "stored.doc");
  EXPECT_NE(text::fromWire(readAll(stored)).find("已阅，同意。张三"), std::string::npos);
}

// A server that requires sessions: the cookie given on the command line admits the control, whose
// requests carry it; the transcript never shows it.
TEST_F(Examples, CookieFromTheCommandLineOpensAServerThatRequiresSessions) {
  const std::string secret(40, 'k');
  const std::string page = startServer(secret);
  const std::string value = server::mintSession(secret, {"张三", std::time(nullptr) + 3600, ""});
  example("download-upload.js", "-- " + quoted(page) + " report.jia");
  EXPECT_TRUE(said("RequestType=DOWN&filename=report.jia -> 403")) << err_;

  const std::string cookie = std::string(server::kDefaultSessionCookie) + "=" + value;
  ASSERT_EQ(
      example("download-upload.js", "--cookie " + quoted(cookie) + " -- " + quoted(page) + " report.jia"), 0)
      << err_;
  EXPECT_TRUE(said("RequestType=DOWN&filename=report.jia -> 200"));
  EXPECT_TRUE(said("msgbox   [信息] 保存数据到服务器完成! (style 64) -> OK"));
  EXPECT_EQ(err_.find(value), std::string::npos);
  // The server writes the audit row once the answer has gone out.
  auto uploads = [&] {
    std::vector<server::AuditRecord> found;
    for (const auto& r : server_->store().auditRecords()) {
      if (r.type == "UPLOAD" && r.status == 200) found.push_back(r);
    }
    return found;
  };
  for (int i = 0; i < 300 && uploads().empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_EQ(uploads().size(), 1u);
  EXPECT_EQ(uploads()[0].user, "张三");
  EXPECT_EQ(verolin(writeScript("nothing.js", "host.print('ran');"), "--cookie novalue"), 2);
  EXPECT_TRUE(said("NAME=VALUE")) << err_;
  EXPECT_EQ(out_, "");
}

TEST_F(Examples, DownloadTypeUploadInPlainUrlMode) {
  const std::string page = startServer();
  ASSERT_EQ(example("download-upload-plain.js", "-- " + quoted(page) + " report.jia"), 0) << err_;
  EXPECT_TRUE(
      said("http     GET http://127.0.0.1:" + std::to_string(server_->port()) + "/files/report.jia -> 200"));
  EXPECT_TRUE(said("&savetype=0&RequestType=UPLOAD&path=archive/2006/report.jia"));
}

TEST_F(Examples, ClientUploadAndNetworkPicture) {
  const std::string page = startServer();
  EXPECT_EQ(example("client-upload.js", "-- " + quoted(page)), 0) << err_;
  EXPECT_EQ(example("network-picture.js", "-- " + quoted(page)), 0) << err_;
  EXPECT_TRUE(said("/clientfiles/pictures/dot.png -> 200, 67 bytes"));
}

// Every document command on one document; the script reads the saved file back for their effects.
TEST_F(Examples, DocumentCommands) {
  ASSERT_EQ(example("document-commands.js"), 0) << err_;
  EXPECT_TRUE(said("form     show FrmOpMsg \"操作日志\""));
  EXPECT_TRUE(said("msgbox   [信息] The password is incorrect. (style 64) -> OK"));
  EXPECT_TRUE(said("word     line shape Line 1"));
  EXPECT_TRUE(said("dialog   178 \"页面设置\" display -> OK"));
  EXPECT_TRUE(said("word     print 202635927.doc copies=1 revisions=1"));
  EXPECT_TRUE(said("word     saved c:\\temp\\temp.htm"));
  EXPECT_NE(out_.find("关于办公用房调整的请示。请审阅内容。拟同意。（完）"), std::string::npos) << out_;
}

// The same document uploaded and downloaded again: the server keeps the header and the revisions.
TEST_F(Examples, DocumentCommandsKeptByTheServer) {
  const std::string page = startServer();
  ASSERT_EQ(example("document-commands.js", "-- " + quoted(page) + " request.jia"), 0) << err_;
  EXPECT_TRUE(said("&savetype=1&RequestType=UPLOAD&path=request.jia ("));
  const fs::path stored = server::getDocument(server_->store(), "request.jia", work_ / "request.doc");
  const std::string rtf = readAll(stored);
  EXPECT_NE(rtf.find("\\revprot"), std::string::npos);
  EXPECT_NE(rtf.find("{\\sn lineColor}{\\sv 255}"), std::string::npos);
}

// The user draws a signature, the control places and records it; the page lists, frames and unframes
// it, uploads it with its record and finds it again after a fresh download.
TEST_F(Examples, HandwrittenSignaturePlacedFramedUploadedAndListedAgain) {
  const std::string page = startServer();
  ASSERT_EQ(example("signature.js", "-- " + quoted(page) + " signed.jia"), 0) << err_;
  EXPECT_TRUE(said("form     show FrmHandWritd \"手写板签名\""));
  EXPECT_TRUE(said("&Sn=王五§&St=2"));
  EXPECT_TRUE(said("&Si=1§&linkstr="));
  EXPECT_TRUE(said("RequestType=UPLOAD&path=signed.jia ("));
  EXPECT_NE(out_.find("signed by 王五: 1. 签名人姓名:王五  签名日期:"), std::string::npos) << out_;
}

// A seal owner with a one-pixel seal, a document in the word processor's own format (so that the
// placed seal survives the save), the seal placed through the seal window, uploaded and listed again.
TEST_F(Examples, SealPlacedUploadedAndListedAgain) {
  const std::string page = startServer();
  const unsigned char dot[] = {
      0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00,
      0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00, 0x00, 0x1F, 0x15, 0xC4, 0x89, 0x00,
      0x00, 0x00, 0x0D, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0x00, 0x01, 0x00, 0x00, 0x05, 0x00, 0x01,
      0x0D, 0x0A, 0x2D, 0xB4, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
  std::ofstream(work_ / "zhang.png", std::ios::binary).write(reinterpret_cast<const char*>(dot), sizeof dot);
  server::addOwner(server_->store(), "李四", "ls456", work_ / "zhang.png", false);
  server::addOwner(server_->store(), "张三", "zs123", work_ / "zhang.png", false);
  std::ofstream(work_ / "notice.doc", std::ios::binary)
      << "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil SimSun;}}\\f0 \\u36890?\\u30693? "
         "notice\\par}";
  server::putDocument(server_->store(), work_ / "notice.doc", "notice.jia", false);

  ASSERT_EQ(example("seal.js", "-- " + quoted(page) + " notice.jia 张三 zs123"), 0) << err_;
  EXPECT_TRUE(said("msgbox   [密码错误] 密码不正确！ (style 64) -> OK"));
  EXPECT_TRUE(said("RequestType=GetSealPicture&userName=张三&fileName=zhang.jia -> 200"));
  EXPECT_EQ(err_.find("zs123"), std::string::npos) << "the typed password went out";
  EXPECT_TRUE(said("word     picture shape Picture 1"));
  EXPECT_TRUE(said("?Dn=张三§&Dt="));
  EXPECT_TRUE(said("秒§&Di=1§&Sn=&St=&Si=&linkstr="));
  EXPECT_NE(out_.find("after a fresh download: 1. 盖章人姓名:张三  盖章日期:"), std::string::npos) << out_;

  const auto seals = server_->store().marks("notice.jia", server::MarkKind::kSeal);
  EXPECT_EQ(seals.names, std::vector<std::string>{"张三"});
  EXPECT_EQ(seals.ids, std::vector<std::string>{"1"});
}

// Two people edit one document: the user's upload is the current version, the colleague's is kept as
// a conflict copy byte for byte, and the colleague is told its name and keeps the document.
TEST_F(Examples, TwoPeopleEditOneDocumentAndNothingIsLost) {
  const std::string page = startServer();
  ASSERT_EQ(example("conflict.js", "-- " + quoted(page) + " report.jia"), 0) << err_;
  const auto copies = server_->store().copies("report.jia");
  ASSERT_EQ(copies.size(), 1u);
  const std::string copy = copies[0].name;
  EXPECT_TRUE(
      said("\ncolleague msgbox   [信息] 服务器上的文件在您下载之后已被他人修改,您的版本没有覆盖它,"
           "已作为副本保存在服务器上:" +
           copy + " (style 48) -> OK"))
      << err_;
  EXPECT_TRUE(said("\nmsgbox   [信息] 保存数据到服务器完成! (style 64) -> OK"));
  EXPECT_TRUE(said("\ncolleague http     POST " + page));
  EXPECT_TRUE(said("\ncolleague file     "));
  EXPECT_NE(out_.find(copy), std::string::npos) << out_;

  const std::string current =
      text::fromWire(readAll(server::getDocument(server_->store(), "report.jia", work_ / "current.doc")));
  const std::string theirs =
      text::fromWire(readAll(server::getDocument(server_->store(), copy, work_ / "copy.doc")));
  EXPECT_NE(current.find("张三：同意，请按时召开。"), std::string::npos);
  EXPECT_EQ(current.find("李四：建议改到周五下午。"), std::string::npos);
  EXPECT_NE(theirs.find("李四：建议改到周五下午。"), std::string::npos);
  EXPECT_EQ(theirs.find("张三：同意，请按时召开。"), std::string::npos);
}

TEST_F(Examples, ScriptErrorNamesFileAndLineAndFails) {
  const std::string script = writeScript("bad.js", "host.print('before');\n\ncontrol.NoSuchMember();\n");
  EXPECT_EQ(verolin(script), 1);
  EXPECT_EQ(out_, "before\n");
  EXPECT_TRUE(said(script + ":3: Error: VerolinActivex.NoSuchMember: Object doesn't support this property or "
                            "method (error 438)"));
  // A script that cannot be read is a failure at run time (1) with the system's reason; 2 is for usage.
  EXPECT_EQ(verolin((work_ / "missing.js").string()), 1);
  EXPECT_TRUE(said("missing.js: No such file or directory"));
}

TEST_F(Examples, WordProcessorVersionOrNoneAndArguments) {
  const std::string script = writeScript(
      "word.js",
      "control.AddNewDocument(); host.print(host.word ? host.word.Version : 'none', host.args.join('+'));");
  EXPECT_EQ(verolin(script, "--word-version 9.0 -- a 'b c'"), 0) << err_;
  EXPECT_EQ(out_, "9.0 a+b c\n");
  EXPECT_EQ(verolin(script, "--no-word"), 0) << err_;
  EXPECT_EQ(out_, "none \n");
  EXPECT_TRUE(said("本机器没有正确定装OFFICE软件"));
  EXPECT_EQ(verolin(script, "--no-word --word-version 9.0"), 2);
}

}  // namespace
}  // namespace verolin::script::testing
