// ElectronSeal and the seal window: the owner list, the password check, loading, placing, closing.
#include "seal_fixture.h"

namespace verolin::seal::testing {
namespace {

class SealWindowTest : public SealTest {
 protected:
  // The working folder holding the working copy and nothing else.
  std::set<std::string> onlyTheDocument() { return {platform::fileNameOf(state().localFile)}; }
  void SetUp() override {
    newDocument();
    answerTwoOwners();
  }
};

TEST_F(SealWindowTest, ElectronSealWithoutDocumentOnlySaysSo) {
  ctl_.call("WordClose", false, true);
  messages().clear();
  bool shown = false;
  electronSeal([&](platform::Form&) { shown = true; });
  EXPECT_FALSE(shown);
  EXPECT_EQ(messages(), std::vector<std::string>{"信息|64|请建立一篇文档或下载一篇文档"});
  EXPECT_TRUE(server_.targets().empty());
}

TEST_F(SealWindowTest, ShortOwnerListShowsNoWindowAndKeepsSeparators) {
  server_.answer("GetSealList", "#|ab");
  bool shown = false;
  electronSeal([&](platform::Form&) { shown = true; });
  EXPECT_FALSE(shown);
  EXPECT_EQ(messages(), std::vector<std::string>{"信息|64|没有盖章数据."});
  EXPECT_EQ(state().splitStr, "§");
}

TEST_F(SealWindowTest, RightPasswordLoadsPlacesAndRecordsTheSeal) {
  std::string picture, size, progress;
  electronSeal([&](platform::Form& f) {
    EXPECT_EQ(f.caption(), "电子盖章");
    EXPECT_EQ(f.control("comUserList").items(), (std::vector<std::string>{"张三", "李四"}));
    EXPECT_EQ(f.control("txtPassword").get("PasswordChar").toString(), "*");
    EXPECT_FALSE(f.control("compass").get("Visible").toBool());
    choose(f, 0, "zs123");
    f.click("cmdok");
    picture = f.control("picshow").get("Picture").toString();
    size = f.control("picshow").get("PictureWidth").toString() + "x" +
           f.control("picshow").get("PictureHeight").toString();
    progress = f.control("lblmsg").get("Caption").toString();
    f.click("cmdthis");
    EXPECT_FALSE(f.isOpen());
  });
  EXPECT_TRUE(messages().empty());
  EXPECT_EQ(picture, "c:\\temp\\zhang.png");
  EXPECT_EQ(size, "1x1");
  EXPECT_EQ(progress, "加载完成！");
  EXPECT_EQ(pictureRequests(),
            std::vector<std::string>{
                "/page.asp?RequestType=GetSealPicture&userName=%D5%C5%C8%FD&fileName=zhang.jia"});
  // Placed in front of the text, in print layout, recorded in all six lists; no file left behind.
  Variant mark = word().get("ActiveDocument").get("Shapes", "Picture 1");
  EXPECT_EQ(mark.get("WrapFormat").get("Type").toInt32(), 3);
  EXPECT_EQ(word().get("ActiveWindow").get("View").get("Type").toInt32(), 3);
  EXPECT_EQ(state().newSealNameList, "张三§");
  EXPECT_EQ(state().newSealIdList, "1§");
  EXPECT_EQ(state().newSealTimeList, "2008年3月5日9时7分0秒§");
  EXPECT_EQ(state().sealNameList + state().sealIdList + state().sealTimeList,
            "张三§1§2008年3月5日9时7分0秒§");
  EXPECT_TRUE(tempFiles().count("zhang.png") == 0 && tempFiles().count("zhang.jia") == 0);
}

TEST_F(SealWindowTest, KthOwnerIsCheckedAgainstKthPasswordAndFetchesKthPicture) {
  server_.answer("GetSealPicture", sealContainer("ls456"));
  electronSeal([&](platform::Form& f) {
    choose(f, 1, "zs123");  // 张三's password is not 李四's
    f.click("cmdok");
    EXPECT_TRUE(pictureRequests().empty());
    choose(f, 1, "ls456");
    f.click("cmdok");
    f.click("cmdthis");
  });
  EXPECT_EQ(messages(), std::vector<std::string>{"密码错误|64|密码不正确！"});
  EXPECT_EQ(
      pictureRequests(),
      std::vector<std::string>{"/page.asp?RequestType=GetSealPicture&userName=%C0%EE%CB%C4&fileName=li.jia"});
  EXPECT_EQ(state().newSealNameList, "李四§");
}

TEST_F(SealWindowTest, TypedPasswordIsNeverSent) {
  electronSeal([&](platform::Form& f) {
    choose(f, 0, "zs124");
    f.click("cmdok");
    choose(f, 0, "zs123");
    f.click("cmdok");
    f.click("cmdthis");
  });
  for (const auto& r : server_.requests()) {
    EXPECT_EQ(r.target.find("zs12"), std::string::npos) << r.target;
    EXPECT_EQ(r.body.find("zs12"), std::string::npos);
  }
  EXPECT_EQ(pictureRequests().size(), 1u);
}

TEST_F(SealWindowTest, NoOwnerChosenIsRefused) {
  electronSeal([&](platform::Form& f) {
    f.control("txtPassword").set("Text", "zs123");
    f.click("cmdok");
    EXPECT_TRUE(f.isOpen());
  });
  EXPECT_EQ(messages(), std::vector<std::string>{"错误|64|请选择一个用户！"});
  EXPECT_TRUE(pictureRequests().empty());
}

TEST_F(SealWindowTest, PlacingBeforeAnyLoadAsksForALoadAndWindowStaysUsable) {
  electronSeal([&](platform::Form& f) {
    f.click("cmdthis");
    EXPECT_TRUE(f.isOpen());
    choose(f, 0, "zs123");
    f.click("cmdok");
    f.click("cmdthis");
  });
  EXPECT_EQ(messages(), std::vector<std::string>{"信息|64|请'确定'按钮读出盖章数据."});
  EXPECT_EQ(shapeCount(), 1);
}

TEST_F(SealWindowTest, PlacingAfterThePictureVanishedSaysSoAndPlacesNothing) {
  electronSeal([&](platform::Form& f) {
    choose(f, 0, "zs123");
    f.click("cmdok");
    std::filesystem::remove(native("c:\\temp\\zhang.png"));
    f.click("cmdthis");
    EXPECT_TRUE(f.isOpen());
    f.click("cmdok");  // loads again
    f.click("cmdthis");
  });
  EXPECT_EQ(messages(), std::vector<std::string>{"信息|64|找不到盖章."});
  EXPECT_EQ(state().sealIdList, "1§");
}

TEST_F(SealWindowTest, ClosingTheWindowDeletesThePictureAndTheNextShowingMustLoadAgain) {
  electronSeal([&](platform::Form& f) {
    choose(f, 0, "zs123");
    f.click("cmdok");
    f.close();  // the close box
  });
  EXPECT_EQ(tempFiles().count("zhang.png"), 0u);
  electronSeal([&](platform::Form& f) {
    EXPECT_EQ(f.control("picshow").get("Picture").toString(), "");
    EXPECT_EQ(f.control("comUserList").get("ListIndex").toInt32(), -1);
    f.click("cmdthis");
  });
  EXPECT_EQ(messages(), std::vector<std::string>{"信息|64|请'确定'按钮读出盖章数据."});
  EXPECT_EQ(shapeCount(), 0);
  EXPECT_EQ(state().sealIdList, "");
}

TEST_F(SealWindowTest, LoadingAnotherOwnersSealDeletesThePreviousAndRecordsTheLoadedOwner) {
  electronSeal([&](platform::Form& f) {
    choose(f, 0, "zs123");
    f.click("cmdok");
    EXPECT_TRUE(std::filesystem::exists(native("c:\\temp\\zhang.png")));
    server_.answer("GetSealPicture", sealContainer("ls456"));
    choose(f, 1, "ls456");
    f.click("cmdok");
    EXPECT_FALSE(std::filesystem::exists(native("c:\\temp\\zhang.png")));
    EXPECT_EQ(f.control("picshow").get("Picture").toString(), "c:\\temp\\li.png");
    f.control("comUserList").set("ListIndex", 0);  // the selection moves; the loaded seal is 李四's
    f.click("cmdthis");
  });
  EXPECT_EQ(state().sealNameList, "李四§");
}

TEST_F(SealWindowTest, DoubleClickOnOkWhileItWaitsStartsOneDownload) {
  electronSeal([&](platform::Form& f) {
    choose(f, 0, "zs123");
    host().post([&f] { f.click("cmdok"); });
    f.click("cmdok");
    f.click("cmdthis");
  });
  EXPECT_EQ(pictureRequests().size(), 1u);
  EXPECT_EQ(state().sealIdList, "1§");
}

TEST_F(SealWindowTest, ErrorPageForThePictureIsALoadErrorAndLeavesNoFile) {
  server_.answer("GetSealPicture", "<html>500</html>", 500);
  electronSeal([&](platform::Form& f) {
    choose(f, 0, "zs123");
    f.click("cmdok");
    EXPECT_EQ(f.control("lblmsg").get("Caption").toString(), "正在下载并加载图片，请稍后....");
    f.click("cmdthis");
  });
  EXPECT_EQ(messages(),
            (std::vector<std::string>{"信息|64|下载解密盖章出错", "信息|64|请'确定'按钮读出盖章数据."}));
  EXPECT_EQ(tempFiles(), onlyTheDocument());
}

TEST_F(SealWindowTest, PictureThePreviewCannotLoadIsALoadError) {
  server_.answer("GetSealPicture", sealContainer("zs123", "not a picture at all"));
  electronSeal([&](platform::Form& f) {
    choose(f, 0, "zs123");
    f.click("cmdok");
    EXPECT_EQ(f.control("picshow").get("Picture").toString(), "");
  });
  EXPECT_EQ(messages(), std::vector<std::string>{"信息|64|下载解密盖章出错"});
  EXPECT_EQ(tempFiles(), onlyTheDocument());
}

TEST_F(SealWindowTest, PictureNamesLeavingTheWorkingFolderAreRefusedUnsent) {
  const std::vector<std::string> names = {"..\\x.jia", "a/b.jia", "d:x.jia", "con.jia", "a\tb.jia", ""};
  for (const auto& name : names) {
    answerOwners({"张三"}, {crypto::encodeSealPassword("zs123")}, {name});
    electronSeal([&](platform::Form& f) {
      choose(f, 0, "zs123");
      f.click("cmdok");
    });
  }
  EXPECT_EQ(messages(), std::vector<std::string>(names.size(), "信息|64|下载解密盖章出错"));
  EXPECT_TRUE(pictureRequests().empty());
  EXPECT_EQ(tempFiles(), onlyTheDocument());
}

TEST_F(SealWindowTest, PictureNamedLikeTheDocumentIsRefused) {
  // Downloaded onto the working copy, or decrypted onto it: either would lose the user's document.
  const std::string document = platform::fileNameOf(state().localFile);
  const std::string stem = document.substr(0, document.find('.'));
  answerOwners({"张三", "李四"}, {crypto::encodeSealPassword("zs123"), crypto::encodeSealPassword("ls456")},
               {document, stem + ".jia"});
  server_.answer("GetSealPicture", sealContainer("ls456", dotPicture(), "doc"));
  const std::string before = readFile(state().localFile);
  electronSeal([&](platform::Form& f) {
    choose(f, 0, "zs123");
    f.click("cmdok");
    choose(f, 1, "ls456");
    f.click("cmdok");
  });
  EXPECT_EQ(messages(), std::vector<std::string>(2, "信息|64|下载解密盖章出错"));
  EXPECT_EQ(readFile(state().localFile), before);
}

TEST_F(SealWindowTest, ShortGroupsGiveOwnersThatCannotBeLoaded) {
  answerOwners({"张三", "李四", "王五"}, {crypto::encodeSealPassword("zs123")}, {});
  electronSeal([&](platform::Form& f) {
    EXPECT_EQ(f.control("comUserList").items().size(), 3u);
    EXPECT_EQ(f.control("compass").items(),
              (std::vector<std::string>{crypto::encodeSealPassword("zs123"), "", ""}));
    choose(f, 1, "");  // no password on the list: even an empty one is wrong
    f.click("cmdok");
    choose(f, 0, "zs123");  // no picture on the list
    f.click("cmdok");
  });
  EXPECT_EQ(messages(), (std::vector<std::string>{"密码错误|64|密码不正确！", "信息|64|下载解密盖章出错"}));
  EXPECT_TRUE(pictureRequests().empty());
}

TEST_F(SealWindowTest, SealThatCouldNotBeInsertedIsNotRecordedAndWindowStays) {
  electronSeal([&](platform::Form& f) {
    choose(f, 0, "zs123");
    f.click("cmdok");
    Variant word = state().wordApp;
    state().wordApp = Variant();
    f.click("cmdthis");
    state().wordApp = word;
    EXPECT_TRUE(f.isOpen());
    EXPECT_TRUE(std::filesystem::exists(native("c:\\temp\\zhang.png")));
  });
  EXPECT_EQ(messages(), std::vector<std::string>{"错误|64|没有找到WORD对象"});
  EXPECT_EQ(state().sealIdList + state().newSealIdList + state().sealNameList + state().newSealNameList, "");
}

TEST_F(SealWindowTest, CancelDeletesThePictureAndPlacesNothing) {
  electronSeal([&](platform::Form& f) {
    choose(f, 0, "zs123");
    f.click("cmdok");
    f.click("cmdcanel");
    EXPECT_FALSE(f.isOpen());
  });
  EXPECT_TRUE(tempFiles().count("zhang.png") == 0);
  EXPECT_EQ(shapeCount(), 0);
}

}  // namespace
}  // namespace verolin::seal::testing
