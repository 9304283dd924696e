// The smaller collections as callers use them: text hyperlinks, inline pictures, several windows,
// command bar controls, the version and bookmark dialogs, and the text and web-page save formats.
#include <map>

#include "text/codepage.h"
#include "word_fixture.h"

namespace verolin::testing {
namespace {

class ObjectsTest : public WordFixture {
 protected:
  void SetUp() override {
    app_ = startWord();
    doc_ = app_.get("Documents").call("Add");
    sel_ = app_.get("Selection");
    standIn_->files.createDir("c:\\temp");
    writeFile("c:\\temp\\p.png", pngPicture(40, 20));
    writeFile("c:\\temp\\wide.png", pngPicture(1200, 300));
  }

  std::string text() { return doc_.get("Content").get("Text").toString(); }

  Variant app_;
  Variant doc_;
  Variant sel_;
};

TEST_F(ObjectsTest, TextHyperlinksShowTheirTextAndLeaveItWhenDeleted) {
  sel_.call("TypeText", "见网站");
  sel_.call("SetRange", 1, 3);
  Variant link = doc_.get("Hyperlinks")
                     .call("Add", sel_.get("Range"), "http://gov.cn/", "part", "提示", "官网", "_blank");
  EXPECT_EQ(text(), "见官网\r");
  EXPECT_EQ(link.get("TextToDisplay").toString(), "官网");
  EXPECT_EQ(link.get("Name").toString(), "http://gov.cn/#part");
  EXPECT_EQ(link.get("Type").toInt32(), 0);

  writeFile("c:\\temp\\s.png", pngPicture());
  Variant shape = doc_.get("Shapes").call("AddPicture", "c:\\temp\\s.png");
  doc_.get("Hyperlinks").call("Add", shape, "#", "", "图片提示");
  ASSERT_EQ(doc_.get("Hyperlinks").get("Count").toInt32(), 2);
  EXPECT_EQ(doc_.get("Hyperlinks", 1).get("ScreenTip").toString(),
            "图片提示");  // the shape sits at the start
  EXPECT_EQ(doc_.get("Hyperlinks", 2).get("Address").toString(), "http://gov.cn/");

  // The links travel through a saved file.
  doc_.call("SaveAs", "c:\\temp\\links.doc", 0);
  doc_.call("Close");
  Variant again = app_.get("Documents").call("Open", "c:\\temp\\links.doc");
  ASSERT_EQ(again.get("Hyperlinks").get("Count").toInt32(), 2);
  EXPECT_EQ(again.get("Hyperlinks", 2).get("SubAddress").toString(), "part");
  EXPECT_EQ(again.get("Hyperlinks", 2).get("Target").toString(), "_blank");
  again.get("Hyperlinks", 2).call("Delete");
  EXPECT_EQ(again.get("Content").get("Text").toString(), "见官网\r");
  EXPECT_EQ(again.get("Hyperlinks").get("Count").toInt32(), 1);

  // An empty anchor shows the address.
  app_.get("Selection").call("EndKey", 6);
  again.get("Hyperlinks").call("Add", app_.get("Selection").get("Range"), "http://x.cn/");
  EXPECT_EQ(again.get("Content").get("Text").toString(), "见官网http://x.cn/\r");
}

TEST_F(ObjectsTest, InlinePicturesGoWhereTheirCollectionSays) {
  sel_.call("TypeText", "甲乙");
  sel_.call("SetRange", 1, 1);
  sel_.get("InlineShapes").call("AddPicture", "c:\\temp\\p.png");
  EXPECT_EQ(text(), "甲\x01乙\r");
  EXPECT_EQ(sel_.get("Start").toInt32(), 2);                       // after the new picture
  doc_.get("InlineShapes").call("AddPicture", "c:\\temp\\p.png");  // the document's: at its start
  EXPECT_EQ(text(), "\x01甲\x01乙\r");
  EXPECT_EQ(sel_.get("Start").toInt32(), 3);  // the selection kept its place in the text
  doc_.get("InlineShapes").call("AddPicture", "c:\\temp\\wide.png", false, true, doc_.call("Range", 4, 5));
  EXPECT_EQ(text(), "\x01甲\x01乙\x01\r");
  ASSERT_EQ(doc_.get("InlineShapes").get("Count").toInt32(), 3);

  // A picture wider than the text column is scaled to fit it.
  Variant wide = doc_.get("InlineShapes", 3);
  EXPECT_FLOAT_EQ(wide.get("Width").toDouble(), 415.3f);
  EXPECT_FLOAT_EQ(wide.get("Height").toDouble(), 103.85f);  // kept in twips
  wide.put("Width", 100);
  EXPECT_FLOAT_EQ(wide.get("Width").toDouble(), 100);
  EXPECT_EQ(doc_.call("Range", 0, 2).get("InlineShapes").get("Count").toInt32(), 1);
  doc_.get("InlineShapes", 1).call("Delete");
  EXPECT_EQ(errorNumber([&] { doc_.get("InlineShapes", 3); }), 5941);
  EXPECT_EQ(text(), "甲\x01乙\x01\r");
}

TEST_F(ObjectsTest, SeveralDocumentsHaveWindowsInOrder) {
  Variant second = app_.get("Documents").call("Add");
  EXPECT_EQ(app_.get("Windows").get("Count").toInt32(), 2);
  EXPECT_EQ(app_.get("ActiveWindow").get("Index").toInt32(), 2);
  EXPECT_NE(standIn_->windows.findWindow("文档2 - Microsoft Word"), 0);
  app_.get("Windows", 1).call("Activate");
  EXPECT_EQ(app_.get("ActiveDocument").get("Name").toString(), "文档1");
  EXPECT_NE(standIn_->windows.findWindow("文档1 - Microsoft Word"), 0);
  EXPECT_EQ(app_.get("Documents", "文档2").get("Name").toString(), "文档2");
  doc_.call("Close", false);
  EXPECT_EQ(app_.get("ActiveWindow").get("Index").toInt32(), 1);
  EXPECT_EQ(app_.get("ActiveDocument").get("Name").toString(), "文档2");
  second.call("Close", false);
  EXPECT_NE(standIn_->windows.findWindow("Microsoft Word"), 0);
  EXPECT_EQ(errorNumber([&] { app_.get("ActiveWindow"); }), 4248);
}

TEST_F(ObjectsTest, CommandBarControlsAreAddedWhereAskedAndRemovedAgain) {
  Variant standard = app_.get("CommandBars", "Standard");
  Variant controls = standard.get("Controls");
  const int count = controls.get("Count").toInt32();
  Variant last = controls.call("Add", 1, 247, Variant::missing(), 999);
  EXPECT_EQ(last.get("Index").toInt32(), count + 1);
  EXPECT_EQ(last.get("Caption").toString(), "页面设置(&U)...");
  Variant custom = controls.call("Add");
  EXPECT_EQ(custom.get("ID").toInt32(), 1);
  EXPECT_FALSE(custom.get("BuiltIn").toBool());
  custom.call("Delete");
  EXPECT_EQ(errorNumber([&] { custom.get("ID"); }), 5825);
  EXPECT_EQ(controls.get("Count").toInt32(), count + 1);

  Variant print = standard.call("FindControl", 1, 2521);
  print.put("Enabled", false);
  EXPECT_EQ(errorNumber([&] { print.call("Execute"); }), 4198);
  EXPECT_EQ(
      app_.get("CommandBars").call("FindControl", named("Id", 1612)).get("Parent").get("Name").toString(),
      "Print Preview");

  standard.put("Enabled", false);
  EXPECT_FALSE(standard.get("Visible").toBool());
  standard.put("Enabled", true);
  EXPECT_TRUE(standard.get("Visible").toBool());
  Variant mine = app_.get("CommandBars").call("Add", "我的工具栏");
  EXPECT_EQ(app_.get("CommandBars", "我的工具栏").get("Name").toString(), "我的工具栏");
  mine.call("Delete");
  EXPECT_EQ(errorNumber([&] { app_.get("CommandBars", "我的工具栏"); }), 5);
  EXPECT_NE(errorNumber([&] { standard.call("Delete"); }), 0);
}

TEST_F(ObjectsTest, VersionAndBookmarkDialogsCarryOutWhatIsConfirmed) {
  doc_.call("SaveAs", "c:\\temp\\v.doc", 0);
  app_.put("UserName", "审核人");
  std::map<std::string, Variant> seen;
  standIn_->host.onDialog = [&](platform::DialogRequest& r) {
    if (r.id == 1007) r.fields["Comments"] = Variant("第一版");
    if (r.id == 945) seen = r.fields;
    if (r.id == 168) r.fields["Name"] = Variant("has space");
    return -1;
  };
  app_.get("Windows", 1).get("Application").get("Dialogs").get("Item", 1007).call("Show");
  EXPECT_TRUE(doc_.get("Saved").toBool());  // saving a version saves the document
  app_.get("Dialogs", 945).call("Show");
  EXPECT_EQ(seen["Versions"].toString(), "2026/12/7 9:05:03\t审核人\t第一版\n");
  EXPECT_EQ(errorNumber([&] { app_.get("Dialogs", 168).call("Show"); }), 4605);

  doc_.call("Close");
  Variant again = app_.get("Documents").call("Open", "c:\\temp\\v.doc");
  app_.get("Dialogs", 945).call("Show");
  EXPECT_EQ(seen["Versions"].toString(), "2026/12/7 9:05:03\t审核人\t第一版\n");
  standIn_->host.onDialog = [](platform::DialogRequest& r) {
    r.fields["LeftMargin"] = Variant(400.0);
    r.fields["RightMargin"] = Variant(400.0);
    return -1;
  };
  EXPECT_EQ(errorNumber([&] { app_.get("Dialogs", 178).call("Show"); }), 4608);
  EXPECT_FLOAT_EQ(again.get("PageSetup").get("LeftMargin").toDouble(), 90);
}

TEST_F(ObjectsTest, TextSaveFormatsKeepTheTextOnly) {
  sel_.call("TypeText", "第一行\r第二行");
  doc_.put("TrackRevisions", true);
  sel_.call("SetRange", 0, 1);
  sel_.call("Delete");
  doc_.call("SaveAs", "c:\\temp\\t.txt", 2);
  const Bytes ansi = readFile("c:\\temp\\t.txt");
  EXPECT_EQ(std::string(ansi.begin(), ansi.end()), text::convert("一行\r\n第二行\r\n", "UTF-8", "GBK"));
  doc_.call("SaveAs", "c:\\temp\\u.txt", 7);
  const Bytes wide = readFile("c:\\temp\\u.txt");
  ASSERT_GE(wide.size(), 4u);
  EXPECT_EQ(wide[0], 0xFF);
  EXPECT_EQ(wide[1], 0xFE);
  doc_.call("Close", false);
  Variant again = app_.get("Documents").call("Open", "c:\\temp\\u.txt");
  EXPECT_EQ(again.get("Content").get("Text").toString(), "一行\r第二行\r");
}

TEST_F(ObjectsTest, WebPagesShowRevisionMarksAndRedLinesAsTheWindowDoes) {
  sel_.call("TypeText", "原有");
  doc_.put("TrackRevisions", true);
  sel_.call("TypeText", "新加");
  sel_.call("SetRange", 0, 1);
  sel_.call("Delete");
  Variant line = doc_.get("Shapes").call("AddLine", 0, 0, 100, 0);
  line.get("Line").get("ForeColor").put("RGB", 255);
  doc_.call("SaveAs", "c:\\temp\\r.htm", 8);
  Bytes page = readFile("c:\\temp\\r.htm");
  std::string html(page.begin(), page.end());
  EXPECT_NE(html.find("<del"), std::string::npos);
  EXPECT_NE(html.find("<ins"), std::string::npos);
  EXPECT_NE(html.find("stroke=\"#ff0000\""), std::string::npos);

  doc_.put("ShowRevisions", false);
  doc_.call("SaveAs", "c:\\temp\\r2.htm", 8);
  page = readFile("c:\\temp\\r2.htm");
  html.assign(page.begin(), page.end());
  EXPECT_EQ(html.find("<del"), std::string::npos);
  EXPECT_EQ(html.find("原"), std::string::npos);
  EXPECT_NE(html.find("有新加"), std::string::npos);
}

}  // namespace
}  // namespace verolin::testing
