#include "seal/highlight.h"

#include <string>

#include "automation/error.h"
#include "seal/marks.h"

namespace verolin::seal {

namespace {

using automation::AutomationError;
using automation::Variant;

constexpr const char* kNoDocument = "文档没有打开请稍后..";
constexpr const char* kCaptionHint = "提示";
constexpr const char* kNoSeals = "没有有效的盖章！";
constexpr const char* kNoSigns = "没有有效的签名！";
constexpr const char* kHoverHint = "把鼠标放在相应的图片上可以看到相应的盖章人！";
// The seal hint's caption carries a leading space; the signature hint's does not.
constexpr const char* kSealHintCaption = " 信息";
constexpr const char* kSignHintCaption = "信息";
// The screen tip names the placer and the time, for seals and signatures alike.
constexpr const char* kTipName = "盖章人的姓名:";
constexpr const char* kTipTime = "盖章日期:";
constexpr const char* kLinkAddress = "#";
constexpr const char* kLinkText = "TestTest";
constexpr const char* kLinkTarget = "TestTestTest";

constexpr std::int32_t kRed = 0x0000FF;    // RGB(255, 0, 0)
constexpr std::int32_t kWhite = 0xFFFFFF;  // RGB(255, 255, 255)
constexpr std::int16_t kSolid = 1;         // msoLineSolid
constexpr std::int16_t kSingle = 1;        // msoLineSingle
constexpr float kFrameWeight = 2.0f;

// The settings show and hide share, on the selected mark, in their order.
void FrameBasics(const Variant& range) {
  range.get("Fill").put("Visible", false);
  range.get("Fill").put("Transparency", 0.0f);
  range.get("Line").put("Weight", kFrameWeight);
  range.get("Line").put("DashStyle", kSolid);
  range.get("Line").put("Style", kSingle);
  range.get("Line").put("Transparency", 0.0f);
}

void ShowFrame(const Variant& wordApp, const Variant& range, const std::string& name,
               const std::string& time) {
  FrameBasics(range);
  range.get("Line").put("Visible", true);
  range.get("Line").get("ForeColor").put("RGB", kRed);
  range.get("Line").get("BackColor").put("RGB", kWhite);
  wordApp.get("ActiveDocument")
      .get("Hyperlinks")
      .call("Add", range, kLinkAddress, "", std::string(kTipName) + name + kTipTime + time, kLinkText,
            kLinkTarget);
}

void HideFrame(const Variant& range) {
  FrameBasics(range);
  range.get("Line").put("Visible", false);
  range.put("LockAspectRatio", true);
}

struct Group {
  MarkKind kind;
  const char* emptyMessage;
  const char* hintCaption;
  bool examineLast;  // seals examine the empty element after the last terminator too
};

// The steps both procedures share. `deleting` tells the caller whether the first hyperlink deletion
// of hide mode had been reached when an error came.
std::int16_t MarkValid(control::Control& c, const Group& g, bool isShow, bool msgShow, bool& deleting) {
  auto& s = c.state();
  if (!c.documentGuard(kNoDocument, kCaptionHint)) return 0;
  if (!s.wordStarted()) return 0;
  const MarkLists lists = ListsOf(s, g.kind);
  if (lists.names->empty() || lists.ids->empty() || lists.times->empty()) {
    c.message(g.emptyMessage, platform::mb::kInformation, control::kCaptionInfo);
    return 0;
  }
  const SplitGroup group = SplitMarkGroup(*lists.ids, *lists.names, *lists.times, s.splitStr);
  std::int16_t count = 0;
  for (const ValidMark& m : FindValidMarks(s.wordApp, group, g.examineLast)) {
    s.wordApp.get("ActiveDocument").get("Shapes").call("Item", m.shapeIndex).call("Select");
    Variant range = s.wordApp.get("Selection").get("ShapeRange");
    if (isShow) {
      ShowFrame(s.wordApp, range, ItemAt(group.names, m.item), ItemAt(group.times, m.item));
    } else {
      HideFrame(range);
      deleting = true;
      range.get("Hyperlink").call("Delete");
    }
    ++count;
  }
  if (isShow && msgShow) c.message(kHoverHint, platform::mb::kInformation, g.hintCaption);
  return count;
}

}  // namespace

std::int16_t MarkValidSeals(control::Control& c, bool isShow, bool msgShow) {
  bool deleting = false;
  try {
    return MarkValid(c, {MarkKind::Seal, kNoSeals, kSealHintCaption, true}, isShow, msgShow, deleting);
  } catch (const AutomationError&) {
    // A mark that was never shown has no hyperlink to delete: hiding stops there, quietly.
    if (deleting) return 0;
    throw;
  }
}

std::int16_t MarkValidSigns(control::Control& c, bool isShow, bool msgShow) {
  bool deleting = false;
  try {
    return MarkValid(c, {MarkKind::Signature, kNoSigns, kSignHintCaption, false}, isShow, msgShow, deleting);
  } catch (const AutomationError&) {
    return 0;
  }
}

std::int16_t ShowElectronSealInfo(control::Control& c, bool isShow, bool msgShow) {
  return MarkValidSeals(c, isShow, msgShow);
}

std::int16_t ShowSignInfo(control::Control& c, bool isShow, bool msgShow) {
  return MarkValidSigns(c, isShow, msgShow);
}

}  // namespace verolin::seal
