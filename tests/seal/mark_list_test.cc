// CheckElectronSeal, CheckSign and the mark list window: which recorded marks are still in the document.
#include "seal/seal.h"
#include "seal_fixture.h"

namespace verolin::seal::testing {
namespace {

class MarkListTest : public SealTest {
 protected:
  void SetUp() override {
    newDocument();
    writeFile("c:\\pictures\\seal.png", dotPicture());
    host().onForm = [this](platform::Form& f) {
      ++shown_;
      caption_ = f.caption();
      label_ = f.control("lblmsg").get("Caption").toString();
      lines_ = f.control("lisMsg").items();
      f.click("cmdok");
      EXPECT_FALSE(f.isOpen());
    };
  }

  // A picture placed as a seal is; its identifier.
  std::string place() { return InsertSealPicture(control(), "c:\\pictures\\seal.png"); }
  void userActs(const char* action, const char* name, const char* newName = nullptr) {
    if (newName) {
      word().get("UserActions").call(action, name, newName);
    } else {
      word().get("UserActions").call(action, name);
    }
  }
  void recordSeals(const std::string& ids, const std::string& names, const std::string& times) {
    state().sealIdList = ids;
    state().sealNameList = names;
    state().sealTimeList = times;
  }

  int shown_ = 0;
  std::string caption_, label_;
  std::vector<std::string> lines_;
};

TEST_F(MarkListTest, DeletedSealIsNotListedWhileItsItemsStayAndAreStillUploaded) {
  ASSERT_EQ(place(), "1");
  ASSERT_EQ(place(), "2");
  recordSeals("1§2§", "张三§李四§", "t1§t2§");
  state().newSealIdList = "1§2§";
  state().newSealNameList = "张三§李四§";
  state().newSealTimeList = "t1§t2§";
  userActs("DeleteShape", "Picture 1");

  ctl_.call("CheckElectronSeal");
  EXPECT_EQ(lines_, std::vector<std::string>{"1. 盖章人姓名:李四  盖章日期:t2"});
  EXPECT_EQ(label_, "本文档有效盖章列表:(共1个)");
  EXPECT_EQ(state().sealIdList, "1§2§");

  server_.answer("UPLOAD", "");
  ctl_.put("ServerFilePath", "a.jia");
  ctl_.call("UploadFileToServer", "");
  ASSERT_EQ(server_.requests().size(), 1u);
  EXPECT_NE(server_.requests()[0].target.find("&Di=1%A1%EC2%A1%EC&"), std::string::npos);
}

TEST_F(MarkListTest, RenamedPictureIsInvalidAndAnyPictureNamedAfterARecordedIdentifierCounts) {
  ASSERT_EQ(place(), "1");
  ASSERT_EQ(place(), "2");
  userActs("RenameShape", "Picture 1", "Picture 1 ");
  userActs("RenameShape", "Picture 2", "Picture 5");  // as Word names a picture inserted by other means
  recordSeals("1§5§", "张三§李四§", "t1§t5§");
  ctl_.call("CheckElectronSeal");
  EXPECT_EQ(lines_, std::vector<std::string>{"1. 盖章人姓名:李四  盖章日期:t5"});
}

TEST_F(MarkListTest, IdentifierRecordedTwiceForOneShapeGivesTwoLines) {
  ASSERT_EQ(place(), "1");
  userActs("RenameShape", "Picture 1", "Picture 3");
  recordSeals("3§3§", "张三§李四§", "t1§t2§");
  ctl_.call("CheckElectronSeal");
  EXPECT_EQ(lines_,
            (std::vector<std::string>{"1. 盖章人姓名:张三  盖章日期:t1", "2. 盖章人姓名:李四  盖章日期:t2"}));
  EXPECT_EQ(label_, "本文档有效盖章列表:(共2个)");
}

TEST_F(MarkListTest, LinesFollowTheDocumentsShapeOrder) {
  ASSERT_EQ(place(), "1");
  ASSERT_EQ(place(), "2");
  recordSeals("2§1§", "李四§张三§", "t2§t1§");
  ctl_.call("CheckElectronSeal");
  EXPECT_EQ(lines_,
            (std::vector<std::string>{"1. 盖章人姓名:张三  盖章日期:t1", "2. 盖章人姓名:李四  盖章日期:t2"}));
}

TEST_F(MarkListTest, EmptySealListsSaySoAndShowNoWindow) {
  place();
  recordSeals("1§", "", "t§");
  ctl_.call("CheckElectronSeal");
  EXPECT_EQ(shown_, 0);
  EXPECT_EQ(messages(), std::vector<std::string>{"信息|64|没有有效的盖章！"});
}

TEST_F(MarkListTest, NoMatchStillOpensTheWindowWithCountZero) {
  recordSeals("7§", "张三§", "t§");
  ctl_.call("CheckElectronSeal");
  EXPECT_EQ(shown_, 1);
  EXPECT_EQ(caption_, "盖章信息");
  EXPECT_TRUE(lines_.empty());
  EXPECT_EQ(label_, "本文档有效盖章列表:(共0个)");
}

TEST_F(MarkListTest, ShorterNameAndTimeListsReadAsEmptyText) {
  ASSERT_EQ(place(), "1");
  ASSERT_EQ(place(), "2");
  recordSeals("1§2§", "张三", "t1");  // from a malformed server answer
  ctl_.call("CheckElectronSeal");
  EXPECT_EQ(lines_,
            (std::vector<std::string>{"1. 盖章人姓名:张三  盖章日期:t1", "2. 盖章人姓名:  盖章日期:"}));
}

TEST_F(MarkListTest, SeparatorsFromAListAnswerAreUsedForAppendingAndSplitting) {
  server_.answer("GetSealList",
                 text::toWire("#|张三|#" + crypto::encodeSealPassword("zs123") + "|#zhang.jia|"));
  server_.answer("GetSealPicture", sealContainer("zs123"));
  electronSeal([](platform::Form& f) {
    choose(f, 0, "zs123");
    f.click("cmdok");
    f.click("cmdthis");
  });
  EXPECT_EQ(state().linkStr + state().splitStr, "#|");
  EXPECT_EQ(state().sealIdList, "1|");
  EXPECT_EQ(state().newSealNameList, "张三|");

  host().onForm = [this](platform::Form& f) { lines_ = f.control("lisMsg").items(); };
  ctl_.call("CheckElectronSeal");
  EXPECT_EQ(lines_, std::vector<std::string>{"1. 盖章人姓名:张三  盖章日期:2008年3月5日9时7分0秒"});
}

TEST_F(MarkListTest, CheckSignCountsSignaturesButNeverTheLastElement) {
  ASSERT_EQ(place(), "1");
  ASSERT_EQ(place(), "2");
  state().signIdList = "1§2";  // the last element, not terminated, is not examined
  state().signNameList = "王五§赵六";
  state().signTimeList = "t1§t2";
  EXPECT_EQ(ctl_.call("CheckSign").toInt32(), 1);
  EXPECT_EQ(caption_, "签名信息");
  EXPECT_EQ(lines_, std::vector<std::string>{"1. 签名人姓名:王五  签名日期:t1"});
  EXPECT_EQ(label_, "本文档有效签名列表:(共1个)");

  // The window is back to its design for the next use.
  recordSeals("2§", "张三§", "t§");
  ctl_.call("CheckElectronSeal");
  EXPECT_EQ(caption_, "盖章信息");
  EXPECT_EQ(lines_, std::vector<std::string>{"1. 盖章人姓名:张三  盖章日期:t"});
}

TEST_F(MarkListTest, EmptySignatureListsSaySoAndCountZero) {
  EXPECT_EQ(ctl_.call("CheckSign").toInt32(), 0);
  EXPECT_EQ(messages(), std::vector<std::string>{"信息|64|没有有效的手写签名！"});
  EXPECT_EQ(shown_, 0);
}

TEST_F(MarkListTest, ChecksWithoutADocumentOnlySaySo) {
  recordSeals("1§", "张三§", "t§");
  ctl_.call("WordClose", false, true);
  messages().clear();
  ctl_.call("CheckElectronSeal");
  EXPECT_EQ(ctl_.call("CheckSign").toInt32(), 0);
  EXPECT_EQ(messages(), std::vector<std::string>(2, "出错|64|请先建立一篇文档或下载一篇文档."));
  EXPECT_EQ(shown_, 0);
}

// What the seal window relies on in the form model: a selection only among the items.
TEST(ListBoxTest, ListIndexStaysAmongTheItemsAndTextSelects) {
  platform::Form form("FrmMySign", "电子盖章");
  auto& combo = form.add("comUserList", "combo");
  int clicks = 0;
  combo.onClick = [&] { ++clicks; };
  EXPECT_EQ(combo.get("ListIndex").toInt32(), -1);
  combo.addItem("张三");
  combo.addItem("李四");
  combo.set("ListIndex", 1);
  EXPECT_EQ(combo.get("Text").toString(), "李四");
  EXPECT_EQ(combo.get("ListCount").toInt32(), 2);
  EXPECT_EQ(clicks, 1);
  try {
    combo.set("ListIndex", 2);
    ADD_FAILURE() << "no error for an index past the items";
  } catch (const automation::AutomationError& e) {
    EXPECT_EQ(e.number(), 380);
  }
  combo.set("Text", "张三");
  EXPECT_EQ(combo.get("ListIndex").toInt32(), 0);
  combo.set("Text", "王五");
  EXPECT_EQ(combo.get("ListIndex").toInt32(), -1);
  combo.clearItems();
  EXPECT_EQ(combo.get("Text").toString(), "");
  EXPECT_EQ(combo.get("ListCount").toInt32(), 0);
}

}  // namespace
}  // namespace verolin::seal::testing
