// Tracked revisions and document protection as the revision-control commands drive them.
#include "word_fixture.h"

namespace verolin::testing {
namespace {

class RevisionsTest : public WordFixture {
 protected:
  void SetUp() override {
    app_ = startWord();
    app_.get("Documents").call("Add");
    doc_ = app_.get("ActiveDocument");
    sel_ = app_.get("Selection");
    sel_.call("TypeText", "原文内容");
  }

  std::string text() { return doc_.get("Content").get("Text").toString(); }
  Variant revision(int i) { return doc_.get("Revisions").call("Item", i); }

  Variant app_;
  Variant doc_;
  Variant sel_;
};

TEST_F(RevisionsTest, TypingUnderTrackingIsAnInsertionByTheUserAtTheTime) {
  app_.put("UserName", "张三");
  doc_.put("TrackRevisions", true);
  sel_.call("TypeText", "新增");
  sel_.call("TypeText", "的字");
  ASSERT_EQ(doc_.get("Revisions").get("Count").toInt32(), 1);
  EXPECT_EQ(revision(1).get("Type").toInt32(), 1);
  EXPECT_EQ(revision(1).get("Author").toString(), "张三");
  EXPECT_EQ(revision(1).get("Date").toDate(), (automation::DateTime{2026, 12, 7, 9, 5, 0}));
  EXPECT_EQ(revision(1).get("Range").get("Text").toString(), "新增的字");

  // Another author's deletion of the original text, then a format change: three kinds in document order.
  app_.put("UserName", "李四");
  sel_.call("SetRange", 0, 2);
  sel_.call("Delete");
  sel_.call("SetRange", 2, 4);
  sel_.get("Font").put("Color", 255);
  EXPECT_EQ(text(), "原文内容新增的字\r");
  ASSERT_EQ(doc_.get("Revisions").get("Count").toInt32(), 3);
  EXPECT_EQ(revision(1).get("Type").toInt32(), 2);
  EXPECT_EQ(revision(1).get("Range").get("Text").toString(), "原文");
  EXPECT_EQ(revision(2).get("Type").toInt32(), 3);
  EXPECT_EQ(revision(3).get("Author").toString(), "张三");

  // Deleting one's own insertion removes it at once.
  app_.put("UserName", "张三");
  sel_.call("SetRange", 6, 8);
  sel_.call("Delete");
  EXPECT_EQ(text(), "原文内容新增\r");
}

TEST_F(RevisionsTest, EachRunOfARevisionSplitByAnotherIsItsOwnItem) {
  doc_.put("TrackRevisions", true);
  app_.put("UserName", "张三");
  sel_.call("TypeText", "甲乙");
  app_.put("UserName", "李四");
  sel_.call("SetRange", 5, 5);
  sel_.call("TypeText", "丙");  // inside 张三's insertion, which now runs 甲, then 乙
  ASSERT_EQ(doc_.get("Revisions").get("Count").toInt32(), 3);
  EXPECT_EQ(revision(1).get("Range").get("Text").toString(), "甲");
  EXPECT_EQ(revision(2).get("Range").get("Text").toString(), "丙");
  EXPECT_EQ(revision(3).get("Range").get("Text").toString(), "乙");
  EXPECT_EQ(revision(3).get("Index").toInt32(), 3);
  revision(3).call("Reject");
  EXPECT_EQ(text(), "原文内容甲丙\r");
}

TEST_F(RevisionsTest, AcceptAndRejectInTheSelectionOrTheWholeDocument) {
  doc_.put("TrackRevisions", true);
  sel_.call("EndKey", 6);
  sel_.call("TypeText", "甲");
  sel_.call("SetRange", 0, 2);
  sel_.call("Delete");
  ASSERT_EQ(doc_.get("Revisions").get("Count").toInt32(), 2);

  // Only the revision inside the selection is rejected.
  sel_.call("SetRange", 0, 2);
  sel_.get("Range").get("Revisions").call("RejectAll");
  EXPECT_EQ(text(), "原文内容甲\r");
  EXPECT_EQ(doc_.get("Revisions").get("Count").toInt32(), 1);
  doc_.call("AcceptAllRevisions");
  EXPECT_EQ(text(), "原文内容甲\r");
  EXPECT_EQ(doc_.get("Revisions").get("Count").toInt32(), 0);

  sel_.call("SetRange", 0, 4);
  sel_.get("Font").put("Size", 20);
  sel_.call("SetRange", 0, 4);
  sel_.call("Delete");
  doc_.call("RejectAllRevisions");
  EXPECT_EQ(text(), "原文内容甲\r");
  EXPECT_FLOAT_EQ(doc_.call("Range", 0, 4).get("Font").get("Size").toDouble(), 10.5);
}

TEST_F(RevisionsTest, RevisionProtectionForcesTrackingAndKeepsItsPassword) {
  app_.get("ActiveWindow").put("DisplayScreenTips", true);
  doc_.call("Protect", 0, false, "fesu31");
  EXPECT_EQ(doc_.get("ProtectionType").toInt32(), 0);
  EXPECT_TRUE(doc_.get("TrackRevisions").toBool());
  doc_.put("TrackRevisions", true);
  doc_.put("PrintRevisions", true);
  doc_.put("ShowRevisions", true);
  EXPECT_EQ(errorNumber([&] { doc_.put("TrackRevisions", false); }), 4605);

  sel_.call("TypeText", "改");
  EXPECT_EQ(doc_.get("Revisions").get("Count").toInt32(), 1);
  EXPECT_EQ(errorNumber([&] { doc_.call("AcceptAllRevisions"); }), 4605);
  EXPECT_EQ(errorNumber([&] { doc_.call("Protect", 2, false, "x"); }), 4605);

  try {
    doc_.call("Unprotect", "wrong");
    FAIL() << "a wrong password unprotected the document";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), 5485);
    EXPECT_EQ(e.description(), "The password is incorrect.");
  }
  EXPECT_EQ(doc_.get("ProtectionType").toInt32(), 0);
  doc_.call("Unprotect", "fesu31");
  EXPECT_EQ(doc_.get("ProtectionType").toInt32(), -1);
  EXPECT_TRUE(doc_.get("TrackRevisions").toBool());  // tracking stays on
  EXPECT_EQ(errorNumber([&] { doc_.call("Unprotect", "fesu31"); }), 4605);
}

TEST_F(RevisionsTest, FormProtectionRefusesTypingAndPictures) {
  doc_.call("Protect", 2, false, "fesu31");
  EXPECT_EQ(errorNumber([&] { sel_.call("TypeText", "x"); }), 6124);
  EXPECT_EQ(errorNumber([&] { doc_.get("Shapes").call("AddLine", 0, 0, 1, 1); }), 6124);
  EXPECT_EQ(errorNumber([&] { app_.get("UserActions").call("Type", "y"); }), 6124);
  EXPECT_EQ(text(), "原文内容\r");
  doc_.call("Unprotect", "fesu31");
  sel_.call("TypeText", "x");
  EXPECT_EQ(text(), "原文内容x\r");
}

TEST_F(RevisionsTest, ProtectionWithoutPasswordIsLiftedWithAny) {
  doc_.call("Protect", 0);
  doc_.call("Unprotect", "anything");
  EXPECT_EQ(doc_.get("ProtectionType").toInt32(), -1);
  EXPECT_EQ(errorNumber([&] { doc_.call("Protect", 7); }), 4608);
}

}  // namespace
}  // namespace verolin::testing
