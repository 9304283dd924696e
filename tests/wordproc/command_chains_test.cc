// The document commands' chains: the red header, revision control and protection, command bars,
// preview, page setup and printing, save-as and insertions, with what Word refuses along the way.
#include "control_chains.h"

namespace verolin::testing {
namespace {

class CommandChainsTest : public ControlChains {
 protected:
  Variant doc() { return word_.get("ActiveDocument"); }
  std::string text() { return doc().get("Content").get("Text").toString(); }
};

TEST_F(CommandChainsTest, RedHeaderTwiceTypesASecondTitleAndDrawsASecondRuleAtTheSamePlace) {
  redHeader();
  EXPECT_EQ(text(), "(XX)市人民政府请示\r[XX]XX号\r");
  // The heading style's own colour is automatic; the title is red all the same.
  EXPECT_EQ(doc().get("Styles", "标题 1").get("Font").get("Color").toInt32(), -16777216);
  EXPECT_EQ(doc().get("Styles", "标题 1").get("NextParagraphStyle").toString(), "正文");
  Variant title = doc().call("Range", 0, 11);
  EXPECT_EQ(title.get("Font").get("Color").toInt32(), 255);
  EXPECT_FLOAT_EQ(title.get("Font").get("Size").toDouble(), 36);
  EXPECT_EQ(title.get("Style").toString(), "标题 1");
  // The number line is a paragraph of the style that follows a heading, centred.
  Variant number = doc().call("Range", 12, 19);
  EXPECT_EQ(number.get("Style").toString(), "正文");
  EXPECT_EQ(number.get("ParagraphFormat").get("Alignment").toInt32(), 1);
  EXPECT_FLOAT_EQ(number.get("Font").get("Size").toDouble(), 12);
  EXPECT_EQ(number.get("Font").get("Color").toInt32(), 255);
  // Leaving the selected rule, the insertion point goes up from the rule's anchor to the first line.
  EXPECT_EQ(word_.get("Selection").get("Type").toInt32(), 1);
  EXPECT_EQ(word_.get("Selection").get("Start").toInt32(), 0);

  // The second header is typed there: its number line begins the first title's paragraph, whose
  // style it keeps; its rule lies on the first.
  redHeader();
  EXPECT_EQ(text(), "(XX)市人民政府请示\r[XX]XX号(XX)市人民政府请示\r[XX]XX号\r");
  ASSERT_EQ(doc().get("Shapes").get("Count").toInt32(), 2);
  for (const char* name : {"Line 1", "Line 2"}) {
    Variant line = doc().get("Shapes", name);
    EXPECT_EQ(line.get("Type").toInt32(), 9) << name;
    EXPECT_FLOAT_EQ(line.get("Left").toDouble(), 63) << name;
    EXPECT_FLOAT_EQ(line.get("Top").toDouble(), 204.6f) << name;
    EXPECT_FLOAT_EQ(line.get("Width").toDouble(), 450) << name;
    EXPECT_FLOAT_EQ(line.get("Height").toDouble(), 0) << name;
    EXPECT_FLOAT_EQ(line.get("Line").get("Weight").toDouble(), 3) << name;
    EXPECT_EQ(line.get("Line").get("ForeColor").get("RGB").toInt32(), 255) << name;
    EXPECT_EQ(line.get("Line").get("BackColor").get("RGB").toInt32(), 16777215) << name;
    EXPECT_EQ(line.get("WrapFormat").get("Type").toInt32(), 3) << name;
  }
  EXPECT_EQ(doc().call("Range", 0, 31).get("Font").get("Color").toInt32(), 255);
  EXPECT_EQ(doc().call("Range", 12, 19).get("Style").toString(), "标题 1");
}

TEST_F(CommandChainsTest, RedHeaderStopsAtTheFirstStepWordRefusesAndKeepsTheStepsBefore) {
  word_.get("Selection").call("TypeText", "第一段");
  word_.get("Selection").call("TypeParagraph");
  word_.get("Selection").call("TypeText", "第二段");
  Variant pass("fesu31");
  doc().call("Protect", std::int16_t{2}, false, Variant::ref(pass));
  try {
    redHeader();
    FAIL() << "a protected document took the header";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), 6124);
    EXPECT_EQ(e.description(), "You are not allowed to edit this selection because it is protected.");
  }
  // The selection went up a screen (to the first line) before the style was refused.
  EXPECT_LT(word_.get("Selection").get("Start").toInt32(), 4);
  EXPECT_EQ(text(), "第一段\r第二段\r");
  EXPECT_EQ(doc().get("Shapes").get("Count").toInt32(), 0);
}

TEST_F(CommandChainsTest, RevisionCommandsKeepToWhatWordAllows) {
  Variant doc = viaWindow().get("ActiveDocument");
  const bool printRevisions = doc.get("PrintRevisions").toBool();
  const bool showRevisions = doc.get("ShowRevisions").toBool();

  // Form protection first: the revision protection that follows is refused after the screen tips.
  Variant pass("fesu31");
  word_.get("ActiveDocument").call("Protect", std::int16_t{2}, false, Variant::ref(pass));
  word_.get("ActiveWindow").put("DisplayScreenTips", false);
  try {
    word_.get("ActiveDocument").call("Protect", std::int16_t{0}, false, Variant::ref(pass));
    FAIL() << "a protected document was protected again";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), 4605);
    EXPECT_EQ(e.description(),
              "This method or property is not available because the document is already protected.");
  }
  EXPECT_FALSE(word_.get("ActiveWindow").get("DisplayScreenTips").toBool());
  EXPECT_EQ(doc.get("ProtectionType").toInt32(), 2);
  EXPECT_FALSE(doc.get("TrackRevisions").toBool());
  EXPECT_EQ(doc.get("PrintRevisions").toBool(), printRevisions);
  EXPECT_EQ(doc.get("ShowRevisions").toBool(), showRevisions);

  // Taking it off: the password by value, then the marks hidden; tracking is not touched.
  word_.get("ActiveDocument").call("Unprotect", "fesu31");
  word_.get("ActiveDocument").put("ShowRevisions", false);
  EXPECT_EQ(doc.get("ProtectionType").toInt32(), -1);
  EXPECT_FALSE(doc.get("ShowRevisions").toBool());
  try {
    word_.get("ActiveDocument").call("Unprotect", "fesu31");
    FAIL() << "an unprotected document was unprotected";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), 4605);
    EXPECT_EQ(e.description(),
              "This method or property is not available because the document is not protected.");
  }

  // The name set through the window is the author of what follows.
  viaWindow().put("UserName", "审核人");
  word_.get("ActiveDocument").put("TrackRevisions", true);
  word_.get("Selection").call("TypeText", "新");
  EXPECT_EQ(revisionLines(), (std::vector<std::string>{"1.审核人 2026/12/7 9:05:00增加"}));
  viaWindow().get("Selection").call("WholeStory");
  viaWindow().get("Selection").get("Range").get("Revisions").call("RejectAll");
  EXPECT_EQ(text(), "\r");

  // A window index that no longer names a window fails every command that goes by the window.
  try {
    word_.get("Windows", std::int16_t{2}).get("Application");
    FAIL() << "a window that does not exist was found";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), 5941);
    EXPECT_EQ(e.description(), "The requested member of the collection does not exist.");
  }
}

TEST_F(CommandChainsTest, CommandBarsPreviewPageSetupAndPrintingByWordsNames) {
  for (const char* name : {"Menu Bar", "菜单", "Standard", "Formatting", "Reviewing", "Print Preview"}) {
    EXPECT_EQ(errorNumber([&] { viaWindow().get("commandbars", name).get("Enabled"); }), 0) << name;
  }
  viaWindow().get("commandbars", "Menu Bar").put("Enabled", false);
  EXPECT_FALSE(word_.get("CommandBars", "Menu Bar").get("Enabled").toBool());
  viaWindow().get("commandbars", "Menu Bar").put("Enabled", true);
  EXPECT_TRUE(word_.get("CommandBars", "Menu Bar").get("Enabled").toBool());
  EXPECT_EQ(errorNumber([&] { viaWindow().get("commandbars", "Reviewing Toolbar").put("Visible", true); }),
            5);

  // Preview twice: still in preview, and the main window is found by its title each time.
  for (int i = 0; i < 2; ++i) {
    word_.put("PrintPreview", true);
    EXPECT_TRUE(word_.get("PrintPreview").toBool());
    const std::string title =
        word_.get("ActiveWindow").get("Caption").toString() + " - " + word_.get("Caption").toString();
    EXPECT_NE(standIn_->windows.findWindow(title), 0) << title;
  }
  word_.put("PrintPreview", false);

  // Page setup is displayed only: what the user confirms there is not carried out.
  const double left = doc().get("PageSetup").get("LeftMargin").toDouble();
  standIn_->host.onDialog = [](platform::DialogRequest& r) {
    r.fields["LeftMargin"] = Variant(20.0);
    return -1;
  };
  word_.get("Selection").call("EndKey");
  EXPECT_EQ(word_.get("Dialogs").get("Item", 178).call("Display").toInt32(), -1);
  EXPECT_DOUBLE_EQ(doc().get("PageSetup").get("LeftMargin").toDouble(), left);

  viaWindow().get("ActiveDocument").call("PrintOut");
  EXPECT_EQ(transcript().back(), "print doc.doc copies=1 revisions=1");
}

TEST_F(CommandChainsTest, SaveAsWebPageAndBackThenInsertions) {
  // The save-as command first compares the application's value with the empty text.
  EXPECT_EQ(word_.toString(), "Microsoft Word");

  for (int i = 0; i < 2; ++i) {
    Variant name("c:\\temp\\temp.htm");
    doc().call("SaveAs", Variant::ref(name), std::int16_t{8}, false, "", true, "", false, false, false, false,
               false);
  }
  EXPECT_EQ(doc().get("FullName").toString(), "c:\\temp\\temp.htm");
  EXPECT_TRUE(standIn_->files.fileExists("c:\\temp\\temp.htm"));
  saveLocalCopy("c:\\temp\\2026127953.doc");
  EXPECT_EQ(doc().get("FullName").toString(), "c:\\temp\\2026127953.doc");
  EXPECT_EQ(doc().get("Name").toString(), "2026127953.doc");

  // A picture that is not there inserts nothing.
  Variant missing("c:\\temp\\missing.png");
  EXPECT_EQ(errorNumber([&] {
              word_.get("Selection").get("InlineShapes").call("AddPicture", Variant::ref(missing));
            }),
            5174);
  EXPECT_EQ(doc().get("InlineShapes").get("Count").toInt32(), 0);

  // User text goes to the end of the current line, which in a long paragraph is not its end.
  std::string paragraph;
  for (int i = 0; i < 60; ++i) paragraph += "字";
  word_.get("Selection").call("TypeText", paragraph);
  word_.get("Selection").call("HomeKey", 6);
  word_.get("Selection").call("EndKey");
  const int lineEnd = word_.get("Selection").get("Start").toInt32();
  EXPECT_GT(lineEnd, 0);
  EXPECT_LT(lineEnd, 60);
  word_.get("Selection").call("TypeText", "用户文字");
  EXPECT_EQ(doc().call("Range", lineEnd, lineEnd + 4).get("Text").toString(), "用户文字");

  // The table, version and bookmark dialogs cancelled: nothing is done.
  const std::string before = text();
  EXPECT_EQ(viaWindow().get("Dialogs", 129).call("Show").toInt32(), 0);
  for (std::int16_t id : {std::int16_t{945}, std::int16_t{168}}) {
    Variant dialog(id);
    EXPECT_EQ(viaWindow().get("Dialogs").call("Item", Variant::ref(dialog)).call("Show").toInt32(), 0);
  }
  EXPECT_EQ(text(), before);
  EXPECT_EQ(doc().get("Bookmarks").get("Count").toInt32(), 0);
}

}  // namespace
}  // namespace verolin::testing
