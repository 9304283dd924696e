// RTF read from a stream a piece at a time and written to a stream: the same documents as the
// whole-file reader and writer give, wherever the pieces end (inside a control word, a \'xx escape, a
// \u character and its stand-in, a picture's hex or \bin bytes, a group kept whole), and a save that
// fails leaves the file as it was.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <streambuf>

#include "platform/failing_files.h"
#include "word_fixture.h"
#include "wordproc/formats/formats.h"
#include "wordproc/formats/rtf_reader.h"
#include "wordproc/formats/rtf_writer.h"
#include "wordproc/model/document_model.h"
#include "wordproc/model/editing.h"

namespace verolin::testing {
namespace {

namespace fs = std::filesystem;
using wordproc::DocumentModel;

std::string asString(const Bytes& b) {
  return std::string(b.begin(), b.end());
}

std::string streamed(const std::string& rtf, std::size_t piece) {
  std::istringstream in(rtf);
  return wordproc::describe(wordproc::readRtf(in, piece));
}

std::string whole(const std::string& rtf) {
  return wordproc::describe(wordproc::readRtf(std::string_view(rtf)));
}

// Every piece size from 1 to 17 puts a piece's end on every kind of token at some point; the larger
// sizes leave whole groups behind before the next piece is read.
void expectSameAtEveryPieceSize(const std::string& rtf, const std::string& what) {
  const std::string expected = whole(rtf);
  for (std::size_t piece = 1; piece <= 17; ++piece) {
    ASSERT_EQ(streamed(rtf, piece), expected) << what << ", pieces of " << piece;
  }
  for (std::size_t piece : {61u, 509u, 4096u, 1u << 20}) {
    ASSERT_EQ(streamed(rtf, piece), expected) << what << ", pieces of " << piece;
  }
}

DocumentModel chineseWithPictures() {
  DocumentModel doc;
  wordproc::EditContext plain;
  wordproc::CharFormat heading;
  heading.font = "黑体";
  heading.size = 16;
  int at = wordproc::insertText(doc, 0, U"中文标题\r第一段：汉字、English 与 😀 混排。\r", heading, plain);
  for (int i = 0; i < 3; ++i) {
    wordproc::InlinePicture png;
    png.picture = *wordproc::readPicture(pngPicture(40 + i, 30));
    png.width = 30;
    png.height = 22.5;
    at = wordproc::insertInlinePicture(doc, at, png, {}, plain);
    at = wordproc::insertText(doc, at, U"图后的文字", {}, plain);
  }
  wordproc::InlinePicture gif;
  gif.picture = *wordproc::readPicture(gifPicture());
  gif.width = gif.height = 12;
  at = wordproc::insertInlinePicture(doc, at, gif, {}, plain);
  wordproc::EditContext tracked{true, "张三", {2026, 12, 7, 9, 5, 3}};
  wordproc::insertText(doc, at, U"修订的插入", {}, tracked);
  doc.addBookmark("书签", 2, 6);
  return doc;
}

TEST(RtfStreamTest, OurOwnDocumentReadsTheSameFromAStream) {
  const std::string rtf = wordproc::writeRtf(chineseWithPictures());
  expectSameAtEveryPieceSize(rtf, "own document");
}

TEST(RtfStreamTest, CorpusDocumentsReadTheSameFromAStream) {
  int files = 0;
  for (const auto& entry : fs::directory_iterator(VEROLIN_CORPUS_DIR)) {
    if (entry.path().extension() != ".rtf") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string rtf((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    expectSameAtEveryPieceSize(rtf, entry.path().filename().string());
    ++files;
  }
  EXPECT_GE(files, 5);
}

TEST(RtfStreamTest, TextAndPicturesOfOtherProgramsSplitAcrossPieces) {
  // GBK bytes as \'xx escapes, \u with its stand-in, a picture as hex with line breaks in odd places
  // and one as \bin bytes (which may hold braces and backslashes), and a group kept whole.
  const Bytes png = pngPicture(5, 4);
  std::string hex;
  for (std::size_t i = 0; i < png.size(); ++i) {
    static const char* digits = "0123456789ABCDEF";
    hex += digits[png[i] >> 4];
    if (i % 7 == 3) hex += "\r\n";
    hex += digits[png[i] & 15];
  }
  std::string rtf = "{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}\n";
  rtf += "\\pard\\f0 \\'d6\\'d0\\'ce\\'c4\\u27721?\\u23383?text{\\*\\unknowngroup keep {me} whole}\\par\n";
  rtf += "{\\pict\\pngblip\\picw5\\pich4 " + hex + "}\n";
  rtf += "{\\pict\\pngblip\\picw5\\pich4\\bin" + std::to_string(png.size()) + " " + asString(png) + "}";
  rtf += "\\u-10179?\\u-8704?\\par}";
  const std::string expected = whole(rtf);
  EXPECT_NE(expected.find("中文汉字text"), std::string::npos) << expected;
  expectSameAtEveryPieceSize(rtf, "other program's document");
}

TEST(RtfStreamTest, StreamedWriteIsTheWholeWrite) {
  const DocumentModel doc = chineseWithPictures();
  std::ostringstream out;
  wordproc::writeRtf(doc, out);
  EXPECT_EQ(out.str(), wordproc::writeRtf(doc));
}

// A file whose reading fails part way is refused, not opened as the part that was read.
TEST(RtfStreamTest, AReadFailurePartWayIsAnErrorNotAShortDocument) {
  struct Failing : std::streambuf {
    std::string data;
    bool served = false;
    int_type underflow() override {
      if (served) throw std::runtime_error("device error");
      served = true;
      setg(data.data(), data.data(), data.data() + data.size());
      return traits_type::to_int_type(data[0]);
    }
  } buf;
  buf.data = wordproc::writeRtf(chineseWithPictures()).substr(0, 3000);
  std::istream in(&buf);
  EXPECT_THROW(wordproc::readRtf(in, 512), wordproc::FileFormatError);
}

class RtfSaveTest : public WordFixture {};

TEST_F(RtfSaveTest, FailedSaveLeavesTheFileAndNoScratchBehind) {
  FailingFileSystem failing(standIn_->files);
  platform_.files = &failing;
  Variant app = startWord();
  writeFile("c:\\temp\\a.rtf", "{\\rtf1\\ansi old text\\par}");
  Variant doc = app.get("Documents").call("Open", "c:\\temp\\a.rtf");
  doc.get("Content").call("InsertAfter", "新的文字");
  failing.failNext("openWrite", automation::err::kDiskFull);
  EXPECT_NE(errorNumber([&] { doc.call("Save"); }), 0);
  EXPECT_EQ(asString(readFile("c:\\temp\\a.rtf")), "{\\rtf1\\ansi old text\\par}");
  // The new file cannot take the old one's place: the old stays, and no scratch file is left.
  failing.failNext("replace", automation::err::kPermissionDenied);
  EXPECT_NE(errorNumber([&] { doc.call("Save"); }), 0);
  EXPECT_EQ(asString(readFile("c:\\temp\\a.rtf")), "{\\rtf1\\ansi old text\\par}");
  doc.call("Save");
  int files = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(native("c:\\temp"))) ++files;
  EXPECT_EQ(files, 1);
  doc.call("Close");
  Variant again = app.get("Documents").call("Open", "c:\\temp\\a.rtf");
  const std::string text = again.get("Content").get("Text").toString();
  EXPECT_NE(text.find("old text"), std::string::npos) << text;
  EXPECT_NE(text.find("新的文字"), std::string::npos) << text;
  // The application goes before the file layer it was given.
  again.call("Close");
  app.call("Quit");
}

}  // namespace
}  // namespace verolin::testing
