#include "wordproc/formats/rtf_reader.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <functional>
#include <istream>
#include <map>
#include <optional>
#include <set>
#include <unordered_set>

#include "text/codepage.h"
#include "text/utf8.h"
#include "wordproc/formats/formats.h"
#include "wordproc/formats/picture_codec.h"
#include "wordproc/formats/rtf_common.h"
#include "wordproc/model/styles.h"

namespace verolin::wordproc {

namespace {

using namespace rtf;

enum class Dest {
  Body,
  Skip,
  FontTable,
  ColorTable,
  StyleSheet,
  RevTable,
  Pict,
  OriginalBlip,
  Shape,
  ShapeName,
  ShapeValue,
  FieldInstruction,
  BookmarkStart,
  BookmarkEnd,
  DocVar,
  Password,
  OldProps,
  Version,
  Ignored,  // a container whose own text means nothing (\shpinst, \sp, \field)
};

// Destinations whose content is not document text, even when no "\*" marks them.
const std::unordered_set<std::string>& skippedDestinations() {
  static const std::unordered_set<std::string> names = {
      "info",         "header",    "headerl",     "headerr",   "headerf",
      "footer",       "footerl",   "footerr",     "footerf",   "footnote",
      "annotation",   "atnid",     "atnauthor",   "atndate",   "atnref",
      "pntext",       "pntxta",    "pntxtb",      "listtable", "listoverridetable",
      "nonshppict",   "object",    "filetbl",     "private",   "xe",
      "tc",           "txe",       "rxe",         "template",  "userprops",
      "ftnsep",       "ftnsepc",   "ftncn",       "aftnsep",   "aftnsepc",
      "aftncn",       "shprslt",   "shptxt",      "author",    "operator",
      "title",        "subject",   "keywords",    "doccomm",   "company",
      "comment",      "fldtype",   "datafield",   "themedata", "colorschememapping",
      "latentstyles", "datastore", "rsidtbl",     "mmathPr",   "xmlnstbl",
      "pgdsctbl",     "listtext",  "picprop",     "blipuid",   "bkmkpub",
      "atrfstart",    "atrfend",   "nonesttables"};
  return names;
}

// Destinations that this program rebuilds from what it reads, so that keeping them as well would
// give them twice: the plain-text stand-in of nested tables and their properties, and the picture
// kept for readers without shapes (when the shape's own picture was read).
const std::unordered_set<std::string>& rebuiltDestinations() {
  static const std::unordered_set<std::string> names = {"nonesttables", "nesttableprops"};
  return names;
}

// Words that stand for a character the reader cannot give as text (footnote and comment marks,
// page numbers, dates): kept where they stand.
const std::unordered_set<std::string>& symbolWords() {
  static const std::unordered_set<std::string> names = {
      "chftn",   "chatn",     "chpgn",    "chdate",   "chtime",  "chdpl",      "chdpa",
      "sectnum", "chftnsep",  "zwj",      "zwnj",     "ltrmark", "rtlmark",    "zwbo",
      "zwnbo",   "chftnsepc", "softline", "softpage", "softcol", "softlheight"};
  return names;
}

// The paragraph words the model has no place for; the other words it does not know are run words.
const std::unordered_set<std::string>& paragraphWords() {
  static const std::unordered_set<std::string> names = {"fi",
                                                        "li",
                                                        "ri",
                                                        "lin",
                                                        "rin",
                                                        "sb",
                                                        "sa",
                                                        "sl",
                                                        "slmult",
                                                        "sbauto",
                                                        "saauto",
                                                        "keep",
                                                        "keepn",
                                                        "pagebb",
                                                        "widctlpar",
                                                        "nowidctlpar",
                                                        "hyphpar",
                                                        "ltrpar",
                                                        "rtlpar",
                                                        "noline",
                                                        "outlinelevel",
                                                        "ls",
                                                        "ilvl",
                                                        "tx",
                                                        "tb",
                                                        "tqr",
                                                        "tqc",
                                                        "tqdec",
                                                        "tldot",
                                                        "tlhyph",
                                                        "tlul",
                                                        "tlth",
                                                        "tleq",
                                                        "tlmdot",
                                                        "brdrt",
                                                        "brdrb",
                                                        "brdrl",
                                                        "brdrr",
                                                        "brdrbtw",
                                                        "brdrbar",
                                                        "box",
                                                        "brdrs",
                                                        "brdrth",
                                                        "brdrsh",
                                                        "brdrdb",
                                                        "brdrdot",
                                                        "brdrdash",
                                                        "brdrhair",
                                                        "brdrw",
                                                        "brdrcf",
                                                        "brsp",
                                                        "brdrnone",
                                                        "brdrtriple",
                                                        "brdrdashsm",
                                                        "brdrinset",
                                                        "brdroutset",
                                                        "shading",
                                                        "cbpat",
                                                        "cfpat",
                                                        "bghoriz",
                                                        "bgvert",
                                                        "bgfdiag",
                                                        "bgbdiag",
                                                        "bgcross",
                                                        "bgdcross",
                                                        "contextualspacing",
                                                        "aspalpha",
                                                        "aspnum",
                                                        "faauto",
                                                        "fahang",
                                                        "facenter",
                                                        "faroman",
                                                        "favar",
                                                        "fafixed",
                                                        "adjustright",
                                                        "nosnaplinegrid",
                                                        "snaplinegrid",
                                                        "level",
                                                        "pnrnot",
                                                        "absw",
                                                        "absh",
                                                        "phmrg",
                                                        "phpg",
                                                        "phcol",
                                                        "posx",
                                                        "posy",
                                                        "posxc",
                                                        "posxr",
                                                        "posxi",
                                                        "posxo",
                                                        "posyt",
                                                        "posyc",
                                                        "posyb",
                                                        "pvmrg",
                                                        "pvpg",
                                                        "pvpara",
                                                        "dxfrtext",
                                                        "dfrmtxtx",
                                                        "dfrmtxty",
                                                        "wrapdefault",
                                                        "nowrap",
                                                        "absnoovrlp",
                                                        "lisa",
                                                        "lisb",
                                                        "qk",
                                                        "qt",
                                                        "sbys",
                                                        "hyphpar",
                                                        "yts",
                                                        "cufi",
                                                        "culi",
                                                        "curi",
                                                        "lsdlockedexcept",
                                                        "spv",
                                                        "txbxtwno",
                                                        "nooverflow",
                                                        "nocwrap",
                                                        "hwatch"};
  return names;
}

// Words this reader acts on (or that the writer always gives itself), which are never kept.
const std::unordered_set<std::string>& knownWords() {
  static const std::unordered_set<std::string> names = {"rtf",
                                                        "ansi",
                                                        "mac",
                                                        "pc",
                                                        "pca",
                                                        "ansicpg",
                                                        "deff",
                                                        "uc",
                                                        "deflang",
                                                        "deflangfe",
                                                        "paperw",
                                                        "paperh",
                                                        "margl",
                                                        "margr",
                                                        "margt",
                                                        "margb",
                                                        "landscape",
                                                        "revisions",
                                                        "revprot",
                                                        "annotprot",
                                                        "formprot",
                                                        "readprot",
                                                        "protlevel",
                                                        "enforceprot",
                                                        "plain",
                                                        "f",
                                                        "fs",
                                                        "cf",
                                                        "b",
                                                        "i",
                                                        "ul",
                                                        "uld",
                                                        "uldb",
                                                        "uldash",
                                                        "ulw",
                                                        "ulth",
                                                        "ulwave",
                                                        "ulnone",
                                                        "revised",
                                                        "revauth",
                                                        "revdttm",
                                                        "deleted",
                                                        "revauthdel",
                                                        "revdttmdel",
                                                        "crauth",
                                                        "crdate",
                                                        "pard",
                                                        "trowd",
                                                        "cellx",
                                                        "s",
                                                        "ql",
                                                        "qc",
                                                        "qr",
                                                        "qj",
                                                        "qd",
                                                        "row",
                                                        "par",
                                                        "sect",
                                                        "nestrow",
                                                        "cell",
                                                        "tab",
                                                        "nestcell",
                                                        "line",
                                                        "page",
                                                        "emdash",
                                                        "endash",
                                                        "bullet",
                                                        "lquote",
                                                        "rquote",
                                                        "ldblquote",
                                                        "rdblquote",
                                                        "emspace",
                                                        "enspace",
                                                        "qmspace",
                                                        "intbl",
                                                        "itap",
                                                        "sectd",
                                                        kRunExplicit,
                                                        kParagraphExplicit,
                                                        kPrintRevisions,
                                                        kShowRevisions};
  return names;
}

// Words of the first section that are the document's page setup.
const std::unordered_set<std::string>& sectionPageWords() {
  static const std::unordered_set<std::string> names = {"pgwsxn",   "pghsxn",   "marglsxn", "margrsxn",
                                                        "margtsxn", "margbsxn", "lndscpsxn"};
  return names;
}

// The Windows code page of an \fcharset (0 when the document's own code page applies).
int codePageOfCharset(int charset) {
  switch (charset) {
    case 0:
    case 2:  // symbol fonts map their bytes one to one
      return 1252;
    case 77:
      return 10000;
    case 128:
      return 932;
    case 129:
      return 949;
    case 130:
      return 1361;
    case 134:
      return 936;
    case 136:
      return 950;
    case 161:
      return 1253;
    case 162:
      return 1254;
    case 163:
      return 1258;
    case 177:
      return 1255;
    case 178:
      return 1256;
    case 186:
      return 1257;
    case 204:
      return 1251;
    case 222:
      return 874;
    case 238:
      return 1250;
    case 254:
      return 437;
    case 255:
      return 850;
    default:
      return 0;
  }
}

// Character properties as a group has them.
struct CharState {
  int font = -1;
  double size = 0;
  int color = -1;  // colour table index
  int bold = -1;
  int italic = -1;
  int underline = -1;
  int explicitMask = -1;  // from our own \verolinx; -1 when the file has none
  bool revised = false;
  int revAuthor = 0;
  std::uint32_t revDate = 0;
  bool deleted = false;
  int delAuthor = 0;
  std::uint32_t delDate = 0;
  int formatAuthor = -1;
  std::uint32_t formatDate = 0;
  std::optional<CharFormat> oldFormat;
  std::string kept;  // run words the model has no place for, as the file gives them
};

struct State {
  Dest dest = Dest::Body;
  CharState chars;
  int uc = 1;
  bool starred = false;  // the group began with "\*"
  int link = 0;          // text hyperlink of a field result
  bool inShapeValue = false;
  bool inObject = false;       // inside an embedded object, whose \result is text again
  bool inUpr = false;          // inside \upr, whose \ud group is the text to read
  std::string text;            // text of a non-body destination
  std::size_t groupStart = 0;  // where the group's "{" stands (a table entry is kept from it)
  bool keep = false;           // a destination kept whole with the part of the document it is in
  std::size_t keepFrom = 0;    // where what is kept begins: the destination's word
};

struct PictState {
  std::string kind;
  automation::Bytes data;
  automation::Bytes original;
  bool hasOriginal = false;
  int pixelWidth = 0, pixelHeight = 0;
  int goalWidth = 0, goalHeight = 0;
  int scaleX = 100, scaleY = 100;
  int hexHigh = -1;
};

struct ShapeState {
  std::map<std::string, std::string> props;
  std::optional<Picture> picture;
  long long left = 0, top = 0, right = 0, bottom = 0;
  int wr = 2, fblwtxt = 0, z = 0, lid = 0;
  std::string propName;
  std::size_t start = 0;  // the shape's group, kept whole when the model has no place for the shape
};

// Where the reader is: before the first section (document properties), among a section's
// properties, or in the paragraphs.
enum class Zone { Document, Section, Text };

// A control word as read. Compared with literals by length first, inline: a reader compares each word
// with many names, and almost every comparison fails on the length or the first letter.
struct Word {
  Word(std::string t) : text(std::move(t)) {}  // NOLINT: words are made from text everywhere
  Word(const char* t) : text(t) {}             // NOLINT
  template <std::size_t N>
  bool operator==(const char (&literal)[N]) const {
    return text.size() == N - 1 && std::memcmp(text.data(), literal, N - 1) == 0;
  }
  bool operator==(std::string_view other) const { return text == other; }
  std::string text;
};

// The bytes of the file as the reader asks for them, by their offset from the start. A whole file in
// memory is read where it is; a stream is read a piece at a time, and the bytes before the earliest
// offset the reader may still ask for (the start of a group it might keep whole) are let go.
class Input {
 public:
  explicit Input(std::string_view whole) : data_(whole.data()), end_(whole.size()) {}
  Input(std::istream& stream, std::size_t piece, std::function<std::size_t()> neededFrom)
      : stream_(&stream), piece_(std::max<std::size_t>(1, piece)), neededFrom_(std::move(neededFrom)) {}

  // True when byte i exists (reading on when it is not yet in memory).
  bool has(std::size_t i) { return i < end_ || fill(i); }
  // Byte i, which has(i) found.
  char operator[](std::size_t i) const { return data_[i - base_]; }
  // Up to n bytes from start, no further than what is read so far.
  std::string_view substr(std::size_t start, std::size_t n) const {
    if (start >= end_) return {};
    return {data_ + (start - base_), std::min(n, end_ - start)};
  }
  // Appends the n bytes from start (fewer where the file ends) to target; returns the offset after them.
  std::size_t copy(std::size_t start, std::size_t n, automation::Bytes* target) {
    std::size_t i = start;
    const std::size_t stop = start + n < start ? SIZE_MAX : start + n;
    while (i < stop && has(i)) {
      const std::size_t take = std::min(stop, end_) - i;
      const auto* first = reinterpret_cast<const std::uint8_t*>(data_ + (i - base_));
      if (target) target->insert(target->end(), first, first + take);
      i += take;
    }
    return i;
  }

 private:
  bool fill(std::size_t i) {
    if (!stream_) return false;
    while (i >= end_) {
      if (stream_->eof()) return false;
      // Let go of what is no longer needed once it is at least half of what is held, so that a large
      // group kept whole is not moved again for every piece read after it.
      const std::size_t from = std::min(neededFrom_(), end_);
      if (from > base_ && (from - base_) * 2 >= buffer_.size()) {
        buffer_.erase(0, from - base_);
        base_ = from;
      }
      const std::size_t held = buffer_.size();
      buffer_.resize(held + piece_);
      stream_->read(buffer_.data() + held, static_cast<std::streamsize>(piece_));
      buffer_.resize(held + static_cast<std::size_t>(stream_->gcount()));
      if (stream_->bad()) throw FileFormatError("the file could not be read to its end");
      data_ = buffer_.data();
      end_ = base_ + buffer_.size();
    }
    return true;
  }

  const char* data_ = nullptr;
  std::size_t base_ = 0;  // the offset of data_[0]
  std::size_t end_ = 0;   // the offset after the last byte in memory
  std::istream* stream_ = nullptr;
  std::size_t piece_ = 0;
  std::function<std::size_t()> neededFrom_;
  std::string buffer_;
};

class Reader {
 public:
  explicit Reader(std::string_view in) : in_(in) { defaults(); }
  Reader(std::istream& in, std::size_t piece) : in_(in, piece, [this] { return neededFrom(); }) {
    defaults();
  }

  DocumentModel run() {
    in_.has(7);  // brings the first bytes in
    if (!looksLikeRtf(in_.substr(0, 8)))
      throw FileFormatError("the file is not in a format this program reads");
    parse();
    if (!sawEnd_) {
      // A file cut short still gives what was read; one that holds no text at all does not.
      if (chars_.empty()) throw FileFormatError("the file is damaged");
      while (stack_.size() > 2) endGroup();
      endParagraph();
    }
    return finish();
  }

 private:
  void defaults() {
    // What RTF assumes of a file that does not say: a Letter page and the Western code page.
    doc_.page.pageWidth = 612;
    doc_.page.pageHeight = 792;
  }

  // The earliest offset still to be asked for: the start of every group that may yet be kept whole
  // (the document's own group is never kept), of a picture, shape or field, and of the word being read.
  std::size_t neededFrom() const {
    std::size_t from = wordStart_;
    for (std::size_t k = 2; k < stack_.size(); ++k) from = std::min(from, stack_[k].groupStart);
    if (pict_) from = std::min(from, pictStart_);
    if (shape_) from = std::min(from, shape_->start);
    for (const FieldKeep& f : fieldKeeps_) from = std::min(from, f.start);
    return from;
  }

  State& st() { return stack_.back(); }

  // --- tokenizer ---

  void parse() {
    stack_.push_back(State{});
    stack_.back().dest = Dest::Skip;  // outside the outer group nothing counts
    std::size_t i = 0;
    while (in_.has(i)) {
      const unsigned char c = static_cast<unsigned char>(in_[i]);
      if (c == '{') {
        flush();
        // The characters that stand in for a \u character never reach past a brace, and "\*" marks no
        // word after a group.
        skipChars_ = 0;
        st().starred = false;
        State s = st();
        s.starred = false;
        s.text.clear();
        s.groupStart = s.keepFrom = i;
        s.keep = false;
        if (stack_.size() == 1) s.dest = Dest::Body;
        // A group in a table's own group is an entry (the groups inside an entry are part of it).
        const bool entry = (s.dest == Dest::StyleSheet || s.dest == Dest::FontTable) && atTableLevel();
        if (entry) entryNamed_ = false;
        if (entry && s.dest == Dest::StyleSheet) {
          entryStyle_ = entryNumber_ = 0;
          styleLevel_ = stack_.size() + 1;
        }
        if (entry && s.dest == Dest::FontTable) {
          entryNumbered_ = false;
          entryLevel_ = stack_.size() + 1;
        }
        stack_.push_back(std::move(s));
        ++i;
      } else if (c == '}') {
        flush();
        // A \u's stand-in characters lie within its group: what follows the group is never skipped.
        skipChars_ = 0;
        groupEnd_ = i;
        if (stack_.size() == 2) {
          // The document's own group ends: what follows the last \par is the last paragraph.
          endParagraph();
          sawEnd_ = true;
        }
        endGroup();
        groupEnd_ = std::string_view::npos;
        ++i;
        if (stack_.size() == 1) break;
      } else if (c == '\\') {
        wordStart_ = i;
        i = control(i + 1);
      } else if (c == '\r' || c == '\n') {
        ++i;
      } else {
        if (st().dest == Dest::Pict || st().dest == Dest::OriginalBlip) {
          i = hexRun(i);
          continue;
        }
        // "\*" marks the word right after it; with text between, it marks none.
        if (c != ' ') st().starred = false;
        if (skipChars_ > 0) {
          --skipChars_;
        } else {
          pending_.push_back(static_cast<char>(c));
        }
        ++i;
      }
    }
    flush();
  }

  std::size_t control(std::size_t i) {
    if (!in_.has(i)) return i;
    const char c = in_[i];
    if (std::isalpha(static_cast<unsigned char>(c))) {
      std::size_t j = i;
      while (in_.has(j) && std::isalpha(static_cast<unsigned char>(in_[j]))) ++j;
      const Word word(std::string(in_.substr(i, j - i)));
      bool hasParam = false;
      long long param = 0;
      bool negative = false;
      if (in_.has(j) && in_[j] == '-' && in_.has(j + 1) &&
          std::isdigit(static_cast<unsigned char>(in_[j + 1]))) {
        negative = true;
        ++j;
      }
      while (in_.has(j) && std::isdigit(static_cast<unsigned char>(in_[j]))) {
        hasParam = true;
        if (param < 100000000000LL) param = param * 10 + (in_[j] - '0');
        ++j;
      }
      if (negative) param = -param;
      if (in_.has(j) && in_[j] == ' ') ++j;
      if (word == "bin") {
        flush();
        const std::size_t n = static_cast<std::size_t>(std::max<long long>(0, param));
        return in_.copy(j, n, st().dest == Dest::Pict && pict_ ? &pict_->data : nullptr);
      }
      // A font name's bytes are one sequence: words that leave its code page alone must not split a
      // double-byte character in two.
      const bool inFontName =
          st().dest == Dest::FontTable && word != "f" && word != "fcharset" && word != "cpg";
      if (word != "u" && !inFontName) flush();
      controlWord(word, hasParam, param);
      return j;
    }
    if (c == '\'') {
      // Only two hex digits make a byte: a brace after a broken escape still opens or closes a group,
      // as other readers take it (and as the groups this reader keeps whole must be).
      if (in_.has(i + 2) && std::isxdigit(static_cast<unsigned char>(in_[i + 1])) &&
          std::isxdigit(static_cast<unsigned char>(in_[i + 2]))) {
        const long v = std::strtol(std::string(in_.substr(i + 1, 2)).c_str(), nullptr, 16);
        st().starred = false;  // a byte between "\*" and a word is text: the star marks none
        if (skipChars_ > 0) {
          --skipChars_;
        } else if (st().dest != Dest::Pict) {
          pending_.push_back(static_cast<char>(v));
        }
        return i + 3;
      }
      return i + 1;
    }
    flush();
    if (c != '*') st().starred = false;  // nor does a symbol between them
    switch (c) {
      case '*':
        st().starred = true;
        starStart_ = wordStart_;
        break;
      case '\\':
      case '{':
      case '}':
        addText(std::u32string(1, static_cast<char32_t>(c)));
        break;
      case '~':
        addText(U"\u00A0");
        break;
      case '_':
        addText(U"\u2011");
        break;
      case '\n':
      case '\r':
        controlWord("par", false, 0);
        break;
      case '-':
        addText(U"\u00AD");
        break;
      default:
        break;  // \: and \| index marks
    }
    return i + 1;
  }

  // Decodes the bytes gathered so far in the code page that applies and hands them on as text.
  void flush() {
    if (pending_.empty()) return;
    std::string bytes;
    bytes.swap(pending_);
    std::string utf8;
    try {
      utf8 = text::convert(bytes, codePage().c_str(), "UTF-8");
    } catch (const std::exception&) {
      // A code page no converter knows: read the bytes as Western text rather than refuse the file.
      utf8 = text::convert(bytes, "CP1252", "UTF-8");
    }
    addText(text::toCodePoints(utf8));
  }

  std::string codePage() const {
    int page = 0;
    const State& s = stack_.back();
    if (s.dest == Dest::FontTable) {
      page = entryCodePage_ > 0 ? entryCodePage_ : codePageOfCharset(entryCharset_);
    } else if (s.chars.font >= 0) {
      auto it = fontCodePages_.find(s.chars.font);
      if (it != fontCodePages_.end()) page = it->second;
    }
    if (page <= 0) page = ansiCodePage_;
    // Text in RTF is ASCII with escapes: a code page that gives ASCII bytes other characters (EBCDIC)
    // is none a file's text can be in.
    if (!keepsAscii(page)) page = 1252;
    return converterName(page);
  }

  static std::string converterName(int page) {
    switch (page) {
      case 10000:
        return "MACINTOSH";
      case 1361:
        return "JOHAB";
      default:
        return "CP" + std::to_string(page);
    }
  }

  bool keepsAscii(int page) const {
    auto known = asciiPages_.find(page);
    if (known != asciiPages_.end()) return known->second;
    static const std::string ascii = [] {
      std::string a;
      for (char c = ' '; c < 127; ++c) a += c;
      return a;
    }();
    bool keeps = true;  // a code page no converter knows is read as Western text (see flush)
    try {
      keeps = text::convert(ascii, converterName(page).c_str(), "UTF-8") == ascii;
    } catch (const std::exception&) {
    }
    asciiPages_[page] = keeps;
    return keeps;
  }

  // Picture data: a run of hex digits (and line breaks) up to the next control or group character.
  std::size_t hexRun(std::size_t i) {
    automation::Bytes* target = nullptr;
    if (pict_) target = st().dest == Dest::OriginalBlip ? &pict_->original : &pict_->data;
    int high = pict_ ? pict_->hexHigh : -1;
    // 0-15 for a hex digit, 16 for what ends the run, 17 for what is skipped (line breaks, blanks).
    static const auto kind = [] {
      std::array<std::uint8_t, 256> t{};
      t.fill(17);
      for (int d = 0; d < 10; ++d) t[static_cast<std::size_t>('0' + d)] = static_cast<std::uint8_t>(d);
      for (int d = 0; d < 6; ++d) {
        t[static_cast<std::size_t>('a' + d)] = static_cast<std::uint8_t>(10 + d);
        t[static_cast<std::size_t>('A' + d)] = static_cast<std::uint8_t>(10 + d);
      }
      t['\\'] = t['{'] = t['}'] = 16;
      return t;
    }();
    for (; in_.has(i); ++i) {
      const int v = kind[static_cast<unsigned char>(in_[i])];
      if (v == 16) break;
      if (v == 17) continue;
      if (high < 0) {
        high = v;
      } else {
        if (target) target->push_back(static_cast<std::uint8_t>(high * 16 + v));
        high = -1;
      }
    }
    if (pict_) pict_->hexHigh = high;
    return i;
  }

  // --- control words ---

  void beginDestination(Dest d) {
    // A shape's own group that turns into something else (damage) holds no shape any more: nothing
    // after it may be read as inside that shape.
    if (st().dest == Dest::Shape && d != Dest::Shape && parentIsBody()) shape_.reset();
    st().dest = d;
  }

  void controlWord(const Word& w, bool hasParam, long long p) {
    State& s = st();
    const int n = static_cast<int>(p);
    // "\*" marks only the word right after it.
    const bool starred = s.starred;
    s.starred = false;
    if (s.dest == Dest::Skip) {
      if (w == "result" && s.inObject) s.dest = Dest::Body;
      if (w == "ud" && s.inUpr) s.dest = Dest::Body;
      return;
    }
    if (w == "u") {
      char32_t cp = static_cast<char32_t>(static_cast<std::uint16_t>(static_cast<std::int16_t>(n)));
      flush();
      if (cp >= 0xD800 && cp < 0xDC00) {
        highSurrogate_ = cp;
      } else {
        if (cp >= 0xDC00 && cp < 0xE000) {
          // Half of a pair without its other half is no character.
          cp = highSurrogate_ ? 0x10000 + ((highSurrogate_ - 0xD800) << 10) + (cp - 0xDC00) : 0xFFFD;
        }
        highSurrogate_ = 0;
        addText(std::u32string(1, cp));
      }
      skipChars_ = s.uc;
      return;
    }
    if (s.dest == Dest::StyleSheet && (w == "s" || w == "cs" || w == "ts" || w == "ds")) {
      // A number after the entry's name (damage) renumbers nothing: the name is the number's it had.
      if (entryNamed_ && stack_.size() >= styleLevel_) return;
      entryStyle_ = w == "s" ? n : -1;
      entryNumber_ = n;
      if (atTableLevel()) styleLevel_ = stack_.size();  // an entry without a group of its own
      return;
    }
    wordFrom_ = starred ? starStart_ : wordStart_;
    if (destination(w)) return;
    // An ignorable destination this program does not know, or one it knows to have no text.
    if (starred || skippedDestinations().count(w.text) || w == "upr") return skipGroup(w);
    if (s.dest == Dest::Pict) return pictWord(w, hasParam, n);
    if (s.dest == Dest::Shape || s.dest == Dest::Ignored) shapeWord(w, n);
    if (s.dest == Dest::ColorTable) {
      if (w == "red") color_ = (color_ & ~0xFF) | (n & 0xFF), colorSet_ = true;
      if (w == "green") color_ = (color_ & ~0xFF00) | ((n & 0xFF) << 8), colorSet_ = true;
      if (w == "blue") color_ = (color_ & ~0xFF0000) | ((n & 0xFF) << 16), colorSet_ = true;
      return;
    }
    // The count of stand-ins after \u holds in the tables' names too.
    if (w == "uc" && (s.dest == Dest::FontTable || s.dest == Dest::StyleSheet)) s.uc = std::max(0, n);
    if (s.dest == Dest::FontTable) {
      if (w == "f" && entryNamed_ && stack_.size() >= entryLevel_) return;  // as for styles
      if (w == "f") {
        entryNumbered_ = hasParam;
        entryFont_ = n;
        if (atTableLevel()) entryLevel_ = stack_.size();
        entryCharset_ = -1;
        entryCodePage_ = 0;
      }
      if (w == "fcharset") entryCharset_ = n;
      if (w == "cpg") entryCodePage_ = n;
      return;
    }
    if (s.dest == Dest::StyleSheet) return;
    const bool body = s.dest == Dest::Body;
    documentWord(w, hasParam, n, p);
    charWord(s.chars, w, hasParam, n, p);
    paragraphWord(w, n);
    if (body) {
      settingsWord(w);
      keepWord(w, hasParam, p);
    }
  }

  void skipGroup(const Word& w) {
    if (w == "nesttableprops") nestedRowEnd();  // it holds the nested row's end
    State& s = st();
    // What the group gave before (text, words read or already kept one by one) is not kept a second time.
    s.keepFrom = wordFrom_;
    // A group that is kept whole itself (a field's, a shape's) keeps the destination with it.
    const bool inText = s.dest == Dest::Body && parentIsBody();
    beginDestination(Dest::Skip);
    s.inObject = w == "object";
    s.inUpr = w == "upr";
    // Kept whole where it stands, unless this reader gives its content in another way (the text of
    // \upr and of objects, the pictures of shapes it read, nested tables as text).
    const bool rebuilt = s.inObject || s.inUpr || rebuiltDestinations().count(w.text) ||
                         (w == "nonshppict" && lastPictureRead_);
    s.keep = !rebuilt && inText;
  }

  // Words that begin or end the document's and the sections' settings, before the text they apply to.
  void settingsWord(const Word& w) {
    if (w == "sectd") {
      if (zone_ == Zone::Section) {
        // The section's properties start again.
        sectionRtf_ = firstSection_ || continueSection_ ? "" : "\\sectd";
        return;
      }
      startSection(false);
    } else if (w == "sect") {
      startSection(true);  // after paragraphWord ended the paragraph
    } else if (w == "pard" || w == "trowd" || w == "par" || w == "row" || w == "cell") {
      leaveSettings();
    }
  }

  void startSection(bool brk) {
    if (zone_ == Zone::Section) leaveSettings();
    // No section begins inside a paragraph or before the text: settings there go on with the section
    // the text is in (the first one's, or those of the last section kept), which the writer gives
    // before the paragraph.
    const bool midParagraph =
        !brk && zone_ == Zone::Text && (chars_.empty() || chars_.back().cp != kParagraphMark);
    const bool sectionKept = std::any_of(fragments_.begin(), fragments_.end(),
                                         [](const Fragment& f) { return f.kind != KeptFragment::kInline; });
    continueSection_ = midParagraph && sectionKept;
    firstSection_ = (zone_ == Zone::Document && !brk) || (midParagraph && !sectionKept);
    zone_ = Zone::Section;
    sectionBreak_ = brk;
    sectionPos_ = static_cast<int>(chars_.size());
    sectionRtf_ = firstSection_ || continueSection_ ? "" : "\\sectd";
    if (!brk && !firstSection_ && !continueSection_) {
      // Settings starting again where the last section kept begins, with no text between, belong to
      // that section: one place holds one section, as the writer gives it.
      auto last = std::find_if(fragments_.rbegin(), fragments_.rend(),
                               [](const Fragment& f) { return f.kind != KeptFragment::kInline; });
      if (last != fragments_.rend() && last->pos == sectionPos_) {
        last->rtf = "\\sectd";
        continueSection_ = true;
        sectionRtf_.clear();
      }
    }
  }

  void leaveSettings() {
    if (zone_ == Zone::Section) {
      if (firstSection_) {
        doc_.kept.section += sectionRtf_;
      } else if (continueSection_) {
        auto last = std::find_if(fragments_.rbegin(), fragments_.rend(),
                                 [](const Fragment& f) { return f.kind != KeptFragment::kInline; });
        last->rtf += sectionRtf_;
      } else {
        fragments_.push_back(
            {sectionPos_, sectionRtf_, sectionBreak_ ? KeptFragment::kSectionBreak : KeptFragment::kSection});
      }
      sectionRtf_.clear();
      firstSection_ = false;
      continueSection_ = false;
    }
    zone_ = Zone::Text;
  }

  // Keeps a word the model has no place for with the part of the document it belongs to.
  void keepWord(const Word& w, bool hasParam, long long p) {
    const auto raw = [&] { return "\\" + w.text + (hasParam ? std::to_string(p) : std::string()); };
    if (w == "trowd") {
      rowRtf_.clear();
      capturingRow_ = true;
    } else if (w == "pard" || w == "row" || w == "cell" || w == "nestcell" || w == "par" || w == "sect") {
      // The row's definition ends where its content does; what ends a cell is the content's own.
      capturingRow_ = false;
    }
    if (capturingRow_) {
      rowRtf_ += raw();
      return;
    }
    if (knownWords().count(w.text)) return;
    if (w == "sectunlocked" && (!hasParam || p != 0)) sawUnlocked_ = true;
    if (zone_ == Zone::Section && firstSection_ && sectionPageWords().count(w.text)) {
      auto page = [p] { return fromTwips(std::clamp<long long>(p, 0, 31680)); };
      if (w == "pgwsxn") doc_.page.pageWidth = page();
      if (w == "pghsxn") doc_.page.pageHeight = page();
      if (w == "marglsxn") doc_.page.leftMargin = page();
      if (w == "margrsxn") doc_.page.rightMargin = page();
      if (w == "margtsxn") doc_.page.topMargin = page();
      if (w == "margbsxn") doc_.page.bottomMargin = page();
      if (w == "lndscpsxn") doc_.page.orientation = 1;
      return;
    }
    switch (zone_) {
      case Zone::Document:
        doc_.kept.document += raw();
        return;
      case Zone::Section:
        sectionRtf_ += raw();
        return;
      case Zone::Text:
        if (symbolWords().count(w.text)) {
          // A mark with the run's own words, so that a footnote mark stays raised.
          fragments_.push_back(
              {static_cast<int>(chars_.size()), "{" + st().chars.kept + raw() + "}", KeptFragment::kInline});
        } else if (paragraphWords().count(w.text)) {
          paraRtf_ += raw();
        } else {
          st().chars.kept += raw();
        }
        return;
    }
  }

  bool destination(const Word& w) {
    State& s = st();
    // The document's tables stand in its own groups: in a field's or a shape's group (kept whole with
    // it) they are none.
    const bool table = w == "fonttbl" || w == "colortbl" || w == "stylesheet" || w == "revtbl";
    if (table && s.dest != Dest::Body) return beginDestination(Dest::Skip), true;
    if (w == "fonttbl") {
      // A file has one font table: a later one (in a style's entry, say) would rename the fonts of
      // text already read.
      if (sawFontTable_) return beginDestination(Dest::Skip), true;
      sawFontTable_ = true;
      return beginDestination(Dest::FontTable), true;
    }
    if (w == "colortbl") {
      colorSet_ = false;
      color_ = 0;
      return beginDestination(Dest::ColorTable), true;
    }
    if (w == "stylesheet") {
      // Nor a later style sheet: it would renumber the styles paragraphs already have.
      if (sawStyleSheet_) return beginDestination(Dest::Skip), true;
      sawStyleSheet_ = true;
      return beginDestination(Dest::StyleSheet), true;
    }
    if (w == "revtbl") return beginDestination(Dest::RevTable), true;
    if (w == "generator") return beginDestination(Dest::Ignored), true;
    // A picture stands in the text or in a shape's picture property; elsewhere (a shape kept whole, a
    // table) it is none of the document's.
    if (w == "pict" && s.dest != Dest::Body && !s.inShapeValue) return beginDestination(Dest::Skip), true;
    if (w == "pict") {
      pict_ = PictState{};
      pictInShape_ = s.inShapeValue;
      pictStart_ = wordFrom_;
      pictInText_ = parentIsBody();
      return beginDestination(Dest::Pict), true;
    }
    if (w == kOriginalBlip && s.dest == Dest::Pict) {
      if (pict_) pict_->hasOriginal = true;
      return beginDestination(Dest::OriginalBlip), true;
    }
    if (w == "shppict") return true;  // the picture inside is the one to read
    // Likewise a shape: in a group kept whole (a field's) it is kept with the group.
    if (w == "shp" && s.dest != Dest::Body) return beginDestination(Dest::Skip), true;
    if (w == "shp") {
      shape_ = ShapeState{};
      shape_->start = wordFrom_;
      shapeInText_ = parentIsBody();
      return beginDestination(Dest::Shape), true;
    }
    if (w == "shpinst" || w == "sp") return true;
    if (w == "sn" && shape_) return beginDestination(Dest::ShapeName), true;
    if (w == "sv" && shape_) {
      s.inShapeValue = true;
      return beginDestination(Dest::ShapeValue), true;
    }
    if (w == "field") {
      // A second field word in a field's own group (damage) begins nothing: each group ends one field.
      if (!fieldDepths_.empty() && fieldDepths_.back() == stack_.size()) return true;
      fields_.push_back(0);
      fieldDepths_.push_back(stack_.size());
      fieldKeeps_.push_back(FieldKeep{wordFrom_, parentIsBody(), false, false, {}});
      return beginDestination(Dest::Ignored), true;
    }
    // A field has one instruction before one result: an instruction or a result after its result (damage)
    // changes nothing of what was read, and stays in what is kept.
    if ((w == "fldinst" || w == "fldrslt") && !fieldKeeps_.empty() && fieldKeeps_.back().result)
      return beginDestination(Dest::Skip), true;
    if (w == "fldinst") return beginDestination(Dest::FieldInstruction), true;
    if (w == "fldrslt") {
      // A result without a field is text where its group would be text (not inside a shape kept whole).
      if (fields_.empty()) return beginDestination(s.dest == Dest::Body ? Dest::Body : Dest::Skip), true;
      // A field's result is a group of its own inside the field's group: one in the field's own group or
      // in a shape is none, and stays in what is kept whole.
      const bool inShape = s.dest == Dest::Shape || (s.dest != Dest::Body && shape_);
      if (stack_.size() == fieldDepths_.back() || inShape) return beginDestination(Dest::Skip), true;
      FieldKeep& keep = fieldKeeps_.back();
      // The result of a field inside an instruction is part of the instruction.
      if (!keep.inText) return beginDestination(Dest::Skip), true;
      s.link = fields_.back();
      keep.result = true;
      if (s.link == 0 && !keep.opened && s.groupStart > keep.start) {
        // A field other than a hyperlink: its instruction is kept before its result, which is text.
        std::string start =
            "{" + std::string(in_.substr(keep.start, s.groupStart - keep.start)) + "{\\fldrslt ";
        // The result is written as the document's text, one stand-in after each \u: a skip count the
        // kept words change must not reach it.
        if (start.find("\\uc") != std::string::npos) start += "\\uc1 ";
        fragments_.push_back({static_cast<int>(chars_.size()), std::move(start), KeptFragment::kInline});
        keep.opened = true;
        // The groups the kept start leaves open: the field's, any between, and the result's.
        keep.closing.assign(stack_.size() - fieldDepths_.back() + 1, '}');
      }
      return beginDestination(Dest::Body), true;
    }
    // The document's bookmarks, variables and versions, not those of a group kept whole (a shape, a
    // field).
    if (w == "bkmkstart" && s.dest == Dest::Body) return beginDestination(Dest::BookmarkStart), true;
    if (w == "bkmkend" && s.dest == Dest::Body) return beginDestination(Dest::BookmarkEnd), true;
    if (w == "docvar" && s.dest == Dest::Body) {
      docVarParts_.clear();
      return beginDestination(Dest::DocVar), true;
    }
    if (w == "password") return beginDestination(Dest::Password), true;
    if (w == "oldcprops") {
      s.chars = CharState{};
      return beginDestination(Dest::OldProps), true;
    }
    if (w == kVersion && s.dest == Dest::Body) {
      docVarParts_.clear();
      return beginDestination(Dest::Version), true;
    }
    return false;
  }

  // In a table's own group rather than in one of its entries' groups.
  bool atTableLevel() const {
    return stack_.size() < 2 || stack_[stack_.size() - 2].dest != stack_.back().dest;
  }

  bool parentIsBody() const { return stack_.size() >= 2 && stack_[stack_.size() - 2].dest == Dest::Body; }

  // The whole of the group that ends now, or nothing when the file ended inside it.
  std::string groupText(std::size_t start) const {
    if (groupEnd_ == std::string_view::npos || start >= groupEnd_) return {};
    return std::string(in_.substr(start, groupEnd_ + 1 - start));
  }

  // A destination kept whole from its word on, as a group of its own: the words before it in its group
  // were read (a paragraph's style, say) or kept one by one, and its text was read.
  std::string keptGroup(std::size_t word) const {
    const std::string rtf = groupText(word);
    return rtf.empty() ? rtf : "{" + rtf;
  }

  void keepInText(std::string rtf) {
    if (rtf.empty()) return;
    if (capturingRow_) {
      rowRtf_ += rtf;
    } else {
      fragments_.push_back({static_cast<int>(chars_.size()), std::move(rtf), KeptFragment::kInline});
    }
  }

  // A nested table is read as lines of its cells' text apart by tabs, in the cell that holds it.
  void nestedRowEnd() {
    if (!chars_.empty() && chars_.back().cp == U'\t') chars_.pop_back();
    State& s = stack_.size() >= 2 && st().dest != Dest::Body ? stack_[stack_.size() - 2] : st();
    if (s.dest == Dest::Body) {
      const std::uint32_t format = doc_.intern(charFormat(s.chars, s.link));
      pushChar(Char{0x0B, format, 0});
    }
  }

  void pictWord(const Word& w, bool, int n) {
    if (!pict_) return;
    if (w == "pngblip" || w == "jpegblip" || w == "emfblip" || w == "macpict" || w == "wmetafile" ||
        w == "dibitmap" || w == "wbitmap" || w == "pmmetafile") {
      pict_->kind = w.text;
    } else if (w == "picw") {
      pict_->pixelWidth = n;
    } else if (w == "pich") {
      pict_->pixelHeight = n;
    } else if (w == "picwgoal") {
      pict_->goalWidth = static_cast<int>(std::clamp<long long>(n, 0, kMaxTwips));
    } else if (w == "pichgoal") {
      pict_->goalHeight = static_cast<int>(std::clamp<long long>(n, 0, kMaxTwips));
    } else if (w == "picscalex") {
      pict_->scaleX = std::clamp(n, 1, 1000);
    } else if (w == "picscaley") {
      pict_->scaleY = std::clamp(n, 1, 1000);
    }
  }

  void shapeWord(const Word& w, int n) {
    if (!shape_) return;
    if (w == "shpleft") shape_->left = n;
    if (w == "shptop") shape_->top = n;
    if (w == "shpright") shape_->right = n;
    if (w == "shpbottom") shape_->bottom = n;
    if (w == "shpwr") shape_->wr = n;
    if (w == "shpfblwtxt") shape_->fblwtxt = n;
    if (w == "shpz") shape_->z = n;
    if (w == "shplid") shape_->lid = n;
  }

  void documentWord(const Word& w, bool hasParam, int n, long long) {
    if (w == "uc") st().uc = std::max(0, n);
    // The document's settings, not those inside a group kept whole (a field's, a shape's), which the
    // saved file would give again after its own.
    if (st().dest != Dest::Body) return;
    // The code page of the tables' names: one that comes after them would read them otherwise.
    if (w == "ansicpg" && !sawFontTable_ && !sawStyleSheet_) ansiCodePage_ = n;
    if (w == "deff") doc_.kept.defaultFont = n;
    // Page measures as the page setup accepts them: up to 22 inches.
    auto page = [n] { return fromTwips(std::clamp(n, 0, 31680)); };
    if (w == "paperw") doc_.page.pageWidth = page();
    if (w == "paperh") doc_.page.pageHeight = page();
    if (w == "margl") doc_.page.leftMargin = page();
    if (w == "margr") doc_.page.rightMargin = page();
    if (w == "margt") doc_.page.topMargin = page();
    if (w == "margb") doc_.page.bottomMargin = page();
    if (w == "landscape") doc_.page.orientation = 1;
    if (w == "revisions") doc_.trackRevisions = true;
    if (w == kPrintRevisions) doc_.printRevisions = !hasParam || n != 0;
    if (w == kShowRevisions) doc_.showRevisions = !hasParam || n != 0;
    if (w == "revprot") doc_.protection.type = protection::kRevisions;
    if (w == "annotprot") doc_.protection.type = protection::kComments;
    if (w == "formprot") doc_.protection.type = protection::kFormFields;
    if (w == "readprot") doc_.protection.type = protection::kReadOnly;
    if (w == "protlevel" && n >= 0 && n <= 3) protectionLevel_ = n;
    if (w == "enforceprot") enforce_ = !hasParam || n != 0;
  }

  static void charWord(CharState& c, const Word& w, bool hasParam, int n, long long p) {
    const bool on = !hasParam || n != 0;
    if (w == "plain") {
      c = CharState{};
    } else if (w == "f") {
      c.font = n;
    } else if (w == "fs") {
      if (n > 0) c.size = std::min(n, 3276) / 2.0;
    } else if (w == "cf") {
      c.color = n;
    } else if (w == "b") {
      c.bold = on;
    } else if (w == "i") {
      c.italic = on;
    } else if (w == "ul" || w == "uld" || w == "uldb" || w == "uldash" || w == "ulw" || w == "ulth" ||
               w == "ulwave") {
      c.underline = on;
    } else if (w == "ulnone") {
      c.underline = 0;
    } else if (w == kRunExplicit) {
      c.explicitMask = n;
    } else if (w == "revised") {
      c.revised = on;
    } else if (w == "revauth") {
      c.revAuthor = n;
    } else if (w == "revdttm") {
      c.revDate = static_cast<std::uint32_t>(p);
    } else if (w == "deleted") {
      c.deleted = on;
    } else if (w == "revauthdel") {
      c.delAuthor = n;
    } else if (w == "revdttmdel") {
      c.delDate = static_cast<std::uint32_t>(p);
    } else if (w == "crauth") {
      c.formatAuthor = n;
    } else if (w == "crdate") {
      c.formatDate = static_cast<std::uint32_t>(p);
    }
  }

  void paragraphWord(const Word& w, int n) {
    if (st().dest != Dest::Body) {
      // Texts of shape properties, fields, bookmarks and variables keep their tabs and breaks too.
      const Dest d = st().dest;
      const bool textDestination = d == Dest::ShapeValue || d == Dest::FieldInstruction ||
                                   d == Dest::DocVar || d == Dest::Version || d == Dest::BookmarkStart ||
                                   d == Dest::BookmarkEnd || d == Dest::RevTable;
      if (textDestination && w == "tab") addText(U"\t");
      if (textDestination && w == "line") addText(U"\x0B");
      if (textDestination && w == "page") addText(U"\x0C");
      return;
    }
    if (w == "pard") {
      paraStyle_ = 0;
      paraAlign_ = -1;
      paraMask_ = -1;
      paraRtf_.clear();
      inTable_ = false;
    } else if (w == "intbl") {
      inTable_ = true;
    } else if (w == "trowd") {
      rowCells_.clear();
    } else if (w == "cellx") {
      rowCells_.push_back(static_cast<int>(clampTwips(n)));
    } else if (w == "s") {
      paraStyle_ = n;
    } else if (w == "ql") {
      paraAlign_ = 0;
    } else if (w == "qc") {
      paraAlign_ = 1;
    } else if (w == "qr") {
      paraAlign_ = 2;
    } else if (w == "qj" || w == "qd") {
      paraAlign_ = 3;
    } else if (w == kParagraphExplicit) {
      paraMask_ = n;
    } else if (w == "row") {
      inTable_ = false;
      // The last cell's end is the row's: the row is one paragraph, its cells apart by cell marks.
      if (lastWasCell_ && !chars_.empty() && chars_.back().cp == kCellMark) chars_.pop_back();
      std::vector<int> cells = rowCells_;
      if (cells.empty()) {
        // A row without cell edges gets cells of an inch each.
        int count = 1;
        for (int k = static_cast<int>(chars_.size());
             k > 0 && chars_.get(static_cast<std::size_t>(k - 1)).cp != kParagraphMark; --k) {
          count += chars_.get(static_cast<std::size_t>(k - 1)).cp == kCellMark;
        }
        for (int c = 1; c <= count; ++c) cells.push_back(1440 * c);
      }
      endParagraph(std::move(cells));
    } else if (w == "par" && inTable_ && zone_ == Zone::Text) {
      // The model's cells hold one paragraph: the paragraphs of a cell become its lines.
      addText(U"\x0B");
    } else if (w == "nestrow") {
      nestedRowEnd();
    } else if (w == "par" || w == "sect") {
      endParagraph();
    } else if (w == "cell") {
      if (st().dest == Dest::Body) cellMark();
      lastWasCell_ = true;
      return;
    } else if (w == "tab" || w == "nestcell") {
      addText(U"\t");
      return;
    } else if (w == "line") {
      addText(U"\x0B");
    } else if (w == "page") {
      addText(U"\x0C");
    } else if (w == "emdash") {
      addText(U"\u2014");
    } else if (w == "endash") {
      addText(U"\u2013");
    } else if (w == "bullet") {
      addText(U"\u2022");
    } else if (w == "lquote") {
      addText(U"\u2018");
    } else if (w == "rquote") {
      addText(U"\u2019");
    } else if (w == "ldblquote") {
      addText(U"\u201C");
    } else if (w == "rdblquote") {
      addText(U"\u201D");
    } else if (w == "emspace" || w == "enspace" || w == "qmspace") {
      addText(U" ");
    }
  }

  // --- text ---

  void addText(const std::u32string& text) {
    State& s = st();
    switch (s.dest) {
      case Dest::Body:
        return bodyText(text);
      case Dest::FontTable:
        for (char32_t c : text) {
          if (c == U';' && entryLevel_ > stack_.size()) {
            s.text.clear();  // text after an entry's group names no entry: the group named it or not
          } else if (c == U';') {
            // An entry without a group of its own is written as this program writes fonts.
            if (atTableLevel()) doc_.kept.fonts.erase(entryFont_);
            fonts_[entryFont_] = trim(s.text);
            entryNamed_ = !atTableLevel();  // at the table's level the next entry begins
            fontCodePages_[entryFont_] =
                entryCodePage_ > 0 ? entryCodePage_ : codePageOfCharset(entryCharset_);
            s.text.clear();
          } else if (isPlainCharacter(c)) {
            s.text += text::fromCodePoint(c);
          }
        }
        return;
      case Dest::ColorTable:
        for (char32_t c : text) {
          if (c != U';') continue;
          colors_.push_back(colorSet_ ? color_ : kAutoColor);
          color_ = 0;
          colorSet_ = false;
        }
        return;
      case Dest::StyleSheet:
      case Dest::RevTable:
        for (char32_t c : text) {
          if (c != U';') {
            if (isPlainCharacter(c)) s.text += text::fromCodePoint(c);
            continue;
          }
          std::string name = s.dest == Dest::StyleSheet ? trim(s.text) : s.text;
          s.text.clear();
          if (s.dest == Dest::RevTable) {
            authors_.push_back(name);
          } else if (styleLevel_ > stack_.size()) {
            // Text after an entry's group names no entry: the group named it or not.
          } else {
            if (atTableLevel()) {
              // An entry without a group of its own is not kept as the file has it.
              doc_.kept.styles.erase(entryNumber_);
              keptParagraphStyles_.erase(entryNumber_);
            }
            if (entryStyle_ >= 0) styles_[entryStyle_] = name;
            doc_.kept.styleNames[entryNumber_] = name;
            entryNamed_ = !atTableLevel();
          }
        }
        return;
      case Dest::Skip:
      case Dest::Pict:
      case Dest::OriginalBlip:
      case Dest::Ignored:
      case Dest::Shape:
      case Dest::OldProps:
        return;
      default:
        for (char32_t c : text) {
          if (isPlainCharacter(c)) s.text += text::fromCodePoint(c);
        }
        return;
    }
  }

  static std::string trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return {};
    const auto e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
  }

  void bodyText(const std::u32string& text) {
    if (text.empty()) return;
    leaveSettings();
    capturingRow_ = false;
    lastWasCell_ = false;
    const std::uint32_t format = doc_.intern(charFormat(st().chars, st().link));
    for (char32_t c : text) {
      if (isPlainCharacter(c)) pushChar(Char{c, format, 0});
    }
  }

  // Adds a character; the revisions it carries now reach up to it, so that one change stays one
  // revision however many runs, escapes and groups the file gives it in.
  void pushChar(Char c) {
    chars_.push_back(c);
    const CharFormat& f = doc_.format(c.format);
    const int ids[] = {0, f.insRev, f.delRev, f.fmtRev};
    for (int kind = 1; kind <= 3; ++kind) {
      Open& open = openRevisions_[kind];
      if (ids[kind] && open.id == ids[kind]) open.end = static_cast<int>(chars_.size());
    }
  }

  // A cell mark, which text never brings.
  void cellMark() {
    const std::uint32_t format = doc_.intern(charFormat(st().chars, st().link));
    pushChar(Char{kCellMark, format, 0});
  }

  void endParagraph(std::vector<int> cells = {}) {
    lastWasCell_ = false;
    // Cells that no row closed are text apart by tabs.
    if (cells.empty()) {
      for (std::size_t k = chars_.size(); k > 0 && chars_.get(k - 1).cp != kParagraphMark; --k) {
        Char c = chars_.get(k - 1);
        if (c.cp == kCellMark) {
          c.cp = U'\t';
          chars_.set(k - 1, c);
        }
      }
    }
    ParaFormat p;
    p.cells = std::move(cells);
    auto it = styles_.find(paraStyle_);
    const StyleDef* style = it != styles_.end() ? findStyleInFile(it->second) : nullptr;
    p.style = style && style->type == StyleType::Paragraph ? style->name : normalStyle().name;
    p.alignment = paraAlign_;
    if (paraMask_ >= 0 && !(paraMask_ & 1)) p.alignment = -1;
    // A style of the file that is none of ours stays the paragraph's (the file's style table is kept).
    if (it != styles_.end() && keptParagraphStyles_.count(paraStyle_) && p.style == normalStyle().name &&
        style != &normalStyle())
      p.rtf = "\\s" + std::to_string(paraStyle_);
    p.rtf += paraRtf_;
    // The file's row definition is kept while it gives the row's cells (the writer gives it back then).
    if (!p.cells.empty() && p.cells == rowCells_ && rowRtf_ != ownRowDefinition(p.cells) &&
        cellEdges(rowRtf_) == p.cells)
      p.rowRtf = rowRtf_;
    const std::uint32_t format = doc_.intern(charFormat(st().chars, 0));
    // Our own files give each mark its run and so every revision mark it has.
    if (st().chars.explicitMask >= 0) statedMark_ = static_cast<int>(chars_.size());
    pushChar(Char{kParagraphMark, format, doc_.intern(p)});
  }

  // The row definition this program writes itself, which needs no keeping.
  static std::string ownRowDefinition(const std::vector<int>& cells) {
    std::string rtf = "\\trowd\\trgaph108";
    for (int edge : cells) rtf += "\\cellx" + std::to_string(edge);
    return rtf;
  }

  // The model's format for a run: what the file sets, less what our own files mark as coming from the
  // style, with revision marks and the field's hyperlink.
  CharFormat charFormat(const CharState& c, int link) {
    CharFormat f = plainFormat(c);
    const int position = static_cast<int>(chars_.size());
    if (c.revised) f.insRev = revisionId(kRevisionInsert, c.revAuthor, c.revDate, position);
    if (c.deleted) f.delRev = revisionId(kRevisionDelete, c.delAuthor, c.delDate, position);
    if (c.formatAuthor >= 0) {
      f.fmtRev = revisionId(kRevisionProperty, c.formatAuthor, c.formatDate, position);
      if (c.oldFormat) f.oldFormat = static_cast<int>(doc_.intern(*c.oldFormat));
    }
    f.link = link;
    return f;
  }

  CharFormat plainFormat(const CharState& c) const {
    CharFormat f;
    const int mask = c.explicitMask;
    auto keep = [&](int bit) { return mask < 0 || (mask & bit); };
    if (c.font >= 0 && keep(kFontBit)) {
      auto it = fonts_.find(c.font);
      if (it != fonts_.end()) f.font = it->second;
    }
    if (c.size > 0 && keep(kSizeBit)) f.size = c.size;
    if (c.color > 0 && keep(kColorBit) && static_cast<std::size_t>(c.color) < colors_.size()) {
      f.color = colors_[static_cast<std::size_t>(c.color)];
    }
    if (c.bold >= 0 && keep(kBoldBit)) f.bold = c.bold;
    if (c.italic >= 0 && keep(kItalicBit)) f.italic = c.italic;
    if (c.underline >= 0 && keep(kUnderlineBit)) f.underline = c.underline;
    f.rtf = c.kept;
    // Our own files write a style's bold as \b; without the bit it is the style's, not the run's.
    if (mask >= 0 && !(mask & kBoldBit)) f.bold = -1;
    if (mask >= 0 && !(mask & kItalicBit)) f.italic = -1;
    if (mask >= 0 && !(mask & kUnderlineBit)) f.underline = -1;
    return f;
  }

  // Characters that carry the same revision mark next to each other are one revision.
  int revisionId(RevisionKind kind, int author, std::uint32_t date, int position) {
    Open& open = openRevisions_[kind];
    if (open.id && open.author == author && open.date == date && open.end == position) {
      open.end = position + 1;
      return open.id;
    }
    // Writers that leave \par outside the revision's groups still mean one change across the break:
    // the paragraph mark between its two parts is part of it. Not so for a mark that carries a
    // revision of its own, or whose run says it has none: two changes stay two, and no character
    // gains a mark.
    if (open.id && open.author == author && open.date == date && open.end == position - 1 &&
        chars_.get(static_cast<std::size_t>(position - 1)).cp == kParagraphMark &&
        statedMark_ != position - 1) {
      Char mark = chars_.get(static_cast<std::size_t>(position - 1));
      CharFormat f = doc_.format(mark.format);
      int* ids[] = {nullptr, &f.insRev, &f.delRev, &f.fmtRev};
      // Other marks it may have are only those this character's other changes just carried across it.
      bool alone = *ids[kind] == 0;
      for (int other = kRevisionInsert; other < kind; ++other) {
        const Open& o = openRevisions_[other];
        if (*ids[other] != 0 && (*ids[other] != o.id || o.end != position + 1)) alone = false;
      }
      for (int other = kind + 1; other <= kRevisionProperty; ++other) {
        if (*ids[other] != 0) alone = false;
      }
      int& id = *ids[kind];
      if (alone) {
        id = open.id;
        mark.format = doc_.intern(f);
        chars_.set(static_cast<std::size_t>(position - 1), mark);
        open.end = position + 1;
        return open.id;
      }
    }
    const std::string name = author >= 0 && static_cast<std::size_t>(author) < authors_.size()
                                 ? authors_[static_cast<std::size_t>(author)]
                                 : "Unknown";
    open = Open{doc_.addRevision(kind, name, unpackDate(date)), author, date, position + 1};
    return open.id;
  }

  // --- groups ---

  void endGroup() {
    if (stack_.size() <= 1) return;
    if (!fieldDepths_.empty() && fieldDepths_.back() == stack_.size()) {
      const FieldKeep keep = fieldKeeps_.back();
      if (keep.opened) {
        // With the text, as its kept start is: a row begun inside the result must not take it.
        fragments_.push_back({static_cast<int>(chars_.size()), keep.closing, KeptFragment::kInline});
      } else if (keep.inText && fields_.back() == 0 && !keep.result) {
        keepInText(keptGroup(keep.start));  // a field without a result
      }
      fields_.pop_back();
      fieldDepths_.pop_back();
      fieldKeeps_.pop_back();
    }
    State s = std::move(stack_.back());
    stack_.pop_back();
    State& parent = stack_.back();
    if (s.keep) {
      // A destination is kept from its own word on, as a group of its own (see keptGroup).
      keepGroup(keptGroup(s.keepFrom));
    }
    // An entry that named its font or style and then turned into something else is an entry too (one
    // not kept): the number's kept entry must not give another name.
    const bool entry = stack_.size() >= 2 && stack_[stack_.size() - 2].dest != parent.dest &&
                       (s.dest == parent.dest || entryNamed_);
    if (parent.dest == Dest::FontTable && entry) {
      const std::string entry = groupText(s.groupStart);
      if (entryNumbered_ && entryNamed_ && wellFormedEntry(entry, "{\\f")) {
        doc_.kept.fonts[entryFont_] = withUnicodeSkip(entry, parent.uc);
      } else {
        doc_.kept.fonts.erase(entryFont_);
      }
    } else if (parent.dest == Dest::StyleSheet && entry) {
      const std::string entry = groupText(s.groupStart);
      if (entryNamed_ && wellFormedEntry(entry, "{")) {
        doc_.kept.styles[entryNumber_] = withUnicodeSkip(entry, parent.uc);
      } else {
        doc_.kept.styles.erase(entryNumber_);
      }
      // A character style may take a paragraph style's number; the entry kept is then the later one.
      if (entryStyle_ >= 0 && doc_.kept.styles.count(entryNumber_)) {
        keptParagraphStyles_.insert(entryNumber_);
      } else {
        keptParagraphStyles_.erase(entryNumber_);
      }
    }
    switch (s.dest) {
      case Dest::FontTable:
        // The table's own text names an entry begun at its level (a table without groups per entry).
        if (parent.dest != Dest::FontTable && !s.text.empty() && entryLevel_ <= stack_.size() + 1) {
          fonts_[entryFont_] = trim(s.text);
          doc_.kept.fonts.erase(entryFont_);
        }
        break;
      case Dest::StyleSheet:
      case Dest::RevTable:
        if (parent.dest == s.dest) parent.text += s.text;
        break;
      case Dest::Pict:
        if (parent.dest != Dest::Pict) finishPicture();
        break;
      case Dest::ShapeName:
        if (shape_) shape_->propName = trim(s.text);
        break;
      case Dest::ShapeValue:
        if (parent.dest == Dest::ShapeValue) {
          parent.text += s.text;
        } else if (shape_) {
          shape_->props[shape_->propName] = s.text;
        }
        break;
      case Dest::Shape:
        if (parent.dest != Dest::Shape) finishShape();
        break;
      case Dest::FieldInstruction:
        if (parent.dest == Dest::FieldInstruction) {
          parent.text += s.text;
        } else if (!fields_.empty()) {
          fields_.back() = hyperlink(s.text);
        }
        break;
      case Dest::BookmarkStart:
        bookmarkStarts_[trim(s.text)] = static_cast<int>(chars_.size());
        break;
      case Dest::BookmarkEnd:
        bookmarkEnds_[trim(s.text)] = static_cast<int>(chars_.size());
        break;
      case Dest::DocVar:
      case Dest::Version:
        if (parent.dest == s.dest) {
          docVarParts_.push_back(s.text);
        } else {
          finishVariable(s);
        }
        break;
      case Dest::Password: {
        const std::string hex = trim(s.text);
        if (!hex.empty())
          doc_.protection.passwordKey = static_cast<std::uint32_t>(std::strtoul(hex.c_str(), nullptr, 16));
        break;
      }
      case Dest::OldProps:
        if (parent.dest != Dest::OldProps) parent.chars.oldFormat = plainFormat(s.chars);
        break;
      default:
        break;
    }
  }

  // A table entry that can be written back as it is: one group whose words and name end in ";", with no
  // group inside but ignorable ones (so that it reads back as the same entry).
  // A kept entry with \u characters read under another \uc than the one the writer gives (1) states its
  // own, after its first word, so that its stand-in characters are skipped as they were when read.
  static std::string withUnicodeSkip(const std::string& entry, int uc) {
    if (uc == 1 || entry.find("\\u") == std::string::npos) return entry;
    std::size_t at = 1;  // after "{"
    if (entry.compare(at, 1, "\\") == 0) {
      at += 1;
      while (at < entry.size() && std::isalpha(static_cast<unsigned char>(entry[at]))) ++at;
      if (at < entry.size() && entry[at] == '-') ++at;
      while (at < entry.size() && std::isdigit(static_cast<unsigned char>(entry[at]))) ++at;
    }
    return entry.substr(0, at) + "\\uc" + std::to_string(uc) +
           (at < entry.size() && entry[at] == ' ' ? "" : " ") + entry.substr(at);
  }

  static bool wellFormedEntry(const std::string& entry, std::string_view start) {
    if (!entry.starts_with(start) || entry.size() < 3 || entry[entry.size() - 2] != ';') return false;
    for (std::size_t k = 1; k < entry.size(); ++k) {
      if (entry[k] == '\\') {
        ++k;
      } else if (entry[k] == '{' && entry.compare(k, 3, "{\\*") != 0) {
        return false;
      }
    }
    return true;
  }

  // A destination kept whole: with the document's or the section's properties, or in the text.
  void keepGroup(std::string rtf) {
    if (rtf.empty()) return;
    switch (zone_) {
      case Zone::Document:
        doc_.kept.document += rtf;
        return;
      case Zone::Section:
        sectionRtf_ += rtf;
        return;
      case Zone::Text:
        keepInText(std::move(rtf));
        return;
    }
  }

  void finishVariable(const State& s) {
    if (!s.text.empty()) docVarParts_.push_back(s.text);
    if (s.dest == Dest::DocVar && docVarParts_.size() >= 2 && trim(docVarParts_[0]) == kNextShapeVariable) {
      nextShape_ = std::atoi(docVarParts_[1].c_str());
    }
    if (s.dest == Dest::Version && docVarParts_.size() >= 3) {
      VersionInfo v;
      v.author = docVarParts_[0];
      try {
        v.date = automation::parseIso(trim(docVarParts_[1]));
      } catch (const automation::AutomationError&) {
      }
      v.comment = docVarParts_[2];
      doc_.versions.push_back(v);
    }
    docVarParts_.clear();
  }

  // The hyperlink a field instruction names (0 for other fields). Quoted words are values even when they
  // begin with a backslash; only bare words like \l are switches.
  int hyperlink(const std::string& instruction) {
    struct Word {
      std::string text;
      bool quoted = false;
    };
    std::vector<Word> words;
    Word word;
    bool inQuotes = false;
    bool any = false;
    for (std::size_t i = 0; i < instruction.size(); ++i) {
      const char c = instruction[i];
      if (inQuotes) {
        if (c == '\\' && i + 1 < instruction.size() &&
            (instruction[i + 1] == '"' || instruction[i + 1] == '\\')) {
          word.text += instruction[++i];
        } else if (c == '"') {
          inQuotes = false;
        } else {
          word.text += c;
        }
      } else if (c == '"') {
        inQuotes = true;
        word.quoted = true;
        any = true;
      } else if (c == ' ' || c == '\t') {
        if (any) words.push_back(word);
        word = Word{};
        any = false;
      } else {
        word.text += c;
        any = true;
      }
    }
    if (any) words.push_back(word);
    if (words.empty() || words[0].quoted || text::toLowerAscii(words[0].text) != "hyperlink") return 0;
    Link link;
    bool haveAddress = false;
    for (std::size_t i = 1; i < words.size(); ++i) {
      const Word& w = words[i];
      const bool isSwitch = !w.quoted && !w.text.empty() && w.text[0] == '\\';
      const bool hasValue = i + 1 < words.size();
      if (isSwitch && w.text == "\\l" && hasValue) {
        link.subAddress = words[++i].text;
      } else if (isSwitch && w.text == "\\o" && hasValue) {
        link.screenTip = words[++i].text;
      } else if (isSwitch && w.text == "\\t" && hasValue) {
        link.target = words[++i].text;
      } else if (!isSwitch && !haveAddress) {
        link.address = w.text;
        haveAddress = true;
      }
    }
    return doc_.addLink(link);
  }

  std::optional<Picture> picture() {
    if (!pict_) return std::nullopt;
    PictState& p = *pict_;
    if (p.hasOriginal) return readPicture(p.original);
    if (p.kind == "pngblip" || p.kind == "jpegblip") return readPicture(p.data);
    if (p.kind == "dibitmap") {
      if (auto bmp = bmpFromDib(p.data)) return readPicture(*bmp);
    }
    return std::nullopt;  // metafiles and device bitmaps are not pictures this program shows
  }

  void finishPicture() {
    auto pic = picture();
    const PictState p = pict_ ? *pict_ : PictState{};
    pict_.reset();
    lastPictureRead_ = pic.has_value();
    if (!pic) {
      // A metafile or another kind this program cannot show stays in the text as the file has it.
      if (!pictInShape_ && pictInText_) keepGroup(keptGroup(pictStart_));
      return;
    }
    if (pictInShape_ && shape_) {
      shape_->picture = std::move(pic);
      return;
    }
    InlinePicture inlinePicture;
    const double w = p.goalWidth > 0 ? fromTwips(p.goalWidth) : pixelsToPoints(pic->pixelWidth);
    const double h = p.goalHeight > 0 ? fromTwips(p.goalHeight) : pixelsToPoints(pic->pixelHeight);
    // In whole twips, as a file holds them (at least one), so that the size survives saving.
    inlinePicture.width = fromTwips(std::max(1, toTwips(w * p.scaleX / 100)));
    inlinePicture.height = fromTwips(std::max(1, toTwips(h * p.scaleY / 100)));
    inlinePicture.picture = std::move(*pic);
    const std::uint32_t format = doc_.intern(charFormat(st().chars, st().link));
    const int id = doc_.storePicture(std::move(inlinePicture));
    leaveSettings();
    pushChar(Char{kPictureChar, format, static_cast<std::uint32_t>(id)});
  }

  long long prop(const ShapeState& s, const std::string& name, long long fallback) const {
    auto it = s.props.find(name);
    if (it == s.props.end() || it->second.empty()) return fallback;
    return std::atoll(it->second.c_str());
  }

  // A colour property; a value no colour has gives the default.
  Color color(const ShapeState& s, const std::string& name, Color fallback) const {
    const long long v = prop(s, name, fallback);
    return v >= 0 && v <= 0xFFFFFF ? static_cast<Color>(v) : fallback;
  }

  std::string textProp(const ShapeState& s, const std::string& name) const {
    auto it = s.props.find(name);
    return it == s.props.end() ? std::string() : it->second;
  }

  void finishShape() {
    if (!shape_) return;
    ShapeState s = std::move(*shape_);
    shape_.reset();
    const long long type = prop(s, "shapeType", 0);
    ShapeData d;
    if (type == kShapeTypeLine) {
      d.kind = ShapeKind::Line;
    } else if (s.picture && (type == kShapeTypePicture || type == 0)) {
      d.kind = ShapeKind::Picture;
      d.picture = std::move(*s.picture);
    } else {
      // Text boxes and drawings of other kinds stay where they are, as the file has them.
      if (shapeInText_) keepGroup(keptGroup(s.start));
      return;
    }
    d.left = fromTwips(clampTwips(s.left));
    d.top = fromTwips(clampTwips(s.top));
    d.width = fromTwips(std::clamp<long long>(clampTwips(s.right) - clampTwips(s.left), 0, kMaxTwips));
    d.height = fromTwips(std::clamp<long long>(clampTwips(s.bottom) - clampTwips(s.top), 0, kMaxTwips));
    d.flipH = prop(s, "fFlipH", 0) != 0;
    d.flipV = prop(s, "fFlipV", 0) != 0;
    d.name = textProp(s, "wzName");
    d.number = s.lid > kShapeIdBase && s.lid < kShapeIdBase + (1 << 24) ? s.lid - kShapeIdBase : 0;
    d.transparentBackground =
        prop(s, kTransparentBackground, s.props.count("pictureTransparent") ? 1 : 0) != 0;
    d.transparencyColor = color(s, "pictureTransparent", color(s, "verolinTransparencyColor", kWhite));
    const bool picture = d.kind == ShapeKind::Picture;
    if (!picture) {
      // A picture's transparent colour means nothing on a line.
      d.transparentBackground = false;
      d.transparencyColor = kWhite;
    }
    d.fill.visible = prop(s, "fFilled", picture ? 0 : 1) != 0;
    d.fill.foreColor = color(s, "fillColor", kWhite);
    d.fill.transparency = transparencyOf(prop(s, "fillOpacity", 65536));
    d.line.visible = prop(s, "fLine", picture ? 0 : 1) != 0;
    d.line.foreColor = color(s, "lineColor", kBlack);
    d.line.backColor = color(s, "lineBackColor", kWhite);
    d.line.weight =
        static_cast<double>(std::clamp<long long>(prop(s, "lineWidth", 9525), 0, 1584LL * kEmuPerPoint)) /
        kEmuPerPoint;
    d.line.style = static_cast<int>(std::clamp<long long>(prop(s, "lineStyle", 0), 0, 4)) + 1;
    d.line.dashStyle = static_cast<int>(
        std::clamp<long long>(prop(s, kDashStyle, dashStyleOf(prop(s, "lineDashing", 0))), 1, 12));
    d.line.transparency = transparencyOf(prop(s, "lineOpacity", 65536));
    d.lockAspectRatio = prop(s, "fLockAspectRatio", picture ? 1 : 0) != 0;
    d.allowOverlap = prop(s, "fAllowOverlap", 1) != 0;
    switch (s.wr) {
      case 1:
        d.wrapType = wrap::kTopBottom;
        break;
      case 3:
        d.wrapType = s.fblwtxt ? wrap::kBehind : wrap::kFront;
        break;
      case 4:
        d.wrapType = wrap::kTight;
        break;
      case 5:
        d.wrapType = wrap::kThrough;
        break;
      default:
        d.wrapType = wrap::kSquare;
        break;
    }
    if (s.props.count(kLinkAddress)) {
      d.link = Link{textProp(s, kLinkAddress), textProp(s, kLinkSubAddress), textProp(s, kLinkScreenTip),
                    textProp(s, kLinkTarget)};
    }
    d.anchor = paragraphStartOfEnd();
    shapes_.push_back({s.z, std::move(d)});
  }

  static int dashStyleOf(long long dashing) {
    static const int map[] = {1, 10, 11, 12, 6, 2, 4, 7, 5, 8, 9};
    return dashing >= 0 && dashing <= 10 ? map[dashing] : 1;
  }

  int paragraphStartOfEnd() const {
    int i = static_cast<int>(chars_.size());
    while (i > 0 && chars_.get(static_cast<std::size_t>(i - 1)).cp != kParagraphMark) --i;
    return i;
  }

  DocumentModel finish() {
    leaveSettings();
    doc_.assign(std::move(chars_));
    // A section's settings come before what is kept in its first paragraph, as they are written.
    std::stable_sort(fragments_.begin(), fragments_.end(), [](const Fragment& a, const Fragment& b) {
      const bool aInline = a.kind == KeptFragment::kInline;
      const bool bInline = b.kind == KeptFragment::kInline;
      return a.pos != b.pos ? a.pos < b.pos : !aInline && bInline;
    });
    for (auto& f : fragments_) doc_.keep(f.pos, std::move(f.rtf), f.kind);
    KeptRtf& kept = doc_.kept;
    kept.codePage = ansiCodePage_;
    kept.fontNames = fonts_;
    if (colors_.size() > 1) kept.colors.assign(colors_.begin() + 1, colors_.end());
    std::stable_sort(shapes_.begin(), shapes_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    int highest = 0;
    std::set<int> used;
    for (auto& [z, d] : shapes_) {
      if (d.number > 0 && !used.count(d.number))
        used.insert(d.number);
      else
        d.number = 0;
      highest = std::max(highest, d.number);
    }
    for (auto& [z, d] : shapes_) {
      if (d.number == 0) d.number = ++highest;
      if (d.name.empty())
        d.name = (d.kind == ShapeKind::Line ? "Line " : "Picture ") + std::to_string(d.number);
      d.anchor = doc_.paragraphStart(std::min(d.anchor, doc_.size() - 1));
      doc_.shapes.push_back(std::move(d));
    }
    doc_.nextShapeNumber = std::max(nextShape_, highest + 1);
    // \protlevel names the kind of an enforced protection; \revprot and the like name it in older files.
    if (protectionLevel_ >= 0 && enforce_) doc_.protection.type = protectionLevel_;
    if (!enforce_) doc_.protection.type = protection::kNone;  // a protection not enforced protects nothing
    if (doc_.protection.type == protection::kFormFields && sawUnlocked_) {
      // Form protection with sections marked unlocked protects the other sections only (a table of
      // contents, say): the document stays editable and the protection is written back as it was.
      kept.sectionProtection = true;
      doc_.protection.type = protection::kNone;
      if (doc_.protection.passwordKey) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "{\\*\\password %08x}", *doc_.protection.passwordKey);
        kept.document += buf;
      }
    }
    if (doc_.protection.type == protection::kNone) doc_.protection.passwordKey.reset();
    for (const auto& [name, start] : bookmarkStarts_) {
      auto end = bookmarkEnds_.find(name);
      const int e = end == bookmarkEnds_.end() ? start : end->second;
      doc_.addBookmark(name, start, e);
    }
    return std::move(doc_);
  }

  struct Open {
    int id = 0;
    int author = -1;
    std::uint32_t date = 0;
    int end = -1;
  };

  Input in_;
  std::vector<State> stack_;
  std::string pending_;
  int skipChars_ = 0;
  char32_t highSurrogate_ = 0;
  int ansiCodePage_ = 1252;
  mutable std::map<int, bool> asciiPages_;  // whether each code page met so far keeps ASCII
  bool sawEnd_ = false;

  DocumentModel doc_;
  TextStore chars_;
  std::map<int, std::string> fonts_;
  std::map<int, int> fontCodePages_;
  int entryFont_ = 0;
  int entryCharset_ = -1;
  int entryCodePage_ = 0;
  int entryNumber_ = 0;         // of the style entry, whatever its kind
  bool entryNumbered_ = false;  // the font entry gave its number
  std::size_t entryLevel_ = 0;  // the depth of the font entry's group (the table's for one without)
  std::size_t styleLevel_ = 0;  // the same for the style entry
  bool sawFontTable_ = false;
  bool sawStyleSheet_ = false;
  bool entryNamed_ = false;                        // the font or style entry being read gave its name
  std::size_t groupEnd_ = std::string_view::npos;  // where the group that ends now closes
  std::size_t wordStart_ = 0;                      // the backslash of the control word being read
  std::size_t starStart_ = 0;                      // the backslash of the last "\*"
  std::size_t wordFrom_ = 0;                       // the word being read, with its "\*"

  // What the model does not represent, on its way to doc_.kept.
  struct Fragment {
    int pos;
    std::string rtf;
    KeptFragment::Kind kind;
  };
  std::vector<Fragment> fragments_;
  Zone zone_ = Zone::Document;
  bool firstSection_ = false;
  bool continueSection_ = false;  // settings that go on with the last section kept
  bool sectionBreak_ = false;
  int sectionPos_ = 0;
  std::string sectionRtf_;
  std::string paraRtf_;
  std::string rowRtf_;
  bool capturingRow_ = false;
  bool inTable_ = false;
  bool sawUnlocked_ = false;
  bool lastPictureRead_ = false;
  std::size_t pictStart_ = 0;
  bool pictInText_ = false;
  bool shapeInText_ = false;
  struct FieldKeep {
    std::size_t start;    // the field's group
    bool inText;          // its result is document text
    bool opened;          // its instruction is kept before its result
    bool result;          // its result was read as text
    std::string closing;  // what closes the groups the kept start opens
  };
  std::vector<FieldKeep> fieldKeeps_;
  std::vector<Color> colors_;
  Color color_ = 0;
  bool colorSet_ = false;
  std::map<int, std::string> styles_;
  int entryStyle_ = -1;
  std::set<int> keptParagraphStyles_;  // numbers whose kept entry is a paragraph style's
  std::vector<std::string> authors_;
  Open openRevisions_[4];
  int statedMark_ = -1;  // the last paragraph mark whose own run states its revision marks
  int paraStyle_ = 0;
  int paraAlign_ = -1;
  int paraMask_ = -1;
  bool lastWasCell_ = false;
  std::vector<int> rowCells_;
  std::optional<PictState> pict_;
  bool pictInShape_ = false;
  std::optional<ShapeState> shape_;
  std::vector<std::pair<int, ShapeData>> shapes_;
  std::vector<int> fields_;  // the hyperlink (or 0) of each open field
  std::vector<std::size_t> fieldDepths_;
  std::map<std::string, int> bookmarkStarts_;
  std::map<std::string, int> bookmarkEnds_;
  std::vector<std::string> docVarParts_;
  int nextShape_ = 1;
  int protectionLevel_ = -1;
  bool enforce_ = true;
};

}  // namespace

bool looksLikeRtf(std::string_view bytes) {
  std::size_t i = 0;
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") i = 3;
  return bytes.substr(i, 5) == "{\\rtf";
}

DocumentModel readRtf(std::string_view bytes) {
  return Reader(bytes).run();
}

DocumentModel readRtf(std::istream& in, std::size_t piece) {
  return Reader(in, piece).run();
}

}  // namespace verolin::wordproc
