// Editing at the selection and in ranges: where typing takes its format from, what replacing,
// deleting and joining paragraphs do, ranges and bookmarks that follow the text, moving the selection
// by characters, words, lines, paragraphs and screens, and mixed formats.
#include "word_fixture.h"

namespace verolin::testing {
namespace {

class EditingTest : public WordFixture {
 protected:
  void SetUp() override {
    app_ = startWord();
    doc_ = app_.get("Documents").call("Add");
    sel_ = app_.get("Selection");
  }

  std::string text() { return doc_.get("Content").get("Text").toString(); }
  int start() { return sel_.get("Start").toInt32(); }
  int end() { return sel_.get("End").toInt32(); }
  Variant range(int s, int e) { return doc_.call("Range", s, e); }

  Variant app_;
  Variant doc_;
  Variant sel_;
};

TEST_F(EditingTest, TypingTakesTheFormatBeforeItOrAtAParagraphsStartTheOneAfter) {
  sel_.get("Font").put("Size", 20);
  sel_.call("TypeText", "大字");
  sel_.call("TypeParagraph");
  sel_.get("Font").put("Size", 8);
  sel_.call("TypeText", "小字");
  sel_.call("SetRange", 3, 3);  // the start of the second paragraph
  sel_.call("TypeText", "前");
  EXPECT_FLOAT_EQ(range(3, 4).get("Font").get("Size").toDouble(), 8);
  sel_.call("SetRange", 2, 2);  // the end of the first
  sel_.call("TypeText", "后");
  EXPECT_FLOAT_EQ(range(2, 3).get("Font").get("Size").toDouble(), 20);
  EXPECT_EQ(text(), "大字后\r前小字\r");
}

TEST_F(EditingTest, AFontSetOnTheInsertionPointLastsUntilTheSelectionMoves) {
  sel_.call("TypeText", "ab");
  sel_.get("Font").put("Color", 255);
  EXPECT_EQ(sel_.get("Font").get("Color").toInt32(), 255);
  sel_.call("MoveLeft");
  sel_.call("MoveRight");
  sel_.call("TypeText", "c");
  EXPECT_EQ(range(2, 3).get("Font").get("Color").toInt32(), -16777216);
}

TEST_F(EditingTest, TypingReplacesTheSelectionAndTrackedTheDeletedTextStaysBeforeIt) {
  sel_.call("TypeText", "旧的文字");
  sel_.call("SetRange", 0, 2);
  sel_.call("TypeText", "新");
  EXPECT_EQ(text(), "新文字\r");
  EXPECT_EQ(start(), 1);

  doc_.put("TrackRevisions", true);
  app_.put("UserName", "王五");
  sel_.call("SetRange", 1, 3);
  sel_.call("TypeText", "词");
  EXPECT_EQ(text(), "新文字词\r");
  ASSERT_EQ(doc_.get("Revisions").get("Count").toInt32(), 2);
  EXPECT_EQ(doc_.get("Revisions", 1).get("Type").toInt32(), 2);
  EXPECT_EQ(doc_.get("Revisions", 1).get("Range").get("Text").toString(), "文字");
  EXPECT_EQ(doc_.get("Revisions", 2).get("Range").get("Text").toString(), "词");
  EXPECT_EQ(start(), 4);
}

TEST_F(EditingTest, TypingOverTheFinalParagraphMarkLeavesTheInsertionPointInsideTheDocument) {
  sel_.call("TypeText", "第一段");
  sel_.call("WholeStory");
  sel_.call("TypeText", "新");
  EXPECT_EQ(text(), "新\r");
  EXPECT_EQ(start(), 1);
  EXPECT_EQ(end(), 1);
  sel_.call("TypeParagraph");
  sel_.call("TypeText", "二");
  EXPECT_EQ(text(), "新\r二\r");

  // Tracked, the deleted text stays and the new text goes before the final mark.
  doc_.put("TrackRevisions", true);
  app_.put("UserName", "王五");
  doc_.call("AcceptAllRevisions");
  sel_.call("SetRange", 2, 5);
  sel_.call("TypeText", "三");
  EXPECT_EQ(start(), end());
  EXPECT_LT(end(), doc_.get("Content").get("End").toInt32());
  sel_.call("TypeParagraph");
  doc_.call("AcceptAllRevisions");
  EXPECT_EQ(text(), "新\r三\r\r");
}

TEST_F(EditingTest, PastingAPictureOverTheFinalParagraphMarkLeavesTheInsertionPointInsideTheDocument) {
  sel_.call("TypeText", "文字");
  standIn_->clipboard.setPicture(pngPicture());
  sel_.call("WholeStory");
  sel_.call("Paste");
  EXPECT_EQ(doc_.get("InlineShapes").get("Count").toInt32(), 1);
  EXPECT_EQ(start(), 1);
  EXPECT_EQ(end(), 1);
  sel_.call("TypeParagraph");
  EXPECT_EQ(doc_.get("Content").get("End").toInt32(), 3);
}

TEST_F(EditingTest, OneAuthorsAdjacentTypingIsOneRevision) {
  doc_.put("TrackRevisions", true);
  sel_.call("TypeText", "中间");
  sel_.call("SetRange", 0, 0);
  sel_.call("TypeText", "前");
  EXPECT_EQ(doc_.get("Revisions").get("Count").toInt32(), 1);
  app_.put("UserName", "别人");
  sel_.call("EndKey", 6);
  sel_.call("TypeText", "后");
  EXPECT_EQ(doc_.get("Revisions").get("Count").toInt32(), 2);
}

TEST_F(EditingTest, DeletingAParagraphMarkJoinsParagraphsAndKeepsShapesAnchored) {
  sel_.call("TypeText", "一\r二\r三");
  sel_.call("SetRange", 2, 2);
  writeFile("c:\\p.png", pngPicture());
  doc_.get("Shapes").call("AddPicture", "c:\\p.png");  // anchored to the paragraph "二"
  sel_.call("SetRange", 1, 3);
  sel_.call("Delete");
  EXPECT_EQ(text(), "一\r三\r");
  EXPECT_EQ(doc_.get("Shapes", 1).get("Anchor").get("Start").toInt32(), 0);

  // The final paragraph mark never goes.
  sel_.call("EndKey", 6);
  sel_.call("Delete");
  sel_.call("WholeStory");
  sel_.call("Delete");
  EXPECT_EQ(text(), "\r");
  sel_.call("TypeBackspace");
  EXPECT_EQ(text(), "\r");
}

TEST_F(EditingTest, RangesAndBookmarksFollowTheTextTheyCover) {
  sel_.call("TypeText", "hello world");
  Variant world = range(6, 11);
  doc_.get("Bookmarks").call("Add", "w", world);
  sel_.call("SetRange", 0, 0);
  sel_.call("TypeText", ">> ");
  EXPECT_EQ(world.get("Text").toString(), "world");
  EXPECT_EQ(doc_.get("Bookmarks", "w").get("Text").toString(), "world");
  world.put("Text", "there");
  EXPECT_EQ(text(), ">> hello there\r");
  world.call("InsertAfter", "!");
  EXPECT_EQ(world.get("Text").toString(), "there!");
  EXPECT_EQ(errorNumber([&] { doc_.call("Range", 5, 2); }), 4608);
}

TEST_F(EditingTest, TypedControlCharactersAreNeitherPicturesNorCells) {
  sel_.call("TypeText", std::string("a\x01"
                                    "b\x07"
                                    "c") +
                            std::string(1, '\0') + "d\te\x0B");
  EXPECT_EQ(text(), "abcd\te\x0B\r");
  EXPECT_EQ(doc_.get("InlineShapes").get("Count").toInt32(), 0);
}

TEST_F(EditingTest, SelectionTextOfAnInsertionPointIsTheNextCharacter) {
  sel_.call("TypeText", "xyz");
  sel_.call("SetRange", 1, 1);
  EXPECT_EQ(sel_.get("Text").toString(), "y");
  EXPECT_EQ(sel_.get("Type").toInt32(), 1);
  sel_.put("Text", "YY");
  EXPECT_EQ(text(), "xYYyz\r");
  EXPECT_EQ(sel_.get("Text").toString(), "YY");
  EXPECT_EQ(sel_.get("Type").toInt32(), 2);
}

TEST_F(EditingTest, MovingByCharactersWordsAndParagraphs) {
  sel_.call("TypeText", "one two three\rsecond line");
  sel_.call("HomeKey", 6);
  EXPECT_EQ(sel_.call("MoveRight", 2, 2).toInt32(), 2);
  EXPECT_EQ(start(), 8);
  EXPECT_EQ(sel_.call("MoveRight", 1, 3, 1).toInt32(), 3);
  EXPECT_EQ(sel_.get("Text").toString(), "thr");
  // Without extending, a selection first collapses, which counts as one step.
  EXPECT_EQ(sel_.call("MoveLeft", 1, 1).toInt32(), 1);
  EXPECT_EQ(start(), 8);
  EXPECT_EQ(end(), 8);
  sel_.call("MoveDown", 4, 1);
  EXPECT_EQ(start(), 14);
  EXPECT_EQ(sel_.call("MoveUp", 4, 5).toInt32(), 1);
  EXPECT_EQ(start(), 0);
  EXPECT_EQ(sel_.call("MoveLeft").toInt32(), 0);
  sel_.call("EndKey", 6, 1);
  EXPECT_EQ(sel_.get("Text").toString(), "one two three\rsecond line");
}

TEST_F(EditingTest, LinesWrapAtTheTextColumnAndScreensMoveManyLines) {
  // 10.5-point East Asian characters: 39 fit in the 415.3-point column of an A4 page.
  std::string longParagraph;
  for (int i = 0; i < 100; ++i) longParagraph += "字";
  sel_.call("TypeText", longParagraph);
  sel_.call("HomeKey", 6);
  sel_.call("EndKey");
  EXPECT_EQ(start(), 39);
  sel_.call("MoveDown");
  EXPECT_EQ(start(), 78);
  sel_.call("EndKey");
  EXPECT_EQ(start(), 100);  // the last line ends before the paragraph mark
  sel_.call("HomeKey");
  EXPECT_EQ(start(), 78);
  EXPECT_EQ(sel_.call("MoveUp", 5, 5).toInt32(), 2);
  EXPECT_EQ(start(), 0);

  for (int i = 0; i < 120; ++i) sel_.call("TypeParagraph");
  sel_.call("EndKey", 6);
  const int before = start();
  EXPECT_EQ(sel_.call("MoveUp", 7, 1).toInt32(), 1);
  EXPECT_LT(start(), before - 10);
  sel_.call("MoveUp", 7, 100);
  EXPECT_EQ(start(), 0);
  EXPECT_EQ(sel_.call("MoveUp", 7, 1).toInt32(), 0);
  EXPECT_EQ(errorNumber([&] { sel_.call("MoveUp", 99); }), 5);
}

TEST_F(EditingTest, MixedFormatsReadAsUndefined) {
  sel_.call("TypeText", "ab\rcd");
  range(0, 1).get("Font").put("Size", 30);
  range(3, 4).get("ParagraphFormat").put("Alignment", 2);
  EXPECT_EQ(range(0, 2).get("Font").get("Size").toInt32(), 9999999);
  EXPECT_EQ(range(0, 5).get("ParagraphFormat").get("Alignment").toInt32(), 9999999);
  EXPECT_EQ(range(3, 4).get("ParagraphFormat").get("Alignment").toInt32(), 2);
  EXPECT_EQ(range(0, 1).get("ParagraphFormat").get("Alignment").toInt32(), 3);  // 正文 is justified
  EXPECT_EQ(errorNumber([&] { range(0, 1).get("Font").put("Size", 0); }), 4608);
  range(0, 1).get("Font").put("Size", 10.3);  // sizes keep half points
  EXPECT_FLOAT_EQ(range(0, 1).get("Font").get("Size").toDouble(), 10.5);
}

TEST_F(EditingTest, StylesByObjectNameOrNumber) {
  sel_.call("TypeText", "标题");
  sel_.put("Style", "标题 2");
  EXPECT_EQ(sel_.get("Style").toString(), "标题 2");
  EXPECT_FLOAT_EQ(range(0, 1).get("Font").get("Size").toDouble(), 16);
  sel_.put("Style", -2);
  EXPECT_EQ(sel_.get("Style").get("NameLocal").toString(), "标题 1");
  EXPECT_TRUE(range(0, 1).get("Font").get("Bold").toBool());
  sel_.put("Style", doc_.get("Styles", -1));
  EXPECT_EQ(sel_.get("Style").toString(), "正文");
  EXPECT_EQ(doc_.get("Styles", "标题 1").get("Font").get("Size").toInt32(), 22);
  EXPECT_EQ(errorNumber([&] { sel_.put("Style", "No Such Style"); }), 5941);
}

TEST_F(EditingTest, SingleRevisionsAreAcceptedOrRejectedAndThenGone) {
  doc_.put("TrackRevisions", true);
  sel_.call("TypeText", "加");
  sel_.call("TypeParagraph");
  app_.put("UserName", "另一人");
  sel_.call("TypeText", "再加");
  Variant first = doc_.get("Revisions", 1);
  Variant second = doc_.get("Revisions", 2);
  first.call("Reject");
  EXPECT_EQ(text(), "再加\r");
  EXPECT_EQ(errorNumber([&] { first.get("Type"); }), 5825);
  EXPECT_EQ(second.get("Index").toInt32(), 1);
  second.call("Accept");
  EXPECT_EQ(doc_.get("Revisions").get("Count").toInt32(), 0);
  EXPECT_EQ(text(), "再加\r");
}

TEST_F(EditingTest, TheUsersOwnActionsGoThroughTheSameEditing) {
  Variant user = app_.get("UserActions");
  user.call("Type", "用户输入");
  user.call("PressEnter");
  user.call("Type", "第二段");
  user.call("PressBackspace", 2);
  user.call("Select", 0, 2);
  user.call("PressDelete");
  EXPECT_EQ(text(), "输入\r第\r");
  doc_.put("TrackRevisions", true);
  app_.put("UserName", "用户");
  user.call("Type", "改");
  EXPECT_EQ(doc_.get("Revisions", 1).get("Author").toString(), "用户");
}

}  // namespace
}  // namespace verolin::testing
