#include <vector>

#include "platform/standin.h"

namespace verolin::platform {
namespace {

// Classic-style metrics in pixels: caption bar 18 (SM_CYCAPTION less its 1-pixel line), fixed
// dialog frame 3 (SM_CYFIXEDFRAME), sizing frame 4 (SM_CYSIZEFRAME).
constexpr int kCaptionHeight = 18;
constexpr int kBorderHeight = 3;
constexpr int kFrameHeight = 4;

}  // namespace

WindowHandle StandInWindows::create(const WindowInfo& info) {
  if (info.parent != 0 && !windows_.count(info.parent)) return 0;
  const WindowHandle h = next_;
  next_ += 2;
  windows_[h] = info;
  return h;
}

WindowHandle StandInWindows::findWindow(std::string_view title) {
  // Handles grow with creation, so the map's order is the creation order.
  for (const auto& [h, w] : windows_) {
    if (w.parent == 0 && w.title == title) return h;
  }
  return 0;
}

WindowHandle StandInWindows::setParent(WindowHandle child, WindowHandle parent) {
  const auto it = windows_.find(child);
  if (it == windows_.end()) return 0;
  if (parent != 0) {
    // A window cannot become a child of itself or of one of its own descendants.
    for (WindowHandle p = parent; p != 0;) {
      const auto up = windows_.find(p);
      if (up == windows_.end() || p == child) return 0;
      p = up->second.parent;
    }
  }
  const WindowHandle previous = it->second.parent;
  it->second.parent = parent;
  return previous;
}

WindowHandle StandInWindows::setFocus(WindowHandle h) {
  if (h != 0 && !windows_.count(h)) return 0;
  const WindowHandle previous = focus_;
  focus_ = h;
  return previous;
}

WindowHandle StandInWindows::focus() {
  return focus_;
}

bool StandInWindows::lockWindowUpdate(WindowHandle h) {
  if (h == 0) {
    locked_ = 0;
    return true;
  }
  if (!windows_.count(h) || (locked_ != 0 && locked_ != h)) return false;
  locked_ = h;
  return true;
}

bool StandInWindows::destroy(WindowHandle h) {
  const auto it = windows_.find(h);
  if (it == windows_.end() || it->second.thread != 0) return false;
  forget(h);
  return true;
}

void StandInWindows::forget(WindowHandle h) {
  if (!windows_.count(h)) return;
  // Children go with their parent, as they do on the platform.
  std::vector<WindowHandle> doomed{h};
  for (std::size_t i = 0; i < doomed.size(); ++i) {
    for (const auto& [child, w] : windows_) {
      if (w.parent == doomed[i]) doomed.push_back(child);
    }
  }
  for (WindowHandle d : doomed) {
    windows_.erase(d);
    if (focus_ == d) focus_ = 0;
    if (locked_ == d) locked_ = 0;
  }
}

bool StandInWindows::setWindowPos(WindowHandle h, std::optional<bool> topmost, std::optional<Rect> rect) {
  const auto it = windows_.find(h);
  if (it == windows_.end()) return false;
  if (topmost) it->second.topmost = *topmost;
  if (rect) it->second.rect = *rect;
  return true;
}

bool StandInWindows::show(WindowHandle h, bool visible) {
  const auto it = windows_.find(h);
  if (it == windows_.end()) return false;
  it->second.visible = visible;
  return true;
}

bool StandInWindows::setTitle(WindowHandle h, std::string_view title) {
  const auto it = windows_.find(h);
  if (it == windows_.end()) return false;
  it->second.title = std::string(title);
  return true;
}

bool StandInWindows::setState(WindowHandle h, bool maximized, bool minimized) {
  const auto it = windows_.find(h);
  if (it == windows_.end()) return false;
  it->second.maximized = maximized;
  it->second.minimized = minimized;
  return true;
}

std::optional<WindowInfo> StandInWindows::info(WindowHandle h) {
  const auto it = windows_.find(h);
  if (it == windows_.end()) return std::nullopt;
  return it->second;
}

int StandInWindows::metric(Metric m) {
  switch (m) {
    case Metric::CaptionHeight:
      return kCaptionHeight;
    case Metric::BorderHeight:
      return kBorderHeight;
    case Metric::FrameHeight:
      return kFrameHeight;
  }
  return 0;
}

}  // namespace verolin::platform
