// ShowElectronSealInfo and ShowSignInfo: red frames and screen tips on the valid marks, taken away
// again, with the counts, hints and the different error behaviour of seals and signatures.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "automation/error.h"
#include "signature_fixture.h"

namespace verolin::testing {
namespace {

using automation::Variant;

constexpr const char* kSealHint = " 信息|64|把鼠标放在相应的图片上可以看到相应的盖章人！";
constexpr const char* kSignHint = "信息|64|把鼠标放在相应的图片上可以看到相应的盖章人！";
constexpr const char* kT1 = "2026年12月7日9时5分3秒";
constexpr const char* kT2 = "2026年12月8日10时0分0秒";

class HighlightTest : public SignatureFixture {
 protected:
  Variant shape(int i) { return shapes().get("Item", i); }
  int lineVisible(int i) { return shape(i).get("Line").get("Visible").toInt32(); }
  int hyperlinks() { return word().get("ActiveDocument").get("Hyperlinks").get("Count").toInt32(); }
  std::string tip(int i) { return shape(i).get("Hyperlink").get("ScreenTip").toString(); }
  int show(const char* member, bool isShow) { return page_.call(member, isShow).toInt32(); }
};

TEST_F(HighlightTest, ShowFramesEveryValidSealInRedWithItsPlacerAsScreenTip) {
  recordedPicture(true, "张三", kT1);
  recordedPicture(true, "李四", kT2);
  EXPECT_EQ(show("ShowElectronSealInfo", true), 2);
  for (int i : {1, 2}) {
    Variant line = shape(i).get("Line");
    EXPECT_EQ(line.get("Visible").toInt32(), -1);
    EXPECT_EQ(line.get("ForeColor").get("RGB").toInt32(), 255);
    EXPECT_EQ(line.get("BackColor").get("RGB").toInt32(), 0xFFFFFF);
    EXPECT_FLOAT_EQ(line.get("Weight").toDouble(), 2);
    EXPECT_EQ(line.get("DashStyle").toInt32(), 1);
    EXPECT_EQ(shape(i).get("Fill").get("Visible").toInt32(), 0);
    EXPECT_EQ(shape(i).get("Hyperlink").get("Address").toString(), "#");
  }
  EXPECT_EQ(tip(1), std::string("盖章人的姓名:张三盖章日期:") + kT1);
  EXPECT_EQ(tip(2), std::string("盖章人的姓名:李四盖章日期:") + kT2);
  EXPECT_EQ(hyperlinks(), 2);
  EXPECT_EQ(host().messages, std::vector<std::string>{kSealHint});
  // The selection stays on the last mark handled.
  EXPECT_EQ(word().get("Selection").get("ShapeRange").get("Name").toString(), "Picture 2");
}

TEST_F(HighlightTest, HintOnlyWhenShowingAndAsked) {
  recordedPicture(true, "张三", kT1);
  Variant quiet(false);
  EXPECT_EQ(page_.call("ShowElectronSealInfo", true, Variant::ref(quiet)).toInt32(), 1);
  EXPECT_EQ(page_.call("ShowElectronSealInfo", false, true).toInt32(), 1);
  EXPECT_TRUE(host().messages.empty());
}

TEST_F(HighlightTest, HideTakesFramesAndHyperlinksAway) {
  recordedPicture(true, "张三", kT1);
  recordedPicture(true, "李四", kT2);
  show("ShowElectronSealInfo", true);
  EXPECT_EQ(show("ShowElectronSealInfo", false), 2);
  for (int i : {1, 2}) {
    EXPECT_EQ(lineVisible(i), 0);
    EXPECT_EQ(shape(i).get("LockAspectRatio").toInt32(), -1);
    EXPECT_TRUE(shape(i).get("Hyperlink").isNothing());
  }
  EXPECT_EQ(hyperlinks(), 0);
}

TEST_F(HighlightTest, ShowingTwiceAddsEachHyperlinkAgain) {
  recordedPicture(true, "张三", kT1);
  int added = 0;
  host().onTrace = [&](std::string_view, std::string_view line) {
    if (line.find("hyperlink on shape Picture 1") != std::string_view::npos) ++added;
  };
  show("ShowElectronSealInfo", true);
  show("ShowElectronSealInfo", true);
  EXPECT_EQ(added, 2);
  EXPECT_EQ(tip(1), std::string("盖章人的姓名:张三盖章日期:") + kT1);
}

TEST_F(HighlightTest, HidingAMarkThatWasNeverShownStopsThereWithZero) {
  recordedPicture(true, "甲", kT1);
  recordedPicture(true, "乙", kT1);
  recordedPicture(true, "丙", kT1);
  show("ShowElectronSealInfo", true);
  shape(2).get("Hyperlink").call("Delete");
  EXPECT_EQ(show("ShowElectronSealInfo", false), 0);
  EXPECT_EQ(lineVisible(1), 0);
  EXPECT_EQ(lineVisible(2), 0);  // its frame settings came before the failed deletion
  EXPECT_EQ(lineVisible(3), -1);
  EXPECT_EQ(hyperlinks(), 1);
}

TEST_F(HighlightTest, ADeletedSealIsNeitherFramedNorCounted) {
  recordedPicture(true, "张三", kT1);
  recordedPicture(true, "李四", kT2);
  word().get("UserActions").call("DeleteShape", "Picture 1");
  EXPECT_EQ(show("ShowElectronSealInfo", true), 1);
  EXPECT_EQ(hyperlinks(), 1);
  EXPECT_EQ(tip(1), std::string("盖章人的姓名:李四盖章日期:") + kT2);
  EXPECT_EQ(state().sealIdList, "1§2§");  // the lists keep the deleted seal
}

TEST_F(HighlightTest, SignaturesAreFramedWithTheirOwnHintCaption) {
  recordedPicture(true, "张三", kT1);
  recordedPicture(false, "李四", kT2);
  EXPECT_EQ(show("ShowSignInfo", true), 1);
  EXPECT_EQ(lineVisible(1), 0);  // the seal is left alone
  EXPECT_EQ(tip(2), std::string("盖章人的姓名:李四盖章日期:") + kT2);
  EXPECT_EQ(host().messages, std::vector<std::string>{kSignHint});
  EXPECT_EQ(show("ShowSignInfo", false), 1);
  EXPECT_EQ(hyperlinks(), 0);
}

TEST_F(HighlightTest, EmptyListsAndNoDocumentAreNamed) {
  EXPECT_EQ(show("ShowElectronSealInfo", true), 0);
  EXPECT_EQ(show("ShowSignInfo", true), 0);
  state().docOpen = false;
  EXPECT_EQ(show("ShowElectronSealInfo", true), 0);
  EXPECT_EQ(show("ShowSignInfo", false), 0);
  EXPECT_EQ(host().messages,
            (std::vector<std::string>{"信息|64|没有有效的盖章！", "信息|64|没有有效的签名！",
                                      "提示|64|文档没有打开请稍后..", "提示|64|文档没有打开请稍后.."}));
}

TEST_F(HighlightTest, WordErrorsReachThePageForSealsButEndSignaturesWithZero) {
  recordedPicture(true, "张三", kT1);
  recordedPicture(false, "李四", kT2);
  word().get("ActiveDocument").call("Protect", 1);  // the hyperlink cannot be added
  EXPECT_THROW(show("ShowElectronSealInfo", true), automation::AutomationError);
  EXPECT_EQ(show("ShowSignInfo", true), 0);
  EXPECT_TRUE(host().messages.empty());
  word().get("ActiveDocument").call("Unprotect");
  // A signature that was never shown has no hyperlink to delete.
  EXPECT_EQ(show("ShowSignInfo", false), 0);
}

}  // namespace
}  // namespace verolin::testing
