// Bad servers against the document's road: every fault ends in a message or an automation error,
// with isBusy clear, and the working copy whose changes the server has not confirmed still on disk.
#include <gtest/gtest.h>

#include "automation/error.h"
#include "control/word_host.h"
#include "crypto/container_format.h"
#include "crypto/crypto.h"
#include "platform/curl_http.h"
#include "text/codepage.h"
#include "transfer/transfer.h"
#include "transfer/transfer_fixture.h"
#include "wordproc/wordproc.h"

namespace verolin::transfer {
namespace {

using automation::AutomationError;
using automation::Variant;
using namespace std::chrono_literals;
using testing::TransferTest;

const std::string kEdits = "修改后的正文 edits only this machine has";
const std::string kRefused = "http://127.0.0.1:1/page.asp";
const std::string kPageError = "信息|64|接受数据页面错误.";
const std::string kSaveFailed = "信息|48|保存数据到服务器失败!";
const std::string kFetchFailed = "信息|64|从服务器中获取文件失败!";

// Large enough that the body is still on its way when a server drops the connection.
std::string largeText() {
  std::string text;
  for (int i = 0; text.size() < 3'000'000; ++i)
    text += "paragraph " + std::to_string(i) + " of the document. ";
  return text;
}

platform::HttpOptions faultOptions() {
  platform::HttpOptions o;
  o.stallTimeout = 1s;
  return o;
}
// A server that trickles a byte every 20 s never stalls for a minute; the deadline ends it, made small.
platform::HttpOptions trickleOptions() {
  platform::HttpOptions o;
  o.deadlineGrace = 1s;
  return o;
}

class FaultTest : public TransferTest {
 protected:
  explicit FaultTest(platform::HttpOptions options = faultOptions()) : TransferTest(options) {
    wordproc::registerWordApplication(apartment().platform());
  }
  std::string documentText() {
    return state().wordApp.get("ActiveDocument").get("Content").get("Text").toString();
  }

  // A document with unsent edits and a seal placed since the last transfer.
  void editedDocument(const std::string& text = kEdits) {
    Variant name, user, initials, demo;
    control::AddNewDocument(control(), name, user, initials, demo);
    state().wordApp.get("Selection").call("TypeText", text);
    state().newSealNameList = "张三§";
    state().newSealIdList = "1§";
    local_ = state().localFile;
  }
  void upload() { UploadFileToServer(control(), "docs", "1", "", "a.jia", true); }
  // A document downloaded before, open and edited; a later download fails.
  void downloadedDocument() {
    server_.answer("DOWN", crypto::encryptBytes("{\\rtf1 first version\\par}", "doc"));
    server_.answer("GetSignInfoData", text::toWire("ǐ§张三§ǐ1§ǐ2006年3月5日9时7分2秒§"));
    Variant none;
    DownFileFromServer(control(), "1", "", "a.jia", none, none, none);
    ASSERT_TRUE(state().docOpen);
    state().wordApp.get("Selection").call("TypeText", kEdits);
    local_ = state().localFile;
    sealNames_ = state().sealNameList;
  }
  // DownFileFromServer as the page calls it: the automation error the script sees, or 0.
  std::int32_t download(const std::string& mode = "1", const std::string& path = "b.jia") {
    try {
      Variant none;
      DownFileFromServer(control(), mode, "", path, none, none, none);
      return 0;
    } catch (const AutomationError& e) {
      return e.number();
    }
  }

  // After a failed upload: the document open as it was, saved with its edits, the marks still to go.
  void expectUploadFailedKeepingEverything(const std::vector<std::string>& shown) {
    EXPECT_EQ(messages(), shown);
    EXPECT_EQ(control().cmdMsg.caption, "上传文件失败.");
    EXPECT_FALSE(state().isBusy);
    EXPECT_TRUE(state().docOpen);
    EXPECT_FALSE(state().wordApp.isEmpty());
    EXPECT_EQ(state().localFile, local_);
    EXPECT_EQ(state().newSealNameList + state().newSealIdList, "张三§1§");
    EXPECT_EQ(tempFiles(), std::set<std::string>{platform::fileNameOf(local_)});  // no container left
    EXPECT_NE(readFile(local_).find("edits only this machine has"), std::string::npos);
    releaseControl();
    EXPECT_EQ(tempFiles(), std::set<std::string>{platform::fileNameOf(local_)});
  }
  // After a failed download over an open document: nothing of the new one, the old one's copy kept.
  void expectDownloadFailedKeepingTheWorkingCopy() {
    EXPECT_FALSE(state().isBusy);
    EXPECT_EQ(state().localFile, local_);
    EXPECT_EQ(state().sealNameList, sealNames_);
    EXPECT_EQ(tempFiles(), std::set<std::string>{platform::fileNameOf(local_)});
    releaseControl();
  }

  std::string local_;
  std::string sealNames_;
};

class TrickleTest : public FaultTest {
 protected:
  TrickleTest() : FaultTest(trickleOptions()) {}
};

TEST_F(FaultTest, UploadToARefusedConnection) {
  editedDocument();
  state().activeForm = kRefused;
  upload();
  expectUploadFailedKeepingEverything({kPageError, kSaveFailed});
}

TEST_F(FaultTest, UploadWhoseConnectionIsDroppedMidway) {
  editedDocument(largeText());
  server_.dropPostAfter("UPLOAD", 200'000);
  upload();
  ASSERT_EQ(server_.requests().size(), 1u);
  EXPECT_LT(server_.requests()[0].body.size(), 1'000'000u);  // the server took only the start
  local_ = state().localFile;
  EXPECT_EQ(messages(), (std::vector<std::string>{kPageError, kSaveFailed}));
  EXPECT_TRUE(state().docOpen);
  EXPECT_FALSE(state().isBusy);
  EXPECT_GT(readFile(local_).size(), 3'000'000u);
  releaseControl();
  EXPECT_EQ(tempFiles(), std::set<std::string>{platform::fileNameOf(local_)});
}

TEST_F(FaultTest, UploadAnswered500Or404WithAPage) {
  editedDocument();
  server_.answer("UPLOAD", "<html><body>Internal Server Error</body></html>", 500);
  upload();
  server_.answer("UPLOAD", "<html><body>Not Found</body></html>", 404);
  upload();
  expectUploadFailedKeepingEverything({kSaveFailed, kSaveFailed});
}

TEST_F(FaultTest, UploadToAServerThatNeverAnswers) {
  editedDocument();
  server_.hang("UPLOAD");
  upload();
  expectUploadFailedKeepingEverything({kPageError, kSaveFailed});
}

TEST_F(TrickleTest, UploadWhoseAnswerTricklesPastTheDeadline) {
  editedDocument();
  server_.trickle("UPLOAD", "stored", 20s);
  const auto started = std::chrono::steady_clock::now();
  upload();
  EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
  expectUploadFailedKeepingEverything({kPageError, kSaveFailed});
}

TEST_F(FaultTest, DownloadFromARefusedConnectionReachesTheScript) {
  downloadedDocument();
  state().activeForm = kRefused;
  EXPECT_EQ(download(), platform::http_err::kCannotConnect);
  EXPECT_TRUE(state().docOpen);  // nothing arrived: the open document stays
  EXPECT_FALSE(state().wordApp.isEmpty());
  expectDownloadFailedKeepingTheWorkingCopy();
}

TEST_F(FaultTest, DownloadBrokenOffMidwayWritesNothing) {
  downloadedDocument();
  server_.breakOffAnswer("DOWN", crypto::encryptBytes(largeText(), "doc"), 100'000);
  EXPECT_EQ(download(), automation::err::kEFail);
  EXPECT_TRUE(state().docOpen);
  expectDownloadFailedKeepingTheWorkingCopy();
}

TEST_F(FaultTest, DownloadStalledEndsAsTimeout) {
  downloadedDocument();
  server_.hang("DOWN");
  EXPECT_EQ(download(), platform::http_err::kTimedOut);
  EXPECT_TRUE(state().docOpen);
  expectDownloadFailedKeepingTheWorkingCopy();
}

TEST_F(TrickleTest, DownloadTricklingEndsAsTimeout) {
  downloadedDocument();
  server_.trickle("DOWN", crypto::encryptBytes("{\\rtf1 b\\par}", "doc"), 20s);
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(download(), platform::http_err::kTimedOut);
  EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
  EXPECT_TRUE(state().docOpen);
  expectDownloadFailedKeepingTheWorkingCopy();
}

TEST_F(FaultTest, DownloadAnswered500Or404WithAPage) {
  downloadedDocument();
  server_.answer("DOWN", "<html><body>Internal Server Error</body></html>", 500);
  EXPECT_EQ(download(), 0);
  server_.answer("DOWN", "<html><body>Not Found</body></html>", 404);
  EXPECT_EQ(download(), 0);
  EXPECT_EQ(messages(), (std::vector<std::string>{kFetchFailed, kFetchFailed}));
  EXPECT_EQ(control().cmdMsg.caption, "正在下载文件失败..");
  EXPECT_TRUE(state().docOpen);
  expectDownloadFailedKeepingTheWorkingCopy();
}

// The container arrived whole as far as HTTP can tell, but it is not the document; the word processor
// was quit for it (the previous document's copy stays on disk).
TEST_F(FaultTest, DownloadOfATruncatedContainer) {
  downloadedDocument();
  const std::string whole = crypto::encryptBytes("{\\rtf1 second version\\par}", "doc");
  server_.answer("DOWN", whole.substr(0, 12));
  EXPECT_EQ(download(), 0);
  server_.answer("DOWN", whole.substr(0, crypto::kHeaderSize));
  EXPECT_EQ(download(), automation::err::kSubscriptOutOfRange);
  EXPECT_EQ(messages(), std::vector<std::string>{kFetchFailed});
  EXPECT_FALSE(state().docOpen);
  EXPECT_TRUE(state().wordApp.isEmpty());
  expectDownloadFailedKeepingTheWorkingCopy();
}

// The container carries no length of its own: cut inside its body it decrypts to the start of the
// document, which the word processor opens as far as it goes. The previous working copy stays.
TEST_F(FaultTest, DownloadOfAContainerCutInsideItsBodyOpensWhatArrived) {
  downloadedDocument();
  const std::string whole = crypto::encryptBytes("{\\rtf1 second version, cut short\\par}", "doc");
  server_.answer("DOWN", whole.substr(0, whole.size() - 16));
  EXPECT_EQ(download(), 0);
  EXPECT_TRUE(messages().empty());
  EXPECT_EQ(state().localFile, "c:\\temp\\b.doc");
  EXPECT_EQ(documentText().find("cut short"), std::string::npos);
  EXPECT_EQ(tempFiles(), (std::set<std::string>{platform::fileNameOf(local_), "b.doc"}));
}

TEST_F(FaultTest, DownloadOfAContainerWithAnotherPassword) {
  downloadedDocument();
  server_.answer("DOWN", crypto::encryptBytes("{\\rtf1 b\\par}", "doc", "not the transfer password"));
  EXPECT_EQ(download(), 0);
  EXPECT_EQ(messages(), (std::vector<std::string>{"注意|48|输入密码有误，请重新输入！", kFetchFailed}));
  EXPECT_TRUE(state().wordApp.isEmpty());
  expectDownloadFailedKeepingTheWorkingCopy();
}

TEST_F(TrickleTest, PlainUrlDownloadBrokenOffOrTricklingSaysItFailed) {
  downloadedDocument();
  server_.breakOffAnswer("/b.jia", crypto::encryptBytes(largeText(), "doc"), 100'000);
  EXPECT_EQ(download("0", server_.base() + "/b.jia"), 0);
  server_.trickle("/b.jia", crypto::encryptBytes("{\\rtf1 b\\par}", "doc"), 20s);
  EXPECT_EQ(download("0", server_.base() + "/b.jia"), 0);
  EXPECT_EQ(messages(), (std::vector<std::string>{"信息|64|下载文件失败,可能文件不存在.", kFetchFailed,
                                                  "信息|64|The operation timed out: the exchange went on "
                                                  "past its deadline",
                                                  "信息|64|下载文件失败,可能文件不存在.", kFetchFailed}));
  EXPECT_TRUE(state().docOpen);  // plain-URL mode quits nothing before the container is usable
  expectDownloadFailedKeepingTheWorkingCopy();
}

TEST_F(FaultTest, PlainUrlDownloadOfAContainerWithoutBodyLeavesNoFile) {
  downloadedDocument();
  const std::string whole = crypto::encryptBytes("{\\rtf1 b\\par}", "doc");
  server_.answer("/b.jia", whole.substr(0, crypto::kHeaderSize));
  EXPECT_EQ(download("0", server_.base() + "/b.jia"), 0);
  ASSERT_EQ(messages().size(), 3u);
  EXPECT_NE(messages()[0].find("holds no data after its header"), std::string::npos);
  EXPECT_EQ(messages()[2], kFetchFailed);
  expectDownloadFailedKeepingTheWorkingCopy();
}

TEST_F(FaultTest, NetworkPictureThatIsAnHtmlPage) {
  editedDocument();
  server_.answer("/p.gif", "<html><body>a login page</body></html>");
  EXPECT_FALSE(GetNetPicture(control(), server_.base() + "/p.gif"));
  EXPECT_TRUE(messages().empty());
  EXPECT_EQ(state().wordApp.get("ActiveDocument").get("InlineShapes").get("Count").toInt32(), 0);
  EXPECT_TRUE(state().docOpen);
  EXPECT_EQ(tempFiles(), std::set<std::string>{platform::fileNameOf(local_)});  // the page is not kept
}

}  // namespace
}  // namespace verolin::transfer
