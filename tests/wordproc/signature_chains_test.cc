// Seals and signatures as the control's routines place, check, frame and record them, and a document
// carrying all of it (marks with screen tips, a signature, the red header, revisions) saved and opened
// again.
#include "control_chains.h"

namespace verolin::testing {
namespace {

using Pairs = std::vector<std::pair<int, int>>;

class SignatureChainsTest : public ControlChains {
 protected:
  void SetUp() override {
    ControlChains::SetUp();
    writeFile("c:\\temp\\seal.png", pngPicture(100, 100));
    writeFile("c:\\temp\\other.png", pngPicture(40, 40));
  }

  Variant shape(const Variant& index) { return word_.get("ActiveDocument").get("Shapes", index); }
};

TEST_F(SignatureChainsTest, MarksShareOneNumberingAndStayValidUntilDeletedOrRenamed) {
  // A seal in a normal-view window switches it to print layout; a split window too.
  word_.get("ActiveWindow").get("View").put("Type", 1);
  EXPECT_EQ(placeSeal("c:\\temp\\seal.png"), "1");
  EXPECT_EQ(word_.get("ActiveWindow").get("View").get("Type").toInt32(), 3);
  word_.get("ActiveWindow").put("Split", true);
  EXPECT_EQ(word_.get("ActiveWindow").get("View").get("SplitSpecial").toInt32(), 0);
  word_.get("ActiveWindow").get("View").put("SplitSpecial", 15);
  word_.get("ActiveWindow").get("View").put("Type", 1);
  EXPECT_EQ(placeSeal("c:\\temp\\seal.png"), "2");
  EXPECT_EQ(word_.get("ActiveWindow").get("View").get("Type").toInt32(), 3);
  word_.get("ActiveWindow").get("View").put("SplitSpecial", 0);
  EXPECT_FALSE(word_.get("ActiveWindow").get("Split").toBool());

  // Signatures, lines and pictures placed by other means draw from the same numbers.
  EXPECT_EQ(placeSignature(bmpPicture(6, 4)), "3");
  EXPECT_EQ(word_.get("ActiveDocument").get("Shapes").call("AddLine", 0, 0, 10, 0).get("Name").toString(),
            "Line 4");
  Variant inserted("c:\\temp\\other.png");
  word_.get("Selection").get("InlineShapes").call("AddPicture", Variant::ref(inserted));
  EXPECT_EQ(word_.get("ActiveDocument").get("InlineShapes", 1).call("ConvertToShape").get("Name").toString(),
            "Picture 5");

  // The check walks the shapes in document order; the list's empty last element matches nothing.
  const std::vector<std::string> ids{"1", "2", "3", "5", ""};
  EXPECT_EQ(validMarks(ids), (Pairs{{1, 0}, {2, 1}, {3, 2}, {5, 3}}));
  EXPECT_EQ(validMarks({"3", "3", ""}), (Pairs{{3, 0}, {3, 1}}));

  // The user deletes one seal and renames the other: both stop counting, the others move up.
  word_.get("UserActions").call("DeleteShape", "Picture 1");
  word_.get("UserActions").call("RenameShape", "Picture 2", "Picture 2 ");
  EXPECT_EQ(validMarks(ids), (Pairs{{2, 2}, {4, 3}}));
  EXPECT_EQ(errorNumber([&] { shape("Picture 1"); }), 5941);
  EXPECT_EQ(errorNumber([&] { shape(5); }), 5941);
  EXPECT_EQ(placeSeal("c:\\temp\\seal.png"), "6");
  EXPECT_EQ(errorNumber([&] { placeSeal("c:\\temp\\missing.png"); }), 5174);
  EXPECT_EQ(word_.get("ActiveDocument").get("Shapes").get("Count").toInt32(), 5);
}

TEST_F(SignatureChainsTest, ASignatureIsTheLastInlinePictureRecordedUnderTheUserName) {
  viaWindow().put("UserName", "王五");
  EXPECT_EQ(word_.get("UserName").toString(), "王五");

  // A picture at the end of the text, the signature pasted before it: the last one is converted.
  word_.get("Selection").call("TypeText", "正文");
  Variant inserted("c:\\temp\\other.png");
  word_.get("Selection").get("InlineShapes").call("AddPicture", Variant::ref(inserted));
  word_.get("Selection").call("HomeKey", 6);
  EXPECT_EQ(placeSignature(bmpPicture(8, 4)), "1");
  EXPECT_FLOAT_EQ(shape(1).get("Width").toDouble(), 30);  // the 40-pixel picture, not the signature
  EXPECT_EQ(word_.get("ActiveDocument").get("InlineShapes").get("Count").toInt32(), 1);
  EXPECT_EQ(word_.get("ActiveDocument").get("Content").get("Text").toString(), "\x01正文\r");

  Variant mark = shape("Picture 1");
  EXPECT_EQ(mark.get("PictureFormat").get("TransparentBackground").toInt32(), -1);
  EXPECT_EQ(mark.get("PictureFormat").get("TransparencyColor").toInt32(), 16777215);
  EXPECT_EQ(mark.get("Fill").get("Visible").toInt32(), 0);
  EXPECT_EQ(mark.get("WrapFormat").get("AllowOverlap").toInt32(), -1);
  EXPECT_EQ(mark.get("WrapFormat").get("Type").toInt32(), 3);
  EXPECT_EQ(word_.get("Selection").get("ShapeRange").get("Name").toString(), "Picture 1");
  EXPECT_FALSE(standIn_->clipboard.data().has_value());

  // A second signature leaves the first one's conversion alone.
  EXPECT_EQ(placeSignature(bmpPicture(8, 4)), "2");
  EXPECT_FLOAT_EQ(shape(2).get("Width").toDouble(), 6);
  EXPECT_EQ(word_.get("ActiveDocument").get("InlineShapes").get("Count").toInt32(), 1);

  // Text on the clipboard pastes as text; with no inline picture left there is nothing to convert.
  word_.get("ActiveDocument").get("InlineShapes", 1).call("ConvertToShape");
  standIn_->clipboard.setText("文字");
  viaWindow().get("Selection").call("Paste");
  EXPECT_EQ(word_.get("ActiveDocument").get("InlineShapes").get("Count").toInt32(), 0);
  EXPECT_EQ(
      errorNumber([&] { viaWindow().get("ActiveDocument").get("InlineShapes", 0).call("ConvertToShape"); }),
      5941);
  // A window index that names no window fails on the window way.
  EXPECT_EQ(errorNumber([&] { word_.get("Windows", std::int16_t{2}).call("Activate"); }), 5941);
}

TEST_F(SignatureChainsTest, MarksShowTheirPlacerInAFrameAndHideAgain) {
  placeSeal("c:\\temp\\seal.png");
  placeSeal("c:\\temp\\seal.png");
  placeSignature(bmpPicture(6, 4));
  showMark(1, "张三", "2026年12月7日9时5分3秒");
  showMark(3, "李四", "2026年12月7日9时6分0秒");

  Variant framed = shape(1);
  EXPECT_FLOAT_EQ(framed.get("Line").get("Weight").toDouble(), 2);
  EXPECT_EQ(framed.get("Line").get("DashStyle").toInt32(), 1);
  EXPECT_EQ(framed.get("Line").get("Style").toInt32(), 1);
  EXPECT_EQ(framed.get("Line").get("Visible").toInt32(), -1);
  EXPECT_EQ(framed.get("Line").get("ForeColor").get("RGB").toInt32(), 255);
  EXPECT_EQ(framed.get("Line").get("BackColor").get("RGB").toInt32(), 16777215);
  EXPECT_FLOAT_EQ(framed.get("Fill").get("Transparency").toDouble(), 0);
  Variant link = framed.get("Hyperlink");
  EXPECT_EQ(link.get("ScreenTip").toString(), "盖章人的姓名:张三盖章日期:2026年12月7日9时5分3秒");
  EXPECT_EQ(link.get("Address").toString(), "#");
  EXPECT_EQ(link.get("SubAddress").toString(), "");
  EXPECT_EQ(link.get("Target").toString(), "TestTestTest");
  EXPECT_EQ(link.get("Type").toInt32(), 1);
  EXPECT_TRUE(shape(2).get("Hyperlink").isNothing());
  EXPECT_EQ(shape(2).get("Line").get("Visible").toInt32(), 0);
  EXPECT_EQ(word_.get("ActiveDocument").get("Hyperlinks").get("Count").toInt32(), 2);
  // The selection stays on the last mark handled.
  EXPECT_EQ(word_.get("Selection").get("ShapeRange").get("Name").toString(), "Picture 3");

  // Showing again gives each mark its hyperlink anew (one per shape).
  showMark(1, "张三", "2026年12月7日9时5分3秒");
  showMark(3, "李四", "2026年12月7日9时6分0秒");
  EXPECT_EQ(word_.get("ActiveDocument").get("Hyperlinks").get("Count").toInt32(), 2);
  EXPECT_EQ(word_.get("ActiveDocument").get("Hyperlinks", 2).get("ScreenTip").toString(),
            "盖章人的姓名:李四盖章日期:2026年12月7日9时6分0秒");

  hideMark(1);
  EXPECT_EQ(framed.get("Line").get("Visible").toInt32(), 0);
  EXPECT_EQ(framed.get("LockAspectRatio").toInt32(), -1);
  EXPECT_TRUE(framed.get("Hyperlink").isNothing());
  // The never-shown mark has no hyperlink to delete: hiding stops there and the third keeps its own.
  EXPECT_NE(errorNumber([&] { hideMark(2); }), 0);
  EXPECT_EQ(shape(3).get("Line").get("Visible").toInt32(), -1);
  EXPECT_EQ(word_.get("ActiveDocument").get("Hyperlinks").get("Count").toInt32(), 1);
}

TEST_F(SignatureChainsTest, RevisionLogListsEachRevisionWithItsText) {
  word_.get("Selection").call("TypeText", "原来的文字");
  word_.get("ActiveDocument").put("TrackRevisions", true);
  viaWindow().put("UserName", "甲");
  word_.get("Selection").call("TypeText", "加上");
  viaWindow().put("UserName", "乙");
  word_.get("Selection").call("SetRange", 0, 2);
  word_.get("Selection").call("Delete");
  word_.get("Selection").call("SetRange", 3, 5);
  word_.get("Selection").get("Font").put("Bold", true);

  EXPECT_EQ(revisionLines(),
            (std::vector<std::string>{"1.乙 2026/12/7 9:05:00删除", "2.乙 2026/12/7 9:05:00其它操作",
                                      "3.甲 2026/12/7 9:05:00增加"}));
  EXPECT_EQ(revisionText(0), "原来");
  EXPECT_EQ(revisionText(1), "文字");
  EXPECT_EQ(revisionText(2), "加上");
  EXPECT_EQ(errorNumber([&] { revisionText(3); }), 5941);

  viaWindow().get("ActiveDocument").call("AcceptAllRevisions");
  EXPECT_TRUE(revisionLines().empty());
}

TEST_F(SignatureChainsTest, AMarkedDocumentSurvivesSavingAndOpeningAgain) {
  redHeader();
  word_.put("UserName", "张三");
  Variant pass("fesu31");
  word_.get("ActiveDocument").call("Protect", std::int16_t{0}, false, Variant::ref(pass));
  word_.get("Selection").call("EndKey", 6);
  word_.get("Selection").call("TypeText", "修改");
  placeSeal("c:\\temp\\seal.png");
  placeSeal("c:\\temp\\other.png");
  placeSignature(bmpPicture(6, 4));
  showMark(2, "张三", "2026年12月7日9时5分3秒");
  showMark(4, "王五", "2026年12月7日9时5分3秒");
  saveLocalCopy("c:\\temp\\marked.doc");
  word_.get("ActiveDocument").call("Close", std::int16_t{0});

  Variant doc = word_.get("Documents").call("Open", "c:\\temp\\marked.doc");
  EXPECT_EQ(doc.get("Content").get("Text").toString(), "(XX)市人民政府请示\r[XX]XX号修改\r");
  Variant title = doc.call("Range", 0, 1);
  EXPECT_EQ(title.get("Style").toString(), "标题 1");
  EXPECT_EQ(title.get("Font").get("Color").toInt32(), 255);
  EXPECT_FLOAT_EQ(title.get("Font").get("Size").toDouble(), 36);
  Variant number = doc.call("Range", 12, 13);
  EXPECT_EQ(number.get("ParagraphFormat").get("Alignment").toInt32(), 1);
  EXPECT_EQ(number.get("Font").get("Color").toInt32(), 255);
  EXPECT_FLOAT_EQ(number.get("Font").get("Size").toDouble(), 12);

  Variant line = doc.get("Shapes", "Line 1");
  EXPECT_FLOAT_EQ(line.get("Left").toDouble(), 63);
  EXPECT_FLOAT_EQ(line.get("Top").toDouble(), 204.6f);
  EXPECT_FLOAT_EQ(line.get("Width").toDouble(), 450);
  EXPECT_FLOAT_EQ(line.get("Line").get("Weight").toDouble(), 3);
  EXPECT_EQ(line.get("Line").get("ForeColor").get("RGB").toInt32(), 255);
  EXPECT_EQ(line.get("Line").get("BackColor").get("RGB").toInt32(), 16777215);
  EXPECT_EQ(line.get("WrapFormat").get("Type").toInt32(), 3);

  EXPECT_EQ(validMarks({"2", "3", "4", ""}), (Pairs{{2, 0}, {3, 1}, {4, 2}}));
  for (int i = 2; i <= 4; ++i) {
    Variant mark = doc.get("Shapes", i);
    EXPECT_EQ(mark.get("PictureFormat").get("TransparentBackground").toInt32(), -1) << i;
    EXPECT_EQ(mark.get("PictureFormat").get("TransparencyColor").toInt32(), 16777215) << i;
    EXPECT_EQ(mark.get("Fill").get("Visible").toInt32(), 0) << i;
    EXPECT_EQ(mark.get("WrapFormat").get("AllowOverlap").toInt32(), -1) << i;
    EXPECT_EQ(mark.get("WrapFormat").get("Type").toInt32(), 3) << i;
  }
  EXPECT_EQ(doc.get("Shapes", 2).get("Hyperlink").get("ScreenTip").toString(),
            "盖章人的姓名:张三盖章日期:2026年12月7日9时5分3秒");
  EXPECT_EQ(doc.get("Shapes", 2).get("Line").get("ForeColor").get("RGB").toInt32(), 255);
  EXPECT_TRUE(doc.get("Shapes", 3).get("Hyperlink").isNothing());
  EXPECT_EQ(doc.get("Shapes", 4).get("Hyperlink").get("ScreenTip").toString(),
            "盖章人的姓名:王五盖章日期:2026年12月7日9时5分3秒");
  EXPECT_EQ(doc.get("Shapes", 4).get("Hyperlink").get("Target").toString(), "TestTestTest");
  EXPECT_FLOAT_EQ(doc.get("Shapes", 4).get("Line").get("Weight").toDouble(), 2);
  hideMark(2);
  EXPECT_EQ(doc.get("Hyperlinks").get("Count").toInt32(), 1);

  EXPECT_EQ(revisionLines(), (std::vector<std::string>{"1.张三 2026/12/7 9:05:00增加"}));
  EXPECT_EQ(revisionText(0), "修改");
  EXPECT_EQ(doc.get("ProtectionType").toInt32(), 0);
  EXPECT_EQ(errorNumber([&] { doc.call("Unprotect", "wrong"); }), 5485);
  doc.call("Unprotect", "fesu31");
  EXPECT_EQ(placeSeal("c:\\temp\\seal.png"), "5");
}

}  // namespace
}  // namespace verolin::testing
