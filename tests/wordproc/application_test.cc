// The application instance: creation and versions, the main window, documents and windows, the
// user's identity, quitting, command bars and dialogs.
#include "word_fixture.h"
#include "wordproc/model/document_model.h"

namespace verolin::testing {
namespace {

class ApplicationTest : public WordFixture {};

TEST_F(ApplicationTest, CreationFailsWith429WhenNotInstalled) {
  wordproc::WordOptions options;
  options.installed = false;
  wordproc::registerWordApplication(platform_, options);
  EXPECT_EQ(errorNumber([&] { platform_.objects->create("Word.Application"); }), 429);
}

TEST_F(ApplicationTest, ReportsTheChosenVersionAndEachCreationIsANewInstance) {
  Variant a = startWord("9.0");
  Variant b(platform_.objects->create("Word.Application"));
  EXPECT_EQ(a.get("Version").toString(), "9.0");
  EXPECT_EQ(a.get("Caption").toString(), "Microsoft Word");
  a.get("Documents").call("Add");
  EXPECT_EQ(a.get("Documents").get("Count").toInt32(), 1);
  EXPECT_EQ(b.get("Documents").get("Count").toInt32(), 0);
}

TEST_F(ApplicationTest, TheMainWindowShowsTheActiveDocumentUntilTheInstanceQuits) {
  Variant app = startWord();
  const wordproc::WindowContent empty = wordproc::windowContent(app.toObject());
  EXPECT_EQ(empty.window, standIn_->windows.findWindow("Microsoft Word"));
  EXPECT_EQ(empty.document, nullptr);
  app.get("Documents").call("Add");
  app.get("Selection").call("TypeText", "first");
  const wordproc::DocumentModel* first = wordproc::windowContent(app.toObject()).document;
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->text(0, first->size()), "first\r");
  Variant second = app.get("Documents").call("Add");
  EXPECT_EQ(wordproc::windowContent(app.toObject()).document->size(), 1);
  second.call("Close", 0);
  EXPECT_EQ(wordproc::windowContent(app.toObject()).document, first);
  // Any other object is no application of this word processor.
  EXPECT_EQ(wordproc::windowContent(app.get("Documents").toObject()).window, 0);
  EXPECT_EQ(wordproc::windowContent(nullptr).document, nullptr);
  app.call("Quit", 0);
  EXPECT_EQ(wordproc::windowContent(app.toObject()).document, nullptr);
}

TEST_F(ApplicationTest, MainWindowIsTitledAfterTheActiveWindowAndFollowsPoints) {
  Variant app = startWord();
  EXPECT_EQ(standIn_->windows.findWindow("Microsoft Word") != 0, true);
  app.get("Documents").call("Add");
  const std::string caption = app.get("ActiveWindow").get("Caption").toString();
  EXPECT_EQ(caption, "文档1");
  const auto handle = standIn_->windows.findWindow(caption + " - Microsoft Word");
  ASSERT_NE(handle, 0);
  EXPECT_FALSE(standIn_->windows.info(handle)->visible);
  EXPECT_NE(standIn_->windows.info(handle)->thread, 0);

  app.put("Visible", true);
  app.call("Resize", 300.0f, 150.0f);
  app.call("Move", -3.0f, -3.0f);
  const auto info = *standIn_->windows.info(handle);
  EXPECT_TRUE(info.visible);
  EXPECT_EQ(info.rect, (platform::Rect{-4, -4, 400, 200}));

  // Maximised inside a parent, the window fills the parent; resizing is then refused.
  platform::WindowInfo parentInfo;
  parentInfo.rect = {0, 0, 640, 480};
  const auto parent = standIn_->windows.create(parentInfo);
  standIn_->windows.setParent(handle, parent);
  app.put("WindowState", 1);
  EXPECT_EQ(standIn_->windows.info(handle)->rect, (platform::Rect{0, 0, 640, 480}));
  EXPECT_EQ(errorNumber([&] { app.call("Resize", 10, 10); }), 4605);
  app.get("Windows", 1).put("WindowState", 0);
  EXPECT_EQ(standIn_->windows.info(handle)->rect, (platform::Rect{-4, -4, 400, 200}));
}

TEST_F(ApplicationTest, WindowIndexFullNameAndSaving) {
  Variant app = startWord();
  Variant doc = app.get("Documents").call("Add", Variant::missing(), Variant::missing(), 0);
  const int index = app.get("ActiveWindow").get("Index").toInt32();
  EXPECT_EQ(index, 1);
  EXPECT_EQ(app.get("Windows", index).get("Application").get("Version").toString(), "11.0");
  EXPECT_EQ(doc.get("FullName").toString().find('\\'), std::string::npos);

  standIn_->files.createDir("c:\\temp");
  doc.call("SaveAs", "c:\\temp\\a.doc", 0, false, "", true, "", false, false, false, false);
  EXPECT_EQ(doc.get("FullName").toString(), "c:\\temp\\a.doc");
  EXPECT_EQ(doc.get("Name").toString(), "a.doc");
  EXPECT_TRUE(standIn_->files.isLocked("c:\\temp\\a.doc"));
  EXPECT_NE(standIn_->windows.findWindow("a.doc - Microsoft Word"), 0);

  app.call("Quit", false);
  EXPECT_FALSE(standIn_->files.isLocked("c:\\temp\\a.doc"));
  EXPECT_EQ(standIn_->windows.findWindow("a.doc - Microsoft Word"), 0);
  EXPECT_EQ(errorNumber([&] { app.get("Windows", index).call("Close", false); }), 462);
}

TEST_F(ApplicationTest, ErrorsCarryTheWordProcessorsNumbers) {
  Variant app = startWord();
  EXPECT_EQ(errorNumber([&] { app.get("ActiveDocument"); }), 4248);
  EXPECT_EQ(errorNumber([&] { app.get("Selection"); }), 4248);
  app.get("Documents").call("Add");
  EXPECT_EQ(errorNumber([&] { app.get("Windows", 2); }), 5941);
  EXPECT_EQ(errorNumber([&] { app.get("ActiveDocument").get("Styles", "Heading 1"); }), 5941);
  EXPECT_EQ(errorNumber([&] { app.get("Dialogs", 4711); }), 5941);
  EXPECT_EQ(errorNumber([&] { app.get("Windows", 1).call("Quit", false); }), 438);
  EXPECT_EQ(errorNumber([&] { app.get("CommandBars", "No Such Bar"); }), 5);
}

TEST_F(ApplicationTest, CommandBarsHoldTheBuiltInControls) {
  Variant app = startWord();
  Variant standard = app.get("CommandBars", "Standard");
  EXPECT_TRUE(standard.call("FindControl", named("Id", 247)).isObject());
  EXPECT_EQ(errorNumber([&] { standard.call("FindControl", named("Id", 247)).get("ID"); }), 91);
  for (int id : {23, 109, 4, 2521, 2520})
    EXPECT_EQ(standard.call("FindControl", named("Id", id)).get("ID").toInt32(), id);
  Variant added = standard.get("Controls").call("Add", 1, 247, Variant::missing(), 3);
  EXPECT_EQ(added.get("Index").toInt32(), 3);
  EXPECT_EQ(standard.get("Controls").get("Item", 3).get("ID").toInt32(), 247);
  EXPECT_EQ(
      app.get("CommandBars", "Print Preview").call("FindControl", named("Id", 1612)).get("ID").toInt32(),
      1612);

  app.get("CommandBars", "菜单").put("Enabled", false);
  EXPECT_FALSE(app.get("CommandBars", "Menu Bar").get("Enabled").toBool());
  app.get("CommandBars", "Reviewing").put("Visible", true);
  EXPECT_TRUE(app.get("CommandBars", "reviewing").get("Visible").toBool());
}

TEST_F(ApplicationTest, DialogsGoThroughTheHostAndOnlyShowCarriesOut) {
  Variant app = startWord();
  app.get("Documents").call("Add");
  std::vector<int> shown;
  standIn_->host.onDialog = [&](platform::DialogRequest& r) {
    shown.push_back(r.id);
    if (r.id == 178) r.fields["TopMargin"] = Variant(100.0);
    if (r.id == 168) r.fields["Name"] = Variant("mark1");
    return -1;
  };
  Variant doc = app.get("ActiveDocument");
  EXPECT_EQ(app.get("Dialogs").get("Item", 178).call("Display").toInt32(), -1);
  EXPECT_FLOAT_EQ(doc.get("PageSetup").get("TopMargin").toDouble(), 72);
  app.get("Dialogs", 178).call("Show");
  EXPECT_FLOAT_EQ(doc.get("PageSetup").get("TopMargin").toDouble(), 100);
  app.get("Dialogs", 168).call("Show");
  EXPECT_TRUE(doc.get("Bookmarks").call("Exists", "mark1").toBool());
  EXPECT_EQ(shown, (std::vector<int>{178, 178, 168}));

  standIn_->host.onDialog = nullptr;  // the user cancels
  EXPECT_EQ(app.get("Dialogs", 129).call("Show").toInt32(), 0);
  EXPECT_EQ(doc.get("Content").get("Text").toString(), "\r");
}

TEST_F(ApplicationTest, ConfirmedTableDialogInsertsATableOfRows) {
  Variant app = startWord();
  Variant doc = app.get("Documents").call("Add");
  app.get("Selection").call("TypeText", "前后");
  app.get("Selection").call("MoveLeft", 1, 1);
  standIn_->host.onDialog = [](platform::DialogRequest& r) {
    r.fields["NumRows"] = Variant(std::int32_t{2});
    r.fields["NumColumns"] = Variant(std::int32_t{3});
    return -1;
  };
  EXPECT_EQ(app.get("Dialogs", 129).call("Show").toInt32(), -1);
  EXPECT_EQ(doc.get("Content").get("Text").toString(), "前\r\a\a\r\a\a\r后\r");
  app.get("Selection").call("TypeText", "格");
  standIn_->files.createDir("c:\\temp");
  doc.call("SaveAs", "c:\\temp\\t.htm", 8);
  const Bytes html = readFile("c:\\temp\\t.htm");
  const std::string page(html.begin(), html.end());
  EXPECT_NE(page.find("<table"), std::string::npos);
  EXPECT_EQ(page.find("<table", page.find("<table") + 1), std::string::npos);  // one table of two rows
}

}  // namespace
}  // namespace verolin::testing
