// Faults the fuzz targets found in pictures, web pages, saved revisions and RTF files: sizes that a
// saved file cannot hold, paragraphs a web page lost, styles a web page left unfinished, revision marks
// that a paragraph break gained, section settings a saved file lost, font names a saved file read
// otherwise, and kept words a saved file doubled.
#include "word_fixture.h"
#include "wordproc/formats/html_reader.h"
#include "wordproc/formats/html_writer.h"
#include "wordproc/formats/rtf_reader.h"
#include "wordproc/formats/rtf_writer.h"
#include "wordproc/model/document_model.h"
#include "wordproc/model/editing.h"
#include "wordproc/model/picture.h"
#include "wordproc/model/styles.h"

namespace verolin::testing {
namespace {

using wordproc::DocumentModel;
using wordproc::readRtf;
using wordproc::writeRtf;

TEST(NaturalSize, AVeryTallPictureIsScaledToWhatAFileHoldsAndKeepsItAfterSaving) {
  const auto picture = wordproc::readPicture(pngPicture(21, 65530));
  ASSERT_TRUE(picture);
  const wordproc::PointSize size = wordproc::naturalSize(*picture);
  EXPECT_DOUBLE_EQ(size.height, 31680);
  EXPECT_NEAR(size.width / size.height, 21.0 / 65530, 1e-4);
  const auto small = wordproc::naturalSize(*wordproc::readPicture(pngPicture(4, 3)));
  EXPECT_DOUBLE_EQ(small.width, 3);
  EXPECT_DOUBLE_EQ(small.height, 2.25);

  DocumentModel doc;
  doc.insertPicture(0, wordproc::InlinePicture{*picture, size.width, size.height}, 0);
  EXPECT_EQ(wordproc::describe(wordproc::readRtf(wordproc::writeRtf(doc))), wordproc::describe(doc));
}

class PictureSizeTest : public WordFixture {};

TEST_F(PictureSizeTest, InsertedAtNaturalSizeAVeryTallPictureSavesAndOpensAtTheSameSize) {
  writeFile("c:\\pics\\tall.png", pngPicture(21, 65530));
  Variant app = startWord();
  Variant doc = app.get("Documents").call("Add");
  Variant shape = doc.get("Shapes").call("AddPicture", "c:\\pics\\tall.png");
  const double height = shape.get("Height").toDouble();
  EXPECT_LE(height, 31680);
  doc.call("SaveAs", "c:\\pics\\tall.rtf", 6);
  doc.call("Close", 0);
  Variant again = app.get("Documents").call("Open", "c:\\pics\\tall.rtf");
  EXPECT_DOUBLE_EQ(again.get("Shapes", 1).get("Height").toDouble(), height);
}

TEST(WebPage, AParagraphOfBlanksIsKeptWhenThePageIsReadAgain) {
  DocumentModel doc;
  wordproc::insertText(doc, 0, U"一\r \r  \r二", {}, {});
  const wordproc::HtmlPage page = wordproc::writeHtml(doc, "a.htm");
  const DocumentModel back = wordproc::readHtml(page.html, {});
  EXPECT_EQ(back.paragraphMarks().size(), doc.paragraphMarks().size());
}

TEST(WebPage, AStyleWithoutAnAlignmentValueReadsAsNoAlignment) {
  for (const char* style : {"text-align:", "text-align:   ", "color:red;text-align:"}) {
    SCOPED_TRACE(style);
    const std::string page = std::string("<html><p style=\"") + style + "\">x</p></html>";
    DocumentModel doc;
    ASSERT_NO_THROW(doc = wordproc::readHtml(page, {}));
    EXPECT_EQ(doc.text(0, doc.size()), "x\r");
    EXPECT_EQ(doc.paraFormatAt(0).alignment, -1);
    EXPECT_EQ(wordproc::describe(wordproc::readRtf(wordproc::writeRtf(doc))), wordproc::describe(doc));
  }
  const DocumentModel right = wordproc::readHtml("<p style=\"text-align:  right\">x</p>", {});
  EXPECT_EQ(right.paraFormatAt(0).alignment, 2);
}

// "ab", a paragraph mark and "cd", each part with the format the caller gives it.
void twoParagraphs(DocumentModel& doc, const wordproc::CharFormat& first, const wordproc::CharFormat& mark,
                   const wordproc::CharFormat& second) {
  doc.insert(0, U"ab\rcd", doc.intern(first));
  doc.setFormat(2, doc.intern(mark));
  doc.setFormat(3, doc.intern(second));
  doc.setFormat(4, doc.intern(second));
}

TEST(SavedRevisions, APartingParagraphMarkKeepsTheMarksItHadAndTheTwoChangesStayTwo) {
  const automation::DateTime when{2024, 3, 7, 10, 20, 0};
  {
    // Two deletions by one author at one time, with an insertion of the break between them.
    DocumentModel doc;
    wordproc::CharFormat first, mark, second;
    first.delRev = doc.addRevision(wordproc::kRevisionDelete, "王五", when);
    mark.insRev = doc.addRevision(wordproc::kRevisionInsert, "王五", when);
    second.delRev = doc.addRevision(wordproc::kRevisionDelete, "王五", when);
    twoParagraphs(doc, first, mark, second);
    const DocumentModel back = readRtf(writeRtf(doc));
    EXPECT_EQ(wordproc::describe(back), wordproc::describe(doc));
    EXPECT_EQ(back.charFormat(2).delRev, 0);
    EXPECT_NE(back.charFormat(0).delRev, back.charFormat(3).delRev);
  }
  {
    // Two insertions by one author at one time, the break between them not inserted.
    DocumentModel doc;
    wordproc::CharFormat first, second;
    first.insRev = doc.addRevision(wordproc::kRevisionInsert, "Reviewer", when);
    second.insRev = doc.addRevision(wordproc::kRevisionInsert, "Reviewer", when);
    twoParagraphs(doc, first, {}, second);
    const DocumentModel back = readRtf(writeRtf(doc));
    EXPECT_EQ(wordproc::describe(back), wordproc::describe(doc));
    EXPECT_EQ(back.charFormat(2).insRev, 0);
  }
  // Another writer's file: a break inserted between two parts deleted is no part of a deletion, while
  // one change's \par outside its groups still joins it.
  const DocumentModel other = readRtf(
      "{\\rtf1{\\*\\revtbl{Unknown;}{Eve;}}{\\deleted\\revauthdel1\\revdttmdel130361856 ab}"
      "{\\revised\\revauth1\\revdttm130361856\\par}{\\deleted\\revauthdel1\\revdttmdel130361856 cd}\\par}");
  EXPECT_EQ(other.charFormat(2).delRev, 0);
  EXPECT_NE(other.charFormat(2).insRev, 0);
  EXPECT_NE(other.charFormat(0).delRev, other.charFormat(3).delRev);
  const DocumentModel both = readRtf(
      "{\\rtf1{\\*\\revtbl{Unknown;}{Eve;}}{\\revised\\revauth1\\revdttm130361856\\deleted\\revauthdel1"
      "\\revdttmdel130361856 ab}\\par{\\revised\\revauth1\\revdttm130361856\\deleted\\revauthdel1"
      "\\revdttmdel130361856 cd}\\par}");
  EXPECT_EQ(both.charFormat(2).insRev, both.charFormat(0).insRev);
  EXPECT_EQ(both.charFormat(2).delRev, both.charFormat(0).delRev);
  EXPECT_EQ(both.charFormat(3).delRev, both.charFormat(0).delRev);
}

// Section settings inside a paragraph go on with the section the paragraph is in: saving gives them back
// and reading the saved file makes the same document.
TEST(RtfSections, SettingsInsideAParagraphSurviveSaving) {
  const std::string first = R"({\rtf1\ansi\ansicpg936 ab\sectd\pgwsxn11906\sbknone\pard cd})";
  const DocumentModel doc = wordproc::readRtf(first);
  EXPECT_EQ(doc.text(0, doc.size()), "abcd\r");
  EXPECT_NE(doc.kept.section.find("\\sbknone"), std::string::npos) << wordproc::describe(doc);
  EXPECT_EQ(wordproc::describe(wordproc::readRtf(wordproc::writeRtf(doc))), wordproc::describe(doc));

  const std::string later =
      R"({\rtf1\ansi\ansicpg936 a\par\sect\sectd\sbkpage\pard b\sectd\sbknone\pgwsxn100 c})";
  const DocumentModel two = wordproc::readRtf(later);
  ASSERT_EQ(two.kept.fragments.size(), 1u) << wordproc::describe(two);
  EXPECT_NE(two.kept.fragments[0].rtf.find("\\sbkpage\\sbknone\\pgwsxn100"), std::string::npos)
      << wordproc::describe(two);
  EXPECT_EQ(wordproc::describe(wordproc::readRtf(wordproc::writeRtf(two))), wordproc::describe(two));

  // Before any text, after the paragraph's words: still the first section's.
  const DocumentModel early = wordproc::readRtf(R"({\rtf1\ansi\ansicpg936\pard\sectd\sbknone a})");
  EXPECT_NE(early.kept.section.find("\\sbknone"), std::string::npos) << wordproc::describe(early);
  EXPECT_EQ(wordproc::describe(wordproc::readRtf(wordproc::writeRtf(early))), wordproc::describe(early));
}

// A group that keeps words of its own and then turns out to be a destination kept whole: its words are
// kept once, so they do not double with each save.
TEST(RtfKeptWords, WordsBeforeAKeptDestinationAreKeptOnce) {
  const DocumentModel doc =
      readRtf(R"({\rtf1\ansi\ansicpg936{\font\ftnsep\fnil\fcharset134 x;}\pard a\par})");
  EXPECT_EQ(doc.kept.document, R"(\font{\ftnsep\fnil\fcharset134 x;})") << wordproc::describe(doc);
  const DocumentModel back = readRtf(writeRtf(doc));
  EXPECT_EQ(wordproc::describe(back), wordproc::describe(doc));
  EXPECT_EQ(wordproc::describe(readRtf(writeRtf(back))), wordproc::describe(doc));

  // The same in the text: the unknown word stays before the kept group, once.
  const DocumentModel inText = readRtf(R"({\rtf1\ansi\ansicpg936\pard a{\zzword\*\zzdest y}b})");
  EXPECT_EQ(inText.text(0, inText.size()), "ab\r");
  EXPECT_EQ(wordproc::describe(readRtf(writeRtf(inText))), wordproc::describe(inText));
}

// A font name reads the same however the file around it is written: a \u character's stand-in never
// eats the first byte of a name in a later group, and a word inside a name does not split its bytes.
TEST(RtfFontTable, FontNamesReadTheSameAfterSaving) {
  const std::string after =
      R"({\rtf1\ansi\ansicpg936\uc1\u26631{\fonttbl{\f0\fnil\fcharset134 \'cb\'ce\'cc\'e5;}})"
      R"(\f0 a\u26631?b})";
  const DocumentModel doc = readRtf(after);
  EXPECT_EQ(doc.text(0, doc.size()), "\u6807a\u6807b\r");
  EXPECT_EQ(doc.charFormat(1).font, "\u5B8B\u4F53") << wordproc::describe(doc);
  EXPECT_EQ(wordproc::describe(readRtf(writeRtf(doc))), wordproc::describe(doc));

  const DocumentModel split =
      readRtf(R"({\rtf1\ansi\ansicpg936{\fonttbl{\f1\fnil\fcharset134 \'cb\red\'ce\'cc\'e5;}}\f1 a})");
  EXPECT_EQ(split.charFormat(0).font, "\u5B8B\u4F53") << wordproc::describe(split);
  EXPECT_EQ(wordproc::describe(readRtf(writeRtf(split))), wordproc::describe(split));
}

// A group that turns into a destination after a word kept with the document's properties: the word is
// kept once, not again with the group.
TEST(RtfKeptWords, AWordBeforeADestinationInItsGroupIsKeptOnce) {
  const DocumentModel doc = readRtf(R"({\rtf1\ansi\ansicpg936{\color\headerl255\green0;}\pard a\par})");
  EXPECT_EQ(doc.kept.document.find("\\color"), doc.kept.document.rfind("\\color")) << wordproc::describe(doc);
  EXPECT_EQ(wordproc::describe(readRtf(writeRtf(doc))), wordproc::describe(doc));
}

// A character style numbered as a paragraph style of the file replaces its kept entry: paragraphs of that
// number keep no word for a style the saved file would not have. Kept the other way round, the word stays.
TEST(RtfStyles, AParagraphStyleNumberTakenByACharacterStyleReadsTheSameAfterSaving) {
  const DocumentModel taken = wordproc::readRtf(
      R"({\rtf1\ansi{\stylesheet{\s0 Normal;}{\s1\qj Odd;}{\*\cs1\ul Other;}}\pard\plain\s1 ab})");
  EXPECT_EQ(taken.text(0, taken.size()), "ab\r");
  EXPECT_EQ(wordproc::describe(wordproc::readRtf(wordproc::writeRtf(taken))), wordproc::describe(taken));

  const DocumentModel later = wordproc::readRtf(
      R"({\rtf1\ansi{\stylesheet{\s0 Normal;}{\*\cs1\ul Other;}{\s1\qj Odd;}}\pard\plain\s1 ab})");
  EXPECT_NE(wordproc::describe(later).find("rtf=\\s1"), std::string::npos) << wordproc::describe(later);
  EXPECT_EQ(wordproc::describe(wordproc::readRtf(wordproc::writeRtf(later))), wordproc::describe(later));
}

// A \u whose group ends before its stand-in character skips nothing after the group (a style's name
// lost its first letter, while the kept entry had it whole).
TEST(RtfText, AUnicodeCharacterSkipsNothingBeyondItsGroup) {
  const DocumentModel doc = wordproc::readRtf(R"({\rtf1\ansi\uc1{\i\u20013}ab})");
  EXPECT_EQ(doc.text(0, doc.size()), "\u4e2dab\r");
  EXPECT_EQ(wordproc::describe(wordproc::readRtf(wordproc::writeRtf(doc))), wordproc::describe(doc));
}

// Text or a group between "\*" and a word: the star marks nothing, so the text is read once and not
// kept again.
TEST(RtfText, TextAfterAStarIsReadOnce) {
  const DocumentModel doc = wordproc::readRtf(R"({\rtf1{\*0\c}})");
  EXPECT_EQ(doc.text(0, doc.size()), "0\r");
  EXPECT_EQ(wordproc::describe(wordproc::readRtf(wordproc::writeRtf(doc))), wordproc::describe(doc));
  for (const char* between : {R"({\rtf1{\*\{\s}})", R"({\rtf1{\*\'41\s}})"}) {
    const DocumentModel symbol = wordproc::readRtf(between);
    EXPECT_EQ(symbol.text(0, symbol.size()).size(), 2u) << between;
    EXPECT_TRUE(symbol.kept.fragments.empty()) << between;
  }
  const DocumentModel group = wordproc::readRtf(R"({\rtf1{\*{a}\r}})");
  EXPECT_EQ(group.text(0, group.size()), "a\r");
  EXPECT_TRUE(group.kept.fragments.empty());
  EXPECT_EQ(wordproc::describe(wordproc::readRtf(wordproc::writeRtf(group))), wordproc::describe(group));
}

// Reads the file, checks that saving it and reading it again gives the same document, and gives it.
DocumentModel readTwice(const std::string& rtf) {
  const DocumentModel doc = readRtf(rtf);
  EXPECT_EQ(wordproc::describe(readRtf(writeRtf(doc))), wordproc::describe(doc)) << rtf;
  return doc;
}

// Text in a table's own group after an entry's group names no entry (the group named it, or the entry
// has no name), and an entry without a group of its own replaces the group kept for its number: a font
// or style never reads back under another name.
TEST(RtfTables, TextAfterAnEntrysGroupNamesNoEntry) {
  for (const char* table : {R"({\fonttbl{\f0\fnil A;}B})", R"({\fonttbl{\f0\fnil A;}B;})"}) {
    SCOPED_TRACE(table);
    const DocumentModel doc = readTwice(std::string(R"({\rtf1)") + table + R"(\f0 x})");
    EXPECT_EQ(doc.charFormat(0).font, "A");
  }
  const DocumentModel renamed = readTwice(R"({\rtf1{\fonttbl{\f0\fnil A;}\f0 C;}\f0 x})");
  EXPECT_EQ(renamed.charFormat(0).font, "C");
  EXPECT_EQ(renamed.kept.fonts.count(0), 0u);

  const DocumentModel heading = readTwice(R"({\rtf1 x{\stylesheet{\s1 heading 1;};}\s1 a})");
  EXPECT_EQ(heading.paraFormatAt(0).style, "\u6807\u9898 1");
  // An entry without \s is style 0.
  const DocumentModel normal = readTwice(R"({\rtf1 x{\stylesheet{Normal;};}\s0 a})");
  EXPECT_EQ(normal.paraFormatAt(0).style, wordproc::normalStyle().name);
  EXPECT_EQ(normal.paraFormatAt(0).rtf, "");
}

// A file has one font table and one style sheet: a later one (here in a style's entry, or left open
// at the end) renames no font and renumbers no style, so text keeps the font and the paragraphs the
// file's style they had.
TEST(RtfTables, ALaterTableChangesNoFontOrStyle) {
  const DocumentModel font = readTwice(
      "{\\rtf1\\ansicpg936{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}"
      "{\\stylesheet{\\s0\\fonttbl Normal;}}\\f0 x}");
  EXPECT_EQ(font.charFormat(0).font, "\u5B8B\u4F53");

  for (const char* later : {R"(\par{\stylesheet{\s1 heading 1;}}\s1 b})", "\\\n\\stylesheet{"}) {
    SCOPED_TRACE(later);
    const DocumentModel doc =
        readTwice(std::string(R"({\rtf1{\stylesheet{\s0 Normal;}{\s1 Odd;}}\s1 a)") + later);
    EXPECT_EQ(doc.paraFormatAt(0).rtf, "\\s1");
    EXPECT_EQ(doc.paraFormatAt(doc.size() - 1).style, wordproc::normalStyle().name);
  }
}

// A destination kept whole is kept from its word on: words before it in its group were read (a
// paragraph's style and alignment) and text before it is text, neither is kept again.
TEST(RtfKeptWords, ADestinationIsKeptFromItsWord) {
  const DocumentModel aligned = readTwice(R"({\rtf1 a{\s3\qc\datafield}b})");
  EXPECT_EQ(aligned.text(0, aligned.size()), "ab\r");
  EXPECT_EQ(aligned.paraFormatAt(0).alignment, 1);
  ASSERT_EQ(aligned.kept.fragments.size(), 1u);
  EXPECT_EQ(aligned.kept.fragments[0].rtf, R"({\datafield})");

  const DocumentModel picture = readTwice(R"({\rtf1 a{b\pict\wmetafile8 00}c})");
  EXPECT_EQ(picture.text(0, picture.size()), "abc\r");
  ASSERT_EQ(picture.kept.fragments.size(), 1u);
  EXPECT_EQ(picture.kept.fragments[0].rtf, R"({\pict\wmetafile8 00})");
}

// Inside a group kept whole (a shape this program does not draw, a field without a result) nothing
// is read as well: not a stray field result, a version, a picture outside the shape's picture
// property, nor a destination kept a second time on its own.
TEST(RtfKeptWords, NothingInsideAGroupKeptWholeIsReadToo) {
  const std::string png = R"({\pict\pngblip 89504e470d0a1a0a0000000d494844520000004000000082})";
  const DocumentModel result = readTwice(R"({\rtf1 a{\shp{\*\shpinst{\fldrslt b}}}c})");
  EXPECT_EQ(result.text(0, result.size()), "ac\r");
  const DocumentModel version = readTwice(R"({\rtf1{\shp{\*\verolinversion{A}{2024-01-02T03:04:05}{C}}}a})");
  EXPECT_TRUE(version.versions.empty());
  const DocumentModel picture = readTwice(R"({\rtf1 a{\shp)" + png + "}}");
  EXPECT_EQ(picture.text(0, picture.size()), "a\r");
  EXPECT_EQ(picture.kept.fragments.size(), 1u);
  const DocumentModel field = readTwice(R"({\rtf1 '{\field{{}}\ftnsep}})");
  EXPECT_EQ(field.kept.fragments.size(), 1u);
  const DocumentModel shape = readTwice(R"({\rtf1 j{\field\shp}})");
  EXPECT_EQ(shape.kept.fragments.size(), 1u);
  // A field's result in its field's own group or in a shape is none: the text stays in what is kept.
  const DocumentModel result2 = readTwice(R"({\rtf1 a{\field\fldrslt\shp{\fldrslt b}}})");
  EXPECT_EQ(result2.text(0, result2.size()), "a\r");
  const DocumentModel inShape = readTwice(R"({\rtf1{\field{\*\fldinst X}{\fldrslt {\shp{\fldrslt y}}}}})");
  EXPECT_EQ(inShape.text(0, inShape.size()), "\r");
  const DocumentModel bookmark = readTwice(R"({\rtf1 s{\field\f\bkmkstart b{\fldrslt x}}})");
  EXPECT_TRUE(bookmark.bookmarks.empty());
  // A hyperlink's result read, a later instruction and result change nothing.
  const DocumentModel link =
      readTwice(R"({\rtf1{\field{\fldinst{HYPERLINK}}{\fldrslt a\fldinst}{\fldrslt b}}})");
  EXPECT_EQ(link.text(0, link.size()), "a\r");
  EXPECT_NE(link.charFormat(0).link, 0);
  EXPECT_TRUE(link.kept.fragments.empty());
  // A table in a field's group is no table of the document; the field stays whole.
  const DocumentModel table = readTwice(R"({\rtf1{t\field\stylesheet{\fldrslt x}}})");
  ASSERT_EQ(table.kept.fragments.size(), 1u);
  EXPECT_EQ(table.kept.fragments[0].rtf, R"({\field\stylesheet{\fldrslt x}})");
}

// A code page that gives ASCII bytes other characters (EBCDIC) is no code page of RTF text: the text
// reads as Western, as it is written back.
TEST(RtfText, ACodePageThatChangesAsciiReadsAsWestern) {
  const DocumentModel doc = readTwice(R"({\rtf1\ansicpg500{\*\bkmkstart k}a})");
  EXPECT_EQ(doc.text(0, doc.size()), "a\r");
  EXPECT_EQ(doc.bookmarks.count("k"), 1u);
}

// A row definition is kept only while it gives the row's cells; otherwise the row is written as
// this program writes rows, and reads back with the same cells.
TEST(RtfTables, ARowDefinitionIsKeptOnlyWithTheCellsItGives) {
  const DocumentModel doc = readTwice("{\\rtf1\\trowd\\l\xE3\\cellx\\row");
  EXPECT_EQ(doc.paraFormatAt(0).cells, std::vector<int>{0});
  EXPECT_EQ(doc.paraFormatAt(0).rowRtf, "");
  const DocumentModel kept = readTwice(R"({\rtf1\trowd\trgaph70\cellx500 a\cell\row})");
  EXPECT_EQ(kept.paraFormatAt(0).rowRtf, R"(\trowd\trgaph70\cellx500)");
}

// An entry that gives its name and then turns into a destination (damage) is no entry to keep: the
// number's earlier entry is not written back under the name the damaged one gave.
TEST(RtfTables, AnEntryThatTurnsIntoADestinationReplacesTheKeptOne) {
  const DocumentModel style = readTwice("{\\rtf1\xE4\\stylesheet{Normal;}{;\\keywords");
  EXPECT_EQ(style.kept.styles.count(0), 0u);
  EXPECT_EQ(style.paraFormatAt(0).rtf, "");
  const DocumentModel font = readTwice(R"({\rtf1{\fonttbl{\f0\fnil A;}{\f0 B;\f0\keywords x}}\f0 y})");
  EXPECT_EQ(font.charFormat(0).font, "B");
  EXPECT_EQ(font.kept.fonts.count(0), 0u);
}

// A section's settings where a paragraph starts come before a group kept at the same place, as the
// writer gives them.
TEST(RtfSections, SettingsBeforeAGroupKeptWhereTheParagraphStarts) {
  const DocumentModel doc = readTwice(R"({\rtf1 a\par{\shp{}}\sectd b})");
  ASSERT_EQ(doc.kept.fragments.size(), 2u);
  EXPECT_EQ(doc.kept.fragments[0].kind, wordproc::KeptFragment::kSection);
  EXPECT_EQ(doc.kept.fragments[1].rtf, R"({\shp{}})");
}

// A number after an entry's name renumbers nothing, and an entry without a name of its own is not
// kept: the name stays the number's it was given to.
TEST(RtfTables, ANumberAfterAnEntrysNameRenumbersNothing) {
  const DocumentModel style = readTwice(R"({\rtf1{\stylesheet{\s0 Normal;}{\s1 heading 7;}{;\s1}}\s0 a})");
  EXPECT_EQ(style.kept.styles.count(0), 0u);
  EXPECT_EQ(style.kept.styles.count(1), 1u);
  const DocumentModel font = readTwice(R"({\rtf1{\fonttbl{\f1\fnil Z;}{\f1\fnil B;\f0}}\f1 b})");
  EXPECT_EQ(font.charFormat(0).font, "B");
  EXPECT_EQ(font.kept.fonts.count(1), 0u);
  // Also when the name and the first number stand in groups inside the entry.
  const DocumentModel nested = readTwice(R"({\rtf1{\stylesheet{\s0 Normal;}{{\s\t{;}}\s1}}\s0 a})");
  EXPECT_EQ(nested.kept.styles.count(0), 0u);
  const DocumentModel nestedFont = readTwice(R"({\rtf1{\fonttbl{\f0 Z;}{{{\f\7?;}}{\f1}}}\f0 a})");
  EXPECT_EQ(nestedFont.charFormat(0).font, "?");
  const DocumentModel unnamed = readTwice(R"({\rtf1{\stylesheet{\;}}\s0 a})");
  EXPECT_TRUE(unnamed.kept.styles.empty());
}

// The code page that reads the tables' names is the one before them; a group kept whole sets none of
// the document's settings (the saved file gives them again after the document's own).
TEST(RtfText, SettingsThatWouldReadTheSavedFileOtherwiseCountOnlyWhereTheyBelong) {
  const DocumentModel page =
      readTwice("{\\rtf1\\ansicpg936{\\fonttbl{\\f0\\fnil\\'cb\\'ce;}}\\ansicpg1252\\f0 a}");
  EXPECT_EQ(page.charFormat(0).font, "\u5B8B");
  EXPECT_EQ(page.kept.codePage, 936);
  const DocumentModel field = readTwice(R"({\rtf1 a{\field{\*\fldinst X}\paperw100}\paperw2000 b})");
  EXPECT_DOUBLE_EQ(field.page.pageWidth, 100);
}

// Settings that open a section right after a break, at the start of its first paragraph, are kept once.
TEST(RtfSections, SettingsAfterABreakAndAParagraphStartAreKeptOnce) {
  const DocumentModel doc = readTwice(R"({\rtf\sect\pard\sectd)");
  EXPECT_EQ(doc.kept.fragments.size(), 1u);
}

// A picture scaled to a size between whole twips reads as the size a saved file gives it.
TEST(RtfPictures, AScaledSizeIsReadInWholeTwips) {
  const DocumentModel doc = readTwice(
      "{\\rtf1{\\pict\\dibitmap0\\picw3\\pich2\\picwgoal150\\pichgoal300\\picscalex1\\picscaley0 "
      "280000000300000002000000010018000000000000000000000000000000000000000000000000000000000000000000000000"
      "00}}");
  const wordproc::InlinePicture* picture = doc.picture(static_cast<int>(doc.at(0).extra));
  ASSERT_NE(picture, nullptr);
  EXPECT_DOUBLE_EQ(picture->width, 0.1);    // 1.5 twips
  EXPECT_DOUBLE_EQ(picture->height, 0.15);  // a scale of 0 is read as 1 %
}

// A row whose first cell is empty and whose cell edge has no number saves as the row it was read.
TEST(RtfTables, ARowWithAnEmptyFirstCellReadsTheSameAfterSaving) {
  readTwice(R"({\rtf\trowd\cellx\cell\row)");
  readTwice(R"({\rtf1\trowd\cellx1000\cell a\cell\row})");
}

// A font or style name with a \\u character read under \\uc0 reads the same from the saved file, which
// gives \\uc1 for the document.
TEST(RtfText, ANameReadUnderAnotherUnicodeSkipReadsTheSameAfterSaving) {
  const DocumentModel font = readTwice("{\\rtf1\\uc0{\\fonttbl{\\f0 A\\u22909;}}\\f0 x}");
  EXPECT_EQ(font.charFormat(0).font, "A\u597D");
  readTwice("{\\rtf6\\uc\\'002{\\fonttbl{\\f0\\'ff\\u;}}\\f");
  readTwice("{\\rtf1\\uc2{\\stylesheet{\\s0 Normal;}{\\s1 B\\u22909xy;}}\\s1 x}");
}

// A row begun inside a kept field's result does not take the field's end with it: the text after the
// field stays outside the field's result after saving.
TEST(RtfFields, ARowBegunInAFieldsResultLeavesTheFieldsEndWithTheText) {
  const DocumentModel doc = readTwice(R"({\rtf1 a{\field{\*\fldinst X}{\fldrslt \trowd}} b})");
  ASSERT_EQ(doc.kept.fragments.size(), 2u);
  EXPECT_EQ(doc.kept.fragments[1].rtf, "}}");
  EXPECT_EQ(doc.kept.fragments[1].at->start, 1);
}

// A field that takes over a shape's own group leaves no shape behind: its result is text, as it is when
// the saved file is read, where no shape surrounds it.
TEST(RtfFields, AFieldInAShapesOwnGroupIsTheGroupsMeaning) {
  const DocumentModel doc = readTwice(R"({\rtf1 a{t\shp\field{\fldrslt r}} b})");
  EXPECT_TRUE(doc.shapes.empty());
  EXPECT_EQ(doc.size(), 6);  // "atr b" and the mark
  readTwice(R"({\rtf{t\shp\field{\fldrslt}})");
  // Likewise a shape's own group skipped from a starred word on: the field after it is in the text.
  const DocumentModel skipped = readTwice(R"({\rtf1 a{c{\shp\*\b}\field{\fldrslt r}} b})");
  EXPECT_EQ(skipped.size(), 6);  // "acr b" and the mark
}

// A field word twice in one group begins one field, which ends with the group: the group after it is
// read once.
TEST(RtfFields, AFieldWordTwiceInOneGroupIsOneField) {
  const DocumentModel doc = readTwice(R"({\rtf{\field\field}{/})");
  EXPECT_EQ(doc.size(), 2);  // "/" and the mark
  ASSERT_EQ(doc.kept.fragments.size(), 1u);
  EXPECT_EQ(doc.kept.fragments[0].rtf, R"({\field\field})");
}

// A skip count in a field's kept start does not reach the result, which is written with the document's.
TEST(RtfFields, ASkipCountInAFieldsKeptStartLeavesTheResultAsRead) {
  const DocumentModel doc = readTwice("{\\rtf1{\\field\\uc0{\\fldrslt \\u22909 x}}}");
  EXPECT_EQ(doc.size(), 3);  // the character, "x" and the mark
  readTwice("{\\rtf{\\field\\uc{\\fldrslt\x81");
}

}  // namespace
}  // namespace verolin::testing
