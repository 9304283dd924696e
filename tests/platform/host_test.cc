#include <gtest/gtest.h>

#include "platform/standin.h"

namespace verolin::platform {
namespace {

using automation::DateTime;

class HostTest : public ::testing::Test {
 protected:
  HostTest() {
    host.freezeClock(true);
    host.setClock({2026, 12, 7, 8, 5, 3});
    start = host.tickMs();
  }
  std::int64_t elapsed() { return host.tickMs() - start; }

  StandInHost host;
  std::int64_t start = 0;
};

TEST_F(HostTest, TimersFireInOrderWhileAFrozenClockSleeps) {
  std::vector<std::string> fired;
  host.startTimer(100, [&] { fired.push_back("a@" + std::to_string(elapsed())); });
  host.startTimer(250, [&] { fired.push_back("b@" + std::to_string(elapsed())); });
  host.pumpMessages(5);
  EXPECT_TRUE(fired.empty());
  host.sleep(99);
  EXPECT_TRUE(fired.empty());
  host.sleep(401);
  EXPECT_EQ(fired, (std::vector<std::string>{"a@100", "a@200", "b@250", "a@300", "a@400", "a@500", "b@500"}));
  EXPECT_EQ(elapsed(), 500);
  EXPECT_EQ(host.now(), (DateTime{2026, 12, 7, 8, 5, 3}));
  host.sleep(61'000);
  EXPECT_EQ(host.now(), (DateTime{2026, 12, 7, 8, 6, 4}));
}

TEST_F(HostTest, DueTimerFiresAtThePumpOnly) {
  int ticks = 0;
  const auto id = host.startTimer(3000, [&] { ++ticks; });
  host.freezeClock(false);
  host.freezeClock(true);  // a running stretch too short to matter
  EXPECT_EQ(ticks, 0);
  host.sleep(3000);
  EXPECT_EQ(ticks, 1);
  host.stopTimer(id);
  host.sleep(9000);
  EXPECT_EQ(ticks, 1);
}

TEST_F(HostTest, TimerDoesNotFireInsideItsOwnTick) {
  int depth = 0, maxDepth = 0, ticks = 0, other = 0;
  host.startTimer(10, [&] {
    ++ticks;
    maxDepth = std::max(maxDepth, ++depth);
    host.sleep(50);  // pumps and lets time pass inside the tick, as a long routine does
    --depth;
  });
  host.startTimer(20, [&] { ++other; });
  host.sleep(10);
  EXPECT_EQ(maxDepth, 1);
  EXPECT_EQ(ticks, 1);
  EXPECT_GE(other, 2);  // the other timer still ran during the nested wait
}

TEST_F(HostTest, TimerMayStopItselfAndErrorsStayInside) {
  std::vector<std::string> trace;
  host.onTrace = [&](std::string_view category, std::string_view) { trace.emplace_back(category); };
  int ticks = 0;
  Host::TimerId id = 0;
  id = host.startTimer(5, [&] {
    ++ticks;
    host.stopTimer(id);
    throw std::runtime_error("word went away");
  });
  host.sleep(100);
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(trace, std::vector<std::string>{"error"});
}

TEST_F(HostTest, PostedWorkRunsAtTheNextPumpInOrder) {
  std::vector<int> done;
  host.post([&] {
    done.push_back(1);
    host.post([&] { done.push_back(3); });
  });
  host.post([&] { done.push_back(2); });
  EXPECT_TRUE(done.empty());
  host.pumpMessages();
  EXPECT_EQ(done, (std::vector<int>{1, 2}));
  host.pumpMessages();
  EXPECT_EQ(done, (std::vector<int>{1, 2, 3}));
}

TEST_F(HostTest, RunningClockGoesOnAfterSetClock) {
  host.freezeClock(false);
  host.setClock({2026, 12, 31, 23, 59, 59});
  const auto before = host.tickMs();
  host.sleep(1100);
  EXPECT_GE(host.tickMs() - before, 1100);
  EXPECT_EQ(host.now(), (DateTime{2027, 1, 1, 0, 0, 0}));
}

TEST_F(HostTest, WithoutAUserBoxesTakeTheirFirstButtonAndFormsClose) {
  EXPECT_EQ(host.messageBox("没有可执行的对象.", mb::kInformation, "信息"), mb::kAnswerOk);
  EXPECT_EQ(host.messageBox("你真的想重写吗?", 65, "提示"), mb::kAnswerOk);
  EXPECT_EQ(host.messageBox("继续?", mb::kYesNo | mb::kQuestion, ""), mb::kAnswerYes);
  EXPECT_EQ(host.messages,
            (std::vector<std::string>{"信息|64|没有可执行的对象.", "提示|65|你真的想重写吗?", "|36|继续?"}));
  EXPECT_EQ(host.inputBox("密码", "印章", ""), std::nullopt);
  DialogRequest print{168, "打印"};
  EXPECT_EQ(host.showDialog(print), 0);

  Form form("FrmOpMsg", "修订记录");
  int closes = 0;
  form.onClose = [&] { ++closes; };
  host.showModal(form);
  EXPECT_FALSE(form.isOpen());
  EXPECT_EQ(closes, 1);
}

TEST_F(HostTest, TheUserIsPlayedByHandlersAndEverythingIsTraced) {
  std::vector<std::string> lines;
  host.onTrace = [&](std::string_view c, std::string_view l) {
    lines.push_back(std::string(c) + ": " + std::string(l));
  };
  host.onMessageBox = [](const std::string&, int, const std::string&) { return mb::kAnswerCancel; };
  host.onInputBox = [](const std::string&, const std::string&, const std::string&) {
    return std::string("123");
  };
  host.onForm = [](Form& f) { f.click("cmdOk"); };
  Form form("FrmMySign", "电子印章");
  form.add("cmdOk", "button").onClick = [&] { form.close(); };

  EXPECT_EQ(host.messageBox("确定?", mb::kOkCancel, "提示"), mb::kAnswerCancel);
  EXPECT_EQ(host.inputBox("密码", "印章", ""), "123");
  host.showModal(form);
  host.propertyChanged("ActiveForm");
  EXPECT_EQ(host.changedProperties, std::vector<std::string>{"ActiveForm"});
  EXPECT_EQ(lines, (std::vector<std::string>{"msgbox: 提示|1|确定? -> 2", "inputbox: 印章|密码| -> \"123\"",
                                             "form: show FrmMySign \"电子印章\"", "form: closed FrmMySign",
                                             "property: ActiveForm"}));
}

}  // namespace
}  // namespace verolin::platform
