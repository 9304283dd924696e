// The document's road with the stand-in word processor: up to the server in both modes with its new
// marks, back down, and the local files appearing and disappearing on the way.
#include <gtest/gtest.h>

#include "control/word_host.h"
#include "crypto/crypto.h"
#include "text/codepage.h"
#include "transfer/transfer.h"
#include "transfer/transfer_fixture.h"
#include "wordproc/wordproc.h"

namespace verolin::transfer {
namespace {

using automation::Variant;
using testing::TransferTest;

const std::string kText = "公文正文 text of the document";

class DocumentRoadTest : public TransferTest {
 protected:
  DocumentRoadTest() { wordproc::registerWordApplication(apartment().platform()); }

  // A new document typed into the word processor and saved as the working copy.
  void newDocument() {
    Variant name, user, initials, demo;
    control::AddNewDocument(control(), name, user, initials, demo);
    state().wordApp.get("Selection").call("TypeText", kText);
  }
  std::string documentText() {
    return state().wordApp.get("ActiveDocument").get("Content").get("Text").toString();
  }
  // The document inside a posted container.
  static std::string plainOf(const std::string& container) { return crypto::decryptBytes(container).bytes; }
  void placeMarks() {
    state().newSealNameList = "张三§";
    state().newSealTimeList = "2006年3月5日9时7分2秒§";
    state().newSealIdList = "3§";
    state().newSignIdList = "5§";
  }
};

TEST_F(DocumentRoadTest, DocumentGoesUpWithItsMarksAndComesBackDown) {
  newDocument();
  placeMarks();
  const std::string local = state().localFile;
  ASSERT_EQ(local, "c:\\temp\\200635927.doc");
  server_.answer("UPLOAD", "");

  UploadFileToServer(control(), "docs", "0", "", "/files/a.jia", true);

  auto posted = server_.requests();
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(
      posted[0].target,
      "/page.asp?Dn=%D5%C5%C8%FD%A1%EC&Dt=2006%C4%EA3%D4%C25%C8%D59%CA%B17%B7%D62%C3%EB%A1%EC&Di=3%A1%EC"
      "&Sn=&St=&Si=5%A1%EC&linkstr=%A8%AB&splitstr=%A1%EC&savetype=0&RequestType=UPLOAD&path=docs/a.jia");
  EXPECT_TRUE(crypto::isContainer(posted[0].body));
  EXPECT_EQ(messages(), std::vector<std::string>{"信息|64|保存数据到服务器完成!"});
  EXPECT_EQ(control().cmdMsg.caption, "上传文件完成.");
  EXPECT_TRUE(state().wordApp.isEmpty());
  EXPECT_FALSE(state().docOpen);
  EXPECT_EQ(state().localFile, "");
  EXPECT_EQ(state().newSealIdList + state().newSignIdList, "");
  EXPECT_TRUE(tempFiles().empty());

  // Down again in request mode, with the lists the server keeps for it.
  server_.answer("DOWN", posted[0].body);
  server_.answer("GetHandWritdData", text::toWire("ǐ§ǐ5§ǐ"));
  server_.answer("GetSignInfoData", text::toWire("ǐ§张三§ǐ3§ǐ2006年3月5日9时7分2秒§"));
  Variant user("李四"), initials("L"), demo;
  DownFileFromServer(control(), "1", "", "/files/a.jia", user, initials, demo);

  EXPECT_TRUE(state().docOpen);
  EXPECT_EQ(state().localFile, "c:\\temp\\a.doc");
  EXPECT_EQ(tempFiles(), std::set<std::string>{"a.doc"});
  EXPECT_NE(documentText().find(kText), std::string::npos);
  EXPECT_EQ(state().sealNameList, "张三§");
  EXPECT_EQ(state().sealIdList, "3§");
  EXPECT_EQ(state().signIdList, "5§");
  EXPECT_EQ(state().signNameList, "");
  EXPECT_EQ(state().wordApp.get("UserName").toString(), "李四");

  // And up once more in request mode: the path is the server name alone.
  UploadFileToServer(control(), "docs", "1", "", "", true);
  posted = server_.requests();
  EXPECT_EQ(posted.back().target.substr(posted.back().target.find("&savetype")),
            "&savetype=1&RequestType=UPLOAD&path=a.jia");
  EXPECT_NE(plainOf(posted.back().body).find("text of the document"), std::string::npos);
  EXPECT_TRUE(tempFiles().empty());
}

// The container is enciphered as it is sent: the page receives exactly what encryption would have stored,
// and no container file appears (one of its name left by an earlier run goes, as it always did).
TEST_F(DocumentRoadTest, UploadSendsTheStoredContainersBytesWithoutWritingIt) {
  newDocument();
  writeFile("c:\\temp\\200635927.jia", "left by an earlier run");
  server_.answer("UPLOAD", "");
  ASSERT_EQ(UploadDocument(control(), "docs", "1", "", "a.jia", false), "1");
  EXPECT_EQ(tempFiles(), std::set<std::string>{"200635927.doc"});
  crypto::encryptFile(native(state().localFile), native("c:\\temp\\stored.jia"));
  ASSERT_EQ(server_.requests().size(), 1u);
  EXPECT_TRUE(server_.requests()[0].body == readFile("c:\\temp\\stored.jia"));
}

TEST_F(DocumentRoadTest, UploadKeepsLocalDocumentWhenServerAnswers500) {
  newDocument();
  placeMarks();
  const std::string local = state().localFile;
  server_.answer("UPLOAD", "Internal error", 500);

  UploadFileToServer(control(), "docs", "1", "", "a.jia", true);

  EXPECT_EQ(messages(), std::vector<std::string>{"信息|48|保存数据到服务器失败!"});
  EXPECT_EQ(control().cmdMsg.caption, "上传文件失败.");
  EXPECT_FALSE(state().wordApp.isEmpty());
  EXPECT_TRUE(state().docOpen);
  EXPECT_EQ(state().localFile, local);
  EXPECT_EQ(state().newSealIdList, "3§");
  EXPECT_EQ(tempFiles(), std::set<std::string>{"200635927.doc"});  // the container is gone
  EXPECT_FALSE(state().isBusy);

  // The page goes away: the edits the server never confirmed stay in the working folder.
  releaseControl();
  EXPECT_EQ(tempFiles(), std::set<std::string>{"200635927.doc"});
}

TEST_F(DocumentRoadTest, ReleaseAfterAConfirmedRetryLeavesNothing) {
  newDocument();
  server_.answer("UPLOAD", "Internal error", 500);
  UploadDocument(control(), "docs", "1", "", "a.jia", false);
  server_.answer("UPLOAD", "");
  EXPECT_EQ(UploadDocument(control(), "docs", "1", "", "a.jia", false), "1");
  releaseControl();
  EXPECT_TRUE(tempFiles().empty());
}

TEST_F(DocumentRoadTest, UploadWithoutMessageBoxShowsNoFinalMessage) {
  newDocument();
  server_.answer("UPLOAD", "");
  UploadFileToServer(control(), "docs", "1", "", "a.jia", false);
  EXPECT_TRUE(messages().empty());
  EXPECT_EQ(control().cmdMsg.caption, "正在上传文件请稍后..");
  EXPECT_TRUE(control().cmdMsg.visible);
  EXPECT_EQ(state().localFile, "");
  EXPECT_EQ(server_.requests().size(), 1u);
}

TEST_F(DocumentRoadTest, NeverSavedDocumentIsSavedUnderTheStampFirst) {
  ASSERT_TRUE(control::StartWord(control()));
  state().wordApp.get("Documents").call("Add");
  state().wordApp.get("Selection").call("TypeText", kText);
  ASSERT_FALSE(state().docOpen);
  server_.answer("UPLOAD", "");

  EXPECT_EQ(UploadDocument(control(), "", "1", "", "a.jia", false), "1");

  EXPECT_EQ(state().localFile, "c:\\temp\\200635927.doc");
  EXPECT_TRUE(state().docOpen);
  EXPECT_NE(plainOf(server_.requests().at(0).body).find("text of the document"), std::string::npos);
  EXPECT_EQ(tempFiles(), std::set<std::string>{"200635927.doc"});  // kept: no quitting asked for
}

TEST_F(DocumentRoadTest, SecondUploadWhileOneRunsIsRefused) {
  newDocument();
  server_.answer("UPLOAD", "");
  std::string second = "not run";
  // Runs at the first message pump after the upload has become busy.
  std::function<void()> probe = [&] {
    if (!state().isBusy) return host().post(probe);
    second = UploadDocument(control(), "docs", "1", "", "b.jia", true);
  };
  host().post(probe);

  UploadFileToServer(control(), "docs", "1", "", "a.jia", true);

  EXPECT_EQ(second, "");
  EXPECT_EQ(messages(), (std::vector<std::string>{"信息|64|至少还有一个任务没有完成,请稍后..",
                                                  "信息|64|保存数据到服务器完成!"}));
  ASSERT_EQ(server_.targets().size(), 1u);
  EXPECT_NE(server_.targets()[0].find("path=a.jia"), std::string::npos);
}

TEST_F(DocumentRoadTest, UploadRefusesModesOtherThanNumbersZeroAndOne) {
  newDocument();
  UploadFileToServer(control(), "docs", "2", "", "a.jia", false);
  state().getSetType = "abc";
  UploadFileToServer(control(), "docs", "", "", "a.jia", false);
  EXPECT_EQ(messages(), std::vector<std::string>(2, "信息|64|错误的传输方式."));
  EXPECT_TRUE(server_.requests().empty());
  EXPECT_TRUE(state().docOpen);
}

TEST_F(DocumentRoadTest, NetPictureIsInsertedAtTheSelectionAndDeleted) {
  newDocument();
  static const char kGif[] =
      "GIF89a\x01\x00\x01\x00\x80\x00\x00\xFF\xFF\xFF\x00\x00\x00,\x00\x00\x00\x00\x01\x00"
      "\x01\x00\x00\x02\x02\x44\x01\x00;";
  const std::string gif(kGif, sizeof kGif - 1);
  server_.answer("/p.gif", gif);
  EXPECT_TRUE(GetNetPicture(control(), server_.base() + "/p.gif"));
  EXPECT_EQ(state().wordApp.get("ActiveDocument").get("InlineShapes").get("Count").toInt32(), 1);
  EXPECT_EQ(tempFiles(), std::set<std::string>{"200635927.doc"});
}

}  // namespace
}  // namespace verolin::transfer
