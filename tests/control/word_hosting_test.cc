// Starting, embedding, fitting, opening, creating, closing and quitting the word processor, driven
// through the control's members by name as a page script drives them.
#include <gtest/gtest.h>

#include <fstream>

#include "control/word_host.h"
#include "control_fixture.h"
#include "wordproc/wordproc.h"

namespace verolin::testing {
namespace {

using automation::AutomationError;
using automation::Variant;

constexpr const char* kNoOffice = "提示|64|本机器没有正确定装OFFICE软件,控件支持OFFICE2000以上的版本";

class WordHostingTest : public ControlFixture {
 protected:
  void installWord(const std::string& version = "11.0", bool installed = true) {
    wordproc::WordOptions options;
    options.version = version;
    options.installed = installed;
    wordproc::registerWordApplication(standIn().platform(), options);
  }

  // A small document the word processor can open, written where the page says.
  void writeDocument(const std::string& winPath, const std::string& text) {
    std::filesystem::create_directories(native(winPath).parent_path());
    std::ofstream(native(winPath)) << text;
  }

  std::string documentText() {
    return state().wordApp.get("ActiveDocument").get("Content").get("Text").toString();
  }

  std::string status() { return control().cmdMsg.caption; }

  std::optional<platform::WindowInfo> wordWindow() {
    return standIn().windows.info(state().wordWindowHandle);
  }
};

TEST_F(WordHostingTest, NoWordProcessorShowsItsMessageOnceAndFails) {
  installWord("11.0", false);
  Variant c = createControl();
  writeDocument("d:\\docs\\a.doc", "hello");
  c.call("OpenWord", "d:\\docs\\a.doc");
  EXPECT_EQ(host().messages, std::vector<std::string>{kNoOffice});
  EXPECT_EQ(status(), "操作失败请稍后..");
  EXPECT_TRUE(state().wordApp.isEmpty());
  EXPECT_FALSE(state().isBusy);
  host().messages.clear();
  c.call("AddNewDocument");
  EXPECT_EQ(host().messages, std::vector<std::string>{kNoOffice});
  EXPECT_EQ(status(), "操作失败请稍后..");
}

TEST_F(WordHostingTest, Word97IsRefusedSilentlyAndKeptRunning) {
  installWord("8.0");
  Variant c = createControl();
  writeDocument("c:\\temp\\a.doc", "hello");
  c.call("OpenWord", "c:\\temp\\a.doc");
  EXPECT_TRUE(host().messages.empty());
  EXPECT_EQ(status(), "操作失败请稍后..");
  EXPECT_EQ(state().wordVersion, "8.0");
  // The instance stays referenced and was not quit: it still answers.
  ASSERT_FALSE(state().wordApp.isEmpty());
  EXPECT_EQ(state().wordApp.get("Documents").get("Count").toInt32(), 0);
  EXPECT_FALSE(state().docOpen);
}

TEST_F(WordHostingTest, OpenOutsideWorkingFolderCopiesUnderTimeName) {
  installWord();
  Variant c = createControl();
  writeDocument("d:\\docs\\a.doc", "hello");
  c.call("OpenWord", "d:\\docs\\a.doc", "张三", "ZS", "北京");
  // 2026-12-07 09:05:03: year, month, day, hour, second, minute.
  EXPECT_EQ(c.get("LocalFile").toString(), "c:\\temp\\2026127935.doc");
  EXPECT_TRUE(std::filesystem::exists(native("c:\\temp\\2026127935.doc")));
  EXPECT_TRUE(state().docOpen);
  EXPECT_FALSE(state().isBusy);
  EXPECT_EQ(status(), "操作完成");
  EXPECT_EQ(documentText().substr(0, 5), "hello");
  EXPECT_EQ(state().wordApp.get("UserName").toString(), "张三");
  EXPECT_EQ(state().wordApp.get("UserInitials").toString(), "ZS");
  EXPECT_EQ(state().wordApp.get("UserAddress").toString(), "北京");
  EXPECT_TRUE(host().messages.empty());
}

TEST_F(WordHostingTest, OpenInsideWorkingFolderUsesTheFileItself) {
  installWord();
  Variant c = createControl();
  writeDocument("c:\\temp\\mine.doc", "hello");
  c.call("OpenWord", "c:\\temp\\mine.doc");
  EXPECT_EQ(c.get("LocalFile").toString(), "c:\\temp\\mine.doc");
  EXPECT_FALSE(std::filesystem::exists(native("c:\\temp\\2026127935.doc")));
}

TEST_F(WordHostingTest, EmptyUserNameLeavesWordsUserAlone) {
  installWord();
  Variant c = createControl();
  writeDocument("c:\\temp\\a.doc", "x");
  c.call("OpenWord", "c:\\temp\\a.doc", "", "ZS", "北京");
  const std::string before = state().wordApp.get("UserInitials").toString();
  EXPECT_NE(before, "ZS");
  EXPECT_NE(state().wordApp.get("UserAddress").toString(), "北京");
}

TEST_F(WordHostingTest, MissingFileIsReportedAndWordLeftAsItWas) {
  installWord();
  Variant c = createControl();
  c.call("OpenWord", "d:\\nowhere\\a.doc");
  EXPECT_EQ(host().messages, std::vector<std::string>{"信息|64|找不到指定打开的文档."});
  EXPECT_EQ(status(), "操作失败请稍后..");
  EXPECT_TRUE(state().wordApp.isEmpty());
  EXPECT_FALSE(state().isBusy);
}

TEST_F(WordHostingTest, LockedFileShowsSystemTextThenFailsAndAllowsRetry) {
  installWord();
  Variant c = createControl();
  writeDocument("d:\\docs\\a.doc", "hello");
  standIn().files.lock("d:\\docs\\a.doc");
  c.call("OpenWord", "d:\\docs\\a.doc");
  ASSERT_EQ(host().messages.size(), 2u);
  EXPECT_EQ(host().messages[0], "|0|Permission denied");
  EXPECT_EQ(host().messages[1], "注意|48|未知名的错误，程序终止！");
  EXPECT_EQ(status(), "操作失败请稍后..");
  EXPECT_FALSE(state().isBusy);
  standIn().files.unlock("d:\\docs\\a.doc");
  c.call("OpenWord", "d:\\docs\\a.doc");
  EXPECT_TRUE(state().docOpen);
}

TEST_F(WordHostingTest, DiskNotReadyIsRetriedUntilItClears) {
  installWord();
  createControl();
  writeDocument("c:\\temp\\a.doc", "hello");
  // A wrapper file layer whose reads fail twice with "disk not ready".
  struct Flaky : platform::FileSystemWrapper {
    using FileSystemWrapper::FileSystemWrapper;
    int failures = 2;
    std::unique_ptr<std::istream> openRead(std::string_view p) override {
      if (failures > 0) {
        --failures;
        throw automation::errorOf(automation::err::kDiskNotReady);
      }
      return FileSystemWrapper::openRead(p);
    }
  } flaky(standIn().files);
  platform::Platform p = standIn().platform();
  p.files = &flaky;
  control::Apartment apartment(p);
  control::Control ctl(apartment);
  EXPECT_TRUE(control::CanOpenFile(ctl, "c:\\temp\\a.doc"));
  EXPECT_EQ(host().messages,
            (std::vector<std::string>{"注意|48|驱动器未准备好！", "注意|48|驱动器未准备好！"}));
}

TEST_F(WordHostingTest, BusyControlRefusesToOpenOrCreate) {
  installWord();
  Variant c = createControl();
  writeDocument("c:\\temp\\a.doc", "hello");
  state().isBusy = true;
  c.call("OpenWord", "c:\\temp\\a.doc");
  EXPECT_EQ(status(), "正在打开文件请稍后..");
  EXPECT_TRUE(state().wordApp.isEmpty());
  c.call("AddNewDocument");
  EXPECT_EQ(status(), "操作失败请稍后..");
  EXPECT_TRUE(state().wordApp.isEmpty());
  EXPECT_TRUE(state().isBusy);
}

void expectRestrictedBars(const Variant& app) {
  EXPECT_FALSE(app.get("CommandBars", "Menu Bar").get("Enabled").toBool());
  EXPECT_FALSE(app.get("CommandBars", "菜单").get("Enabled").toBool());
  EXPECT_FALSE(app.get("CommandBars", "Print Preview")
                   .call("FindControl", automation::named("Id", 1612))
                   .get("Enabled")
                   .toBool());
  Variant standard = app.get("CommandBars", "Standard");
  EXPECT_TRUE(standard.get("Enabled").toBool());
  EXPECT_TRUE(standard.get("Visible").toBool());
  EXPECT_TRUE(app.get("CommandBars", "Formatting").get("Visible").toBool());
  EXPECT_EQ(standard.get("Controls").get("Item", 3).get("ID").toInt32(), 247);
  Variant controls = standard.get("Controls");
  for (int i = 1; i <= controls.get("Count").toInt32(); ++i) {
    const int id = controls.get("Item", i).get("ID").toInt32();
    const bool greyed = id == 247 || id == 23 || id == 109 || id == 4 || id == 2521 || id == 2520;
    EXPECT_EQ(controls.get("Item", i).get("Enabled").toBool(), !greyed) << "control ID " << id;
  }
}

TEST_F(WordHostingTest, CommandBarsAreRestrictedAfterOpenAndCreate) {
  installWord();
  Variant c = createControl();
  writeDocument("c:\\temp\\a.doc", "hello");
  c.call("OpenWord", "c:\\temp\\a.doc");
  expectRestrictedBars(state().wordApp);
  c.call("AddNewDocument");
  expectRestrictedBars(state().wordApp);
  // The button is added once: a second set-up finds it where it is.
  control::SetupCommandBars(control());
  Variant controls = state().wordApp.get("CommandBars", "Standard").get("Controls");
  int found = 0;
  for (int i = 1; i <= controls.get("Count").toInt32(); ++i)
    found += controls.get("Item", i).get("ID").toInt32() == 247;
  EXPECT_EQ(found, 1);
}

TEST_F(WordHostingTest, AddNewDocumentSavesUnderTimeNameWhateverPathIsGiven) {
  installWord();
  Variant c = createControl();
  c.call("AddNewDocument", "d:\\elsewhere\\new.doc", "李四");
  EXPECT_EQ(c.get("LocalFile").toString(), "c:\\temp\\2026127935.doc");
  EXPECT_TRUE(std::filesystem::exists(native("c:\\temp\\2026127935.doc")));
  EXPECT_FALSE(std::filesystem::exists(native("d:\\elsewhere\\new.doc")));
  EXPECT_EQ(status(), "操作完成请稍后..");
  EXPECT_TRUE(state().docOpen);
  EXPECT_FALSE(state().isBusy);
  EXPECT_FALSE(state().wordWindowCaption.empty());
  EXPECT_EQ(state().wordApp.get("UserName").toString(), "李四");
}

TEST_F(WordHostingTest, TwoWorkingCopiesInOneSecondDoNotCollide) {
  installWord();
  Variant c = createControl();
  c.call("AddNewDocument");
  const std::string first = c.get("LocalFile").toString();
  c.call("AddNewDocument");
  const std::string second = c.get("LocalFile").toString();
  EXPECT_NE(first, second);
  EXPECT_TRUE(std::filesystem::exists(native(first)));
  EXPECT_TRUE(std::filesystem::exists(native(second)));
}

TEST_F(WordHostingTest, WordCloseTurnsSaveFalseAndDeletesOnlyWhenAsked) {
  installWord();
  Variant c = createControl();
  c.call("AddNewDocument");
  const std::string local = c.get("LocalFile").toString();
  Variant save(true), del(false);
  c.call("WordClose", Variant::ref(save), Variant::ref(del));
  EXPECT_FALSE(save.toBool());
  EXPECT_TRUE(state().wordApp.isEmpty());
  EXPECT_FALSE(state().docOpen);
  EXPECT_TRUE(std::filesystem::exists(native(local)));

  c.call("OpenWord", local);
  Variant noSave(false), remove(true);
  c.call("WordClose", Variant::ref(noSave), Variant::ref(remove));
  EXPECT_FALSE(std::filesystem::exists(native(local)));
  EXPECT_TRUE(host().messages.empty());
}

TEST_F(WordHostingTest, CloseObjectSavesOrDiscardsEditsAndKeepsTheFile) {
  installWord();
  Variant c = createControl();
  writeDocument("c:\\temp\\a.doc", "original");
  c.call("OpenWord", "c:\\temp\\a.doc");
  state().wordApp.get("Selection").call("TypeText", "kept ");
  Variant save(true);
  EXPECT_TRUE(c.call("CloseObject", Variant::ref(save)).toBool());
  EXPECT_TRUE(state().wordApp.isEmpty());
  EXPECT_EQ(c.get("LocalFile").toString(), "c:\\temp\\a.doc");

  c.call("OpenWord", "c:\\temp\\a.doc");
  EXPECT_NE(documentText().find("kept"), std::string::npos);
  state().wordApp.get("Selection").call("TypeText", "dropped ");
  EXPECT_TRUE(c.call("CloseObject", false).toBool());
  c.call("OpenWord", "c:\\temp\\a.doc");
  EXPECT_EQ(documentText().find("dropped"), std::string::npos);
  EXPECT_NE(documentText().find("kept"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(native("c:\\temp\\a.doc")));
}

TEST_F(WordHostingTest, CloseObjectWithoutWordReturnsFalse) {
  Variant c = createControl();
  EXPECT_FALSE(c.call("CloseObject").toBool());
}

TEST_F(WordHostingTest, CloseDocumentKeepsWordAndReleasesBusyOnError) {
  installWord();
  Variant c = createControl();
  c.call("AddNewDocument");
  c.call("CloseDocument", false);
  EXPECT_FALSE(state().docOpen);
  EXPECT_FALSE(state().wordApp.isEmpty());
  // No active document now: the word processor's error reaches the script, isBusy is released.
  EXPECT_THROW(c.call("CloseDocument", false), AutomationError);
  EXPECT_FALSE(state().isBusy);
  // During another long operation it does nothing.
  c.call("AddNewDocument");
  state().isBusy = true;
  c.call("CloseDocument", false);
  EXPECT_TRUE(state().docOpen);
  state().isBusy = false;
}

TEST_F(WordHostingTest, EmbeddedWindowIsMaximisedInPicBodyForWord2003) {
  installWord("11.0");
  Variant c = createControl();
  control().resize(9000, 6000);
  c.call("AddNewDocument");
  auto w = wordWindow();
  ASSERT_TRUE(w);
  EXPECT_EQ(w->parent, control().picBody.hwnd);
  EXPECT_EQ(state().wordApp.get("WindowState").toInt32(), 1);
  EXPECT_EQ(w->rect, (platform::Rect{0, 0, 9000 / 15, 6000 / 15}));  // fills picBody
  EXPECT_FALSE(control().piczoom.visible);
  EXPECT_TRUE(w->visible);
}

TEST_F(WordHostingTest, OlderVersionsAreRestoredResizedAndMovedOverPicBody) {
  for (const char* version : {"9.0", "10.0", "12.0"}) {
    SCOPED_TRACE(version);
    installWord(version);
    Variant c = createControl();
    control().resize(9000, 6000);  // picBody: 450 x 300 points
    c.call("AddNewDocument");
    Variant app = state().wordApp;
    EXPECT_EQ(state().wordApp.get("Windows", state().wordWindowIndex).get("WindowState").toInt32(), 0);
    EXPECT_DOUBLE_EQ(app.get("Width").toDouble(), 458);
    EXPECT_DOUBLE_EQ(app.get("Height").toDouble(), 306);
    EXPECT_DOUBLE_EQ(app.get("Left").toDouble(), -3);
    EXPECT_DOUBLE_EQ(app.get("Top").toDouble(), -3);
    auto w = wordWindow();
    ASSERT_TRUE(w);
    EXPECT_EQ(w->parent, control().picBody.hwnd);
    EXPECT_TRUE(control().piczoom.visible);
    // The page's last step makes the application visible whatever the version.
    EXPECT_TRUE(app.get("Visible").toBool());
    // The shaping alone keeps 2000 and 2002 visible and hides any other version.
    control::SetWordStyleTemp(control());
    EXPECT_EQ(app.get("Visible").toBool(), std::string(version) != "12.0");
    control_->release();
    control_.reset();
  }
}

TEST_F(WordHostingTest, TimerUndoesMaximiseAndFullScreenWithinThreeSeconds) {
  installWord("9.0");
  Variant c = createControl();
  c.call("AddNewDocument");
  Variant window = state().wordApp.get("Windows", state().wordWindowIndex);
  window.put("WindowState", 1);
  window.get("View").put("FullScreen", true);
  host().sleep(3100);
  EXPECT_EQ(window.get("WindowState").toInt32(), 0);
  EXPECT_FALSE(window.get("View").get("FullScreen").toBool());
}

TEST_F(WordHostingTest, WordCloseQuitsWordEvenWithNoDocumentWindowLeft) {
  installWord();
  Variant c = createControl();
  c.call("AddNewDocument");
  const Variant app = state().wordApp;
  c.call("CloseDocument", false);
  c.call("WordClose");
  EXPECT_TRUE(state().wordApp.isEmpty());
  // A word processor that has quit answers nothing more.
  try {
    app.get("Documents");
    ADD_FAILURE() << "the word processor was left running";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), 462);
  }
}

TEST_F(WordHostingTest, ReleasingTheControlQuitsWordAndDeletesTheWorkingCopy) {
  installWord();
  Variant c = createControl();
  c.call("AddNewDocument");
  const std::string local = c.get("LocalFile").toString();
  ASSERT_TRUE(std::filesystem::exists(native(local)));
  control_->release();
  EXPECT_TRUE(state().wordApp.isEmpty());
  EXPECT_FALSE(std::filesystem::exists(native(local)));
}

TEST_F(WordHostingTest, OpenEditCloseAndReopenThroughMemberNames) {
  installWord();
  Variant c = createControl();
  control().resize(9000, 6000);
  writeDocument("d:\\docs\\report.doc", "first line");
  c.call("OpenWord", "d:\\docs\\report.doc", "王五");
  auto w = wordWindow();
  ASSERT_TRUE(w);
  EXPECT_EQ(w->parent, control().picBody.hwnd);
  const std::string local = c.get("LocalFile").toString();
  state().wordApp.get("Selection").call("TypeText", "edited ");
  EXPECT_TRUE(c.call("CloseObject", true).toBool());
  c.call("OpenWord", local);
  EXPECT_NE(documentText().find("edited"), std::string::npos);
  EXPECT_EQ(standIn().windows.info(state().wordWindowHandle)->parent, control().picBody.hwnd);
}

}  // namespace
}  // namespace verolin::testing
