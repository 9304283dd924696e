// The red header through makeRedHeard.
#include <memory>

#include "automation/dispatch.h"
#include "commands_fixture.h"

namespace verolin::testing {
namespace {

using RedHeaderTest = CommandsTest;

TEST_F(RedHeaderTest, WithoutWordOnlyTheGuardSpeaks) {
  Variant c = createControl();
  c.call("makeRedHeard");
  EXPECT_EQ(messages(), std::vector<std::string>{kNoObject});
}

TEST_F(RedHeaderTest, TwiceGivesTwoRedHeadersAndTwoRedLines) {
  Variant c = openDocument();
  c.call("makeRedHeard");
  EXPECT_EQ(text(), "(XX)市人民政府请示\r[XX]XX号\r");
  Variant title = doc().call("Range", 0, 11);
  EXPECT_EQ(title.get("Style").toString(), "标题 1");
  EXPECT_EQ(title.get("Font").get("Color").toInt32(), 255);
  EXPECT_FLOAT_EQ(title.get("Font").get("Size").toDouble(), 36);
  Variant number = doc().call("Range", 12, 19);
  EXPECT_EQ(number.get("ParagraphFormat").get("Alignment").toInt32(), 1);
  EXPECT_FLOAT_EQ(number.get("Font").get("Size").toDouble(), 12);
  EXPECT_EQ(number.get("Font").get("Color").toInt32(), 255);

  c.call("makeRedHeard");
  EXPECT_EQ(text(), "(XX)市人民政府请示\r[XX]XX号(XX)市人民政府请示\r[XX]XX号\r");
  ASSERT_EQ(doc().get("Shapes").get("Count").toInt32(), 2);
  for (int i = 1; i <= 2; ++i) {
    Variant line = doc().get("Shapes", i);
    EXPECT_FLOAT_EQ(line.get("Left").toDouble(), 63) << i;
    EXPECT_FLOAT_EQ(line.get("Top").toDouble(), 204.6f) << i;
    EXPECT_FLOAT_EQ(line.get("Width").toDouble(), 450) << i;
    EXPECT_FLOAT_EQ(line.get("Line").get("Weight").toDouble(), 3) << i;
    EXPECT_EQ(line.get("Line").get("ForeColor").get("RGB").toInt32(), 255) << i;
    EXPECT_EQ(line.get("Line").get("BackColor").get("RGB").toInt32(), 16777215) << i;
    EXPECT_EQ(line.get("WrapFormat").get("Type").toInt32(), 3) << i;
  }
  EXPECT_TRUE(messages().empty());
}

// The word processor as it is, except that its documents have no style named "标题 1" (an
// installation in another language names its heading styles otherwise).
class WithoutHeadingStyle final : public automation::Dispatch {
 public:
  WithoutHeadingStyle(Variant target, bool isApplication) : target_(target.toObject()), app_(isApplication) {}

  Variant invoke(std::string_view member, automation::InvokeKind kind, std::span<Variant> args,
                 std::span<automation::NamedArg> named) override {
    if (app_ && member == "ActiveDocument") {
      Variant doc = target_->invoke(member, kind, args, named);
      return Variant(std::static_pointer_cast<Dispatch>(std::make_shared<WithoutHeadingStyle>(doc, false)));
    }
    if (!app_ && member == "Styles" && !args.empty() && args[0].toString() == "标题 1") {
      throw AutomationError(5941, "The requested member of the collection does not exist.");
    }
    return target_->invoke(member, kind, args, named);
  }
  bool hasMember(std::string_view member) const override { return target_->hasMember(member); }

 private:
  automation::ObjectRef target_;
  bool app_;
};

TEST_F(RedHeaderTest, MissingHeadingStyleFailsAfterTheSelectionMovedUp) {
  Variant c = openDocument();
  for (int i = 0; i < 80; ++i) {
    selection().call("TypeText", "正文");
    selection().call("TypeParagraph");
  }
  const std::string before = text();
  const std::int32_t start = selection().get("Start").toInt32();
  Variant real = state().wordApp;
  state().wordApp = Variant(
      std::static_pointer_cast<automation::Dispatch>(std::make_shared<WithoutHeadingStyle>(real, true)));
  EXPECT_EQ(errorNumber([&] { c.call("makeRedHeard"); }), 5941);
  state().wordApp = real;
  EXPECT_LT(selection().get("Start").toInt32(), start);
  EXPECT_EQ(text(), before);
  EXPECT_EQ(doc().get("Shapes").get("Count").toInt32(), 0);
}

}  // namespace
}  // namespace verolin::testing
