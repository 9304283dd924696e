// The control's chains of calls, member for member with their argument values, as its routines make
// them: seal placement, marks shown and hidden, revision control and protection, command bars and
// printing, save-as and insertions.
#include "word_fixture.h"

namespace verolin::testing {
namespace {

class ChainsTest : public WordFixture {
 protected:
  void SetUp() override {
    word_ = startWord();
    standIn_->files.createDir("c:\\temp");
    word_.get("Documents").call("Add", Variant::missing(), Variant::missing(), 0);
    word_.get("ActiveDocument")
        .call("SaveAs", "c:\\temp\\doc.doc", 0, false, "", true, "", false, false, false, false);
    index_ = word_.get("ActiveWindow").get("Index").toInt32();
    app_ = word_.get("Windows", index_).get("Application");
    writeFile("c:\\temp\\seal.png", pngPicture(100, 100));
  }

  // InsertSealPicture: print layout, the picture, the mark's look; returns the identifier.
  std::string insertSeal() {
    if (word_.get("ActiveWindow").get("View").get("SplitSpecial").toInt32() == 0) {
      word_.get("ActiveWindow").get("ActivePane").get("View").put("Type", 3);
    } else {
      word_.get("ActiveWindow").get("View").put("Type", 3);
    }
    Variant shape = word_.get("ActiveDocument").get("Shapes").call("AddPicture", "c:\\temp\\seal.png");
    shape.get("PictureFormat").put("TransparentBackground", -1);
    shape.get("PictureFormat").put("TransparencyColor", 16777215);
    shape.get("Fill").put("Visible", 0);
    const std::string name = shape.get("Name").toString();
    word_.get("ActiveDocument").get("Shapes", name).call("Select");
    word_.get("Selection").get("ShapeRange").get("WrapFormat").put("AllowOverlap", -1);
    word_.get("Selection").get("ShapeRange").get("WrapFormat").put("Type", 3);
    return name.substr(name.find(' ') + 1);
  }

  // MarkValidSeals for one shape, show or hide mode.
  void mark(int i, bool show) {
    word_.get("ActiveDocument").get("Shapes").call("Item", i).call("Select");
    Variant range = word_.get("Selection").get("ShapeRange");
    range.get("Fill").put("Visible", 0);
    range.get("Fill").put("Transparency", 0.0);
    range.get("Line").put("Weight", 2.0);
    range.get("Line").put("DashStyle", 1);
    range.get("Line").put("Style", 1);
    range.get("Line").put("Transparency", 0.0);
    if (show) {
      range.get("Line").put("Visible", -1);
      range.get("Line").get("ForeColor").put("RGB", 255);
      range.get("Line").get("BackColor").put("RGB", 16777215);
      word_.get("ActiveDocument")
          .get("Hyperlinks")
          .call("Add", range, "#", "", "盖章人的姓名:张三盖章日期:2026年12月7日9时5分3秒", "TestTest",
                "TestTestTest");
    } else {
      range.get("Line").put("Visible", 0);
      range.put("LockAspectRatio", -1);
      range.get("Hyperlink").call("Delete");
    }
  }

  Variant word_;
  Variant app_;
  int index_ = 0;
};

TEST_F(ChainsTest, SealsArePlacedShownAndHidden) {
  EXPECT_EQ(insertSeal(), "1");
  EXPECT_EQ(insertSeal(), "2");
  EXPECT_EQ(word_.get("ActiveWindow").get("View").get("Type").toInt32(), 3);
  mark(1, true);
  mark(2, true);
  EXPECT_EQ(word_.get("ActiveDocument").get("Hyperlinks").get("Count").toInt32(), 2);
  EXPECT_EQ(word_.get("ActiveDocument").get("Shapes", 1).get("Line").get("Visible").toInt32(), -1);
  mark(1, false);
  EXPECT_EQ(word_.get("ActiveDocument").get("Shapes", 1).get("Line").get("Visible").toInt32(), 0);
  EXPECT_EQ(word_.get("ActiveDocument").get("Hyperlinks").get("Count").toInt32(), 1);
  // Hiding a mark that shows no hyperlink fails at the deletion.
  EXPECT_NE(errorNumber([&] { mark(1, false); }), 0);
}

TEST_F(ChainsTest, RevisionControlAndProtection) {
  Variant doc = word_.get("ActiveDocument");
  word_.get("ActiveWindow").put("DisplayScreenTips", true);
  Variant pass("fesu31");
  doc.call("Protect", 0, false, Variant::ref(pass));
  doc.put("TrackRevisions", true);
  doc.put("PrintRevisions", true);
  doc.put("ShowRevisions", true);
  app_.put("UserName", "李四");
  word_.get("Selection").call("TypeText", "修订");
  Variant r = app_.get("ActiveDocument").get("Revisions").call("Item", 1);
  EXPECT_EQ(app_.get("ActiveDocument").get("Revisions").get("Count").toInt16(), 1);
  EXPECT_EQ(r.get("Type").toInt32(), 1);
  EXPECT_EQ(r.get("Author").toString(), "李四");
  EXPECT_EQ(automation::formatLocal(r.get("Date").toDate()), "2026/12/7 9:05:00");
  EXPECT_EQ(r.get("Range").get("Text").toString(), "修订");
  doc.call("Unprotect", "fesu31");
  doc.put("ShowRevisions", false);
  app_.get("Selection").call("WholeStory");
  app_.get("Selection").get("Range").get("Revisions").call("AcceptAll");
  EXPECT_EQ(app_.get("ActiveDocument").get("Revisions").get("Count").toInt32(), 0);
  Variant form("fesu31");
  doc.call("Protect", 2, false, Variant::ref(form));
  EXPECT_EQ(doc.get("ProtectionType").toInt32(), 2);
  EXPECT_EQ(errorNumber([&] { app_.get("ActiveDocument").call("RejectAllRevisions"); }), 4605);
}

TEST_F(ChainsTest, CommandBarsPreviewPageSetupAndPrinting) {
  app_.get("commandbars", "Menu Bar").put("Enabled", true);
  app_.get("commandbars", "Reviewing").put("Visible", true);
  app_.get("commandbars", "Standard").put("Visible", false);
  EXPECT_TRUE(app_.get("CommandBars", "Reviewing").get("Visible").toBool());
  EXPECT_FALSE(app_.get("CommandBars", "Standard").get("Visible").toBool());
  word_.put("PrintPreview", true);
  const std::string title =
      word_.get("ActiveWindow").get("Caption").toString() + " - " + word_.get("Caption").toString();
  EXPECT_NE(standIn_->windows.findWindow(title), 0);

  word_.get("Selection").call("TypeText", "一行");
  word_.get("Selection").call("HomeKey");
  word_.get("Selection").call("EndKey");
  EXPECT_EQ(word_.get("Dialogs").get("Item", 178).call("Display").toInt32(), 0);
  EXPECT_EQ(word_.get("Selection").get("Start").toInt32(), 2);
  app_.get("ActiveDocument").call("PrintOut");
  EXPECT_EQ(transcript().back(), "print doc.doc copies=1 revisions=1");
}

TEST_F(ChainsTest, SaveAsWebPageAndInsertions) {
  Variant name("");
  name.assign(Variant("c:\\temp\\temp.htm"));
  word_.get("ActiveDocument")
      .call("SaveAs", Variant::ref(name), 8, false, "", true, "", false, false, false, false, false);
  EXPECT_EQ(word_.get("ActiveDocument").get("FullName").toString(), "c:\\temp\\temp.htm");
  EXPECT_FALSE(standIn_->files.isLocked("c:\\temp\\doc.doc"));

  Variant picture("c:\\temp\\seal.png");
  word_.get("Selection").get("InlineShapes").call("AddPicture", Variant::ref(picture));
  word_.get("Selection").call("EndKey");
  word_.get("Selection").call("TypeText", "用户文字");
  EXPECT_EQ(word_.get("ActiveDocument").get("Content").get("Text").toString(), "\x01用户文字\r");
  Variant dialog(std::int16_t{1007});
  EXPECT_EQ(app_.get("Dialogs").call("Item", Variant::ref(dialog)).call("Show").toInt32(), 0);
  EXPECT_EQ(app_.get("Dialogs", 129).call("Show").toInt32(), 0);
}

}  // namespace
}  // namespace verolin::testing
