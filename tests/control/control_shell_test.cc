// The control object itself: creation and release, properties, layout, guards, status strip, timer.
#include <gtest/gtest.h>

#include "control/registration.h"
#include "control_fixture.h"

namespace verolin::testing {
namespace {

using automation::AutomationError;
using automation::Variant;

class ControlShellTest : public ControlFixture {};

TEST_F(ControlShellTest, InitializeCreatesWorkingFolderAndResetsProperties) {
  ASSERT_FALSE(std::filesystem::exists(native("c:\\temp")));
  Variant c = createControl();
  EXPECT_TRUE(std::filesystem::is_directory(native("c:\\temp")));
  EXPECT_EQ(c.get("GetSetType").toString(), "1");
  EXPECT_EQ(c.get("LocalFile").toString(), "");
  EXPECT_EQ(c.get("ServerFilePath").toString(), "");
  EXPECT_EQ(c.get("ActiveForm").toString(), "");
  EXPECT_EQ(state().splitStr, "§");
  EXPECT_EQ(state().linkStr, "ǐ");
}

TEST_F(ControlShellTest, InitializeKeepsAnExistingWorkingFolder) {
  std::filesystem::create_directories(native("c:\\temp"));
  std::ofstream(native("c:\\temp\\keep.doc")) << "x";
  createControl();
  EXPECT_TRUE(std::filesystem::exists(native("c:\\temp\\keep.doc")));
}

TEST_F(ControlShellTest, PropertiesReadBackWhatWasWrittenAndNotifyTheContainer) {
  Variant c = createControl();
  c.put("serverfilepath", "docs/a.doc");  // names are case-insensitive, as for any page script
  c.put("ActiveForm", "http://127.0.0.1:8080/page");
  c.put("GetSetType", "0");
  c.put("LocalFile", "c:\\temp\\x.doc");
  EXPECT_EQ(c.get("ServerFilePath").toString(), "docs/a.doc");
  EXPECT_EQ(c.get("ACTIVEFORM").toString(), "http://127.0.0.1:8080/page");
  EXPECT_EQ(c.get("GetSetType").toString(), "0");
  EXPECT_EQ(c.get("LocalFile").toString(), "c:\\temp\\x.doc");
  EXPECT_EQ(host().changedProperties,
            (std::vector<std::string>{"ServerFilePath", "ActiveForm", "GetSetType", "LocalFile"}));
  // Routines write the same variables, and a get returns what they left.
  state().localFile = "c:\\temp\\y.doc";
  EXPECT_EQ(c.get("LocalFile").toString(), "c:\\temp\\y.doc");
}

TEST_F(ControlShellTest, StateIsSharedByControlsOfOneThreadAndOutlivesThem) {
  createControl();
  auto second = activex::VerolinActivex::create(*apartment_);
  Variant s(std::static_pointer_cast<automation::Dispatch>(second));
  s.put("ServerFilePath", "shared.doc");
  Variant first(std::static_pointer_cast<automation::Dispatch>(control_));
  EXPECT_EQ(first.get("ServerFilePath").toString(), "shared.doc");
  second->release();
  EXPECT_EQ(state().serverFilePath, "shared.doc");
}

TEST_F(ControlShellTest, ResizeKeepsZoomPatchInsideCornerAndStripsApart) {
  createControl();
  auto& ctl = control();
  for (auto [w, h] : {std::pair{4800, 4485}, std::pair{12000, 9000}, std::pair{500, 300}}) {
    ctl.resize(w, h);
    EXPECT_EQ(ctl.picBody.rect, (platform::Rect{0, 0, w, h}));
    EXPECT_EQ(ctl.piczoom.rect.width, 375);
    EXPECT_EQ(ctl.piczoom.rect.height, 255);
    EXPECT_EQ(ctl.piczoom.rect.left + ctl.piczoom.rect.width, w - 14);
    EXPECT_EQ(ctl.piczoom.rect.top + ctl.piczoom.rect.height, h - 14);
    EXPECT_EQ(ctl.picNobg.rect.height, ctl.picConvert.rect.height - 17);
    EXPECT_EQ(ctl.picNobg.rect.left, -1);
    EXPECT_EQ(ctl.picNobg.rect.width, w + 2);
    EXPECT_EQ(ctl.picConvert.rect.width, w);
    EXPECT_EQ(ctl.lblTitle.rect, (platform::Rect{0, 30, w, ctl.picConvert.rect.height}));
  }
  // The caption strip is a caption bar with its frames, less 80 twips.
  auto& win = standIn().windows;
  const int bar =
      (win.metric(platform::Metric::CaptionHeight) + 2 * win.metric(platform::Metric::FrameHeight)) * 15;
  EXPECT_EQ(ctl.picConvert.rect.height, bar - 80);
  // picBody's window follows in pixels.
  auto info = win.info(ctl.picBody.hwnd);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->rect.width, 500 / 15);
}

TEST_F(ControlShellTest, StatusStripCentresAndHidesOnFinalText) {
  createControl();
  auto& ctl = control();
  ctl.resize(6000, 4000);
  ctl.showMessage("正在打开文件请稍后..", true);
  EXPECT_TRUE(ctl.cmdMsg.visible);
  EXPECT_EQ(ctl.cmdMsg.rect.left, (6000 - 2535) / 2);
  EXPECT_EQ(ctl.cmdMsg.rect.top, (4000 - 615) / 2);
  ctl.showMessage("操作完成", false);
  EXPECT_FALSE(ctl.cmdMsg.visible);
  EXPECT_EQ(ctl.cmdMsg.caption, "操作完成");
}

TEST_F(ControlShellTest, ChildControlsAreWindowsThatFollowLayoutAndStatus) {
  createControl();
  auto& ctl = control();
  auto& win = standIn().windows;
  using platform::WindowKind;
  struct Expected {
    const control::ChildControl& child;
    platform::WindowHandle parent;
    WindowKind kind;
  };
  for (const Expected& e : {Expected{ctl.picConvert, ctl.hwnd(), WindowKind::Picture},
                            Expected{ctl.lblTitle, ctl.picConvert.hwnd, WindowKind::Label},
                            Expected{ctl.picNobg, ctl.hwnd(), WindowKind::Picture},
                            Expected{ctl.piczoom, ctl.hwnd(), WindowKind::Picture},
                            Expected{ctl.cmdMsg, ctl.hwnd(), WindowKind::Button}}) {
    auto info = win.info(e.child.hwnd);
    ASSERT_TRUE(info) << e.child.name;
    EXPECT_EQ(info->parent, e.parent) << e.child.name;
    EXPECT_EQ(info->kind, e.kind) << e.child.name;
  }
  EXPECT_EQ(win.info(ctl.picConvert.hwnd)->backColor, platform::kColorWhite);
  EXPECT_EQ(win.info(ctl.picNobg.hwnd)->backColor, platform::kColorWhite);
  EXPECT_EQ(win.info(ctl.piczoom.hwnd)->backColor, platform::kColorInactiveBorder);
  EXPECT_EQ(win.info(ctl.lblTitle.hwnd)->foreColor, platform::kColorRed);
  EXPECT_EQ(win.info(ctl.lblTitle.hwnd)->title, "");
  EXPECT_EQ(win.info(ctl.cmdMsg.hwnd)->font, (platform::Font{"宋体", 9}));
  EXPECT_FALSE(win.info(ctl.cmdMsg.hwnd)->visible);

  ctl.resize(9000, 6000);
  for (const control::ChildControl* child :
       {&ctl.picBody, &ctl.picConvert, &ctl.lblTitle, &ctl.picNobg, &ctl.piczoom}) {
    const auto& r = child->rect;
    EXPECT_EQ(win.info(child->hwnd)->rect,
              (platform::Rect{r.left / 15, r.top / 15, r.width / 15, r.height / 15}))
        << child->name;
  }
  ctl.showMessage("正在打开文件请稍后..", true);
  auto strip = win.info(ctl.cmdMsg.hwnd);
  EXPECT_TRUE(strip->visible);
  EXPECT_EQ(strip->title, "正在打开文件请稍后..");
  EXPECT_EQ(strip->rect,
            (platform::Rect{(9000 - 2535) / 2 / 15, (6000 - 615) / 2 / 15, 2535 / 15, 615 / 15}));
  ctl.showMessage("操作完成", false);
  EXPECT_FALSE(win.info(ctl.cmdMsg.hwnd)->visible);
  ctl.showChild(ctl.piczoom, false);
  EXPECT_FALSE(ctl.piczoom.visible);
  EXPECT_FALSE(win.info(ctl.piczoom.hwnd)->visible);
}

TEST_F(ControlShellTest, GuardsShowTheirMessagesAndChangeNothing) {
  createControl();
  auto& ctl = control();
  EXPECT_FALSE(ctl.wordGuard());
  EXPECT_FALSE(ctl.documentGuard("请先建立一篇文档或下载一篇文档.", "出错"));
  EXPECT_EQ(host().messages, (std::vector<std::string>{"信息|64|没有可执行的对象.",
                                                       "出错|64|请先建立一篇文档或下载一篇文档."}));
  EXPECT_FALSE(state().isBusy);
}

TEST_F(ControlShellTest, WrongCallsGetAutomationErrors) {
  Variant c = createControl();
  EXPECT_THROW(c.call("NoSuchMember"), AutomationError);
  try {
    c.call("OpenWord");
    ADD_FAILURE();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), automation::err::kArgNotOptional);
  }
}

TEST_F(ControlShellTest, WordCloseWithoutWordDoesNothingAndTerminateNeverThrows) {
  Variant c = createControl();
  Variant save(true), del(true);
  c.call("WordClose", Variant::ref(save), Variant::ref(del));
  EXPECT_TRUE(save.toBool());  // no word processor: nothing touched, not even the caller's variable
  EXPECT_TRUE(host().messages.empty());
  control_->release();
  control_->release();
}

TEST_F(ControlShellTest, TimerTickWithoutWordDoesNothing) {
  createControl();
  host().sleep(10000);
  EXPECT_TRUE(host().messages.empty());
}

TEST_F(ControlShellTest, CreationWritesBrowserSyncModeEveryTime) {
  createControl();
  auto second = activex::VerolinActivex::create(*apartment_);
  const char* key = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
  auto v = standIn().registry.value(key, "SyncMode5");
  ASSERT_TRUE(v);
  EXPECT_EQ(*v, platform::RegistryValue::ofDword(3));
  EXPECT_EQ(standIn().registry.writeCount(key, "SyncMode5"), 2);
  second->release();
}

TEST_F(ControlShellTest, RegistrationWritesAndRemovesTheClassEntries) {
  auto& reg = standIn().registry;
  EXPECT_EQ(control::DllRegisterServer(reg, "c:\\windows\\VerolinSystem.ocx"), 0);
  const std::string clsid = std::string("HKEY_CLASSES_ROOT\\CLSID\\") + control::kClassId;
  auto server = reg.value(clsid + "\\InprocServer32", "");
  ASSERT_TRUE(server);
  EXPECT_EQ(server->text, "c:\\windows\\VerolinSystem.ocx");
  EXPECT_TRUE(reg.value(std::string("HKEY_CLASSES_ROOT\\Interface\\") + control::kEventInterfaceId, ""));
  EXPECT_EQ(control::DllUnregisterServer(reg), 0);
  EXPECT_FALSE(reg.value(clsid + "\\InprocServer32", ""));
  EXPECT_EQ(control::DllUnregisterServer(reg), 0);
}

}  // namespace
}  // namespace verolin::testing
