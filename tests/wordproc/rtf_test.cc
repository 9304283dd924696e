// Files: our own RTF reads back exactly, other word processors' RTF opens with its text, paragraphs and
// pictures, plain text opens as text, and anything else is refused without leaving a document open.
#include <algorithm>

#include "text/codepage.h"
#include "word_fixture.h"
#include "wordproc/formats/rtf_reader.h"
#include "wordproc/formats/rtf_writer.h"
#include "wordproc/model/document_model.h"
#include "wordproc/model/editing.h"

namespace verolin::testing {
namespace {

using wordproc::DocumentModel;

std::string asText(const Bytes& b) {
  return std::string(b.begin(), b.end());
}

// A model with one of everything the writer knows, built directly.
DocumentModel richModel() {
  DocumentModel doc;
  wordproc::EditContext plain;
  wordproc::CharFormat red;
  red.color = 255;
  red.size = 36;
  red.font = "黑体";
  int at = wordproc::insertText(doc, 0, U"标题\r正文{有}\\特殊\t字符😀\r", red, plain);
  wordproc::formatParagraphs(doc, 0, 1, [](wordproc::ParaFormat& p) { p.style = "标题 1"; });
  wordproc::formatParagraphs(doc, 3, 4, [](wordproc::ParaFormat& p) { p.alignment = 1; });
  wordproc::CharFormat bold;
  bold.bold = 0;
  bold.italic = 1;
  bold.underline = 1;
  at = wordproc::insertText(doc, at, U"斜体", bold, plain);
  wordproc::InlinePicture gif;
  gif.picture = *wordproc::readPicture(gifPicture());
  gif.width = 30;
  gif.height = 30;
  at = wordproc::insertInlinePicture(doc, at, gif, {}, plain);
  wordproc::InlinePicture jpeg;
  jpeg.picture = *wordproc::readPicture(jpegPicture());
  jpeg.width = 6.5;
  jpeg.height = 4.25;
  at = wordproc::insertInlinePicture(doc, at, jpeg, {}, plain);

  wordproc::EditContext tracked{true, "张三", {2026, 12, 7, 9, 5, 3}};
  at = wordproc::insertText(doc, at, U"插入", {}, tracked);
  wordproc::deleteText(doc, 0, 1, wordproc::EditContext{true, "李四", {2026, 12, 8, 10, 0, 0}});
  wordproc::formatText(
      doc, 3, 5, [](wordproc::CharFormat& f) { f.size = 14; }, tracked);

  const int link = doc.addLink({"http://example.com/a?b=1", "part", "提示\"引号\"", "_blank"});
  for (int i = 3; i < 5; ++i) {
    wordproc::CharFormat f = doc.charFormat(i);
    f.link = link;
    doc.setFormat(i, doc.intern(f));
  }

  wordproc::ShapeData seal;
  seal.number = 3;
  seal.name = "Picture 3";
  seal.picture = *wordproc::readPicture(pngPicture(10, 20));
  seal.left = 12.5;
  seal.top = -3;
  seal.width = 7.5;
  seal.height = 15;
  seal.transparentBackground = true;
  seal.line = {true, 2, 1, 1, 0, 255, 16777215};
  seal.wrapType = wordproc::wrap::kFront;
  seal.lockAspectRatio = true;
  seal.anchor = 3;
  seal.link = wordproc::Link{"#", "", "盖章人的姓名:张三盖章日期:2026年12月7日9时5分3秒", "TestTestTest"};
  doc.shapes.push_back(seal);
  wordproc::ShapeData bitmap = seal;
  bitmap.number = 4;
  bitmap.name = "我的图片";
  bitmap.picture = *wordproc::readPicture(bmpPicture(3, 2));
  bitmap.link.reset();
  bitmap.fill = {true, 65280, 0.5};
  bitmap.wrapType = wordproc::wrap::kBehind;
  bitmap.anchor = 0;
  doc.shapes.push_back(bitmap);
  wordproc::ShapeData line;
  line.number = 7;
  line.name = "Line 7";
  line.kind = wordproc::ShapeKind::Line;
  line.left = 63;
  line.top = 204.6;
  line.width = 450;
  line.flipH = true;
  line.line = {true, 3, 4, 2, 0.25, 255, 16777215};
  line.wrapType = wordproc::wrap::kFront;
  doc.shapes.push_back(line);
  doc.nextShapeNumber = 9;

  doc.protection.type = wordproc::protection::kRevisions;
  doc.protection.passwordKey = 0x1234abcd;
  doc.trackRevisions = true;
  doc.printRevisions = false;
  doc.page.topMargin = 100;
  doc.page.orientation = 1;
  doc.bookmarks["mark1"] = doc.track(2, 4);
  doc.bookmarks["empty"] = doc.track(5, 5);
  doc.versions.push_back({"张三", "初稿", {2026, 12, 7, 9, 5, 3}});
  // A table row of three cells, the last one empty.
  const int row = wordproc::insertText(doc, doc.size() - 1, U"\r甲\x07乙\x07\r", {}, plain);
  wordproc::formatParagraphs(doc, row - 5, row - 1, [](wordproc::ParaFormat& p) {
    p.cells = {1000, 2000, 3000};
  });
  return doc;
}

TEST(RtfRoundTrip, ModelToRtfToModelKeepsEverything) {
  const DocumentModel doc = richModel();
  const std::string rtf = wordproc::writeRtf(doc);
  const DocumentModel back = wordproc::readRtf(rtf);
  EXPECT_EQ(wordproc::describe(back), wordproc::describe(doc));
  EXPECT_EQ(wordproc::writeRtf(back), rtf);
  EXPECT_EQ(back.shapes.at(1).picture.bytes, bmpPicture(3, 2));
}

TEST(RtfRoundTrip, GifTravelsAsPngForOthersAndAsItselfForUs) {
  DocumentModel doc;
  wordproc::InlinePicture gif;
  gif.picture = *wordproc::readPicture(gifPicture());
  gif.width = gif.height = 1.5;
  wordproc::insertInlinePicture(doc, 0, gif, {}, {});
  const std::string rtf = wordproc::writeRtf(doc);
  EXPECT_NE(rtf.find("\\pngblip"), std::string::npos);
  EXPECT_NE(rtf.find("89504e47"), std::string::npos);  // the PNG signature others read
  const DocumentModel back = wordproc::readRtf(rtf);
  EXPECT_EQ(back.picture(1)->picture.bytes, gifPicture());
}

TEST(RtfForeign, OtherWordProcessorsFilesOpenWithTextParagraphsAndPictures) {
  std::string png;
  for (auto b : pngPicture(2, 2)) {
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02x", b);
    png += hex;
  }
  const std::string gbk = text::convert("中文", "UTF-8", "GBK");
  std::string hexGbk;
  for (unsigned char c : gbk) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\'%02x", c);
    hexGbk += buf;
  }
  const std::string rtf =
      "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 SimSun;}}"
      "{\\*\\unknownthing secret}{\\info{\\title Not text}}{\\header Header text\\par}"
      "\\pard\\qc\\fs28 " +
      hexGbk +
      " first\\par "
      "{\\*\\shppict{\\pict\\pngblip\\picw2\\pich2 " +
      png +
      "}}{\\nonshppict{\\pict\\wmetafile8 0102}}"
      "{\\pict\\wmetafile8\\picw2\\pich2 0102}"
      "\\trowd\\cellx1000\\cellx2500\\pard\\intbl a\\cell b\\cell\\row "
      "{\\field{\\*\\fldinst HYPERLINK \"http://x.cn/\"}{\\fldrslt link}}"
      "{\\object\\objemb{\\*\\objdata 0102}{\\result shown}}\\u8364?\\par}";
  const DocumentModel doc = wordproc::readRtf(rtf);
  EXPECT_EQ(doc.text(0, doc.size()),
            "中文 first\r\x01"
            "a\ab\rlinkshown€\r\r");
  EXPECT_EQ(doc.paraFormatAt(10).cells, (std::vector<int>{1000, 2500}));
  EXPECT_EQ(doc.paraFormatAt(0).alignment, 1);
  EXPECT_EQ(doc.charFormat(0).size, 14);
  EXPECT_EQ(doc.link(doc.charFormat(16).link)->address, "http://x.cn/");
}

TEST(RtfForeign, DamagedFilesGiveAClearError) {
  EXPECT_THROW(wordproc::readRtf("{\\rtf1"), std::runtime_error);
  const DocumentModel cut = wordproc::readRtf("{\\rtf1 text that ends early");
  EXPECT_EQ(cut.text(0, cut.size()), "text that ends early\r");
}

class FilesTest : public WordFixture {
 protected:
  void SetUp() override {
    app_ = startWord();
    standIn_->files.createDir("c:\\temp");
  }
  Variant app_;
};

TEST_F(FilesTest, SavedDocumentsOpenAgainUnchanged) {
  app_.get("Documents").call("Add");
  Variant doc = app_.get("ActiveDocument");
  Variant sel = app_.get("Selection");
  sel.get("Font").put("Size", 16);
  sel.call("TypeText", "第一段");
  sel.call("TypeParagraph");
  sel.get("ParagraphFormat").put("Alignment", 2);
  sel.call("TypeText", "第二段");
  writeFile("c:\\pics\\a.png", pngPicture(8, 8));
  doc.get("Shapes").call("AddPicture", "c:\\pics\\a.png").get("Fill").put("Visible", -1);
  doc.call("SaveAs", "c:\\temp\\one.doc", 0);
  const Bytes first = readFile("c:\\temp\\one.doc");
  doc.call("Close");
  EXPECT_EQ(app_.get("Documents").get("Count").toInt32(), 0);

  Variant again =
      app_.get("Documents").call("Open", "c:\\temp\\one.doc", false, false, false, "", "", false, "", "", 0);
  EXPECT_EQ(again.get("Content").get("Text").toString(), "第一段\r第二段\r");
  again.call("SaveAs", "c:\\temp\\two.doc", 0);
  EXPECT_EQ(asText(readFile("c:\\temp\\two.doc")), asText(first));
}

TEST_F(FilesTest, PlainTextOpensAsText) {
  writeFile("c:\\temp\\gbk.txt", text::convert("中文\r\n第二行\r\n", "UTF-8", "GBK"));
  Variant doc = app_.get("Documents").call("Open", "c:\\temp\\gbk.txt");
  EXPECT_EQ(doc.get("Content").get("Text").toString(), "中文\r第二行\r");
  writeFile("c:\\temp\\wide.txt", Bytes{0xFF, 0xFE, 'h', 0, 'i', 0, 0x2D, 0x4E});
  EXPECT_EQ(app_.get("Documents").call("Open", "c:\\temp\\wide.txt").get("Content").get("Text").toString(),
            "hi中\r");
}

TEST_F(FilesTest, OtherContentIsRefusedAndLeavesNothingOpen) {
  writeFile("c:\\temp\\binary.doc", Bytes{0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1, 0, 0, 0, 0});
  try {
    app_.get("Documents").call("Open", "c:\\temp\\binary.doc");
    FAIL() << "a binary document was opened";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), 5792);
    EXPECT_NE(e.description().find("binary Word document"), std::string::npos);
  }
  EXPECT_EQ(app_.get("Documents").get("Count").toInt32(), 0);
  EXPECT_FALSE(standIn_->files.isLocked("c:\\temp\\binary.doc"));
  EXPECT_EQ(errorNumber([&] { app_.get("Documents").call("Open", "c:\\temp\\missing.doc"); }), 5174);
  EXPECT_EQ(errorNumber([&] { app_.get("Documents").call("Open", "c:\\temp\\bad|name.doc"); }), 5152);
}

TEST_F(FilesTest, AFileHeldByAnotherInstanceCannotBeOverwritten) {
  app_.get("Documents").call("Add").call("SaveAs", "c:\\temp\\held.doc", 0);
  Variant other(platform_.objects->create("Word.Application"));
  Variant doc = other.get("Documents").call("Add");
  EXPECT_EQ(errorNumber([&] { doc.call("SaveAs", "c:\\temp\\held.doc", 0); }), 5356);
  EXPECT_EQ(doc.get("FullName").toString(), "文档1");
}

TEST_F(FilesTest, WebPageSaveWritesPageAndPictures) {
  Variant doc = app_.get("Documents").call("Add");
  app_.get("Selection").call("TypeText", "网页<内容>");
  writeFile("c:\\pics\\a.png", pngPicture(8, 8));
  Variant shape = doc.get("Shapes").call("AddPicture", "c:\\pics\\a.png");
  doc.get("Hyperlinks").call("Add", shape, "#", "", "提示", "TestTest", "TestTestTest");
  doc.call("SaveAs", "c:\\temp\\temp.htm", 8, false, "", true, "", false, false, false, false, false);
  const std::string html = asText(readFile("c:\\temp\\temp.htm"));
  EXPECT_NE(html.find("网页&lt;内容&gt;"), std::string::npos);
  EXPECT_NE(html.find("src=\"temp.files/image001.png\""), std::string::npos);
  EXPECT_NE(html.find("title=\"提示\""), std::string::npos);
  EXPECT_EQ(readFile("c:\\temp\\temp.files\\image001.png"), pngPicture(8, 8));
  EXPECT_EQ(doc.get("FullName").toString(), "c:\\temp\\temp.htm");
}

TEST_F(FilesTest, AWebPageOpensWithItsTextPicturesLinksAndTables) {
  writeFile("c:\\temp\\page.files\\p.png", pngPicture(8, 4));
  writeFile("c:\\temp\\page.htm",
            "<!DOCTYPE html><html><head><title>no</title><style>p {}</style></head><body>"
            "<h1 align=center>标题 &amp; 名</h1><p style=\"text-align:right\">一  段\n文字<br>下行</p>"
            "<p><a href=\"http://x.cn/\" title=\"提示\">链接</a><img src=\"page.files/p.png\"></p>"
            "<del>删去</del><table><tr><td><p>甲</p></td><td>乙</td></tr></table><p>末</p></body></html>");
  Variant doc = app_.get("Documents").call("Open", "c:\\temp\\page.htm");
  EXPECT_EQ(doc.get("Content").get("Text").toString(),
            "标题 & 名\r一 段 文字\x0B下行\r链接\x01\r甲\a乙\r末\r");
  EXPECT_EQ(doc.call("Range", 0, 1).get("Style").toString(), "标题 1");
  EXPECT_EQ(doc.call("Range", 0, 1).get("ParagraphFormat").get("Alignment").toInt32(), 1);
  EXPECT_EQ(doc.call("Range", 8, 9).get("ParagraphFormat").get("Alignment").toInt32(), 2);
  EXPECT_EQ(doc.get("Hyperlinks", 1).get("ScreenTip").toString(), "提示");
  EXPECT_EQ(doc.get("InlineShapes").get("Count").toInt32(), 1);
  EXPECT_FLOAT_EQ(doc.get("InlineShapes", 1).get("Width").toDouble(), 6);
}

}  // namespace
}  // namespace verolin::testing
