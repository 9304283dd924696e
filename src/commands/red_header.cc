#include "commands/red_header.h"

#include <cstdint>

#include "automation/variant.h"

namespace verolin::commands {
namespace {

using automation::named;
using automation::Variant;

constexpr const char* kTitleStyle = "标题 1";
constexpr const char* kAuthority = "(XX)市人民政府";
constexpr const char* kDocumentKind = "请示";
constexpr const char* kDocumentNumber = "[XX]XX号";

// Word's units and values, with the types the word processor receives them in.
constexpr std::int16_t kScreen = 7;  // wdScreen
constexpr std::int16_t kRed = 255;   // wdColorRed
constexpr std::int16_t kTitleSize = 36;
constexpr std::int16_t kNumberSize = 12;
constexpr std::int16_t kAlignCenter = 1;
constexpr std::int16_t kRuleBeginX = 108;
constexpr std::int16_t kRuleEndX = 558;
constexpr double kRuleY = 204.6;
constexpr std::int16_t kRuleShift = -45;
constexpr std::int16_t kRuleWeight = 3;
constexpr std::int32_t kRuleColor = 255;           // RGB(255, 0, 0)
constexpr std::int32_t kRuleBackColor = 16777215;  // RGB(255, 255, 255)
constexpr std::int16_t kWrapNone = 3;

}  // namespace

void makeRedHeard(control::Control& c) {
  if (!c.wordGuard()) return;
  const Variant& word = c.state().wordApp;
  word.get("Selection").call("MoveUp", kScreen, std::int16_t{1});
  word.get("Selection").put("Style", word.get("ActiveDocument").get("Styles", kTitleStyle));
  word.get("Selection").get("Font").put("Color", kRed);
  word.get("Selection").get("Font").put("Size", kTitleSize);
  word.get("Selection").call("TypeText", kAuthority);
  word.get("Selection").call("TypeText", kDocumentKind);
  word.get("Selection").call("TypeParagraph");
  word.get("Selection").get("ParagraphFormat").put("Alignment", kAlignCenter);
  word.get("Selection").get("Font").put("Size", kNumberSize);
  word.get("Selection").get("Font").put("Color", kRed);
  word.get("Selection").call("TypeText", named("Text", kDocumentNumber));
  word.get("ActiveDocument")
      .get("Shapes")
      .call("AddLine", kRuleBeginX, kRuleY, kRuleEndX, kRuleY)
      .call("Select");
  Variant shapes = word.get("Selection").get("ShapeRange");
  shapes.call("IncrementLeft", kRuleShift);
  shapes.get("Line").put("Weight", kRuleWeight);
  shapes.get("Line").get("ForeColor").put("RGB", kRuleColor);
  shapes.get("Line").get("BackColor").put("RGB", kRuleBackColor);
  shapes.get("WrapFormat").put("Type", kWrapNone);
  word.get("Selection").call("MoveUp");
}

}  // namespace verolin::commands
