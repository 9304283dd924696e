// HandWrite and its window, driven as a page and its user drive them: the mode switch, strokes, the
// tablet's clipboard picture, "重 写", "取 消" and "确 定" placing the signature as a mark.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "automation/error.h"
#include "seal/handwriting.h"
#include "seal/handwriting_window.h"
#include "signature_fixture.h"

namespace verolin::testing {
namespace {

using automation::Variant;
using platform::Form;
using platform::MouseAction;

constexpr const char* kNoSignature = "出错|64|没有有效的签名.";
constexpr const char* kTime = "2026年12月7日9时5分3秒";

class HandwritingTest : public SignatureFixture {
 protected:
  seal::HandwritingWindow& window() { return apartment_->instance<seal::HandwritingWindow>(); }

  // HandWrite with `user` playing the open window.
  void handWrite(std::function<void(Form&)> user) {
    host().onForm = std::move(user);
    page_.call("HandWrite");
    host().onForm = nullptr;
  }

  // Ticks the mode switch, answering the width question with `width` (nullopt: Cancel).
  void mouseMode(Form& f, std::optional<std::string> width = "1") {
    host().onInputBox = [width](const std::string&, const std::string&, const std::string&) { return width; };
    f.click("Csign1");
    host().onInputBox = nullptr;
  }

  static void stroke(Form& f, int button = 1) {
    f.mouse("picgetimage", MouseAction::Down, button, 0, 600, 600);
    f.mouse("picgetimage", MouseAction::Move, button, 0, 1500, 900);
    f.mouse("picgetimage", MouseAction::Up, button, 0, 2400, 600);
  }

  static int inked(Form& f) { return f.control("picgetimage").get("InkedPixels").toInt32(); }

  std::vector<std::string> signLists() {
    auto& s = state();
    return {s.newSignNameList, s.newSignTimeList, s.newSignIdList,
            s.signIdList,      s.signTimeList,    s.signNameList};
  }
};

TEST_F(HandwritingTest, WithoutDocumentTheGuardAnswersAndNoWindowOpens) {
  state().docOpen = false;
  bool shown = false;
  handWrite([&](Form&) { shown = true; });
  EXPECT_FALSE(shown);
  EXPECT_EQ(host().messages, std::vector<std::string>{"出错|64|请先建立一篇文档或下载一篇文档."});
}

TEST_F(HandwritingTest, WindowOpensTopmostInTabletModeAndItsWindowGoesWithIt) {
  platform::WindowHandle h = 0;
  handWrite([&](Form& f) {
    EXPECT_EQ(f.name(), "FrmHandWritd");
    EXPECT_EQ(f.caption(), "手写板签名");
    EXPECT_EQ(f.control("Csign1").get("Caption").toString(), "用鼠标签名");
    EXPECT_EQ(f.control("Csign1").get("Value").toInt32(), 0);
    EXPECT_EQ(f.control("cmdcancel").get("Caption").toString(), "取 消");
    EXPECT_EQ(f.control("cmdclean").get("Caption").toString(), "重 写");
    EXPECT_EQ(f.control("cmdok").get("Caption").toString(), "确 定");
    EXPECT_EQ(f.control("picgetimage").get("Width").toInt32(), 5580);
    EXPECT_EQ(f.control("picgetimage").get("Height").toInt32(), 4020);
    EXPECT_EQ(window().image().width(), 372);
    EXPECT_EQ(window().image().height(), 268);
    h = window().hwnd();
    const auto info = standIn().windows.info(h);
    ASSERT_TRUE(info.has_value());
    EXPECT_TRUE(info->topmost);
    EXPECT_EQ(info->title, "手写板签名");
    EXPECT_EQ(window().topmostError(), 0);
  });
  EXPECT_FALSE(standIn().windows.info(h).has_value());
  EXPECT_EQ(seal::MakeWindowTopmost(standIn().windows, h), 1400);
}

TEST_F(HandwritingTest, AClickWithoutMovementLeavesADotButNoInk) {
  handWrite([&](Form& f) {
    mouseMode(f);
    f.mouse("picgetimage", MouseAction::Down, 1, 0, 900, 900);
    f.mouse("picgetimage", MouseAction::Up, 1, 0, 900, 900);
    EXPECT_EQ(inked(f), 1);
    EXPECT_EQ(window().hasInk(), 0);
    f.click("cmdok");
    EXPECT_TRUE(f.isOpen());
  });
  EXPECT_EQ(host().messages, std::vector<std::string>{kNoSignature});
  EXPECT_EQ(shapeCount(), 0);
}

TEST_F(HandwritingTest, RightOrBothButtonsDrawNothing) {
  handWrite([&](Form& f) {
    mouseMode(f);
    stroke(f, 2);
    stroke(f, 3);
    EXPECT_EQ(inked(f), 0);
    EXPECT_EQ(window().hasInk(), 0);
    // The pen position still follows a press of any button.
    EXPECT_EQ(state().penLastX, 600);
  });
}

TEST_F(HandwritingTest, PenPositionRoundsHalvesToEven) {
  handWrite([&](Form& f) {
    mouseMode(f);
    f.mouse("picgetimage", MouseAction::Down, 1, 0, 2.5, 3.5);
    EXPECT_EQ(state().penLastX, 2);
    EXPECT_EQ(state().penLastY, 4);
    f.mouse("picgetimage", MouseAction::Move, 1, 0, 100.5, 101.5);
    EXPECT_EQ(state().penLastX, 100);
    EXPECT_EQ(state().penLastY, 102);
  });
}

TEST_F(HandwritingTest, TabletModeIgnoresTheMouseAndMouseModeAnswersEveryKey) {
  handWrite([&](Form& f) {
    stroke(f);
    EXPECT_EQ(inked(f), 0);
    mouseMode(f);
    f.key("picgetimage", 65, 0);
    f.key("picgetimage", 86, 2);
    EXPECT_FALSE(f.control("picgetimage").get("Picture").toBool());
  });
  const std::string key = "信息|64|注意:你现在的模式是用鼠标签名,如果想用手写板签名请把选项去掉.";
  EXPECT_EQ(host().messages, (std::vector<std::string>{key, key}));
}

TEST_F(HandwritingTest, CtrlVTakesOnlyAPictureAndOnlyWithCtrlAlone) {
  const automation::Bytes tablet = platform::Raster(20, 10, 0xFFFFFF, 0).png();
  handWrite([&](Form& f) {
    auto& clipboard = standIn().clipboard;
    clipboard.setText("签名");
    f.key("picgetimage", 86, 2);
    EXPECT_TRUE(window().picture().empty());
    clipboard.clear();
    clipboard.setPicture({1, 2, 3, 4});  // no picture the platform can load
    f.key("picgetimage", 86, 2);
    EXPECT_TRUE(window().picture().empty());
    clipboard.setPicture(tablet);
    f.key("picgetimage", 86, 3);  // Ctrl+Shift+V
    f.key("picgetimage", 86, 0);
    f.key("picgetimage", 67, 2);
    EXPECT_TRUE(window().picture().empty());
    f.key("picgetimage", 86, 2);
    EXPECT_EQ(window().picture(), tablet);
  });
  EXPECT_TRUE(host().messages.empty());
}

TEST_F(HandwritingTest, PenWidthIsTheAnswerOrOne) {
  const std::vector<std::pair<std::optional<std::string>, int>> answers{
      {"3", 3},   {"2.5", 2}, {"3.5", 4}, {"", 1},     {std::nullopt, 1},
      {"abc", 1}, {"0", 1},   {"-2", 1},  {"99999", 1}};
  handWrite([&](Form& f) {
    for (const auto& [answer, width] : answers) {
      mouseMode(f, answer);
      EXPECT_EQ(f.control("picgetimage").get("DrawWidth").toInt32(), width) << answer.value_or("(Cancel)");
      f.click("Csign1");
    }
  });
  // A width-3 stroke is thicker than a width-1 one.
  int thin = 0;
  int thick = 0;
  handWrite([&](Form& f) {
    mouseMode(f, "1");
    stroke(f);
    thin = inked(f);
  });
  handWrite([&](Form& f) {
    mouseMode(f, "3");
    stroke(f);
    thick = inked(f);
  });
  EXPECT_GT(thick, 2 * thin);
}

TEST_F(HandwritingTest, UntickingClearsStrokesAndInk) {
  handWrite([&](Form& f) {
    mouseMode(f);
    stroke(f);
    EXPECT_GT(inked(f), 0);
    EXPECT_EQ(window().hasInk(), -1);
    f.click("Csign1");
    EXPECT_EQ(inked(f), 0);
    EXPECT_EQ(window().hasInk(), 0);
  });
}

TEST_F(HandwritingTest, RewriteAsksAndClearsOnlyOnOk) {
  int answer = platform::mb::kAnswerCancel;
  host().onMessageBox = [&](const std::string&, int, const std::string&) { return answer; };
  handWrite([&](Form& f) {
    mouseMode(f);
    stroke(f);
    standIn().clipboard.setText("别的");
    f.click("cmdclean");
    EXPECT_GT(inked(f), 0);
    EXPECT_TRUE(standIn().clipboard.data().has_value());
    answer = platform::mb::kAnswerOk;
    f.click("cmdclean");
    EXPECT_EQ(inked(f), 0);
    EXPECT_EQ(window().hasInk(), 0);
    EXPECT_FALSE(standIn().clipboard.data().has_value());
    f.click("cmdok");
  });
  EXPECT_EQ(host().messages,
            (std::vector<std::string>{"提示|65|你真的想重写吗?", "提示|65|你真的想重写吗?", kNoSignature}));
}

TEST_F(HandwritingTest, CancelClearsTheClipboardAndInsertsNothing) {
  handWrite([&](Form& f) {
    mouseMode(f);
    stroke(f);
    standIn().clipboard.setText("别的");
    f.click("cmdcancel");
    EXPECT_FALSE(f.isOpen());
  });
  EXPECT_FALSE(standIn().clipboard.data().has_value());
  EXPECT_EQ(shapeCount(), 0);
  EXPECT_EQ(state().signIdList, "");
}

TEST_F(HandwritingTest, DrawnSignatureBecomesAMarkUnderTheUserNameAtInsertion) {
  handWrite([&](Form& f) {
    mouseMode(f, "2");
    stroke(f);
    word().put("UserName", "李四");  // changed while the window is open
    f.click("cmdok");
    EXPECT_FALSE(f.isOpen());
  });
  EXPECT_TRUE(host().messages.empty());
  ASSERT_EQ(shapeCount(), 1);
  Variant mark = shapes().get("Item", 1);
  EXPECT_EQ(mark.get("Name").toString(), "Picture 1");
  EXPECT_FLOAT_EQ(mark.get("Width").toDouble(), 372 * 0.75);  // the whole capture box
  EXPECT_EQ(mark.get("PictureFormat").get("TransparentBackground").toInt32(), -1);
  EXPECT_EQ(mark.get("PictureFormat").get("TransparencyColor").toInt32(), 0xFFFFFF);  // white transparent
  EXPECT_EQ(mark.get("Fill").get("Visible").toInt32(), 0);
  EXPECT_EQ(mark.get("WrapFormat").get("AllowOverlap").toInt32(), -1);
  EXPECT_EQ(mark.get("WrapFormat").get("Type").toInt32(), 3);
  EXPECT_EQ(word().get("Selection").get("ShapeRange").get("Name").toString(), "Picture 1");
  EXPECT_EQ(signLists(), (std::vector<std::string>{"李四§", std::string(kTime) + "§", "1§", "1§",
                                                   std::string(kTime) + "§", "李四§"}));
  EXPECT_FALSE(standIn().clipboard.data().has_value());
  EXPECT_EQ(state().newSealIdList, "");
}

TEST_F(HandwritingTest, PastedSignatureIsRecordedWhenTheCursorStandsBeforeAnotherPicture) {
  // A 40-pixel picture at the end of the text, the insertion point at the start.
  standIn().files.write("c:\\temp\\other.png", platform::Raster(40, 40).png());
  word().get("Selection").call("TypeText", "正文");
  Variant other("c:\\temp\\other.png");
  word().get("Selection").get("InlineShapes").call("AddPicture", Variant::ref(other));
  word().get("Selection").call("HomeKey", 6);
  standIn().clipboard.setPicture(platform::Raster(80, 40, 0xFFFFFF, 0).png());
  handWrite([&](Form& f) {
    f.key("picgetimage", 86, 2);
    f.click("cmdok");
  });
  ASSERT_EQ(shapeCount(), 1);
  EXPECT_FLOAT_EQ(shapes().get("Item", 1).get("Width").toDouble(), 60);  // the 80-pixel signature
  EXPECT_EQ(word().get("ActiveDocument").get("InlineShapes").get("Count").toInt32(), 1);
  EXPECT_FLOAT_EQ(word().get("ActiveDocument").get("InlineShapes", 1).get("Width").toDouble(), 30);
  EXPECT_EQ(state().signIdList, "1§");
  EXPECT_EQ(state().newSignNameList, "张三§");
}

TEST_F(HandwritingTest, WithoutWordTheSignatureHasNowhereToGo) {
  handWrite([&](Form& f) {
    mouseMode(f);
    stroke(f);
    Variant running = state().wordApp;
    state().wordApp = Variant();
    f.click("cmdok");
    state().wordApp = running;
    EXPECT_TRUE(f.isOpen());
  });
  EXPECT_EQ(host().messages, std::vector<std::string>{"提示|64|找不到要插入的对象!"});
  EXPECT_EQ(state().signIdList, "");
}

TEST_F(HandwritingTest, WordRefusingThePasteRecordsNothingAndKeepsTheWindowOpen) {
  word().get("ActiveDocument").call("Protect", 1);  // comments only
  handWrite([&](Form& f) {
    mouseMode(f);
    stroke(f);
    f.click("cmdok");
    EXPECT_TRUE(f.isOpen());
    EXPECT_EQ(signLists(), std::vector<std::string>(6));
    EXPECT_FALSE(standIn().clipboard.data().has_value());
    // Once the document takes it, the same strokes go in.
    word().get("ActiveDocument").call("Unprotect");
    f.click("cmdok");
    EXPECT_FALSE(f.isOpen());
  });
  EXPECT_EQ(host().messages, std::vector<std::string>{"出错|48|签名没有插入到文档中,请重试."});
  EXPECT_EQ(state().signIdList, "1§");
  EXPECT_EQ(shapeCount(), 1);
}

TEST_F(HandwritingTest, ShowingTheOpenWindowAgainIsRefused) {
  std::int32_t number = 0;
  handWrite([&](Form&) {
    try {
      page_.call("HandWrite");
    } catch (const automation::AutomationError& e) {
      number = e.number();
    }
  });
  EXPECT_EQ(number, 400);
}

}  // namespace
}  // namespace verolin::testing
