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
  void downFileFromServer(const std::string& mode, const std::string& path) {
    Variant none;
    DownFileFromServer(control(), mode, "", path, none, none, none);
  }
};

TEST_F(DownloadTest, RequestModeAsksForDocumentThenSignatureThenSealLists) {
  serveDocument();
  server_.answer("GetHandWritdData", text::toWire("#|李四|#7|#2008年1月1日1时1分1秒|"));
  server_.answer("GetSignInfoData", text::toWire("#|张三|#3|#2008年3月5日9时7分0秒|"));
  state().newSealIdList = "9§";

  const std::string path = DownloadDocument(control(), "1", "", "/files/a.jia");

  EXPECT_EQ(path, "c:\\temp\\a.doc");
  EXPECT_EQ(state().localFile, path);
  EXPECT_EQ(server_.targets(),
            (std::vector<std::string>{"/page.asp?filetype=1&RequestType=DOWN&filename=a.jia",
                                      "/page.asp?filetype=1&filename=a.jia&RequestType=GetHandWritdData",
                                      "/page.asp?filetype=1&filename=a.jia&RequestType=GetSignInfoData"}));
  EXPECT_EQ(readFile(path), kDocument);
  EXPECT_EQ(tempFiles(), std::set<std::string>{"a.doc"});
  EXPECT_EQ(state().signNameList + state().signIdList, "李四|7|");
  EXPECT_EQ(state().sealIdList + state().sealTimeList, "3|2008年3月5日9时7分0秒|");
  EXPECT_EQ(state().newSealIdList, "");
  EXPECT_EQ(state().linkStr + state().splitStr, "#|");
  EXPECT_FALSE(state().isBusy);
  EXPECT_TRUE(messages().empty());
}

TEST_F(DownloadTest, ShortListAnswersLeaveTheEmptiedListsEmpty) {
  serveDocument();
  server_.answer("GetHandWritdData", text::toWire("ǐ§张三"));
  state().sealNameList = "old§";  // the seal list answer is a 404
  EXPECT_EQ(DownloadDocument(control(), "", "", "a.jia"), "c:\\temp\\a.doc");
  EXPECT_EQ(state().sealNameList + state().linkStr, "ǐ");
  EXPECT_EQ(server_.targets()[0],
            "/page.asp?filetype=1&RequestType=DOWN&filename=a.jia");  // no "/": used whole
}

TEST_F(DownloadTest, OpensTheFileTheDecryptionWroteAndKeepsIt) {
  serveDocument("doc");
  EXPECT_EQ(DownloadDocument(control(), "1", "", "files/a.doc"), "c:\\temp\\a.doc");
  EXPECT_EQ(readFile("c:\\temp\\a.doc"), kDocument);
  serveDocument("docx");
  EXPECT_EQ(DownloadDocument(control(), "1", "", "b.jia"), "c:\\temp\\b.docx");
  EXPECT_EQ(tempFiles(), (std::set<std::string>{"a.doc", "b.docx"}));
}

TEST_F(DownloadTest, NotFoundWritesNoFileAndFails) {
  server_.answer("DOWN", "<html>missing</html>", 404);
  state().sealNameList = "kept§";
  downFileFromServer("1", "a.jia");
  EXPECT_EQ(messages(), std::vector<std::string>{"信息|64|从服务器中获取文件失败!"});
  EXPECT_EQ(control().cmdMsg.caption, "正在下载文件失败..");
  EXPECT_TRUE(control().cmdMsg.visible);
  EXPECT_TRUE(tempFiles().empty());
  EXPECT_EQ(state().sealNameList, "kept§");
}

// The container is decrypted as it arrives; what the user sees and what stays in the working folder
// are those of decrypting a stored container.
TEST_F(DownloadTest, ArrivingContainerEndsAsAStoredOneWould) {
  std::string large(700'000, '\0');
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>(i * 7 + i / 251);
  server_.answer("DOWN", crypto::encryptBytes(large, "doc"));
  writeFile("c:\\temp\\a.jia", "an older container of the same name");
  EXPECT_EQ(DownloadDocument(control(), "1", "", "a.jia"), "c:\\temp\\a.doc");
  EXPECT_TRUE(readFile("c:\\temp\\a.doc") == large);
  EXPECT_EQ(tempFiles(), std::set<std::string>{"a.doc"});

  // A server name that is its own plain name ("a.doc" holding "doc") keeps the document.
  serveDocument("doc");
  EXPECT_EQ(DownloadDocument(control(), "1", "", "a.doc"), "c:\\temp\\a.doc");
  EXPECT_EQ(readFile("c:\\temp\\a.doc"), kDocument);
  EXPECT_EQ(tempFiles(), std::set<std::string>{"a.doc"});
  EXPECT_TRUE(messages().empty());
}

TEST_F(DownloadTest, ArrivingContainerFailuresKeepTheirMessages) {
  server_.answer("DOWN", crypto::encryptBytes(kDocument, "doc", "other"));
  EXPECT_EQ(DownloadDocument(control(), "1", "", "b.jia"), "");
  EXPECT_EQ(messages(), std::vector<std::string>{"注意|48|输入密码有误，请重新输入！"});

  server_.answer("DOWN", "<html>an error page answered with 200</html>");
  EXPECT_EQ(DownloadDocument(control(), "1", "", "b.jia"), "");
  EXPECT_EQ(messages().size(), 1u);  // silently

  server_.answer("DOWN", crypto::encryptBytes(kDocument, "doc").substr(0, 20));
  EXPECT_THROW(DownloadDocument(control(), "1", "", "b.jia"), automation::AutomationError);
  EXPECT_TRUE(tempFiles().empty());
  EXPECT_FALSE(state().isBusy);
}

TEST_F(DownloadTest, NameLeadingOutOfTheFolderIsRefused) {
  EXPECT_EQ(DownloadDocument(control(), "1", "", "files/..\\..\\x.jia"), "");
  EXPECT_TRUE(server_.requests().empty());
  EXPECT_FALSE(state().isBusy);
}

TEST_F(DownloadTest, PlainUrlModeFetchesTheUrlUnderATimeStamp) {
  server_.answer("/docs/a.jia", crypto::encryptBytes(kDocument, "doc"));
  const std::string path = DownloadDocument(control(), "0", "", server_.base() + "/docs/a.jia");
  EXPECT_EQ(path, "c:\\temp\\200635927.doc");
  EXPECT_EQ(readFile(path), kDocument);
  EXPECT_EQ(tempFiles(), std::set<std::string>{"200635927.doc"});
  EXPECT_EQ(server_.targets()[1], "/page.asp?filetype=0&filename=a.jia&RequestType=GetHandWritdData");
}

TEST_F(DownloadTest, PlainUrlModeFailuresSayWhy) {
  server_.answer("/docs/a.jia", "<html>an error page</html>");
  downFileFromServer("0", server_.base() + "/docs/a.jia");
  EXPECT_EQ(messages(),
            (std::vector<std::string>{"信息|64|要打开的文件不存在.", "信息|64|从服务器中获取文件失败!"}));
  EXPECT_EQ(DownloadDocument(control(), "0", "", "http://127.0.0.1:1/a.jia"), "");
  EXPECT_EQ(messages().at(2).rfind("信息|64|A connection with the server could not be established", 0), 0u);
  EXPECT_EQ(messages().at(3), "信息|64|下载文件失败,可能文件不存在.");
  EXPECT_TRUE(tempFiles().empty());
}

TEST_F(DownloadTest, RequestErrorsInRequestModeReachTheCaller) {
  state().activeForm = "http://127.0.0.1:1/page.asp";
  EXPECT_THROW(DownloadDocument(control(), "1", "", "a.jia"), automation::AutomationError);
  EXPECT_FALSE(state().isBusy);
}

TEST_F(DownloadTest, ValidationRefusesBeforeAnyRequest) {
  EXPECT_EQ(DownloadDocument(control(), "2", "", "a.jia"), "");
  state().getSetType = "abc";
  EXPECT_EQ(DownloadDocument(control(), "", "", "a.jia"), "");
  state().activeForm.clear();
  EXPECT_EQ(DownloadDocument(control(), "0", "", "a.jia"), "");
  EXPECT_EQ(state().getSetType, "0");  // taken over before the form was found missing
  EXPECT_EQ(messages(), (std::vector<std::string>{"信息|64|错误的传输方式.", "信息|64|错误的传输方式.",
                                                  "信息|64|找不到发送数据的接口."}));
  EXPECT_TRUE(server_.requests().empty());
}

}  // namespace
}  // namespace verolin::transfer
