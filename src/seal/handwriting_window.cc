#include "seal/handwriting_window.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "automation/error.h"
#include "platform/picture_info.h"
#include "seal/handwriting.h"
#include "text/utf8.h"

namespace verolin::seal {

namespace {

using automation::Variant;
using platform::MouseAction;

constexpr const char* kCaption = "手写板签名";
constexpr const char* kModeCaption = "用鼠标签名";
constexpr const char* kCancelCaption = "取 消";
constexpr const char* kCleanCaption = "重 写";
constexpr const char* kOkCaption = "确 定";

constexpr const char* kWidthPrompt = "请输入签名笔的宽度:";
constexpr const char* kWidthTitle = "宽度";
constexpr const char* kWidthDefault = "1";
constexpr const char* kMouseModeKey = "注意:你现在的模式是用鼠标签名,如果想用手写板签名请把选项去掉.";
constexpr const char* kCleanQuestion = "你真的想重写吗?";
constexpr const char* kNoSignature = "没有有效的签名.";
constexpr const char* kCaptionHint = "提示";
constexpr const char* kCaptionError = "出错";

constexpr int kLeftButton = 1;
constexpr int kKeyV = 86;
constexpr int kCtrlAlone = 2;
constexpr int kStyleOkCancelInfo = platform::mb::kOkCancel | platform::mb::kInformation;  // 65

// The window's outer size in twips: the capture box with the mode switch and buttons below it.
constexpr int kFormWidthTwips = 5820;
constexpr int kFormHeightTwips = 5400;

// "Rounded" is to the nearest whole number, halves to even; coordinates past the 32-bit range (only a
// script can send them) are held at its ends.
std::int32_t roundHalfEven(double v) {
  if (std::isnan(v)) return 0;
  const double r = std::nearbyint(v);
  return static_cast<std::int32_t>(std::clamp(r, double(std::numeric_limits<std::int32_t>::min()),
                                              double(std::numeric_limits<std::int32_t>::max())));
}

// The pixel under a coordinate of the box's scale. A mouse cannot leave the screen; far-off
// coordinates from a script are held a bit outside the box so that a stroke stays short to walk.
int toPixel(double twips, int pixels) {
  const double p = std::floor(twips / platform::kTwipsPerPixel);
  const double reach = 4.0 * pixels + 1024.0;
  return static_cast<int>(std::clamp(std::isnan(p) ? 0.0 : p, -reach, reach));
}

}  // namespace

HandwritingWindow::HandwritingWindow()
    : form_(kHandwritingFormName, kCaption),
      image_(kCaptureWidthTwips / platform::kTwipsPerPixel, kCaptureHeightTwips / platform::kTwipsPerPixel) {
  auto& box = form_.add("picgetimage", "picture");
  box.onMouse = [this](MouseAction a, int button, int, double x, double y) { onMouse(a, button, x, y); };
  box.onKey = [this](int keyCode, int shift) { onKey(keyCode, shift); };
  // What a page or a test reads back of the box: its image as a PNG file, how much of it is inked,
  // the pasted picture and the pen width.
  box.onRead = [this](std::string_view property) -> std::optional<Variant> {
    const std::string p = text::toLowerAscii(property);
    if (p == "image") return Variant(image_.png());
    if (p == "inkedpixels") return Variant(static_cast<std::int32_t>(image_.inkedPixels()));
    if (p == "picture") return picture_.empty() ? Variant() : Variant(picture_);
    if (p == "drawwidth") return Variant(static_cast<std::int16_t>(image_.penWidth()));
    return std::nullopt;
  };
  form_.add("Csign1", "check").onClick = [this] { onModeClick(); };
  form_.add("cmdcancel", "button").onClick = [this] { onCancel(); };
  form_.add("cmdclean", "button").onClick = [this] { onClean(); };
  form_.add("cmdok", "button").onClick = [this] { onOk(); };
  form_.onClose = [this] { unload(); };
}

bool HandwritingWindow::mouseMode() {
  return form_.control("Csign1").get("Value").toInt32() == 1;
}

void HandwritingWindow::load(control::Control& c) {
  control_ = &c;
  auto& box = form_.control("picgetimage");
  box.set("Width", kCaptureWidthTwips);
  box.set("Height", kCaptureHeightTwips);
  box.set("BackColor", static_cast<std::int32_t>(platform::kWindowColour));
  box.set("ForeColor", static_cast<std::int32_t>(platform::kWindowTextColour));
  form_.control("Csign1").set("Caption", kModeCaption);
  form_.control("Csign1").set("Value", std::int16_t{0});
  form_.control("cmdcancel").set("Caption", kCancelCaption);
  form_.control("cmdclean").set("Caption", kCleanCaption);
  form_.control("cmdok").set("Caption", kOkCaption);
  image_.setPenWidth(1);
  picture_.clear();
  image_.clear();

  auto& windows = c.apartment().windows();
  platform::WindowInfo info;
  info.title = kCaption;
  info.rect = {0, 0, kFormWidthTwips / platform::kTwipsPerPixel, kFormHeightTwips / platform::kTwipsPerPixel};
  info.visible = true;
  hwnd_ = windows.create(info);
  topmostError_ = MakeWindowTopmost(windows, hwnd_);
  hasInk_ = 0;
}

void HandwritingWindow::unload() {
  if (form_.isOpen()) {
    form_.close();  // runs onClose, which comes back here with the form closed
    return;
  }
  if (hwnd_ != 0 && control_) control_->apartment().windows().destroy(hwnd_);
  hwnd_ = 0;
}

void HandwritingWindow::onMouse(MouseAction action, int button, double x, double y) {
  if (!mouseMode()) return;
  auto& s = control_->state();
  const int w = image_.width();
  const int h = image_.height();
  switch (action) {
    case MouseAction::Down:
      s.penLastX = roundHalfEven(x);
      s.penLastY = roundHalfEven(y);
      if (button == kLeftButton) image_.point(toPixel(s.penLastX, w), toPixel(s.penLastY, h));
      break;
    case MouseAction::Move:
      if (button != kLeftButton) break;
      hasInk_ = -1;
      image_.line(toPixel(s.penLastX, w), toPixel(s.penLastY, h), toPixel(x, w), toPixel(y, h));
      s.penLastX = roundHalfEven(x);
      s.penLastY = roundHalfEven(y);
      break;
    case MouseAction::Up:
      if (button != kLeftButton) break;
      image_.line(toPixel(s.penLastX, w), toPixel(s.penLastY, h), toPixel(x, w), toPixel(y, h));
      break;
  }
}

void HandwritingWindow::onKey(int keyCode, int shift) {
  if (mouseMode()) {
    control_->message(kMouseModeKey, platform::mb::kInformation, control::kCaptionInfo);
    return;
  }
  if (keyCode != kKeyV || shift != kCtrlAlone) return;
  const auto data = control_->platform().clipboard->data();
  // Only a picture the platform can load has a handle; text or unreadable bytes leave the box alone.
  if (!data || data->format != "bitmap" || !platform::ReadPictureInfo(data->bytes)) return;
  picture_ = data->bytes;
}

void HandwritingWindow::onModeClick() {
  // A click turns the check box over before its Click event runs.
  auto& mode = form_.control("Csign1");
  mode.set("Value", static_cast<std::int16_t>(mouseMode() ? 0 : 1));
  if (mouseMode()) {
    askPenWidth();
  } else {
    hasInk_ = 0;
    clearBox();
  }
}

void HandwritingWindow::askPenWidth() {
  const auto answer = control_->host().inputBox(kWidthPrompt, kWidthTitle, kWidthDefault);
  // Cancel gives an empty answer; that, a text that is no number, a number past the 16-bit range and a
  // width below 1 all give the thinnest pen.
  int width = 1;
  try {
    const std::int16_t asked = Variant(answer.value_or("")).toInt16();
    if (asked >= 1) width = asked;
  } catch (const automation::AutomationError&) {
  }
  image_.setPenWidth(width);
}

void HandwritingWindow::clearBox() {
  picture_.clear();
  image_.clear();
}

void HandwritingWindow::onClean() {
  if (control_->message(kCleanQuestion, kStyleOkCancelInfo, kCaptionHint) != platform::mb::kAnswerOk) return;
  control_->platform().clipboard->clear();
  clearBox();
  hasInk_ = 0;
}

void HandwritingWindow::onCancel() {
  control_->platform().clipboard->clear();
  unload();
}

void HandwritingWindow::onOk() {
  const bool mouse = mouseMode();
  if (mouse ? hasInk_ == 0 : picture_.empty()) {
    control_->message(kNoSignature, platform::mb::kInformation, kCaptionError);
    return;
  }
  if (InsertSignature(*control_, mouse ? image_.png() : picture_)) unload();
}

}  // namespace verolin::seal
