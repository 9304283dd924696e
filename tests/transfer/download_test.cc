// Document download up to the opening of the document: requests, files, lists and messages.
#include <gtest/gtest.h>

#include "crypto/crypto.h"
#include "text/codepage.h"
#include "transfer/transfer.h"
#include "transfer/transfer_fixture.h"

namespace verolin::transfer {
namespace {

using automation::Variant;
using testing::TransferTest;

const std::string kDocument = "plain document bytes \x01\x02\xFF";

class DownloadTest : public TransferTest {
 protected:
  void serveDocument(const std::string& extension = "doc") {
    server_.answer("DOWN", crypto::encryptBytes(kDocument, extension));
  }
};

TEST_F(DownloadTest, RequestModeAsksForDocumentThenSignatureThenSealLists) {
  serveDocument();
  server_.answer("GetHandWritdData", text::toWire("#|李四|#7|#2008年1月1日1时1分1秒|"));
  server_.answer("GetSignInfoData", text::toWire("#|张三|#3|#2008年3月5日9时7分0秒|"));
  state().newSealIdList = "9§";
  state().sealIdList = "8§";

  const std::string path = DownloadDocument(control(), "1", "", "/files/a.jia");

  EXPECT_EQ(path, "c:\\temp\\a.doc");
  EXPECT_EQ(state().localFile, path);
  const std::string A = "/page.asp";
  EXPECT_EQ(server_.targets(),
            (std::vector<std::string>{A + "?filetype=1&RequestType=DOWN&filename=a.jia",
                                      A + "?filetype=1&filename=a.jia&RequestType=GetHandWritdData",
                                      A + "?filetype=1&filename=a.jia&RequestType=GetSignInfoData"}));
  EXPECT_EQ(readFile(path), kDocument);
  EXPECT_EQ(tempFiles(), std::set<std::string>{"a.doc"});  // the container is gone
  EXPECT_EQ(state().signNameList, "李四|");
  EXPECT_EQ(state().signIdList, "7|");
  EXPECT_EQ(state().sealIdList, "3|");
  EXPECT_EQ(state().sealTimeList, "2008年3月5日9时7分0秒|");
  EXPECT_EQ(state().newSealIdList, "");
  EXPECT_EQ(state().linkStr + state().splitStr, "#|");
  EXPECT_FALSE(state().isBusy);
  EXPECT_TRUE(messages().empty());
}

TEST_F(DownloadTest, ShortListAnswersLeaveTheEmptiedListsEmpty) {
  serveDocument();
  server_.answer("GetHandWritdData", text::toWire("ǐ§张三"));  // four characters
  server_.answer("GetSignInfoData", "", 404);
  state().sealNameList = "old§";
  EXPECT_EQ(DownloadDocument(control(), "", "", "a.jia"), "c:\\temp\\a.doc");
  EXPECT_EQ(state().sealNameList, "");
  EXPECT_EQ(state().linkStr, "ǐ");
  EXPECT_EQ(server_.targets()[0],
            "/page.asp?filetype=1&RequestType=DOWN&filename=a.jia");  // no "/": used whole
}

TEST_F(DownloadTest, ServerNameHoldingItsOwnExtensionKeepsTheDocument) {
  serveDocument("doc");
  EXPECT_EQ(DownloadDocument(control(), "1", "", "files/a.doc"), "c:\\temp\\a.doc");
  EXPECT_EQ(readFile("c:\\temp\\a.doc"), kDocument);
  EXPECT_EQ(tempFiles(), std::set<std::string>{"a.doc"});
}

TEST_F(DownloadTest, OpensTheFileTheDecryptionWrote) {
  serveDocument("docx");
  EXPECT_EQ(DownloadDocument(control(), "1", "", "a.jia"), "c:\\temp\\a.docx");
}

TEST_F(DownloadTest, NotFoundWritesNoFileAndFails) {
  server_.answer("DOWN", "<html>missing</html>", 404);
  state().sealNameList = "kept§";
  Variant none;
  DownFileFromServer(control(), "1", "", "a.jia", none, none, none);
  EXPECT_EQ(messages(), std::vector<std::string>{"信息|64|从服务器中获取文件失败!"});
  EXPECT_EQ(control().cmdMsg.caption, "正在下载文件失败..");
  EXPECT_TRUE(control().cmdMsg.visible);
  EXPECT_TRUE(tempFiles().empty());
  EXPECT_EQ(state().sealNameList, "kept§");
  EXPECT_EQ(server_.targets().size(), 1u);
}

TEST_F(DownloadTest, NameLeadingOutOfTheFolderIsRefused) {
  EXPECT_EQ(DownloadDocument(control(), "1", "", "files/..\\..\\x.jia"), "");
  EXPECT_TRUE(server_.requests().empty());
  EXPECT_FALSE(state().isBusy);
}

TEST_F(DownloadTest, PlainUrlModeFetchesTheUrlUnderATimeStamp) {
  server_.answer("/docs/a.jia", crypto::encryptBytes(kDocument, "doc"));
  server_.answer("GetHandWritdData", "");
  server_.answer("GetSignInfoData", "");
  const std::string path = DownloadDocument(control(), "0", "", server_.base() + "/docs/a.jia");
  EXPECT_EQ(path, "c:\\temp\\200635927.doc");
  EXPECT_EQ(readFile(path), kDocument);
  EXPECT_EQ(tempFiles(), std::set<std::string>{"200635927.doc"});
  EXPECT_EQ(server_.targets()[1], "/page.asp?filetype=0&filename=a.jia&RequestType=GetHandWritdData");
}

TEST_F(DownloadTest, PlainUrlModeWithNonContainerAnswerSaysFileMissing) {
  server_.answer("/docs/a.jia", "<html>an error page</html>");
  Variant none;
  DownFileFromServer(control(), "0", "", server_.base() + "/docs/a.jia", none, none, none);
  EXPECT_EQ(messages(),
            (std::vector<std::string>{"信息|64|要打开的文件不存在.", "信息|64|从服务器中获取文件失败!"}));
  EXPECT_TRUE(tempFiles().empty());
}

TEST_F(DownloadTest, PlainUrlModeShowsRequestErrors) {
  EXPECT_EQ(DownloadDocument(control(), "0", "", "http://127.0.0.1:1/a.jia"), "");
  ASSERT_EQ(messages().size(), 2u);
  EXPECT_NE(messages()[0].find("信息|64|A connection with the server could not be established"),
            std::string::npos);
  EXPECT_EQ(messages()[1], "信息|64|下载文件失败,可能文件不存在.");
}

TEST_F(DownloadTest, RequestErrorsInRequestModeReachTheCaller) {
  state().activeForm = "http://127.0.0.1:1/page.asp";
  EXPECT_THROW(DownloadDocument(control(), "1", "", "a.jia"), automation::AutomationError);
  EXPECT_FALSE(state().isBusy);
}

TEST_F(DownloadTest, ValidationRefusesBeforeAnyRequest) {
  EXPECT_EQ(DownloadDocument(control(), "2", "", "a.jia"), "");
  EXPECT_EQ(state().getSetType, "1");
  state().getSetType = "abc";
  EXPECT_EQ(DownloadDocument(control(), "", "", "a.jia"), "");
  state().getSetType = "0";
  state().activeForm.clear();
  EXPECT_EQ(DownloadDocument(control(), "1", "", "a.jia"), "");
  EXPECT_EQ(state().getSetType, "1");  // taken over before the form was found missing
  state().activeForm = server_.form();
  EXPECT_EQ(DownloadDocument(control(), "", "", ""), "");
  EXPECT_EQ(messages(),
            (std::vector<std::string>{"信息|64|错误的传输方式.", "信息|64|错误的传输方式.",
                                      "信息|64|找不到发送数据的接口.", "信息|64|缺少要下载的文件名."}));
  EXPECT_TRUE(server_.requests().empty());
}

TEST_F(DownloadTest, SecondCallWhileOneRunsIsRefused) {
  serveDocument();
  std::string second = "not run";
  host().post([&] { second = DownloadDocument(control(), "1", "", "b.jia"); });
  EXPECT_EQ(DownloadDocument(control(), "1", "", "a.jia"), "c:\\temp\\a.doc");
  EXPECT_EQ(second, "");
  EXPECT_EQ(messages(), std::vector<std::string>{"信息|64|至少还有一个任务没有完成,请稍后.."});
  EXPECT_EQ(server_.targets()[0], "/page.asp?filetype=1&RequestType=DOWN&filename=a.jia");
}

}  // namespace
}  // namespace verolin::transfer
