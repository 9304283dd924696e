// Save-as, inserted text, pictures and tables, and the word processor's version and bookmark dialogs.
#include "commands_fixture.h"

namespace verolin::testing {
namespace {

class SaveInsertTest : public CommandsTest {
 protected:
  bool exists(const std::string& path) { return standIn().files.fileExists(path); }
};

TEST_F(SaveInsertTest, WebPageSaveWithoutNameGoesToTempHtmAndTellsTheCaller) {
  Variant c = openDocument();
  const std::string local = c.get("LocalFile").toString();
  Variant name("");
  c.call("FileSaveAs", 1, Variant::ref(name));
  EXPECT_EQ(name.toString(), "c:\\temp\\temp.htm");
  EXPECT_TRUE(exists("c:\\temp\\temp.htm"));
  EXPECT_EQ(doc().get("FullName").toString(), "c:\\temp\\temp.htm");
  EXPECT_EQ(c.get("LocalFile").toString(), local);
  // Any type but 0 is a web page, overwritten each time.
  Variant again("");
  c.call("FileSaveAs", 7, Variant::ref(again));
  EXPECT_EQ(again.toString(), "c:\\temp\\temp.htm");
  EXPECT_TRUE(messages().empty());
}

TEST_F(SaveInsertTest, WordSaveWithEmptyNameLeavesItEmptyAndLocalFileNamesTheNewFile) {
  Variant c = openDocument();
  const std::string first = c.get("LocalFile").toString();
  Variant name("");
  c.call("FileSaveAs", 0, Variant::ref(name));
  EXPECT_EQ(name.toString(), "");
  const std::string second = c.get("LocalFile").toString();
  EXPECT_NE(second, first);
  EXPECT_EQ(second.rfind("c:\\temp\\", 0), 0u);
  EXPECT_TRUE(exists(second));
  EXPECT_EQ(doc().get("FullName").toString(), second);

  c.call("FileSaveAs", 0, "c:\\temp\\named.doc");
  EXPECT_EQ(c.get("LocalFile").toString(), "c:\\temp\\named.doc");
  EXPECT_TRUE(exists("c:\\temp\\named.doc"));
}

TEST_F(SaveInsertTest, SaveAsPassesOverWhatFails) {
  Variant c = createControl();
  Variant name("");
  c.call("FileSaveAs", 1, Variant::ref(name));
  EXPECT_EQ(name.toString(), "");
  c.call("AddNewDocument");
  // A folder that cannot be made: the save fails, and the page hears nothing of it.
  c.call("FileSaveAs", 1, "q:\\no\\such\\page.htm");
  EXPECT_TRUE(messages().empty());
}

TEST_F(SaveInsertTest, InsertPictureRefusesTheEmptyNameAndIsSilentWithoutWord) {
  Variant c = createControl();
  c.call("InsertPicture", "");
  EXPECT_EQ(messages(), std::vector<std::string>{"信息|64|找不到指定插入的图片."});
  standIn().files.write("c:\\temp\\dot.png", {0x89, 'P', 'N', 'G'});
  c.call("InsertPicture", "c:\\temp\\dot.png");
  EXPECT_EQ(messages().size(), 1u);
}

TEST_F(SaveInsertTest, UserTextGoesToTheEndOfTheCurrentLine) {
  Variant c = createControl();
  c.call("InsertUserText", "");
  c.call("InsertUserText", "文字");
  EXPECT_TRUE(messages().empty());
  c.call("AddNewDocument");
  selection().call("TypeText", "第一行");
  selection().call("HomeKey");
  c.call("InsertUserText", "。");
  EXPECT_EQ(text(), "第一行。\r");
}

TEST_F(SaveInsertTest, InsertTableIsTrueWhenCancelledAndFalseWithoutWord) {
  Variant c = createControl();
  EXPECT_FALSE(c.call("InsertTable").toBool());
  EXPECT_EQ(messages(), std::vector<std::string>{kNoObject});
  c.call("AddNewDocument");
  EXPECT_TRUE(c.call("InsertTable").toBool());
  EXPECT_EQ(text(), "\r");
  host().onDialog = [](platform::DialogRequest& r) {
    r.fields["NumRows"] = Variant(3);
    r.fields["NumColumns"] = Variant(2);
    return -1;
  };
  EXPECT_TRUE(c.call("InsertTable").toBool());
  EXPECT_EQ(text(), "\a\r\a\r\a\r\r");
  // Word refusing the table (no rows) is a False, without a message.
  host().onDialog = [](platform::DialogRequest& r) {
    r.fields["NumRows"] = Variant(0);
    return -1;
  };
  EXPECT_FALSE(c.call("InsertTable").toBool());
  EXPECT_EQ(messages().size(), 1u);
}

TEST_F(SaveInsertTest, VersionAndBookmarkDialogsAnswerFalseAndCarryOutWhatIsConfirmed) {
  Variant c = createControl();
  EXPECT_FALSE(c.call("FileSaveVersion").toBool());
  EXPECT_EQ(messages(), std::vector<std::string>{kNoObject});
  c.call("AddNewDocument");
  std::vector<int> ids;
  host().onDialog = [&](platform::DialogRequest& r) {
    ids.push_back(r.id);
    if (r.id == 168) r.fields["Name"] = Variant("甲");
    return -1;
  };
  EXPECT_FALSE(c.call("FileSaveVersion").toBool());
  EXPECT_FALSE(c.call("VersionManage").toBool());
  EXPECT_FALSE(c.call("Bookmark").toBool());
  EXPECT_EQ(ids, (std::vector<int>{1007, 945, 168}));
  EXPECT_EQ(doc().get("Bookmarks").get("Count").toInt32(), 1);
  // A bookmark name Word refuses is its error, handed to the page.
  host().onDialog = [](platform::DialogRequest& r) {
    r.fields["Name"] = Variant("no name");
    return -1;
  };
  EXPECT_NE(errorNumber([&] { c.call("Bookmark"); }), 0);
}

}  // namespace
}  // namespace verolin::testing
