// Control: one instance of the control on a page: its child controls and their layout, the status
// strip, the guards, the window timer, creation and release. The routines of every subsystem take a
// Control& and reach the control-wide state and the platform through it.
#pragma once

#include <string>
#include <string_view>

#include "control/apartment.h"
#include "platform/platform.h"

namespace verolin::control {

// A child control; geometry in twips, the control's own scale.
struct ChildControl {
  std::string name;
  platform::Rect rect;  // twips
  bool visible = true;
  std::string caption;
  platform::WindowHandle hwnd = 0;  // its window, once the control has created it
};

// Design size of the control, in twips.
inline constexpr int kDesignWidth = 4800;
inline constexpr int kDesignHeight = 4485;
inline constexpr int kTimerIntervalMs = 3000;
// The caption of the control's information boxes, whichever routine shows them.
inline constexpr const char* kCaptionInfo = "信息";
// The refusal of a long operation while another one is under way.
inline constexpr const char* kBusyRefusal = "至少还有一个任务没有完成,请稍后..";

class Control {
 public:
  // Creates the control's window inside `container` (0: top level) and runs Initialize.
  Control(Apartment& apartment, platform::WindowHandle container = 0);
  // Runs Terminate; never throws.
  ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  Apartment& apartment() { return apartment_; }
  ControlState& state() { return apartment_.state(); }
  platform::Platform& platform() { return apartment_.platform(); }
  platform::Host& host() { return apartment_.host(); }
  platform::FileSystem& files() { return apartment_.files(); }

  // The container resizes the control (twips); lays the children out again.
  void resize(int widthTwips, int heightTwips);
  int width() const { return width_; }
  int height() const { return height_; }
  platform::WindowHandle hwnd() const { return hwnd_; }

  ChildControl picBody{"picBody"};
  ChildControl picConvert{"picConvert"};
  ChildControl lblTitle{"lblTitle"};
  ChildControl picNobg{"picNobg"};
  ChildControl piczoom{"piczoom", {0, 0, 375, 255}};
  ChildControl cmdMsg{"cmdMsg", {0, 0, 2535, 615}, false};

  // picBody's client size in points (its scale mode), Word's unit for window size and position.
  double picBodyScaleWidth() const;
  double picBodyScaleHeight() const;

  // Shows or hides a child control and its window.
  void showChild(ChildControl& child, bool visible);

  // The status strip: centres cmdMsg, sets its caption, shows or hides it, lets messages run.
  void showMessage(std::string_view text, bool show);
  // A message box through the host; returns the answer.
  int message(std::string_view text, int style, std::string_view caption);
  // Lets pending window messages run `times` times.
  void pump(int times = 1);

  // The Word guard: false (after the message) when the word processor is not started.
  bool wordGuard();
  // The document guard with the calling method's own wording; false (after the message) when no document is
  // open.
  bool documentGuard(std::string_view text, std::string_view caption);

  // One tick of the window check (also called by the timer).
  void timerTick();

  // Property lets: store and notify the container.
  void setProperty(std::string& variable, const char* name, std::string value);

 private:
  void initialize();
  void terminate() noexcept;
  void createChildWindows();
  void placeChild(const ChildControl& child);
  void layoutConvertStrip();
  int captionBarTwips();

  Apartment& apartment_;
  platform::WindowHandle hwnd_ = 0;
  int width_ = kDesignWidth;
  int height_ = kDesignHeight;
  platform::Host::TimerId timer_ = 0;
  bool inTick_ = false;
};

// Holds isBusy for the length of a long operation and clears it on every way out, errors included.
class BusyScope {
 public:
  explicit BusyScope(ControlState& state) : state_(state) { state_.isBusy = true; }
  ~BusyScope() { state_.isBusy = false; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  ControlState& state_;
};

}  // namespace verolin::control
