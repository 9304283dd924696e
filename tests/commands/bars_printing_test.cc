// Command bars, print preview, page setup and printing.
#include <algorithm>

#include "commands_fixture.h"

namespace verolin::testing {
namespace {

class BarsPrintingTest : public CommandsTest {
 protected:
  Variant bar(const char* name) { return word().get("CommandBars", name); }
  bool traced(const std::string& line) { return std::find(trace.begin(), trace.end(), line) != trace.end(); }
};

TEST_F(BarsPrintingTest, MenuWithoutArgumentEnablesTheMenuBar) {
  Variant c = openDocument();
  EXPECT_FALSE(bar("Menu Bar").get("Enabled").toBool());
  c.call("Menu");
  EXPECT_TRUE(bar("Menu Bar").get("Enabled").toBool());
  c.call("Menu", false);
  EXPECT_FALSE(bar("Menu Bar").get("Enabled").toBool());
}

TEST_F(BarsPrintingTest, ToolbarsAnswerFalseWithAndWithoutWord) {
  Variant c = createControl();
  EXPECT_FALSE(c.call("ReviewingBar", true).toBool());
  EXPECT_FALSE(c.call("StandardBar", true).toBool());
  EXPECT_EQ(messages(), std::vector<std::string>(2, kNoObject));
  host().messages.clear();
  c.call("AddNewDocument");
  EXPECT_FALSE(c.call("ReviewingBar", true).toBool());
  EXPECT_TRUE(bar("Reviewing").get("Visible").toBool());
  EXPECT_FALSE(c.call("StandardBar", false).toBool());
  EXPECT_FALSE(bar("Standard").get("Visible").toBool());
  EXPECT_TRUE(messages().empty());
}

TEST_F(BarsPrintingTest, PageSetupIsDisplayedOnlyAndMovesToTheLineEndEvenWhenCancelled) {
  Variant c = openDocument();
  selection().call("TypeText", "第一行");
  selection().call("HomeKey");
  std::vector<bool> executed;
  host().onDialog = [&](platform::DialogRequest& r) {
    executed.push_back(r.execute);
    EXPECT_EQ(r.id, 178);
    r.fields["LeftMargin"] = Variant(20.0);
    return 0;
  };
  const double left = doc().get("PageSetup").get("LeftMargin").toDouble();
  c.call("PrintSetPage");
  EXPECT_EQ(selection().get("Start").toInt32(), 3);
  EXPECT_EQ(executed, std::vector<bool>{false});
  EXPECT_DOUBLE_EQ(doc().get("PageSetup").get("LeftMargin").toDouble(), left);
}

TEST_F(BarsPrintingTest, PrintOutPrintsTheWholeDocumentWithoutADialog) {
  Variant c = openDocument();
  int dialogs = 0;
  host().onDialog = [&](platform::DialogRequest&) { return ++dialogs, -1; };
  c.call("Print_Out");
  EXPECT_EQ(dialogs, 0);
  EXPECT_EQ(trace.back(), "word print " + doc().get("Name").toString() + " copies=1 revisions=1");
}

TEST_F(BarsPrintingTest, PrintViewTwiceStaysInPreviewAndKeepsTheEmbeddedWindow) {
  Variant c = openDocument();
  const auto window = state().wordWindowHandle;
  ASSERT_NE(window, 0);
  c.call("PrintView");
  c.call("PrintView");
  EXPECT_TRUE(word().get("PrintPreview").toBool());
  EXPECT_EQ(state().wordWindowHandle, window);
  EXPECT_EQ(standIn().windows.info(window)->parent, control().picBody.hwnd);
}

TEST_F(BarsPrintingTest, PrintViewEmbedsAWindowThatLeftTheControl) {
  Variant c = openDocument();
  const auto window = state().wordWindowHandle;
  standIn().windows.setParent(window, 0);
  c.call("PrintView");
  EXPECT_EQ(state().wordWindowHandle, window);
  EXPECT_EQ(standIn().windows.info(window)->parent, control().picBody.hwnd);
  EXPECT_TRUE(traced("window embedded window " + std::to_string(window) + " in picBody"));
}

TEST_F(BarsPrintingTest, UnknownBarOrLostWindowIsWordsErrorToThePage) {
  Variant c = openDocument();
  state().wordWindowIndex = 5;
  EXPECT_EQ(errorNumber([&] { c.call("Menu"); }), 5941);
  EXPECT_EQ(errorNumber([&] { c.call("Print_Out"); }), 5941);
  EXPECT_TRUE(messages().empty());
}

TEST_F(BarsPrintingTest, EveryBarAndPrintCommandWithoutWordShowsTheWordGuardOnly) {
  Variant c = createControl();
  c.call("Menu");
  c.call("PrintView");
  c.call("PrintSetPage");
  c.call("Print_Out");
  EXPECT_EQ(messages(), std::vector<std::string>(4, kNoObject));
}

}  // namespace
}  // namespace verolin::testing
