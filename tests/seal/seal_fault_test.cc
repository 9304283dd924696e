// Bad server answers on the seals' road: lists whose groups disagree, a seal picture that is none.
// Each ends in a message or a shorter list, never in an error, with the document and its lists intact.
#include "seal/seal.h"
#include "seal_fixture.h"

namespace verolin::seal::testing {
namespace {

class SealFaultTest : public SealTest {
 protected:
  void SetUp() override {
    newDocument();
    writeFile("c:\\pictures\\seal.png", dotPicture());
    host().onForm = [this](platform::Form& f) {
      if (f.name() != "FrmShowElectronSealInfo") return;
      lines_ = f.control("lisMsg").items();
      f.click("cmdok");
    };
  }
  // The document state every fault below must leave.
  void expectDocumentIntact(const std::string& local) {
    EXPECT_FALSE(state().isBusy);
    EXPECT_TRUE(state().docOpen);
    EXPECT_FALSE(word().isEmpty());
    EXPECT_EQ(state().localFile, local);
    EXPECT_TRUE(std::filesystem::exists(native(local)));
  }

  std::vector<std::string> lines_;
};

TEST_F(SealFaultTest, ListAnswersWithUnequalGroupsListWhatTheyCan) {
  ASSERT_EQ(InsertSealPicture(control(), "c:\\pictures\\seal.png"), "1");
  ASSERT_EQ(InsertSealPicture(control(), "c:\\pictures\\seal.png"), "2");
  server_.answer("UPLOAD", "");
  ctl_.call("UploadFileToServer", "", "1", "", "a.jia");
  ASSERT_EQ(server_.requests().size(), 1u);
  server_.answer("DOWN", server_.requests()[0].body);
  // Three seal names, two identifiers, one time; signatures with names only.
  server_.answer("GetSignInfoData", text::toWire("ǐ§张三§李四§王五§ǐ1§2§ǐt1§"));
  server_.answer("GetHandWritdData", text::toWire("ǐ§赵六§"));
  messages().clear();

  ctl_.call("DownFileFromServer", "1", "", "a.jia");
  expectDocumentIntact("c:\\temp\\a.doc");
  EXPECT_EQ(state().sealNameList + state().sealIdList + state().sealTimeList, "张三§李四§王五§1§2§t1§");
  EXPECT_EQ(state().signNameList + state().signIdList, "赵六§");

  ctl_.call("CheckElectronSeal");
  EXPECT_EQ(lines_,
            (std::vector<std::string>{"1. 盖章人姓名:张三  盖章日期:t1", "2. 盖章人姓名:李四  盖章日期:"}));
  EXPECT_EQ(ctl_.call("ShowElectronSealInfo", true).toInt32(), 2);
  EXPECT_EQ(ctl_.call("CheckSign").toInt32(), 0);
  EXPECT_EQ(ctl_.call("ShowSignInfo", true).toInt32(), 0);
  EXPECT_EQ(messages(),
            (std::vector<std::string>{" 信息|64|把鼠标放在相应的图片上可以看到相应的盖章人！",
                                      "信息|64|没有有效的手写签名！", "信息|64|没有有效的签名！"}));
  expectDocumentIntact("c:\\temp\\a.doc");
}

TEST_F(SealFaultTest, SealPictureThatIsNoPictureChangesNothing) {
  answerTwoOwners();
  server_.answer("GetSealPicture", sealContainer("zs123", "<html><body>not a picture</body></html>"));
  const std::string local = state().localFile;
  electronSeal([&](platform::Form& f) {
    choose(f, 0, "zs123");
    f.click("cmdok");
    f.click("cmdthis");
    f.close();
  });
  EXPECT_EQ(messages(),
            (std::vector<std::string>{"信息|64|下载解密盖章出错", "信息|64|请'确定'按钮读出盖章数据."}));
  EXPECT_EQ(shapeCount(), 0);
  EXPECT_EQ(state().sealIdList + state().newSealIdList, "");
  EXPECT_EQ(tempFiles(), std::set<std::string>{platform::fileNameOf(local)});
  expectDocumentIntact(local);
}

}  // namespace
}  // namespace verolin::seal::testing
