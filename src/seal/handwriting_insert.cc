#include <string>

#include "automation/error.h"
#include "seal/handwriting.h"
#include "seal/marks.h"

namespace verolin::seal {

namespace {

using automation::AutomationError;
using automation::Variant;

constexpr const char* kNoTarget = "找不到要插入的对象!";
constexpr const char* kCaptionHint = "提示";
// Word refused the paste or the conversion: nothing was recorded and the window stays open.
constexpr const char* kInsertFailed = "签名没有插入到文档中,请重试.";
constexpr const char* kCaptionError = "出错";
// The description when the paste left no picture before the insertion point.
constexpr const char* kNotAPicture = "粘贴的内容不是图片";

// The picture the paste has just put in: the inline picture right before the insertion point, which
// the paste leaves after what it inserted. The document's last inline picture would be another one
// whenever the insertion point stands before other pictures.
Variant PastedPicture(const Variant& app, std::int32_t insertionPoint) {
  if (insertionPoint >= 1) {
    Variant pictures =
        app.get("ActiveDocument").call("Range", insertionPoint - 1, insertionPoint).get("InlineShapes");
    if (pictures.get("Count").toInt32() == 1) return pictures.call("Item", 1);
  }
  throw AutomationError(automation::err::kInvalidCall, kNotAPicture);
}

}  // namespace

bool InsertSignature(control::Control& c, const automation::Bytes& signature) {
  auto& s = c.state();
  if (!s.wordStarted()) {
    c.message(kNoTarget, platform::mb::kInformation, kCaptionHint);
    return false;
  }
  platform::Clipboard& clipboard = *c.platform().clipboard;
  clipboard.clear();
  clipboard.setPicture(signature);
  std::string id, time, newName, name;
  try {
    s.wordApp.get("Windows", s.wordWindowIndex).call("Activate");
    c.pump();
    Variant app = s.wordApp.get("Windows", s.wordWindowIndex).get("Application");
    app.get("Selection").call("Paste");
    const std::int32_t insertionPoint = app.get("Selection").get("Start").toInt32();
    c.pump();
    clipboard.clear();
    c.pump();
    Variant shape =
        PastedPicture(s.wordApp.get("Windows", s.wordWindowIndex).get("Application"), insertionPoint)
            .call("ConvertToShape");
    ApplyMarkPictureFormat(shape);
    const std::string shapeName = shape.get("Name").toString();
    id = MarkIdOf(shapeName);
    time = MarkTimeText(c);
    newName = s.wordApp.get("UserName").toString();
    name = s.wordApp.get("UserName").toString();
    // Put in front before the lists grow, so that a refusal of the word processor records nothing.
    PlaceMarkInFront(s.wordApp, shapeName);
  } catch (const AutomationError& e) {
    clipboard.clear();
    c.host().trace("error", std::string("signature not inserted: ") + e.what());
    c.message(kInsertFailed, platform::mb::kExclamation, kCaptionError);
    return false;
  }
  const std::string& sep = s.splitStr;
  AppendItem(s.newSignNameList, newName, sep);
  AppendItem(s.newSignTimeList, time, sep);
  AppendItem(s.newSignIdList, id, sep);
  AppendItem(s.signIdList, id, sep);
  AppendItem(s.signTimeList, time, sep);
  AppendItem(s.signNameList, name, sep);
  return true;
}

}  // namespace verolin::seal
