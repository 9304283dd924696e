// Documents and the instance over their lives: prompts when closing or quitting with changes, saving a
// document that has no file yet, opening twice or read-only, objects of closed documents and of an
// instance that quit, an instance nobody quit, print preview, captions and printing.
#include <algorithm>

#include "word_fixture.h"

namespace verolin::testing {
namespace {

class LifecycleTest : public WordFixture {
 protected:
  void SetUp() override {
    app_ = startWord();
    standIn_->files.createDir("c:\\temp");
  }

  // A document saved to c:\temp\<name> with one more change typed after the save.
  Variant changedDocument(const std::string& name) {
    Variant doc = app_.get("Documents").call("Add");
    app_.get("Selection").call("TypeText", "saved");
    doc.call("SaveAs", "c:\\temp\\" + name, 0);
    app_.get("Selection").call("TypeText", " changed");
    return doc;
  }

  std::string savedText(const std::string& name) {
    Variant other(platform_.objects->create("Word.Application"));
    return other.get("Documents")
        .call("Open", "c:\\temp\\" + name, Variant::missing(), true)
        .get("Content")
        .get("Text")
        .toString();
  }

  Variant app_;
};

TEST_F(LifecycleTest, ClosingWithChangesAsksAndTheAnswerDecides) {
  std::vector<std::string> asked;
  int answer = platform::mb::kAnswerNo;
  standIn_->host.onMessageBox = [&](const std::string& text, int style, const std::string& caption) {
    asked.push_back(caption + "|" + std::to_string(style) + "|" + text);
    return answer;
  };
  Variant doc = changedDocument("a.doc");
  EXPECT_FALSE(doc.get("Saved").toBool());
  answer = platform::mb::kAnswerCancel;
  EXPECT_EQ(errorNumber([&] { doc.call("Close"); }), 4198);
  EXPECT_EQ(app_.get("Documents").get("Count").toInt32(), 1);
  answer = platform::mb::kAnswerNo;
  doc.call("Close");
  EXPECT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0], "Microsoft Word|51|是否保存对“a.doc”的更改？");
  EXPECT_EQ(savedText("a.doc"), "saved\r");

  Variant again = changedDocument("b.doc");
  answer = platform::mb::kAnswerYes;
  app_.call("Quit");
  EXPECT_EQ(savedText("b.doc"), "saved changed\r");
}

TEST_F(LifecycleTest, CloseAndQuitWithTheirSaveArgumentsAskNothing) {
  changedDocument("c.doc").call("Close", true);
  EXPECT_EQ(savedText("c.doc"), "saved changed\r");
  changedDocument("d.doc");
  app_.call("Quit", false);
  EXPECT_EQ(savedText("d.doc"), "saved\r");
  EXPECT_TRUE(standIn_->host.messages.empty());
}

TEST_F(LifecycleTest, SavingADocumentWithoutAFileAsksForANameThroughTheSaveAsDialog) {
  Variant doc = app_.get("Documents").call("Add");
  EXPECT_EQ(errorNumber([&] { doc.call("Save"); }), 4198);  // the user cancels the dialog
  standIn_->host.onDialog = [](platform::DialogRequest& r) {
    EXPECT_EQ(r.id, 84);
    r.fields["Name"] = Variant("c:\\temp\\named.doc");
    return -1;
  };
  doc.call("Save");
  EXPECT_EQ(doc.get("FullName").toString(), "c:\\temp\\named.doc");
  EXPECT_EQ(errorNumber([&] { doc.call("SaveAs", "c:\\nowhere\\x.doc", 0); }), 5152);
  EXPECT_EQ(errorNumber([&] { doc.call("SaveAs", "c:\\temp\\x.doc", 99); }), 4608);
  EXPECT_EQ(doc.get("FullName").toString(), "c:\\temp\\named.doc");
}

TEST_F(LifecycleTest, OpeningTwiceGivesTheSameDocumentAndReadOnlyHoldsNothing) {
  changedDocument("e.doc").call("Close", true);
  Variant first = app_.get("Documents").call("Open", "c:\\temp\\e.doc");
  Variant second = app_.get("Documents").call("Open", "C:\\TEMP\\E.DOC");
  EXPECT_EQ(app_.get("Documents").get("Count").toInt32(), 1);
  second.call("Close", false);
  EXPECT_FALSE(standIn_->files.isLocked("c:\\temp\\e.doc"));

  Variant readOnly = app_.get("Documents").call("Open", "c:\\temp\\e.doc", false, true);
  EXPECT_TRUE(readOnly.get("ReadOnly").toBool());
  EXPECT_FALSE(standIn_->files.isLocked("c:\\temp\\e.doc"));
  app_.get("Selection").call("TypeText", "x");
  EXPECT_EQ(errorNumber([&] { readOnly.call("Save"); }), 4605);
}

TEST_F(LifecycleTest, ObjectsOfAClosedDocumentOrAQuitInstanceFail) {
  Variant doc = app_.get("Documents").call("Add");
  Variant range = doc.get("Content");
  Variant shapes = doc.get("Shapes");
  Variant window = app_.get("ActiveWindow");
  doc.call("Close", false);
  EXPECT_EQ(errorNumber([&] { doc.get("Name"); }), 5825);
  EXPECT_EQ(errorNumber([&] { range.get("Text"); }), 5825);
  EXPECT_EQ(errorNumber([&] { shapes.get("Count"); }), 5825);
  EXPECT_EQ(errorNumber([&] { window.call("Activate"); }), 5825);

  Variant bar = app_.get("CommandBars", "Standard");
  app_.call("Quit", false);
  EXPECT_EQ(errorNumber([&] { bar.get("Enabled"); }), 462);
  EXPECT_EQ(errorNumber([&] { app_.get("Version"); }), 462);
}

TEST_F(LifecycleTest, ClosingDocumentsNobodyElseHoldsReadsNoFreedDocument) {
  // Only the application holds these documents, so closing the active one frees it while it closes.
  app_.get("Documents").call("Add");
  app_.get("Documents").call("Add");
  app_.get("Documents").call("Close", false);
  app_.get("Documents").call("Add");
  app_.get("Documents").call("Add");
  app_.call("Quit", false);
  std::vector<std::string> closed;
  for (const auto& line : transcript()) {
    if (line.starts_with("closed ")) closed.push_back(line);
  }
  EXPECT_EQ(closed,
            (std::vector<std::string>{"closed 文档2", "closed 文档1", "closed 文档4", "closed 文档3"}));
}

TEST_F(LifecycleTest, AnInstanceNobodyQuitKeepsItsWindowAndItsFiles) {
  {
    Variant orphan(platform_.objects->create("Word.Application"));
    orphan.get("Documents").call("Add").call("SaveAs", "c:\\temp\\held.doc", 0);
  }
  EXPECT_NE(standIn_->windows.findWindow("held.doc - Microsoft Word"), 0);
  EXPECT_TRUE(standIn_->files.isLocked("c:\\temp\\held.doc"));
  EXPECT_EQ(errorNumber([&] { standIn_->files.remove("c:\\temp\\held.doc"); }), 70);
}

TEST_F(LifecycleTest, PrintPreviewCaptionsAndPrinting) {
  EXPECT_EQ(errorNumber([&] { app_.put("PrintPreview", true); }), 4248);
  Variant doc = app_.get("Documents").call("Add");
  app_.put("PrintPreview", true);
  EXPECT_TRUE(app_.get("PrintPreview").toBool());
  EXPECT_EQ(app_.get("ActiveWindow").get("View").get("Type").toInt32(), 4);
  EXPECT_TRUE(app_.get("CommandBars", "Print Preview").get("Visible").toBool());
  app_.put("PrintPreview", false);
  EXPECT_EQ(app_.get("ActiveWindow").get("View").get("Type").toInt32(), 3);

  app_.get("ActiveWindow").put("Caption", "公文");
  app_.put("Caption", "文字处理");
  EXPECT_NE(standIn_->windows.findWindow("公文 - 文字处理"), 0);
  EXPECT_EQ(app_.get("Windows", "公文").get("Index").toInt32(), 1);

  doc.call("PrintOut");
  doc.call("PrintOut", named("Copies", 2));
  EXPECT_EQ(errorNumber([&] { doc.call("PrintOut", named("Copies", 0)); }), 4608);
  const auto lines = transcript();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "print 文档1 copies=1 revisions=1"), 1);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "print 文档1 copies=2 revisions=1"), 1);
}

TEST_F(LifecycleTest, ANewDocumentFromATemplateStartsWithItsContent) {
  changedDocument("template.doc").call("Close", true);
  Variant doc = app_.get("Documents").call("Add", "c:\\temp\\template.doc");
  EXPECT_EQ(doc.get("Name").toString(), "文档2");
  EXPECT_EQ(doc.get("Content").get("Text").toString(), "saved changed\r");
  EXPECT_EQ(doc.get("FullName").toString().find('\\'), std::string::npos);
  EXPECT_EQ(errorNumber([&] { app_.get("Documents").call("Add", "c:\\temp\\missing.dot"); }), 5174);
  EXPECT_EQ(app_.get("Documents").get("Count").toInt32(), 1);
}

TEST_F(LifecycleTest, TheMainWindowReportsItsGeometryInPoints) {
  app_.get("Documents").call("Add");
  app_.put("Left", 30);
  app_.put("Width", 600);
  EXPECT_EQ(app_.get("Left").toInt32(), 30);
  EXPECT_EQ(app_.get("Width").toInt32(), 600);
  const auto handle = standIn_->windows.findWindow("文档1 - Microsoft Word");
  EXPECT_EQ(standIn_->windows.info(handle)->rect.left, 40);
  EXPECT_EQ(standIn_->windows.info(handle)->rect.width, 800);
  app_.put("WindowState", 2);
  EXPECT_TRUE(standIn_->windows.info(handle)->minimized);
  EXPECT_EQ(errorNumber([&] { app_.call("Move", 0, 0); }), 4605);
  EXPECT_EQ(errorNumber([&] { app_.put("WindowState", 5); }), 4608);
}

}  // namespace
}  // namespace verolin::testing
