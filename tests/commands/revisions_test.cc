// Revision control and protection through the control's members.
#include "commands/revisions.h"

#include "automation/object.h"
#include "commands_fixture.h"
#include "seal/revision_log.h"

namespace verolin::testing {
namespace {

constexpr std::int32_t kNoProtection = -1;
constexpr std::int32_t kRevisionsOnly = 0;

class RevisionsTest : public CommandsTest {
 protected:
  // The revision log's lines as the user sees them while it is shown; it is then closed.
  std::vector<std::string> listedLines(Variant& c) {
    std::vector<std::string> lines;
    host().onForm = [&](platform::Form& form) {
      lines = form.control("libmsg").items();
      form.click("cmdok");
    };
    c.call("RevisionsInfo");
    host().onForm = nullptr;
    return lines;
  }
};

TEST_F(RevisionsTest, ChangeUserNameRefusesTheEmptyNameBeforeTheWordGuard) {
  Variant c = createControl();
  EXPECT_FALSE(c.call("ChangeUserName", "").toBool());
  EXPECT_FALSE(c.call("ChangeUserName", "李四").toBool());
  EXPECT_EQ(messages(), (std::vector<std::string>{"信息|64|用户名不能为空字符.", kNoObject}));
}

TEST_F(RevisionsTest, ChangedUserNameIsTheAuthorOfLaterRevisions) {
  Variant c = openDocument();
  EXPECT_TRUE(c.call("ChangeUserName", "审核人").toBool());
  EXPECT_EQ(word().get("UserName").toString(), "审核人");
  doc().put("TrackRevisions", true);
  selection().call("TypeText", "新");
  EXPECT_EQ(listedLines(c), (std::vector<std::string>{"1.审核人 2026/12/7 9:05:00增加"}));
}

TEST_F(RevisionsTest, RevisionsInfoWithoutDocumentOnlyTellsSoAndWithoutWordSaysNothing) {
  Variant c = createControl();
  int shown = 0;
  host().onForm = [&](platform::Form&) { ++shown; };
  c.call("RevisionsInfo");
  EXPECT_EQ(messages(), std::vector<std::string>{"信息|64|请首先打开一篇文档."});
  state().docOpen = true;
  c.call("RevisionsInfo");
  EXPECT_EQ(messages().size(), 1u);
  EXPECT_EQ(shown, 0);
}

TEST_F(RevisionsTest, RevisionListNamesNumberAuthorTimeAndOperation) {
  Variant c = openDocument();
  selection().call("TypeText", "原文内容");
  doc().put("TrackRevisions", true);
  selection().call("TypeText", "新增");
  host().setClock({2026, 12, 7, 14, 30, 0});
  c.call("ChangeUserName", "李四");
  selection().call("SetRange", 0, 2);
  selection().call("Delete");
  selection().call("SetRange", 2, 4);
  selection().get("Font").put("Color", 255);
  EXPECT_EQ(listedLines(c),
            (std::vector<std::string>{"1.李四 2026/12/7 14:30:00删除", "2.李四 2026/12/7 14:30:00其它操作",
                                      "3.张三 2026/12/7 9:05:00增加"}));
}

TEST_F(RevisionsTest, DoubleClickOnALineShowsThatRevisionsText) {
  Variant c = openDocument();
  selection().call("TypeText", "原文内容");
  doc().put("TrackRevisions", true);
  selection().call("SetRange", 0, 2);
  selection().call("Delete");
  selection().call("EndKey", 6);
  selection().call("TypeText", "新增的字");
  host().onForm = [&](platform::Form& form) {
    form.dblclick("libmsg");  // nothing selected yet: nothing to show
    form.control("libmsg").set("ListIndex", Variant(1));
    form.dblclick("libmsg");
    form.click("cmdok");
    EXPECT_FALSE(form.isOpen());
  };
  c.call("RevisionsInfo");
  EXPECT_EQ(messages(), std::vector<std::string>{"|0|新增的字"});
}

TEST_F(RevisionsTest, RevisionListOfADocumentWithoutRevisionsIsEmpty) {
  Variant c = openDocument();
  seal::RevisionLog(control()).addLine("left over");
  std::string caption;
  host().onForm = [&](platform::Form& form) {
    caption = form.caption();
    EXPECT_TRUE(form.control("libmsg").items().empty());
  };
  c.call("RevisionsInfo");
  EXPECT_EQ(caption, "操作日志");
}

// A word processor whose document holds more revisions than a 16-bit count can hold.
class ManyRevisions final : public automation::ObjectBase {
 public:
  explicit ManyRevisions(std::int32_t count) : ObjectBase("Application") {
    indexedProperty("Windows", {{"Index"}}, [this](automation::Args&) { return self(); });
    property("Application", [this] { return self(); });
    property("ActiveDocument", [this] { return self(); });
    property("Revisions", [this] { return self(); });
    property("Count", [count] { return Variant(count); });
    method("Item", {{"Index"}}, [this](automation::Args& a) {
      last_ = a[0].toInt32();
      return self();
    });
    property("Type", [this] { return Variant(std::int32_t{last_ % 2 ? 1 : 2}); });
    property("Author", [] { return Variant("张三"); });
    property("Date", [] { return Variant(automation::DateTime{2026, 12, 7, 9, 5, 0}); });
  }

 private:
  std::int32_t last_ = 0;
};

TEST_F(RevisionsTest, RevisionListHoldsEveryRevisionOfAVeryLongDocument) {
  Variant c = createControl();
  state().wordApp =
      Variant(std::static_pointer_cast<automation::Dispatch>(std::make_shared<ManyRevisions>(40000)));
  state().docOpen = true;
  std::size_t lines = 0;
  std::string last;
  host().onForm = [&](platform::Form& form) {
    lines = form.control("libmsg").items().size();
    last = form.control("libmsg").items().back();
  };
  EXPECT_EQ(commands::ShowRevisionList(control()), "40000.张三 2026/12/7 9:05:00删除");
  EXPECT_EQ(lines, 40000u);
  EXPECT_EQ(last, "40000.张三 2026/12/7 9:05:00删除");
  state().wordApp = Variant();
  state().docOpen = false;
}

TEST_F(RevisionsTest, ProtectionRefusedOnAProtectedDocumentLeavesTheTrackingSwitches) {
  Variant c = openDocument();
  c.call("DocProtect");
  const bool printRevisions = doc().get("PrintRevisions").toBool();
  const bool showRevisions = doc().get("ShowRevisions").toBool();
  c.call("AllowOnlyRevisions", false);
  EXPECT_TRUE(messages().empty());
  EXPECT_FALSE(word().get("ActiveWindow").get("DisplayScreenTips").toBool());
  EXPECT_EQ(doc().get("ProtectionType").toInt32(), 2);
  EXPECT_FALSE(doc().get("TrackRevisions").toBool());
  EXPECT_EQ(doc().get("PrintRevisions").toBool(), printRevisions);
  EXPECT_EQ(doc().get("ShowRevisions").toBool(), showRevisions);
}

TEST_F(RevisionsTest, DefaultPasswordIsNeededToUnlockAndAWrongOneKeepsTheProtection) {
  Variant c = openDocument();
  c.call("AllowOnlyRevisions", true);
  EXPECT_EQ(doc().get("ProtectionType").toInt32(), kRevisionsOnly);
  EXPECT_TRUE(doc().get("TrackRevisions").toBool());
  EXPECT_TRUE(doc().get("PrintRevisions").toBool());
  EXPECT_TRUE(doc().get("ShowRevisions").toBool());

  c.call("UnlockOnlyRevisions", "wrong");
  EXPECT_EQ(messages(), std::vector<std::string>{"信息|64|The password is incorrect."});
  EXPECT_EQ(doc().get("ProtectionType").toInt32(), kRevisionsOnly);
  EXPECT_TRUE(doc().get("ShowRevisions").toBool());

  c.call("UnlockOnlyRevisions", "fesu31");
  EXPECT_EQ(messages().size(), 1u);
  EXPECT_EQ(doc().get("ProtectionType").toInt32(), kNoProtection);
  EXPECT_FALSE(doc().get("ShowRevisions").toBool());
  EXPECT_TRUE(doc().get("TrackRevisions").toBool());
}

TEST_F(RevisionsTest, ProtectionWithTheCallersPasswordAndItsRefusalShown) {
  Variant c = openDocument();
  Variant pass("机密");
  c.call("DocProtect", Variant::ref(pass));
  c.call("DocProtect");
  EXPECT_EQ(
      messages(),
      std::vector<std::string>{
          "信息|64|This method or property is not available because the document is already protected."});
  c.call("UnlockOnlyRevisions", "机密");
  EXPECT_EQ(doc().get("ProtectionType").toInt32(), kNoProtection);
}

TEST_F(RevisionsTest, AcceptAndRejectInTheSelectionOrInTheWholeDocument) {
  Variant c = openDocument();
  selection().call("TypeText", "原文");
  doc().put("TrackRevisions", true);
  selection().call("HomeKey", 6);
  selection().call("TypeText", "甲");
  selection().call("EndKey", 6);
  selection().call("TypeText", "乙");
  selection().call("SetRange", 0, 1);
  c.call("RevisionsAction", false);
  EXPECT_EQ(text(), "原文乙\r");
  EXPECT_EQ(doc().get("Revisions").get("Count").toInt32(), 1);
  c.call("RevisionsAll", true);
  EXPECT_EQ(doc().get("Revisions").get("Count").toInt32(), 0);
  EXPECT_EQ(text(), "原文乙\r");

  // Accepting on a protected document is Word's refusal, handed to the page.
  c.call("AllowOnlyRevisions", true);
  EXPECT_EQ(errorNumber([&] { c.call("RevisionsAll", false); }), 4605);
  EXPECT_EQ(errorNumber([&] { c.call("RevisionsAction", true); }), 4605);
}

TEST_F(RevisionsTest, EveryRevisionCommandWithoutWordShowsTheWordGuardOnly) {
  Variant c = createControl();
  c.call("AllowOnlyRevisions", true);
  c.call("UnlockOnlyRevisions", "fesu31");
  c.call("ShowRevisions", true);
  c.call("DocProtect");
  c.call("RevisionsAction", true);
  c.call("RevisionsAll", true);
  EXPECT_EQ(messages(), std::vector<std::string>(6, kNoObject));
}

}  // namespace
}  // namespace verolin::testing
