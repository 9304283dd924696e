// Two people edit one document on the reference server page: the first upload is stored, the second
// is kept beside it as a conflict copy, and the second person keeps everything and is told where it went.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "control/apartment.h"
#include "control/control.h"
#include "crypto/crypto.h"
#include "platform/curl_http.h"
#include "platform/standin.h"
#include "server/admin.h"
#include "server/server.h"
#include "text/codepage.h"
#include "transfer/transfer.h"
#include "transfer/transfer_fixture.h"
#include "wordproc/wordproc.h"

namespace verolin::transfer {
namespace {

namespace fs = std::filesystem;
using automation::Variant;

const std::string kConflictMessage =
    "信息|48|服务器上的文件在您下载之后已被他人修改,您的版本没有覆盖它,已作为副本保存在服务器上:";

std::string readAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// One person at one machine: a control with its own working folder and word processor.
class Person {
 public:
  explicit Person(const fs::path& root) : platform_(root) {
    platform_.http = platform::makeCurlHttpFactory();
    platform_.host.setClock({2006, 3, 5, 9, 7, 2});
    platform_.host.freezeClock(true);
    platform::Platform services = platform_.platform();
    apartment_ = std::make_unique<control::Apartment>(services);
    wordproc::registerWordApplication(apartment_->platform());
    control_ = std::make_unique<control::Control>(*apartment_);
  }
  ~Person() { control_.reset(); }

  control::Control& control() { return *control_; }
  control::ControlState& state() { return apartment_->state(); }
  const std::vector<std::string>& messages() { return platform_.host.messages; }
  std::string readFile(const std::string& path) { return readAll(platform_.files.nativePath(path)); }
  bool exists(const std::string& path) { return fs::exists(platform_.files.nativePath(path)); }

  void download(const std::string& page, const std::string& name) {
    Variant user, initials, demo;
    DownFileFromServer(*control_, "1", page, name, user, initials, demo);
  }
  void type(const std::string& text) {
    state().wordApp.get("Selection").call("EndKey", Variant(std::int32_t{6}));
    state().wordApp.get("Selection").call("TypeText", text);
  }
  void upload() { UploadFileToServer(*control_, "", "", "", "", true); }

 private:
  platform::StandInPlatform platform_;
  std::unique_ptr<control::Apartment> apartment_;
  std::unique_ptr<control::Control> control_;
};

class ConflictTest : public ::testing::Test {
 protected:
  ConflictTest()
      : root_(fs::temp_directory_path() /
              ("verolin-conflict-" + std::to_string(::getpid()) + "-" + std::to_string(counter()++))) {
    fs::create_directories(root_);
  }
  ~ConflictTest() override {
    first_.reset();
    second_.reset();
    if (server_) server_->stop();
    server_.reset();
    fs::remove_all(root_);
  }

  void startServer(bool requireVersion = false) {
    server::ServerOptions options;
    options.dataDir = root_ / "data";
    options.port = 0;
    options.requireVersion = requireVersion;
    server_ = std::make_unique<server::Server>(options);
    std::ofstream(root_ / "report.doc", std::ios::binary) << "关于召开年度工作会议的通知\r\n";
    server::putDocument(server_->store(), root_ / "report.doc", "report.jia", false);
    server_->start();
    first_ = std::make_unique<Person>(root_ / "first");
    second_ = std::make_unique<Person>(root_ / "second");
  }
  // The stored document's file, as the word processor wrote it (its text in the wire code page).
  std::string storedFile(const std::string& name) {
    return readAll(server::getDocument(server_->store(), name, root_ / "out.doc"));
  }
  std::string storedDocument(const std::string& name) { return text::fromWire(storedFile(name)); }

  fs::path root_;
  std::unique_ptr<server::Server> server_;
  std::unique_ptr<Person> first_;
  std::unique_ptr<Person> second_;

 private:
  static int& counter() {
    static int n = 0;
    return n;
  }
};

TEST_F(ConflictTest, SecondUploadOfOneVersionIsKeptAsACopyAndTheSecondPersonKeepsEverything) {
  startServer();
  first_->download(server_->pageUrl(), "report.jia");
  second_->download(server_->pageUrl(), "report.jia");
  first_->type("张三的修改");
  second_->type("李四的修改");
  second_->state().newSealIdList = "3§";

  first_->upload();
  EXPECT_EQ(first_->messages(), std::vector<std::string>{"信息|64|保存数据到服务器完成!"});
  second_->upload();

  // The first person's edits are the current version; the second's are the copy, byte for byte.
  const auto copies = server_->store().copies("report.jia");
  ASSERT_EQ(copies.size(), 1u);
  const std::string copy = copies[0].name;
  EXPECT_NE(storedDocument("report.jia").find("张三的修改"), std::string::npos);
  EXPECT_EQ(storedDocument("report.jia").find("李四的修改"), std::string::npos);
  auto& s = second_->state();
  EXPECT_EQ(storedFile(copy), second_->readFile(s.localFile));
  EXPECT_EQ(server_->store().marks(copy, server::MarkKind::kSeal).ids, std::vector<std::string>{"3"});

  // The second person is told where the version went, and loses nothing locally.
  EXPECT_EQ(second_->messages(),
            (std::vector<std::string>{kConflictMessage + copy, "信息|48|保存数据到服务器失败!"}));
  EXPECT_EQ(s.localFile, "c:\\temp\\report.doc");
  EXPECT_TRUE(second_->exists(s.localFile));
  EXPECT_EQ(s.unconfirmedFile, s.localFile);
  EXPECT_TRUE(s.docOpen);
  EXPECT_EQ(s.newSealIdList, "3§");
}

TEST_F(ConflictTest, UploadsOfTheVersionJustStoredAreNoConflict) {
  startServer();
  first_->download(server_->pageUrl(), "report.jia");
  first_->type("一");
  EXPECT_EQ(UploadDocument(first_->control(), "", "", "", "", false), "1");
  first_->type("二");
  EXPECT_EQ(UploadDocument(first_->control(), "", "", "", "", false), "1");
  EXPECT_TRUE(server_->store().copies().empty());
  EXPECT_NE(storedDocument("report.jia").find("一二"), std::string::npos);
}

TEST_F(ConflictTest, UploadWithoutATagIsStoredAsTodayUnlessTheServerRequiresOne) {
  startServer();
  first_->download(server_->pageUrl(), "report.jia");
  second_->download(server_->pageUrl(), "report.jia");
  first_->upload();
  second_->state().versionTag.clear();  // a control that knows nothing of versions
  second_->upload();
  EXPECT_EQ(second_->messages(), std::vector<std::string>{"信息|64|保存数据到服务器完成!"});
  EXPECT_TRUE(server_->store().copies().empty());
}

TEST_F(ConflictTest, ServerThatRequiresATagRefusesAnUploadWithoutOne) {
  startServer(true);
  first_->download(server_->pageUrl(), "report.jia");
  first_->type("未标版本");
  first_->state().versionTag.clear();
  first_->upload();
  EXPECT_EQ(first_->messages(), std::vector<std::string>{"信息|48|保存数据到服务器失败!"});
  EXPECT_EQ(storedDocument("report.jia").find("未标版本"), std::string::npos);
  EXPECT_TRUE(first_->state().docOpen);
}

using testing::TransferTest;

// The recording page ignores If-Match: the control names the version and is served as always.
TEST_F(TransferTest, PageThatIgnoresTheVersionStillTakesTheUpload) {
  wordproc::registerWordApplication(apartment().platform());
  server_.answer("DOWN", crypto::encryptBytes("正文", "doc", crypto::kTransferPassword));
  server_.answer("UPLOAD", "");
  server_.tagAnswers("\"v7\"");
  Variant user, initials, demo;
  DownFileFromServer(control(), "1", "", "a.jia", user, initials, demo);
  ASSERT_EQ(state().versionTag, "\"v7\"");

  UploadFileToServer(control(), "", "", "", "", true);

  EXPECT_EQ(server_.requests().back().ifMatch, "\"v7\"");
  EXPECT_EQ(messages(), std::vector<std::string>{"信息|64|保存数据到服务器完成!"});
  EXPECT_EQ(state().versionTag, "");
}

// A 409 that names no copy is an upload refused like any other: no claim that something was kept.
TEST_F(TransferTest, ConflictAnswerWithoutACopyNameIsAPlainFailure) {
  wordproc::registerWordApplication(apartment().platform());
  server_.answer("DOWN", crypto::encryptBytes("正文", "doc", crypto::kTransferPassword));
  server_.answer("UPLOAD", "conflict", 409);
  Variant user, initials, demo;
  DownFileFromServer(control(), "1", "", "a.jia", user, initials, demo);
  UploadFileToServer(control(), "", "", "", "", true);
  EXPECT_EQ(messages(), std::vector<std::string>{"信息|48|保存数据到服务器失败!"});
  EXPECT_EQ(server_.requests().back().ifMatch, "");  // the page sent no tag, so none goes back
}

}  // namespace
}  // namespace verolin::transfer
