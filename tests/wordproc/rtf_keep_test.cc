// Other programs' RTF survives a save: what the model does not represent is kept with its part of the
// document and written back, and what it does represent is written so that other readers agree.
#include <regex>

#include "word_fixture.h"
#include "wordproc/formats/document_files.h"
#include "wordproc/formats/rtf_common.h"
#include "wordproc/formats/rtf_reader.h"
#include "wordproc/formats/rtf_writer.h"

namespace verolin::testing {
namespace {

using wordproc::DocumentModel;
using wordproc::readRtf;
using wordproc::writeRtf;

std::string textOf(const DocumentModel& doc) {
  return doc.text(0, doc.size());
}

// Saves and reads again, twice: the second save gives the bytes of the first.
std::string resaved(const std::string& rtf) {
  const std::string once = writeRtf(readRtf(rtf));
  EXPECT_EQ(writeRtf(readRtf(once)), once);
  return once;
}

bool contains(const std::string& haystack, const std::string& needle) {
  return haystack.find(needle) != std::string::npos;
}

int count(const std::string& haystack, const std::string& needle) {
  int n = 0;
  for (auto k = haystack.find(needle); k != std::string::npos; k = haystack.find(needle, k + 1)) ++n;
  return n;
}

TEST(RtfRevisionsWritten, EveryRevisionRunIsClosedInAGroupOfItsOwn) {
  DocumentModel doc = readRtf("{\\rtf1 {\\revised\\revauth1\\revdttm1 inserted} plain text\\par after}");
  const std::string rtf = writeRtf(doc);
  // A reader that keeps \revised past \plain still ends it where the group ends.
  const std::regex insertedRun(R"re(\{\\plain[^{}]*\\revised[^{}]* inserted\})re");
  EXPECT_TRUE(std::regex_search(rtf, insertedRun)) << rtf;
  EXPECT_EQ(count(rtf, "\\revised"), 1) << rtf;
  const DocumentModel again = readRtf(rtf);
  EXPECT_EQ(again.charFormat(0).insRev != 0, true);
  EXPECT_EQ(again.charFormat(9).insRev, 0);  // " plain text"
}

TEST(RtfRevisionsWritten, DatesAreTheSignedPackedNumber) {
  // 2024-03-09 is a Saturday: weekday 6 sets the top bit of the packed date.
  automation::DateTime saturday{2024, 3, 9, 11, 30, 0};
  const std::uint32_t packed = wordproc::rtf::packDate(saturday);
  ASSERT_GT(packed, 0x7FFFFFFFu);
  DocumentModel doc;
  const int id = doc.addRevision(wordproc::kRevisionDelete, "Bob", saturday);
  wordproc::CharFormat f;
  f.delRev = id;
  doc.insert(0, U"gone", doc.intern(f));
  const std::string rtf = writeRtf(doc);
  EXPECT_TRUE(contains(rtf, "\\revdttmdel" + std::to_string(static_cast<std::int32_t>(packed)))) << rtf;
  EXPECT_FALSE(contains(rtf, std::to_string(packed)));
  const DocumentModel again = readRtf(rtf);
  EXPECT_EQ(again.revision(again.charFormat(0).delRev)->date, saturday);
}

TEST(RtfRevisionsRead, OneChangeIsOneRevisionWhateverInterruptsIt) {
  const DocumentModel doc = readRtf(
      "{\\rtf1{\\*\\revtbl{Unknown;}{Ann;}}"
      "{\\revised\\revauth1\\revdttm-2017248620 abc\\u1055?def}{\\revised\\revauth1\\revdttm-2017248620\\b "
      "bold}{\\revised\\revauth1\\revdttm-2017248620  end} other "
      "{\\revised\\revauth1\\revdttm-2017248620 later}}");
  std::set<int> ids;
  for (int i = 0; i < doc.size(); ++i) {
    if (doc.charFormat(i).insRev) ids.insert(doc.charFormat(i).insRev);
  }
  // The runs next to each other are one revision; the one after other text is another.
  EXPECT_EQ(ids.size(), 2u);
  EXPECT_EQ(doc.charFormat(0).insRev, doc.charFormat(14).insRev);
}

TEST(RtfRevisionsRead, AChangeAcrossAParagraphBreakIsOneRevision) {
  // As LibreOffice writes an insertion of two paragraphs: the \par outside the revision's groups.
  const DocumentModel doc = readRtf(
      "{\\rtf1{\\*\\revtbl{Unknown;}{Eve;}}{\\revised\\revauth1\\revdttm130361856 one}\n\\par "
      "{\\revised\\revauth1\\revdttm130361856 two} done\\par}");
  EXPECT_EQ(doc.charFormat(0).insRev, doc.charFormat(4).insRev);
  EXPECT_EQ(doc.charFormat(3).insRev, doc.charFormat(0).insRev);  // the mark between them
  EXPECT_EQ(doc.charFormat(8).insRev, 0);
  const std::string rtf = writeRtf(doc);
  EXPECT_EQ(count(rtf, "\\revised"), 2) << rtf;  // "one" with its mark, then "two"
}

TEST(RtfCodePages, EveryCharsetIsDecodedInItsOwnCodePage) {
  const DocumentModel doc = readRtf(
      "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fcharset204 Cyr;}{\\f1\\fcharset161 Greek;}"
      "{\\f2\\fcharset238 CE;}{\\f3\\fcharset177 Hebrew;}{\\f4\\fcharset222 Thai;}{\\f5\\fcharset0\\cpg1251 "
      "ByCodePage;}}"
      "\\f0 \\'cf\\'f0\\'e8\\f1  \\'c3\\'e5\\'e9\\f2  \\'8a\\f3  \\'f9\\f4  \\'a1\\f5  \\'c0}");
  EXPECT_EQ(textOf(doc), "При Γει Š ש ก А\r");
  // Without a font the document's code page applies.
  EXPECT_EQ(textOf(readRtf("{\\rtf1\\ansi\\ansicpg1251 \\'c4\\'e0}")), "Да\r");
}

TEST(RtfPageSetup, AFileThatNamesNoPageSizeIsLetter) {
  const DocumentModel doc = readRtf("{\\rtf1 text}");
  EXPECT_EQ(doc.page.pageWidth, 612);
  EXPECT_EQ(doc.page.pageHeight, 792);
  EXPECT_TRUE(contains(writeRtf(doc), "\\paperw12240\\paperh15840"));
  // The first section's page words are the document's page too.
  const DocumentModel a4 = readRtf("{\\rtf1\\sectd\\pgwsxn11906\\pghsxn16838\\marglsxn1134 x}");
  EXPECT_EQ(a4.page.pageWidth, 595.3);
  EXPECT_EQ(a4.page.leftMargin, 56.7);
}

TEST(RtfText, SoftHyphensUnicodeAlternativesAndPageBreaksBeforeSurvive) {
  const std::string rtf = resaved(
      "{\\rtf1 soft\\-hyphen {\\upr{ansi text}{\\*\\ud{uni\\u8364?code}}} end\\par\\pard\\pagebb\\sb120 new "
      "page}");
  const DocumentModel doc = readRtf(rtf);
  EXPECT_EQ(textOf(doc), "soft\u00ADhyphen uni€code end\rnew page\r");
  EXPECT_TRUE(contains(rtf, "soft\\-hyphen"));
  EXPECT_TRUE(contains(rtf, "\\pagebb\\sb120")) << rtf;
}

TEST(RtfProtection, UnlockedSectionsLeaveTheDocumentEditable) {
  const std::string file =
      "{\\rtf1\\formprot\\enforceprot1\\sectd\\sectunlocked0 Contents\\par"
      "\\sect\\sectd\\sectunlocked1\\pard body\\par}";
  const DocumentModel doc = readRtf(file);
  EXPECT_EQ(doc.protection.type, wordproc::protection::kNone);
  EXPECT_TRUE(doc.kept.sectionProtection);
  const std::string rtf = resaved(file);
  EXPECT_TRUE(contains(rtf, "\\formprot")) << rtf;
  EXPECT_FALSE(contains(rtf, "\\protlevel")) << rtf;  // no whole-document protection
  EXPECT_TRUE(contains(rtf, "\\sect}\n\\sectd\\sectunlocked1")) << rtf;
  // Form protection without unlocked sections is still the document's.
  EXPECT_EQ(readRtf("{\\rtf1\\formprot\\enforceprot1 x}").protection.type, wordproc::protection::kFormFields);
}

TEST(RtfKeep, DocumentSectionAndHeaderPartsAreWrittenBack) {
  const std::string file =
      "{\\rtf1\\ansi\\deff1{\\fonttbl{\\f1\\froman\\fcharset204 Cyr;}}"
      "{\\*\\listtable{\\list\\listid7{\\listlevel\\levelnfc0{\\leveltext\\'02\\'00.;}}}}"
      "{\\*\\listoverridetable{\\listoverride\\listid7\\ls1}}{\\info{\\title T}}\\deftab709\\viewscale100"
      "\\sectd\\pgnrestart{\\header\\pard \\'c0 header {\\pict\\pngblip 0102}\\par}{\\footer\\pard foot\\par}"
      "\\pard\\ls1\\ilvl0{\\listtext 1.\\tab}item\\par}";
  const std::string rtf = resaved(file);
  for (const char* kept : {"{\\f1\\froman\\fcharset204 Cyr;}", "\\deff1", "{\\*\\listtable{\\list\\listid7",
                           "{\\info{\\title T}}", "\\deftab709\\viewscale100",
                           "\\pgnrestart{\\header\\pard \\'c0 header {\\pict\\pngblip 0102}\\par}",
                           "{\\footer\\pard foot\\par}", "\\ls1\\ilvl0", "{\\listtext 1.\\tab}"}) {
    EXPECT_TRUE(contains(rtf, kept)) << kept << "\n" << rtf;
  }
  EXPECT_EQ(textOf(readRtf(rtf)), "item\r\r");
}

TEST(RtfKeep, PartsInTheTextStayWhereTheyAreAsTheTextAroundThemChanges) {
  const std::string file =
      "{\\rtf1 A{\\super\\chftn}{\\*\\footnote\\pard note}B {\\field{\\*\\fldinst SEQ x}{\\fldrslt 7}} "
      "C{\\*\\atnid X}\\chatn{\\*\\annotation\\pard comment}D{\\pict\\wmetafile8\\picw10 0102}"
      "{\\shp{\\*\\shpinst{\\sp{\\sn shapeType}{\\sv 202}}{\\shptxt box}}}{\\*\\mystery data}E\\par}";
  DocumentModel doc = readRtf(file);
  EXPECT_EQ(textOf(doc), "AB 7 CDE\r\r");
  doc.insert(1, U"xy", doc.intern(wordproc::CharFormat{}));  // between A and the footnote's mark
  const std::string rtf = writeRtf(doc);
  for (const char* kept :
       {"{\\plain", "{\\super\\chftn}{\\*\\footnote\\pard note}", "{\\field{\\*\\fldinst SEQ x}{\\fldrslt ",
        "{\\*\\atnid X}", "{\\chatn}{\\*\\annotation\\pard comment}", "{\\pict\\wmetafile8\\picw10 0102}",
        "{\\shp{\\*\\shpinst{\\sp{\\sn shapeType}{\\sv 202}}{\\shptxt box}}}", "{\\*\\mystery data}"}) {
    EXPECT_TRUE(contains(rtf, kept)) << kept << "\n" << rtf;
  }
  // Typing where a part stands puts the text after it.
  EXPECT_LT(rtf.find("\\chftn"), rtf.find("xy"));
  EXPECT_EQ(textOf(readRtf(rtf)), "AxyB 7 CDE\r\r");
  EXPECT_EQ(writeRtf(readRtf(rtf)), rtf);
}

TEST(RtfKeep, KeptFieldsStayWhole) {
  // A result in the field's own group, a result inside a further group, and a field without a result.
  for (const std::string file : {"{\\rtf1 {\\field{\\*\\fldinst SEQ a}\\fldrslt 5} x}",
                                 "{\\rtf1 {\\field{\\*\\fldinst SEQ a}{{\\fldrslt 6}}} x}",
                                 "{\\rtf1 {\\field{\\*\\fldinst PAGE}} x}"}) {
    const std::string rtf = resaved(file);
    int depth = 0;
    for (char c : rtf) depth += c == '{' ? 1 : c == '}' ? -1 : 0;
    EXPECT_EQ(depth, 0) << rtf;
    // (A result in the field's own group is read as text; its instruction is not kept.)
    if (!contains(file, "\\fldrslt 5")) {
      EXPECT_EQ(count(rtf, "fldinst"), 1) << rtf;
    }
  }
  EXPECT_EQ(textOf(readRtf(resaved("{\\rtf1 {\\field{\\*\\fldinst SEQ a}{{\\fldrslt 6}}} x}"))), "6 x\r");
}

TEST(RtfKeep, RunAndParagraphWordsAndRowDefinitionsAreKept) {
  const std::string file =
      "{\\rtf1{\\stylesheet{\\s0 Normal;}{\\s19\\sa140 Text Body;}}"
      "\\pard\\s19\\sa140\\keepn\\lang1033 {\\strike\\super struck} text\\par"
      "\\trowd\\trgaph108\\clvmgf\\clbrdrt\\brdrs\\cellx2000\\clmgf\\cellx4000\\pard\\intbl a\\cell "
      "b\\cell\\row"
      "\\trowd\\trgaph108\\clvmrg\\cellx2000\\cellx4000\\pard\\intbl \\cell two\\par lines\\cell\\row}";
  const DocumentModel doc = readRtf(file);
  EXPECT_EQ(textOf(doc), "struck text\ra\ab\r\atwo\vlines\r\r");
  const std::string rtf = resaved(file);
  for (const char* kept : {"{\\s19\\sa140 Text Body;}", "\\s19\\sa140\\keepn", "\\lang1033\\strike\\super",
                           "\\trowd\\trgaph108\\clvmgf\\clbrdrt\\brdrs\\cellx2000\\clmgf\\cellx4000",
                           "\\trowd\\trgaph108\\clvmrg\\cellx2000\\cellx4000"}) {
    EXPECT_TRUE(contains(rtf, kept)) << kept << "\n" << rtf;
  }
}

TEST(RtfKeep, ABrokenByteEscapeDoesNotSwallowABrace) {
  // Kept whole, the list table must close where other readers see it close.
  const DocumentModel doc = readRtf("{\\rtf1{\\*\\listtable{\\leveltext \\'0}}text}");
  EXPECT_EQ(doc.kept.document, "{\\*\\listtable{\\leveltext \\'0}}");
  EXPECT_EQ(textOf(doc), "text\r");
}

TEST(RtfKeep, ADestinationAfterTextOfItsGroupIsKeptWithoutThatText) {
  const std::string rtf = resaved("{\\rtf1 {A\\footnote note} B{C\\*\\mine data} D}");
  EXPECT_EQ(textOf(readRtf(rtf)), "A BC D\r");
  EXPECT_TRUE(contains(rtf, "{\\footnote note}")) << rtf;
  EXPECT_TRUE(contains(rtf, "{\\*\\mine data}")) << rtf;
}

TEST(RtfKeep, OurOwnFilesKeepNothingExtra) {
  DocumentModel doc;
  doc.insert(0, U"text\rmore", doc.intern(wordproc::CharFormat{}));
  const std::string rtf = writeRtf(doc);
  const DocumentModel again = readRtf(rtf);
  EXPECT_TRUE(again.kept.fragments.empty());
  EXPECT_TRUE(again.kept.document.empty()) << again.kept.document;
  EXPECT_TRUE(again.kept.section.empty()) << again.kept.section;
  EXPECT_EQ(writeRtf(again), rtf);
}

}  // namespace
}  // namespace verolin::testing
