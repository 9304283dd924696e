#include "control/control.h"

#include "control/word_host.h"
#include "platform/form.h"

namespace verolin::control {
namespace {

using automation::AutomationError;
using automation::Variant;

constexpr const char* kNoObject = "没有可执行的对象.";

platform::Rect toPixels(const platform::Rect& twips) {
  using platform::kTwipsPerPixel;
  return {twips.left / kTwipsPerPixel, twips.top / kTwipsPerPixel, twips.width / kTwipsPerPixel,
          twips.height / kTwipsPerPixel};
}

// The status strip's font.
constexpr const char* kMessageFont = "宋体";
constexpr int kMessageFontPoints = 9;

}  // namespace

void ControlState::clearMarkLists() {
  for (std::string* list : {&sealNameList, &sealIdList, &sealTimeList, &signNameList, &signIdList,
                            &signTimeList, &newSealNameList, &newSealIdList, &newSealTimeList,
                            &newSignNameList, &newSignIdList, &newSignTimeList}) {
    list->clear();
  }
}

Control::Control(Apartment& apartment, platform::WindowHandle container) : apartment_(apartment) {
  auto& windows = apartment_.windows();
  platform::WindowInfo self;
  self.title = "VerolinActivex";
  self.parent = container;
  self.rect = toPixels({0, 0, width_, height_});
  self.visible = true;
  hwnd_ = windows.create(self);
  platform::WindowInfo body;
  body.title = "picBody";
  body.parent = hwnd_;
  body.visible = true;
  picBody.hwnd = windows.create(body);
  createChildWindows();
  initialize();
  resize(width_, height_);
  timer_ = host().startTimer(kTimerIntervalMs, [this] { timerTick(); });
}

Control::~Control() {
  terminate();
}

void Control::initialize() {
  auto& s = state();
  pump();
  s.tempDir = "c:\\temp\\";
  // A failure here (drive C: not writable) is not caught: the container sees it.
  if (!files().dirExists(s.tempDir)) files().createDir(s.tempDir);
  s.serverFilePath.clear();
  s.getSetType = "1";
  s.activeForm.clear();
  s.zoomPic = &piczoom;
  s.splitStr = "\xC2\xA7";
  s.linkStr = "\xC7\x90";
  SetBrowserSyncMode(*this);
}

void Control::terminate() noexcept {
  try {
    if (timer_) host().stopTimer(timer_);
    timer_ = 0;
  } catch (...) {
  }
  try {
    const bool keep = !state().localFile.empty() && state().localFile == state().unconfirmedFile;
    Variant isSave(false), bDel(!keep);
    if (keep)
      host().trace("file", "kept the working copy the server has not confirmed: " + state().localFile);
    QuitWord(*this, isSave, bDel);
  } catch (...) {
  }
  if (state().zoomPic == &piczoom) state().zoomPic = nullptr;
  try {
    auto& windows = apartment_.windows();
    windows.destroy(picBody.hwnd);
    windows.destroy(hwnd_);
  } catch (...) {
  }
}

void Control::createChildWindows() {
  auto& windows = apartment_.windows();
  // Each is created above the ones before it: the strips cover the top of picBody, where the embedded
  // window's caption bar lies, and the status strip covers everything.
  auto make = [&](ChildControl& child, platform::WindowHandle parent, platform::WindowKind kind) {
    platform::WindowInfo info;
    info.title = child.caption;
    info.parent = parent;
    info.rect = toPixels(child.rect);
    info.visible = child.visible;
    info.kind = kind;
    return info;
  };
  platform::WindowInfo info = make(picNobg, hwnd_, platform::WindowKind::Picture);
  info.backColor = platform::kColorWhite;
  picNobg.hwnd = windows.create(info);
  info = make(picConvert, hwnd_, platform::WindowKind::Picture);
  info.backColor = platform::kColorWhite;
  picConvert.hwnd = windows.create(info);
  info = make(lblTitle, picConvert.hwnd, platform::WindowKind::Label);
  info.foreColor = platform::kColorRed;
  lblTitle.hwnd = windows.create(info);
  info = make(piczoom, hwnd_, platform::WindowKind::Picture);
  info.backColor = platform::kColorInactiveBorder;
  piczoom.hwnd = windows.create(info);
  info = make(cmdMsg, hwnd_, platform::WindowKind::Button);
  info.font = {kMessageFont, kMessageFontPoints};
  cmdMsg.hwnd = windows.create(info);
}

void Control::placeChild(const ChildControl& child) {
  if (child.hwnd) apartment_.windows().setWindowPos(child.hwnd, std::nullopt, toPixels(child.rect));
}

void Control::showChild(ChildControl& child, bool visible) {
  child.visible = visible;
  if (child.hwnd) apartment_.windows().show(child.hwnd, visible);
}

int Control::captionBarTwips() {
  // The outer height less the client height of a captioned dialog window: caption plus both frames.
  auto& w = apartment_.windows();
  const int pixels = w.metric(platform::Metric::CaptionHeight) + 2 * w.metric(platform::Metric::FrameHeight);
  return pixels * platform::kTwipsPerPixel;
}

void Control::resize(int widthTwips, int heightTwips) {
  width_ = widthTwips;
  height_ = heightTwips;
  picBody.rect = {0, 0, width_, height_};
  picConvert.rect.left = picBody.rect.left;
  picConvert.rect.top = picBody.rect.top;
  picConvert.rect.width = picBody.rect.width;
  picConvert.rect.height = captionBarTwips() - 80;
  layoutConvertStrip();
  picNobg.rect = {picBody.rect.left - 1, picBody.rect.top, picBody.rect.width + 2,
                  picConvert.rect.height - 17};
  piczoom.rect.left = picBody.rect.width + picBody.rect.left - piczoom.rect.width - 14;
  piczoom.rect.top = picBody.rect.height + picBody.rect.top - piczoom.rect.height - 14;
  auto& windows = apartment_.windows();
  windows.setWindowPos(hwnd_, std::nullopt, toPixels({0, 0, width_, height_}));
  for (const ChildControl* child : {&picBody, &picConvert, &lblTitle, &picNobg, &piczoom}) placeChild(*child);
}

void Control::layoutConvertStrip() {
  lblTitle.rect = {0, 30, picConvert.rect.width, picConvert.rect.height};
}

double Control::picBodyScaleWidth() const {
  return picBody.rect.width / 20.0;
}
double Control::picBodyScaleHeight() const {
  return picBody.rect.height / 20.0;
}

void Control::showMessage(std::string_view text, bool show) {
  cmdMsg.rect.left = (width_ - cmdMsg.rect.width) / 2;
  cmdMsg.caption = std::string(text);
  cmdMsg.rect.top = (height_ - cmdMsg.rect.height) / 2;
  if (cmdMsg.hwnd) {
    auto& windows = apartment_.windows();
    placeChild(cmdMsg);
    windows.setTitle(cmdMsg.hwnd, cmdMsg.caption);
  }
  showChild(cmdMsg, show);
  host().trace("status", std::string(text) + (show ? "" : " (hidden)"));
  pump();
}

int Control::message(std::string_view text, int style, std::string_view caption) {
  return host().messageBox(std::string(text), style, std::string(caption));
}

void Control::pump(int times) {
  host().pumpMessages(times);
}

bool Control::wordGuard() {
  if (state().wordStarted()) return true;
  message(kNoObject, platform::mb::kInformation, kCaptionInfo);
  return false;
}

bool Control::documentGuard(std::string_view text, std::string_view caption) {
  if (state().docOpen) return true;
  message(text, platform::mb::kInformation, caption);
  return false;
}

void Control::timerTick() {
  // A tick that arrives while the previous one pumps messages would only repeat it.
  if (inTick_) return;
  inTick_ = true;
  try {
    auto& s = state();
    if (!s.wordApp.isEmpty()) {
      Variant view =
          s.wordApp.get("Windows", s.wordWindowIndex).get("Application").get("ActiveWindow").get("View");
      if (view.get("FullScreen").toBool()) {
        view.put("FullScreen", false);
        pump();
      }
      if (!s.wordApp.isEmpty()) {
        const int windowState = s.wordApp.get("Windows", s.wordWindowIndex).get("WindowState").toInt32();
        if (windowState == 1 || windowState == 2) {
          SetWordStyleTemp(*this);
          pump();
        }
      }
    }
  } catch (const std::exception&) {
    // Any failure ends this tick silently.
  }
  inTick_ = false;
}

void Control::setProperty(std::string& variable, const char* name, std::string value) {
  variable = std::move(value);
  host().propertyChanged(name);
}

}  // namespace verolin::control
