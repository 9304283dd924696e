// FrmHandWritd, the handwriting window: a capture box that keeps what the mouse draws into it (mouse
// mode) or shows a picture pasted from a handwriting tablet's clipboard (tablet mode), a mode switch,
// and the buttons "取 消", "重 写" and "确 定". One instance per thread, loaded afresh at each showing.
#pragma once

#include <cstdint>

#include "automation/variant.h"
#include "control/control.h"
#include "platform/form.h"
#include "platform/raster.h"

namespace verolin::seal {

inline constexpr const char* kHandwritingFormName = "FrmHandWritd";
// The capture box, in twips, the scale of its mouse coordinates.
inline constexpr int kCaptureWidthTwips = 5580;
inline constexpr int kCaptureHeightTwips = 4020;

class HandwritingWindow {
 public:
  HandwritingWindow();
  HandwritingWindow(const HandwritingWindow&) = delete;
  HandwritingWindow& operator=(const HandwritingWindow&) = delete;

  // Load: the design state again (tablet mode, empty box, pen width 1, hasInk 0), a window of its own
  // made topmost.
  void load(control::Control& c);
  // Unload: the form closes (if it is open) and its window goes.
  void unload();

  platform::Form& form() { return form_; }
  platform::WindowHandle hwnd() const { return hwnd_; }
  // The error code MakeWindowTopmost recorded at load.
  int topmostError() const { return topmostError_; }

  // hasInk: at least one stroke was drawn since load or the last clearing (0 / -1).
  std::int16_t hasInk() const { return hasInk_; }
  bool mouseMode();
  // The capture box's image (background and strokes) and the picture pasted into it (empty: none).
  const platform::Raster& image() const { return image_; }
  const automation::Bytes& picture() const { return picture_; }

 private:
  void onMouse(platform::MouseAction action, int button, double x, double y);
  void onKey(int keyCode, int shift);
  void onModeClick();
  void onClean();
  void onCancel();
  void onOk();
  void clearBox();
  void askPenWidth();

  control::Control* control_ = nullptr;  // the control that showed the window, set at load
  platform::Form form_;
  platform::Raster image_;
  automation::Bytes picture_;
  std::int16_t hasInk_ = 0;
  platform::WindowHandle hwnd_ = 0;
  int topmostError_ = 0;
};

}  // namespace verolin::seal
