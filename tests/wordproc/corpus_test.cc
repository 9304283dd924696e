// The round-trip corpus: documents that LibreOffice writes (converted during the test from sources
// written here) and hand-written RTF files in corpus/. Each is opened through the automation surface,
// its text compared with LibreOffice's own text export, saved after a one-character edit, and the
// saved file converted by LibreOffice again: the same text apart from the edit, the same pictures and
// the same revisions (kind, author, date, text). LibreOffice runs once per step for all documents.
// Without LibreOffice the hand-written files still go through open, edit and save.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <regex>
#include <sstream>

#include "text/utf8.h"
#include "word_fixture.h"

namespace verolin::testing {
namespace {

namespace fs = std::filesystem;

const char* const kEdit = "\u2042";  // the one character the test types; no document holds it

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void spit(const fs::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary) << bytes;
}

bool haveLibreOffice() {
  return std::system("command -v soffice > /dev/null 2>&1") == 0;
}

// Converts every file in `files` into `outDir` in one LibreOffice run; false when it fails.
bool convertAll(const std::vector<fs::path>& files, const std::string& to, const fs::path& outDir,
                const fs::path& work) {
  fs::create_directories(outDir);
  std::string command = "cd '" + work.string() + "' && HOME='" + work.string() +
                        "' soffice -env:UserInstallation=file://" + (work / "profile").string() +
                        " --headless --writer --convert-to '" + to + "' --outdir '" + outDir.string() + "'";
  for (const auto& f : files) command += " '" + f.string() + "'";
  command += " >> '" + (work / "convert.log").string() + "' 2>&1";
  return std::system(command.c_str()) == 0;
}

// --- the sources LibreOffice turns into RTF ---

const char* const kOdtHead =
    R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 xmlns:dc="http://purl.org/dc/elements/1.1/" xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" xmlns:xlink="http://www.w3.org/1999/xlink"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" office:version="1.2"
 office:mimetype="application/vnd.oasis.opendocument.text">
)";

std::string odt(const std::string& styles, const std::string& body) {
  return std::string(kOdtHead) + styles + "<office:body><office:text>\n" + body +
         "\n</office:text></office:body></office:document>\n";
}

std::string base64(const Bytes& b) {
  static const char* a = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (std::size_t i = 0; i < b.size(); i += 3) {
    const std::uint32_t v =
        (b[i] << 16) | (i + 1 < b.size() ? b[i + 1] << 8 : 0) | (i + 2 < b.size() ? b[i + 2] : 0);
    out += a[(v >> 18) & 63];
    out += a[(v >> 12) & 63];
    out += i + 1 < b.size() ? a[(v >> 6) & 63] : '=';
    out += i + 2 < b.size() ? a[v & 63] : '=';
  }
  return out;
}

std::string image(const std::string& mime, const std::string& data, const char* anchor = "as-char") {
  return std::string("<draw:frame text:anchor-type=\"") + anchor +
         "\" svg:width=\"2cm\" svg:height=\"1.5cm\"><draw:image draw:mime-type=\"" + mime +
         "\"><office:binary-data>" + data + "</office:binary-data></draw:image></draw:frame>";
}

const char* const kRedPng =
    "iVBORw0KGgoAAAANSUhEUgAAAAQAAAADCAIAAAA7ljmRAAAAEElEQVR4nGM4IScHRww4OQD1xwwxB+utmQAAAABJRU5ErkJggg==";
const char* const kBluePng =
    "iVBORw0KGgoAAAANSUhEUgAAAAMAAAACCAIAAAASFvFNAAAAEElEQVR4nGOQkzsBQQxwFgA5CAYZ5O3E4gAAAABJRU5ErkJggg==";

const char* const kSvg =
    R"(<svg xmlns="http://www.w3.org/2000/svg" width="40" height="30"><rect x="2" y="2" width="36" height="26" fill="#c00"/></svg>)";

std::map<std::string, std::string> libreOfficeSources() {
  std::map<std::string, std::string> s;
  s["lo-styles.fodt"] = odt(
      R"(<office:styles><style:style style:name="Quote Block" style:family="paragraph"><style:paragraph-properties fo:margin-left="1cm" fo:break-before="page"/><style:text-properties fo:font-style="italic"/></style:style></office:styles>
<office:automatic-styles><style:style style:name="T1" style:family="text"><style:text-properties fo:color="#ff0000" fo:font-weight="bold"/></style:style></office:automatic-styles>)",
      R"(<text:h text:outline-level="1">A heading</text:h>
<text:p>Plain text with <text:span text:style-name="T1">red bold</text:span> words, a soft&#xAD;hyphen and Привет, Γειά σου, 中文.</text:p>
<text:p text:style-name="Quote Block">A quotation in a style of its own, on a new page.</text:p>)");
  s["lo-lists.fodt"] = odt("",
                           R"(<text:p>Lists follow.</text:p>
<text:list><text:list-item><text:p>First bullet</text:p></text:list-item><text:list-item><text:p>Second bullet</text:p>
<text:list><text:list-item><text:p>Nested bullet</text:p></text:list-item></text:list></text:list-item></text:list>
<text:p>Between the lists.</text:p>)");
  s["lo-tables.html"] =
      R"(<html><body><p>Tables follow.</p><table border="1"><tr><td rowspan="2">Down</td><td colspan="2">Across</td></tr>
<tr><td>B2</td><td>C2<table border="1"><tr><td>Inner 1</td><td>Inner 2</td></tr></table></td></tr></table>
<ol><li>one</li><li>two</li></ol><p>After the tables.</p></body></html>)";
  const std::string png = kRedPng;
  s["lo-pictures.fodt"] = odt("", "<text:p>A PNG " + image("image/png", png) + " an SVG " +
                                      image("image/svg+xml", base64(Bytes(kSvg, kSvg + std::strlen(kSvg)))) +
                                      " and a floating one " + image("image/png", png, "paragraph") +
                                      " in a paragraph.</text:p>");
  s["lo-notes.fodt"] = odt(
      R"(<office:automatic-styles><style:page-layout style:name="pm1"/></office:automatic-styles>
<office:master-styles><style:master-page style:name="Standard" style:page-layout-name="pm1"><style:header><text:p>Header text )" +
          image("image/png", kBluePng) +
          R"(</text:p></style:header><style:footer><text:p>Footer <text:page-number>1</text:page-number></text:p></style:footer></style:master-page></office:master-styles>)",
      R"(<text:p>A footnote<text:note text:id="n1" text:note-class="footnote"><text:note-citation>1</text:note-citation><text:note-body><text:p>The footnote text.</text:p></text:note-body></text:note> and a comment<office:annotation><dc:creator>Carol</dc:creator><dc:date>2024-01-01T00:00:00</dc:date><text:p>Comment text</text:p></office:annotation> here.</text:p>
<text:p>A link to <text:a xlink:type="simple" xlink:href="https://example.org/">example.org</text:a> and a bookmark <text:bookmark-start text:name="mark"/>here<text:bookmark-end text:name="mark"/>.</text:p>
<text:p>Chapter field: <text:chapter text:display="name" text:outline-level="1">x</text:chapter>; author: <text:author-name text:fixed="true">Dora</text:author-name>.</text:p>
<text:p><draw:frame draw:name="box" text:anchor-type="paragraph" svg:width="5cm" svg:height="2cm"><draw:text-box><text:p>Text in a box</text:p></draw:text-box></draw:frame>After the box.</text:p>)");
  s["lo-revisions.fodt"] = odt("",
                               R"(<text:tracked-changes>
<text:changed-region text:id="c1"><text:insertion><office:change-info><dc:creator>Alice</dc:creator><dc:date>2024-03-07T10:20:00</dc:date></office:change-info></text:insertion></text:changed-region>
<text:changed-region text:id="c2"><text:deletion><office:change-info><dc:creator>Bob</dc:creator><dc:date>2024-03-09T11:30:00</dc:date></office:change-info><text:p>removed words</text:p></text:deletion></text:changed-region>
<text:changed-region text:id="c3"><text:insertion><office:change-info><dc:creator>Alice</dc:creator><dc:date>2025-06-13T14:45:00</dc:date></office:change-info></text:insertion></text:changed-region>
<text:changed-region text:id="c4"><text:insertion><office:change-info><dc:creator>Eve</dc:creator><dc:date>2024-05-05T08:00:00</dc:date></office:change-info></text:insertion></text:changed-region>
</text:tracked-changes>
<text:p>Start <text:change-start text:change-id="c1"/>inserted Ω text<text:change-end text:change-id="c1"/> middle <text:change text:change-id="c2"/>end.</text:p>
<text:p>Friday: <text:change-start text:change-id="c3"/>added <text:span>on a Friday</text:span> afternoon<text:change-end text:change-id="c3"/>.</text:p>
<text:p>Across <text:change-start text:change-id="c4"/>a paragraph</text:p><text:p>break<text:change-end text:change-id="c4"/> in one change.</text:p>)");
  s["lo-sections.fodt"] = odt("",
                              R"(<text:h text:outline-level="1">Introduction</text:h>
<text:table-of-content text:name="toc" text:protected="true"><text:table-of-content-source text:outline-level="3"/>
<text:index-body><text:p>Introduction<text:tab/>1</text:p></text:index-body></text:table-of-content>
<text:p>Body text after the contents.</text:p>
<text:section text:name="closed" text:protected="true"><text:p>A protected section.</text:p></text:section>
<text:p>The end.</text:p>)");
  s["lo-plain.txt"] = "Plain text, converted.\nЮникод и ελληνικά.\n\nTabs\there.\n";
  return s;
}

// --- what LibreOffice shows ---

std::string withoutBom(std::string s) {
  if (s.rfind("\xEF\xBB\xBF", 0) == 0) s.erase(0, 3);
  return s;
}

std::vector<std::string> words(const std::string& s) {
  std::vector<std::string> out;
  std::string w;
  for (char32_t c : text::toCodePoints(s)) {
    if (c <= 0x20 || c == 0xA0 || c == 0x07 || c == 0x01 || c == 0x2042 || c == 0xAD) {
      if (!w.empty()) out.push_back(w);
      w.clear();
      if (c != 0xAD) continue;
      continue;
    }
    w += text::fromCodePoint(c);
  }
  if (!w.empty()) out.push_back(w);
  return out;
}

// Words LibreOffice shows that are no text of the document: list numbers, bullets, note numbers.
bool isLabel(const std::string& w) {
  static const std::regex label(R"re(^(\d+[.)]?|[a-zA-Z][.)]|[ivxIVX]+[.)]|•|◦|▪|–|-|·)$)re");
  return std::regex_match(w, label);
}

std::string withoutNoteNumber(const std::string& w) {
  static const std::regex number(R"re(^(.*[^\d])\d+([,.;:]?)$)re");
  std::smatch m;
  return std::regex_match(w, m, number) ? std::string(m[1]) + std::string(m[2]) : w;
}

struct Revision {
  std::string kind, author, date, text;
  friend bool operator<(const Revision& a, const Revision& b) {
    return std::tie(a.kind, a.author, a.date, a.text) < std::tie(b.kind, b.author, b.date, b.text);
  }
  friend bool operator==(const Revision&, const Revision&) = default;
  friend std::ostream& operator<<(std::ostream& o, const Revision& r) {
    return o << r.kind << " by " << r.author << " at " << r.date << ": \"" << r.text << "\"";
  }
};

std::string stripTags(const std::string& xml) {
  static const std::regex tag("<[^>]*>");
  return std::regex_replace(xml, tag, "");
}

// The revisions in a flat ODF file, sorted: kind, author, date and the text they hold.
std::vector<Revision> revisionsOf(const std::string& fodt) {
  std::vector<Revision> out;
  static const std::regex region(
      R"re(<text:changed-region[^>]*text:id="([^"]+)"[^>]*>([\s\S]*?)</text:changed-region>)re");
  static const std::regex kind(R"re(<text:(insertion|deletion|format-change)>)re");
  static const std::regex author(R"re(<dc:creator>([^<]*)</dc:creator>)re");
  static const std::regex date(R"re(<dc:date>([^<]*)</dc:date>)re");
  for (std::sregex_iterator it(fodt.begin(), fodt.end(), region), end; it != end; ++it) {
    const std::string id = (*it)[1], body = (*it)[2];
    std::smatch m;
    Revision r;
    if (std::regex_search(body, m, kind)) r.kind = m[1];
    if (std::regex_search(body, m, author)) r.author = m[1];
    if (std::regex_search(body, m, date)) r.date = std::string(m[1]).substr(0, 16);
    if (r.kind == "deletion") {
      const auto info = body.find("</office:change-info>");
      r.text = stripTags(body.substr(info == std::string::npos ? 0 : info));
    } else {
      const std::string start = "<text:change-start text:change-id=\"" + id + "\"/>";
      const std::string stop = "<text:change-end text:change-id=\"" + id + "\"/>";
      const auto a = fodt.find(start), b = fodt.find(stop);
      if (a != std::string::npos && b != std::string::npos && b > a)
        r.text = stripTags(fodt.substr(a + start.size(), b - a - start.size()));
    }
    out.push_back(r);
  }
  std::sort(out.begin(), out.end());
  return out;
}

int count(const std::string& haystack, const std::string& needle) {
  int n = 0;
  for (auto k = haystack.find(needle); k != std::string::npos; k = haystack.find(needle, k + 1)) ++n;
  return n;
}

// The pictures in a flat ODF file: their data, in order.
std::vector<std::string> picturesOf(const std::string& fodt) {
  std::vector<std::string> out;
  static const std::regex data(R"re(<office:binary-data>([\s\S]*?)</office:binary-data>)re");
  for (std::sregex_iterator it(fodt.begin(), fodt.end(), data), end; it != end; ++it) {
    std::string d = (*it)[1];
    std::erase_if(d, [](char c) { return c == '\n' || c == '\r' || c == ' '; });
    out.push_back(d);
  }
  std::sort(out.begin(), out.end());
  return out;
}

class CorpusTest : public WordFixture {
 protected:
  // Opens `name` from c:\corpus, compares its text with LibreOffice's (when there is an export),
  // types one character at its start and saves it to c:\saved.
  void openEditSave(const std::string& name, const std::string* libreOfficeText,
                    const std::string* libreOfficeOdt) {
    SCOPED_TRACE(name);
    Variant doc = app_.get("Documents").call("Open", "c:\\corpus\\" + name);
    const std::string text = doc.get("Content").get("Text").toString();
    if (libreOfficeText) {
      std::vector<std::string> ours = words(text);
      std::vector<std::string> theirs;
      for (const auto& w : words(*libreOfficeText)) {
        if (!isLabel(w) || std::find(ours.begin(), ours.end(), w) != ours.end()) theirs.push_back(w);
      }
      // A note's number follows the word it stands after.
      for (std::size_t k = 0; k < std::min(ours.size(), theirs.size()); ++k) {
        if (ours[k] != theirs[k] && withoutNoteNumber(theirs[k]) == ours[k]) theirs[k] = ours[k];
      }
      EXPECT_EQ(ours, theirs) << "our text:\n" << text << "\nLibreOffice's:\n" << *libreOfficeText;
    }
    if (libreOfficeOdt) {
      EXPECT_EQ(doc.get("Revisions").get("Count").toInt32(),
                static_cast<int>(revisionsOf(*libreOfficeOdt).size()));
      EXPECT_EQ(doc.get("Hyperlinks").get("Count").toInt32(), count(*libreOfficeOdt, "<text:a "));
    }
    const int protection = doc.get("ProtectionType").toInt32();
    if (protection != -1) doc.call("Unprotect");
    doc.put("TrackRevisions", false);
    doc.call("Range", 0, 0).call("InsertBefore", kEdit);
    if (protection != -1) doc.call("Protect", protection);
    doc.call("SaveAs", "c:\\saved\\" + name, 0);
    doc.call("Close", false);
    // The saved file opens again with the edit and everything else.
    Variant again = app_.get("Documents").call("Open", "c:\\saved\\" + name);
    EXPECT_EQ(again.get("Content").get("Text").toString(), kEdit + text);
    again.call("Close", false);
  }

  Variant app_;
};

TEST_F(CorpusTest, EveryDocumentSurvivesOpenEditAndSave) {
  app_ = startWord();
  standIn_->files.createDir("c:\\corpus");
  standIn_->files.createDir("c:\\saved");
  const fs::path corpus = native("c:\\corpus");
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(VEROLIN_CORPUS_DIR)) {
    if (entry.path().extension() != ".rtf") continue;
    fs::copy_file(entry.path(), corpus / entry.path().filename());
    names.push_back(entry.path().filename().string());
  }
  ASSERT_GE(names.size(), 6u);

  const bool lo = haveLibreOffice();
  const fs::path work = root_ / "lo";
  fs::create_directories(work);
  if (lo) {
    std::vector<fs::path> sources;
    fs::create_directories(work / "src");
    for (const auto& [name, content] : libreOfficeSources()) {
      spit(work / "src" / name, content);
      sources.push_back(work / "src" / name);
    }
    ASSERT_TRUE(convertAll(sources, "rtf", corpus, work)) << slurp(work / "convert.log");
    for (const auto& [name, content] : libreOfficeSources()) {
      const std::string rtf = fs::path(name).replace_extension(".rtf").string();
      ASSERT_TRUE(fs::exists(corpus / rtf)) << rtf << "\n" << slurp(work / "convert.log");
      names.push_back(rtf);
    }
  } else {
    std::cout << "[ SKIPPED  ] LibreOffice (soffice) is not installed: only the hand-written files are "
                 "opened, edited and saved, without LibreOffice's view of them\n";
  }
  std::sort(names.begin(), names.end());

  std::vector<fs::path> originals, saved;
  for (const auto& n : names) {
    originals.push_back(corpus / n);
    saved.push_back(native("c:\\saved\\" + n));
  }
  if (lo) {
    ASSERT_TRUE(convertAll(originals, "txt:Text (encoded):UTF8", work / "txt0", work));
    ASSERT_TRUE(convertAll(originals, "fodt", work / "odt0", work));
  }
  for (const auto& n : names) {
    const std::string stem = fs::path(n).stem().string();
    const std::string loText = lo ? withoutBom(slurp(work / "txt0" / (stem + ".txt"))) : "";
    const std::string loOdt = lo ? slurp(work / "odt0" / (stem + ".fodt")) : "";
    openEditSave(n, lo ? &loText : nullptr, lo ? &loOdt : nullptr);
  }
  if (!lo) return;
  ASSERT_TRUE(convertAll(saved, "txt:Text (encoded):UTF8", work / "txt1", work));
  ASSERT_TRUE(convertAll(saved, "fodt", work / "odt1", work));
  for (const auto& n : names) {
    SCOPED_TRACE(n);
    const std::string stem = fs::path(n).stem().string();
    const std::string before = withoutBom(slurp(work / "txt0" / (stem + ".txt")));
    std::string after = withoutBom(slurp(work / "txt1" / (stem + ".txt")));
    const auto edit = after.find(kEdit);
    ASSERT_NE(edit, std::string::npos) << after;
    after.erase(edit, std::strlen(kEdit));
    // The same words: a nested table shows as lines of its cells apart by tabs.
    EXPECT_EQ(words(after), words(before)) << "before:\n" << before << "\nafter:\n" << after;
    const std::string odt0 = slurp(work / "odt0" / (stem + ".fodt"));
    const std::string odt1 = slurp(work / "odt1" / (stem + ".fodt"));
    ASSERT_FALSE(odt1.empty());
    EXPECT_EQ(picturesOf(odt1), picturesOf(odt0));
    EXPECT_EQ(revisionsOf(odt1), revisionsOf(odt0));
  }
}

}  // namespace
}  // namespace verolin::testing
