#include <gtest/gtest.h>

#include "platform/standin.h"

namespace verolin::platform {
namespace {

constexpr int kWordThread = 7;

class WindowsTest : public ::testing::Test {
 protected:
  WindowHandle make(std::string title, WindowHandle parent = 0, int thread = 0, bool visible = true) {
    WindowInfo info;
    info.title = std::move(title);
    info.parent = parent;
    info.thread = thread;
    info.visible = visible;
    return windows.create(info);
  }
  StandInWindows windows;
};

TEST_F(WindowsTest, FindsOnlyTopLevelWindowsInCreationOrder) {
  const WindowHandle control = make("");
  const WindowHandle hidden = make("文档1 - Microsoft Word", 0, kWordThread, false);
  const WindowHandle second = make("文档1 - Microsoft Word", 0, kWordThread);
  make("child title", control);
  EXPECT_EQ(windows.findWindow("文档1 - Microsoft Word"), hidden);
  EXPECT_EQ(windows.findWindow("child title"), 0);
  EXPECT_EQ(windows.findWindow("文档1"), 0);
  EXPECT_EQ(windows.setParent(hidden, control), 0);
  EXPECT_EQ(windows.findWindow("文档1 - Microsoft Word"), second);
}

TEST_F(WindowsTest, ReparentingReportsThePreviousParentAndRefusesNonsense) {
  const WindowHandle body = make("picBody");
  const WindowHandle other = make("other");
  const WindowHandle word = make("Word", 0, kWordThread);
  EXPECT_EQ(windows.setParent(word, body), 0);
  EXPECT_EQ(windows.setParent(word, other), body);
  EXPECT_EQ(windows.info(word)->parent, other);
  EXPECT_EQ(windows.setParent(0x7777, body), 0);
  EXPECT_EQ(windows.setParent(word, 0x7777), 0);
  EXPECT_EQ(windows.setParent(other, word), 0);  // would make a loop
  EXPECT_EQ(windows.setParent(other, other), 0);
  EXPECT_EQ(windows.info(other)->parent, 0);
  EXPECT_EQ(windows.create(WindowInfo{"orphan", 0x7777}), 0);
}

TEST_F(WindowsTest, DestroyIsRefusedForAnotherThreadsWindow) {
  const WindowHandle body = make("picBody");
  const WindowHandle word = make("Word", 0, kWordThread);
  const WindowHandle label = make("lblTitle", body);
  windows.setParent(word, body);
  EXPECT_FALSE(windows.destroy(word));
  EXPECT_TRUE(windows.info(word).has_value());
  EXPECT_FALSE(windows.destroy(0x7777));
  windows.setFocus(label);
  windows.lockWindowUpdate(label);
  EXPECT_TRUE(windows.destroy(body));
  EXPECT_FALSE(windows.info(body).has_value());
  EXPECT_FALSE(windows.info(label).has_value());
  EXPECT_FALSE(windows.info(word).has_value());  // children go with their parent
  EXPECT_EQ(windows.focus(), 0);
  EXPECT_EQ(windows.lockedWindow(), 0);
  const WindowHandle other = make("Word", 0, kWordThread);
  windows.forget(other);
  EXPECT_EQ(windows.findWindow("Word"), 0);
}

TEST_F(WindowsTest, FocusLockPositionAndState) {
  const WindowHandle a = make("a");
  const WindowHandle b = make("b");
  EXPECT_EQ(windows.setFocus(a), 0);
  EXPECT_EQ(windows.setFocus(b), a);
  EXPECT_EQ(windows.setFocus(0x7777), 0);
  EXPECT_EQ(windows.focus(), b);
  EXPECT_TRUE(windows.lockWindowUpdate(a));
  EXPECT_FALSE(windows.lockWindowUpdate(b));
  EXPECT_TRUE(windows.lockWindowUpdate(0));
  EXPECT_TRUE(windows.lockWindowUpdate(b));
  EXPECT_TRUE(windows.setWindowPos(a, true, std::nullopt));
  EXPECT_TRUE(windows.setWindowPos(a, std::nullopt, Rect{1, 2, 30, 40}));
  EXPECT_TRUE(windows.info(a)->topmost);
  EXPECT_EQ(windows.info(a)->rect, (Rect{1, 2, 30, 40}));
  EXPECT_TRUE(windows.setState(a, true, false));
  EXPECT_TRUE(windows.info(a)->maximized);
  EXPECT_FALSE(windows.setWindowPos(0x7777, true, std::nullopt));
  EXPECT_FALSE(windows.show(0x7777, true));
  EXPECT_EQ(windows.metric(Metric::CaptionHeight), 18);
  EXPECT_EQ(windows.metric(Metric::BorderHeight), 3);
  EXPECT_EQ(windows.metric(Metric::FrameHeight), 4);
}

}  // namespace
}  // namespace verolin::platform
