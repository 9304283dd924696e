// Windows: handles with title, parent, geometry and visibility, as the control finds, re-parents,
// focuses and destroys them, and the kinds of child window the control is made of (picture boxes, a
// label, a button) with their colours and fonts. Geometry is in pixels; 15 twips and 0.75 points make
// one pixel.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace verolin::platform {

using WindowHandle = std::int32_t;  // 0 is no window

inline constexpr int kTwipsPerPixel = 15;

struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

// What a window is: a plain window, or one of the child controls a form is built from.
enum class WindowKind { Plain, Picture, Label, Button };

// Colours as the control's properties hold them: 0x00BBGGRR, or kSystemColor plus a system colour's
// index (the colours the user's display settings choose).
using Color = std::uint32_t;
inline constexpr Color kSystemColor = 0x80000000u;
inline constexpr Color kColorWhite = 0x00FFFFFFu;
inline constexpr Color kColorRed = 0x000000FFu;
inline constexpr Color kColorInactiveBorder = kSystemColor | 11u;

struct Font {
  std::string name;  // empty: the system's font
  int points = 0;
  friend bool operator==(const Font&, const Font&) = default;
};

struct WindowInfo {
  std::string title;  // a label's or button's text
  WindowHandle parent = 0;
  Rect rect;  // relative to the parent's client area (to the screen for a top-level window)
  bool visible = false;
  bool topmost = false;
  int thread = 0;  // the thread that created it; 0 is the control's own thread
  bool maximized = false;
  bool minimized = false;
  WindowKind kind = WindowKind::Plain;
  std::optional<Color> backColor;  // a picture box's background; nullopt: the system's window colour
  std::optional<Color> foreColor;  // a label's text colour
  Font font;
};

enum class Metric { CaptionHeight, BorderHeight, FrameHeight };

class WindowSystem {
 public:
  WindowSystem() = default;
  WindowSystem(const WindowSystem&) = delete;
  WindowSystem& operator=(const WindowSystem&) = delete;
  virtual ~WindowSystem() = default;

  // Creates a window; `thread` 0 is the caller's own thread. A child goes above the siblings created
  // before it. Returns its handle, 0 on failure.
  virtual WindowHandle create(const WindowInfo& info) = 0;
  // The first top-level window with exactly this title (FindWindowA with no class); 0 when none.
  virtual WindowHandle findWindow(std::string_view title) = 0;
  // Makes `child` a child of `parent` (0: top level); returns the previous parent, 0 on failure.
  virtual WindowHandle setParent(WindowHandle child, WindowHandle parent) = 0;
  // Gives `h` the keyboard focus; returns the window that had it (0 when none or on failure).
  virtual WindowHandle setFocus(WindowHandle h) = 0;
  virtual WindowHandle focus() = 0;
  // Locks drawing of `h`, or unlocks with 0. Returns false when another window is locked already.
  virtual bool lockWindowUpdate(WindowHandle h) = 0;
  // Destroys `h`; refused (false) for a window of another thread or an unknown handle, as the platform does.
  virtual bool destroy(WindowHandle h) = 0;
  // Moves, sizes and orders a window; `topmost` nullopt leaves the z-order alone. False for an unknown
  // handle.
  virtual bool setWindowPos(WindowHandle h, std::optional<bool> topmost, std::optional<Rect> rect) = 0;
  virtual bool show(WindowHandle h, bool visible) = 0;
  virtual bool setTitle(WindowHandle h, std::string_view title) = 0;
  virtual bool setState(WindowHandle h, bool maximized, bool minimized) = 0;
  // What is known of `h`; nullopt for an unknown or destroyed handle.
  virtual std::optional<WindowInfo> info(WindowHandle h) = 0;
  // System metrics in pixels (caption bar height, border heights).
  virtual int metric(Metric m) = 0;
};

}  // namespace verolin::platform
