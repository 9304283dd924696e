// Floating and inline pictures as the seal, signature and red-header routines use them: names that
// carry numbers never given twice, the mark's look, frames and hyperlinks, conversion of pasted pictures.
#include "word_fixture.h"

namespace verolin::testing {
namespace {

class ShapesTest : public WordFixture {
 protected:
  void SetUp() override {
    app_ = startWord();
    app_.get("Documents").call("Add");
    doc_ = app_.get("ActiveDocument");
    writeFile("c:\\pics\\seal.png", pngPicture(120, 90));
    writeFile("c:\\pics\\seal.bmp", bmpPicture(5, 4));
  }

  Variant addMark(const std::string& path) {
    Variant shape = doc_.get("Shapes").call("AddPicture", path);
    shape.get("PictureFormat").put("TransparentBackground", -1);
    shape.get("PictureFormat").put("TransparencyColor", 16777215);
    shape.get("Fill").put("Visible", 0);
    doc_.get("Shapes", shape.get("Name")).call("Select");
    app_.get("Selection").get("ShapeRange").get("WrapFormat").put("AllowOverlap", -1);
    app_.get("Selection").get("ShapeRange").get("WrapFormat").put("Type", 3);
    return shape;
  }

  Variant app_;
  Variant doc_;
};

TEST_F(ShapesTest, NewShapesAreNumberedAndNumbersAreNeverGivenTwice) {
  EXPECT_EQ(addMark("c:\\pics\\seal.png").get("Name").toString(), "Picture 1");
  EXPECT_EQ(doc_.get("Shapes").call("AddLine", 0, 0, 10, 0).get("Name").toString(), "Line 2");
  Variant third = addMark("c:\\pics\\seal.bmp");
  EXPECT_EQ(third.get("Name").toString(), "Picture 3");
  third.call("Delete");
  EXPECT_EQ(errorNumber([&] { third.get("Name"); }), 5825);
  EXPECT_EQ(addMark("c:\\pics\\seal.png").get("Name").toString(), "Picture 4");

  // The numbers go on after the document was saved and opened again.
  standIn_->files.createDir("c:\\temp");
  doc_.call("SaveAs", "c:\\temp\\marks.doc", 0);
  doc_.call("Close", false);
  Variant reopened = app_.get("Documents").call("Open", "c:\\temp\\marks.doc");
  EXPECT_EQ(reopened.get("Shapes").get("Count").toInt32(), 3);
  EXPECT_EQ(reopened.get("Shapes", 3).get("Name").toString(), "Picture 4");
  EXPECT_EQ(reopened.get("Shapes").call("AddPicture", "c:\\pics\\seal.png").get("Name").toString(),
            "Picture 5");
}

TEST_F(ShapesTest, AMarkKeepsItsLookAndIsFoundByName) {
  Variant mark = addMark("c:\\pics\\seal.png");
  EXPECT_EQ(mark.get("PictureFormat").get("TransparentBackground").toInt32(), -1);
  EXPECT_EQ(mark.get("PictureFormat").get("TransparencyColor").toInt32(), 16777215);
  EXPECT_EQ(mark.get("Fill").get("Visible").toInt32(), 0);
  EXPECT_EQ(mark.get("WrapFormat").get("Type").toInt32(), 3);
  EXPECT_FLOAT_EQ(mark.get("Width").toDouble(), 90);  // 120 pixels at 96 per inch
  EXPECT_EQ(app_.get("Selection").get("Type").toInt32(), 8);
  EXPECT_EQ(app_.get("Selection").get("ShapeRange").get("Name").toString(), "Picture 1");

  // The user renames the picture: the old name finds nothing any more.
  app_.get("UserActions").call("RenameShape", "Picture 1", "我的图片");
  EXPECT_EQ(errorNumber([&] { doc_.get("Shapes", "Picture 1"); }), 5941);
  EXPECT_EQ(doc_.get("Shapes", "我的图片").get("Name").toString(), "我的图片");
  app_.get("UserActions").call("DeleteShape", "我的图片");
  EXPECT_EQ(doc_.get("Shapes").get("Count").toInt32(), 0);
}

TEST_F(ShapesTest, FramesAndHyperlinksOnTheSelectedShape) {
  addMark("c:\\pics\\seal.png");
  doc_.get("Shapes", 1).call("Select");
  Variant range = app_.get("Selection").get("ShapeRange");
  range.get("Line").put("Weight", 2.0);
  range.get("Line").put("DashStyle", 1);
  range.get("Line").put("Visible", -1);
  range.get("Line").get("ForeColor").put("RGB", 255);
  doc_.get("Hyperlinks")
      .call("Add", range, "#", "", "盖章人的姓名:张三盖章日期:2026年12月7日9时5分3秒", "TestTest",
            "TestTestTest");
  EXPECT_EQ(doc_.get("Hyperlinks").get("Count").toInt32(), 1);
  EXPECT_EQ(range.get("Hyperlink").get("ScreenTip").toString(),
            "盖章人的姓名:张三盖章日期:2026年12月7日9时5分3秒");
  EXPECT_EQ(doc_.get("Shapes", 1).get("Line").get("ForeColor").get("RGB").toInt32(), 255);

  range.get("Hyperlink").call("Delete");
  EXPECT_EQ(doc_.get("Hyperlinks").get("Count").toInt32(), 0);
  // A shape without a hyperlink has none to delete.
  EXPECT_EQ(errorNumber([&] { range.get("Hyperlink").call("Delete"); }), 91);
  EXPECT_EQ(errorNumber([&] { range.get("Line").put("Transparency", 1.5); }), static_cast<int>(0x80070057u));
}

TEST_F(ShapesTest, APastedPictureBecomesTheLastInlineShapeAndConvertsToANamedShape) {
  app_.get("Selection").call("TypeText", "签名:");
  standIn_->clipboard.setPicture(pngPicture(40, 20));
  app_.get("Selection").call("Paste");
  Variant inlineShapes = doc_.get("InlineShapes");
  ASSERT_EQ(inlineShapes.get("Count").toInt32(), 1);
  EXPECT_EQ(doc_.get("Content").get("Text").toString(), "签名:\x01\r");
  Variant shape = inlineShapes.get("Item", inlineShapes.get("Count")).call("ConvertToShape");
  EXPECT_EQ(shape.get("Name").toString(), "Picture 1");
  EXPECT_EQ(inlineShapes.get("Count").toInt32(), 0);
  EXPECT_FLOAT_EQ(shape.get("Height").toDouble(), 15);

  standIn_->clipboard.clear();
  EXPECT_EQ(errorNumber([&] { app_.get("Selection").call("Paste"); }), 4605);
  EXPECT_EQ(errorNumber([&] { doc_.get("Shapes").call("AddPicture", "c:\\pics\\missing.png"); }), 5174);
  writeFile("c:\\pics\\not-a-picture.png", std::string("hello"));
  EXPECT_NE(errorNumber([&] { doc_.get("Shapes").call("AddPicture", "c:\\pics\\not-a-picture.png"); }), 0);
  EXPECT_EQ(doc_.get("Shapes").get("Count").toInt32(), 1);
}

TEST_F(ShapesTest, RedHeaderChainTypesRedTitleAndDrawsTheRule) {
  Variant sel = app_.get("Selection");
  sel.call("MoveUp", 7, 1);
  sel.put("Style", doc_.get("Styles", "标题 1"));
  sel.get("Font").put("Color", 255);
  sel.get("Font").put("Size", 36);
  sel.call("TypeText", "(XX)市人民政府");
  sel.call("TypeText", "请示");
  sel.call("TypeParagraph");
  sel.get("ParagraphFormat").put("Alignment", 1);
  sel.get("Font").put("Size", 12);
  sel.get("Font").put("Color", 255);
  sel.call("TypeText", named("Text", "[XX]XX号"));
  doc_.get("Shapes").call("AddLine", 108, 204.6, 558, 204.6).call("Select");
  sel.get("ShapeRange").call("IncrementLeft", -45);
  sel.get("ShapeRange").get("Line").put("Weight", 3);
  sel.get("ShapeRange").get("Line").get("ForeColor").put("RGB", 255);
  sel.get("ShapeRange").get("Line").get("BackColor").put("RGB", 16777215);
  sel.get("ShapeRange").get("WrapFormat").put("Type", 3);
  sel.call("MoveUp");

  EXPECT_EQ(doc_.get("Content").get("Text").toString(), "(XX)市人民政府请示\r[XX]XX号\r");
  Variant title = doc_.call("Range", 0, 1);
  EXPECT_EQ(title.get("Style").toString(), "标题 1");
  EXPECT_EQ(title.get("Font").get("Color").toInt32(), 255);
  EXPECT_FLOAT_EQ(title.get("Font").get("Size").toDouble(), 36);
  Variant number = doc_.call("Range", 12, 13);
  EXPECT_EQ(number.get("ParagraphFormat").get("Alignment").toInt32(), 1);
  EXPECT_FLOAT_EQ(number.get("Font").get("Size").toDouble(), 12);
  Variant line = doc_.get("Shapes", "Line 1");
  EXPECT_FLOAT_EQ(line.get("Left").toDouble(), 63);
  EXPECT_FLOAT_EQ(line.get("Width").toDouble(), 450);
  EXPECT_FLOAT_EQ(line.get("Top").toDouble(), 204.6f);
  EXPECT_EQ(app_.get("Selection").get("Type").toInt32(), 1);

  // A Word whose heading style has another name fails at the style step.
  EXPECT_EQ(errorNumber([&] { sel.put("Style", doc_.get("Styles", "Heading 1")); }), 5941);
}

}  // namespace
}  // namespace verolin::testing
