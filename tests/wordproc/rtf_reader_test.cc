// The RTF reader on what other programs write: Unicode escapes and their fallbacks, code pages, binary
// picture data, skipped destinations, shapes it keeps and shapes it does not, fields, tables the way
// Word writes them, protection words, and files cut off anywhere.
#include "wordproc/formats/rtf_reader.h"
#include "text/codepage.h"
#include "word_fixture.h"
#include "wordproc/formats/document_files.h"
#include "wordproc/formats/rtf_writer.h"
#include "wordproc/model/editing.h"

namespace verolin::testing {
namespace {

using wordproc::DocumentModel;
using wordproc::readRtf;

std::string textOf(const DocumentModel& doc) {
  return doc.text(0, doc.size());
}

std::string hex(const Bytes& bytes) {
  std::string out;
  for (auto b : bytes) {
    char buf[3];
    std::snprintf(buf, sizeof buf, "%02x", b);
    out += buf;
  }
  return out;
}

TEST(RtfReader, UnicodeEscapesSkipTheirFallbacks) {
  EXPECT_EQ(textOf(readRtf("{\\rtf1\\uc2 a\\u20013\\'d6\\'d0b\\uc0\\u25991 c\\uc1\\u-10179?\\u-8704?}")),
            "a中b文c😀\r");
  // A fallback given as a control word counts as one character too.
  EXPECT_EQ(textOf(readRtf("{\\rtf1\\uc1\\u8364\\'80x}")), "€x\r");
}

TEST(RtfReader, BytesAreReadInTheCodePageOfTheFontOrTheDocument) {
  const std::string gbk = text::convert("汉字", "UTF-8", "GBK");
  std::string escaped;
  for (unsigned char c : gbk) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\'%02x", c);
    escaped += buf;
  }
  EXPECT_EQ(
      textOf(readRtf("{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f1\\fcharset134 x;}}\\f1 " + escaped + "}")),
      "汉字\r");
  EXPECT_EQ(textOf(readRtf("{\\rtf1\\ansi\\ansicpg936 " + escaped + "}")), "汉字\r");
  EXPECT_EQ(textOf(readRtf("{\\rtf1\\ansi\\ansicpg1252 caf\\'e9}")), "café\r");
}

TEST(RtfReader, UnknownDestinationsAreSkippedWithTheirGroups) {
  const DocumentModel doc = readRtf(
      "{\\rtf1 a{\\*\\mystery {nested {deeper} text} more}b{\\footnote note}c{\\header h}"
      "{\\*\\shppict{\\pict\\emfblip 0102}}{\\pntext 1.}d\\~e}");
  EXPECT_EQ(textOf(doc), "abcd\u00A0e\r");
}

TEST(RtfReader, PictureDataMayBeBinary) {
  const Bytes png = pngPicture(3, 3);
  const std::string binary(png.begin(), png.end());
  const DocumentModel doc =
      readRtf("{\\rtf1 {\\pict\\pngblip\\bin" + std::to_string(png.size()) + " " + binary + "}x}");
  ASSERT_EQ(textOf(doc), "\x01x\r");
  EXPECT_EQ(doc.picture(static_cast<int>(doc.at(0).extra))->picture.bytes, png);
  EXPECT_FLOAT_EQ(static_cast<float>(doc.picture(static_cast<int>(doc.at(0).extra))->width), 2.25f);
}

TEST(RtfReader, FloatingPicturesOfOthersAreKeptAndOtherDrawingsSkipped) {
  const std::string pib = "{\\sp{\\sn pib}{\\sv {\\pict\\pngblip " + hex(pngPicture(4, 4)) + "}}}";
  const DocumentModel doc = readRtf(
      "{\\rtf1 first\\par second"
      "{\\shp{\\*\\shpinst\\shpleft100\\shptop200\\shpright300\\shpbottom400\\shpwr2\\shpz5\\shplid1031"
      "{\\sp{\\sn shapeType}{\\sv 75}}" +
      pib +
      "}{\\shprslt {\\pict\\wmetafile8 00}}}"
      "{\\shp{\\*\\shpinst\\shpz1{\\sp{\\sn shapeType}{\\sv 202}}{\\sp{\\sn wzName}{\\sv Text Box 1}}}}"
      "{\\shp{\\*\\shpinst\\shpz2\\shpright20{\\sp{\\sn shapeType}{\\sv 20}}{\\sp{\\sn lineColor}{\\sv 255}}"
      "{\\sp{\\sn lineDashing}{\\sv 6}}}}"
      "{\\shp{\\*\\shpinst\\shpz3{\\sp{\\sn shapeType}{\\sv 75}}" +
      pib +
      "}}"
      "}");
  EXPECT_EQ(textOf(doc), "first\rsecond\r");
  ASSERT_EQ(doc.shapes.size(), 3u);
  // In z-order: the line, the unnumbered picture, the numbered one.
  EXPECT_EQ(doc.shapes[0].name, "Line 8");
  EXPECT_EQ(doc.shapes[0].line.foreColor, 255);
  EXPECT_EQ(doc.shapes[0].line.dashStyle, 4);
  EXPECT_EQ(doc.shapes[1].name, "Picture 9");
  EXPECT_EQ(doc.shapes[2].name, "Picture 7");
  EXPECT_EQ(doc.shapes[2].wrapType, wordproc::wrap::kSquare);
  EXPECT_FLOAT_EQ(static_cast<float>(doc.shapes[2].left), 5);
  EXPECT_FLOAT_EQ(static_cast<float>(doc.shapes[2].height), 10);
  EXPECT_EQ(doc.shapes[2].anchor, 6);
  EXPECT_EQ(doc.nextShapeNumber, 10);
}

TEST(RtfReader, FieldsShowTheirResultAndHyperlinksKeepTheirParts) {
  const DocumentModel doc = readRtf(
      "{\\rtf1 {\\field{\\*\\fldinst { PAGE }}{\\fldrslt 3}} "
      "{\\field{\\*\\fldinst {HYPERLINK \"http://a.cn/x y\" \\\\l \"sec\" \\\\o \"a "
      "\\\\\"tip\\\\\"\"}}{\\fldrslt {\\b go}}}}");
  EXPECT_EQ(textOf(doc), "3 go\r");
  EXPECT_EQ(doc.charFormat(0).link, 0);
  const wordproc::Link* link = doc.link(doc.charFormat(2).link);
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->address, "http://a.cn/x y");
  EXPECT_EQ(link->subAddress, "sec");
  EXPECT_EQ(link->screenTip, "a \"tip\"");
  EXPECT_EQ(doc.charFormat(2).bold, 1);
}

TEST(RtfReader, TablesAsWordWritesThem) {
  const DocumentModel doc = readRtf(
      "{\\rtf1 \\pard\\intbl{A\\cell B\\cell }\\pard\\intbl{\\trowd\\cellx1500\\cellx3000\\row }"
      "\\pard\\intbl{C\\cell \\cell }\\pard\\intbl{\\trowd\\cellx1500\\cellx3000\\row }\\pard after\\par}");
  EXPECT_EQ(textOf(doc), "A\aB\rC\a\rafter\r\r");
  EXPECT_EQ(doc.paraFormatAt(0).cells, (std::vector<int>{1500, 3000}));
  EXPECT_TRUE(doc.paraFormatAt(8).cells.empty());
}

TEST(RtfReader, ProtectionWordsOfNewerAndOlderFiles) {
  EXPECT_EQ(readRtf("{\\rtf1\\protlevel2\\enforceprot1 x}").protection.type, 2);
  EXPECT_EQ(readRtf("{\\rtf1\\formprot x}").protection.type, 2);
  EXPECT_EQ(readRtf("{\\rtf1\\revprot\\protlevel0\\enforceprot0 x}").protection.type, -1);
  const DocumentModel doc = readRtf("{\\rtf1\\annotprot{\\*\\password 0000beef} x}");
  EXPECT_EQ(doc.protection.type, 1);
  EXPECT_EQ(*doc.protection.passwordKey, 0xBEEFu);
  EXPECT_FALSE(readRtf("{\\rtf1{\\*\\password 0000beef} x}").protection.passwordKey);
}

TEST(RtfReader, FilesCutOffAnywhereGiveAModelOrAClearErrorAndNothingElse) {
  // Our own file with a bit of everything, cut after every byte.
  DocumentModel rich;
  wordproc::EditContext tracked{true, "张三", {2026, 12, 7, 9, 5, 0}};
  wordproc::insertText(rich, 0, U"文字\r更多", {}, tracked);
  wordproc::InlinePicture pic;
  pic.picture = *wordproc::readPicture(gifPicture());
  wordproc::insertInlinePicture(rich, 2, pic, {}, {});
  wordproc::ShapeData shape;
  shape.number = 1;
  shape.name = "Picture 1";
  shape.picture = *wordproc::readPicture(pngPicture());
  shape.link = wordproc::Link{"#", "", "提示", ""};
  rich.shapes.push_back(shape);
  const std::string rtf = wordproc::writeRtf(rich);
  int models = 0;
  for (std::size_t n = 0; n <= rtf.size(); ++n) {
    try {
      const DocumentModel doc = readRtf(rtf.substr(0, n));
      EXPECT_GE(doc.size(), 1);
      ++models;
    } catch (const wordproc::FileFormatError&) {
    }
  }
  EXPECT_GT(models, 0);
  EXPECT_THROW(readRtf("not rtf"), wordproc::FileFormatError);
}

}  // namespace
}  // namespace verolin::testing

namespace verolin::testing {
namespace {

// Faults the document fuzzer found: each input read, saved and read again must give the same document.
void expectStable(const std::string& rtf) {
  const DocumentModel first = readRtf(rtf);
  EXPECT_EQ(wordproc::describe(readRtf(wordproc::writeRtf(first))), wordproc::describe(first)) << rtf;
}

TEST(RtfReaderFaults, WhatFilesBringStaysWhatFilesCanHold) {
  expectStable("{\\rtf1\\ansi\\ansicpg468 caf\\'e9}");             // a code page no converter knows
  expectStable("{\\rtf1 a\\u-8205?b}");                            // half a surrogate pair
  expectStable("{\\rtf1 a\\'01b\\'07c\\u10 d}");                   // control characters
  expectStable("{\\rtf1{\\fonttbl{\\f0 bad\\'0dname ;}}\\f0 x}");  // a control character in a font name
  expectStable(
      "{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \"a\\\\\\\\b\\\\\\\\\"}{\\fldrslt x}}}");  // backslashes in an
                                                                                          // address
  expectStable("{\\rtf1 x\\par {\\*\\bkmkstart m}");  // a bookmark after the last mark
  expectStable(
      "{\\rtf1 x\\par}{\\shp{\\*\\shpinst{\\sp{\\sn shapeType}{\\sv 20}}}}");  // a shape after the document
  expectStable("{\\rtf1 a\\cell b\\par}");                                     // cells no row closed
  expectStable(
      "{\\rtf1 {\\shp{\\*\\shpinst\\shpright99999999999{\\sp{\\sn shapeType}{\\sv 20}}"
      "{\\sp{\\sn fillOpacity}{\\sv -5}}{\\sp{\\sn lineColor}{\\sv 99999999}}}}x}");  // out-of-range measures
  const DocumentModel controls = readRtf("{\\rtf1 a\\'01b\\'07c}");
  EXPECT_EQ(controls.text(0, controls.size()), "abc\r");
}

}  // namespace
}  // namespace verolin::testing
