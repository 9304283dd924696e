// The Windows host on a real message queue: the pump, window timers, and modal boxes and forms that
// block until a user (played here by another thread) answers them.
#include <gtest/gtest.h>

#include <memory>

#include "platform/form.h"
#include "platform/win32/windows_platform.h"
#include "windows/dialog_answerer.h"

namespace verolin::platform::win32 {
namespace {

using verolin::testing::DialogAnswerer;
using verolin::testing::itemText;
using verolin::testing::press;

class HostTest : public ::testing::Test {
 protected:
  std::unique_ptr<WindowsHost> host = newHost();
};

TEST_F(HostTest, PumpRunsPostedMessagesAndTimersFireOnlyWhilePumping) {
  int ticks = 0;
  const Host::TimerId id = host->startTimer(10, [&] { ++ticks; });
  ::Sleep(60);
  EXPECT_EQ(ticks, 0) << "a window timer fires only when messages are pumped";
  const std::int64_t start = host->tickMs();
  while (ticks < 3 && host->tickMs() - start < 5000) {
    host->pumpMessages(1);
    ::Sleep(5);
  }
  EXPECT_GE(ticks, 3);
  host->stopTimer(id);
  const int stopped = ticks;
  ::Sleep(40);
  host->pumpMessages(5);
  EXPECT_EQ(ticks, stopped);
}

TEST_F(HostTest, TimerIsNotReenteredByAPumpInsideItsTickAndMayStopItself) {
  int depth = 0;
  int deepest = 0;
  int ticks = 0;
  Host::TimerId id = 0;
  id = host->startTimer(5, [&] {
    ++depth;
    deepest = std::max(deepest, depth);
    ::Sleep(20);
    host->pumpMessages(3);  // a DoEvents inside the tick
    if (++ticks == 2) host->stopTimer(id);
    --depth;
  });
  const std::int64_t start = host->tickMs();
  while (host->tickMs() - start < 400) {
    host->pumpMessages(1);
    ::Sleep(5);
  }
  EXPECT_EQ(deepest, 1);
  EXPECT_EQ(ticks, 2);
}

TEST_F(HostTest, TimerTickThatThrowsIsTracedAndTheTimerGoesOn) {
  std::vector<std::string> errors;
  host->onTrace = [&](std::string_view category, std::string_view line) {
    if (category == "error") errors.emplace_back(line);
  };
  int ticks = 0;
  const Host::TimerId id = host->startTimer(5, [&] {
    ++ticks;
    throw std::runtime_error("boom");
  });
  const std::int64_t start = host->tickMs();
  while (ticks < 2 && host->tickMs() - start < 5000) {
    host->pumpMessages(1);
    ::Sleep(5);
  }
  host->stopTimer(id);
  EXPECT_GE(ticks, 2);
  ASSERT_FALSE(errors.empty());
  EXPECT_EQ(errors.front(), "timer: boom");
}

TEST_F(HostTest, ClockRunsWithTheLocalTime) {
  SYSTEMTIME local{};
  ::GetLocalTime(&local);
  const automation::DateTime now = host->now();
  EXPECT_EQ(now.year, local.wYear);
  EXPECT_EQ(now.month, local.wMonth);
  const std::int64_t a = host->tickMs();
  ::Sleep(30);
  EXPECT_GE(host->tickMs() - a, 20);
}

TEST_F(HostTest, MessageBoxBlocksUntilAnsweredAndPassesStyleAndAnswerThrough) {
  std::wstring shown;
  bool hadYes = false;
  DialogAnswerer user(L"提示 caption", [&](HWND box) {
    shown = itemText(box, 0xFFFF);  // the message box's text
    hadYes = ::GetDlgItem(box, IDYES) != nullptr;
    press(box, IDNO);
  });
  std::vector<std::string> lines;
  host->onTrace = [&](std::string_view category, std::string_view line) {
    if (category == "msgbox") lines.emplace_back(line);
  };
  const int answer = host->messageBox("文件已保存。Saved?", mb::kYesNo | mb::kQuestion, "提示 caption");
  EXPECT_TRUE(user.finish());
  EXPECT_EQ(answer, mb::kAnswerNo);
  EXPECT_TRUE(hadYes);
  EXPECT_EQ(shown, L"文件已保存。Saved?");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "提示 caption|36|文件已保存。Saved? -> 7");
}

TEST_F(HostTest, InputBoxReturnsTheTypedTextOrNothingOnCancel) {
  std::wstring prompt;
  std::wstring offered;
  {
    DialogAnswerer user(L"输入", [&](HWND box) {
      prompt = itemText(box, 100);
      offered = itemText(box, 101);
      ::SetDlgItemTextW(box, 101, L"密码 é 123");
      press(box, IDOK);
    });
    const auto answer = host->inputBox("请输入密码：", "输入", "默认");
    EXPECT_TRUE(user.finish());
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(*answer, "密码 é 123");
  }
  EXPECT_EQ(prompt, L"请输入密码：");
  EXPECT_EQ(offered, L"默认");

  DialogAnswerer user(L"输入", [](HWND box) {
    ::SetDlgItemTextW(box, 101, L"typed but cancelled");
    press(box, IDCANCEL);
  });
  EXPECT_EQ(host->inputBox("prompt", "输入", ""), std::nullopt);
  EXPECT_TRUE(user.finish());
}

TEST_F(HostTest, ModalFormStaysUntilItsCodeClosesIt) {
  Form form("frmSeal", "印章窗口");
  bool visibleWhileOpen = false;
  // The form's own code closes it from a timer while the form's modal loop runs.
  int ticks = 0;
  Host::TimerId id = 0;
  id = host->startTimer(20, [&] {
    if (++ticks < 3) return;
    const HWND window = ::FindWindowW(L"VerolinForm", L"印章窗口");
    visibleWhileOpen = window && ::IsWindowVisible(window);
    host->stopTimer(id);
    form.close();
  });
  host->showModal(form);
  EXPECT_FALSE(form.isOpen());
  EXPECT_TRUE(visibleWhileOpen);
  EXPECT_EQ(::FindWindowW(L"VerolinForm", L"印章窗口"), nullptr);
}

TEST_F(HostTest, ModalFormClosesByItsCloseBoxAndRunsOnClose) {
  Form form("frmList", "Mark list");
  int closes = 0;
  form.onClose = [&] { ++closes; };
  DialogAnswerer user(L"Mark list", [](HWND window) { ::PostMessageW(window, WM_CLOSE, 0, 0); });
  host->showModal(form);
  EXPECT_TRUE(user.finish());
  EXPECT_FALSE(form.isOpen());
  EXPECT_EQ(closes, 1);
}

TEST_F(HostTest, DialogAnswersOkAsMinusOneAndCancelAsZero) {
  DialogRequest request;
  request.id = 168;
  request.caption = "打印";
  {
    DialogAnswerer user(L"打印", [](HWND box) { press(box, IDOK); });
    EXPECT_EQ(host->showDialog(request), -1);
  }
  DialogAnswerer user(L"打印", [](HWND box) { press(box, IDCANCEL); });
  EXPECT_EQ(host->showDialog(request), 0);
}

}  // namespace
}  // namespace verolin::platform::win32
