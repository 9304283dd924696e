#include "wordproc/formats/rtf_writer.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <set>
#include <sstream>

#include "text/codepage.h"
#include "text/utf8.h"
#include "wordproc/formats/picture_codec.h"
#include "wordproc/formats/rtf_common.h"
#include "wordproc/model/editing.h"
#include "wordproc/model/password_key.h"
#include "wordproc/model/styles.h"
#include "wordproc/model/text_format.h"

namespace verolin::wordproc {

namespace {

using namespace rtf;

// The packed date as the signed number RTF readers expect (days late in the week set the top bit).
std::int32_t signedDate(const automation::DateTime& t) {
  return static_cast<std::int32_t>(packDate(t));
}

// Picture bytes as hex digits, 64 bytes a line, written a line at a time so that a large picture never
// stands in memory a second time as text.
void writeHex(std::ostream& out, const automation::Bytes& bytes) {
  static const char* digits = "0123456789abcdef";
  char line[129];
  line[0] = '\n';
  for (std::size_t i = 0; i < bytes.size(); i += 64) {
    const std::size_t n = std::min<std::size_t>(64, bytes.size() - i);
    for (std::size_t k = 0; k < n; ++k) {
      line[1 + 2 * k] = digits[bytes[i + k] >> 4];
      line[2 + 2 * k] = digits[bytes[i + k] & 15];
    }
    out.write(line, static_cast<std::streamsize>(1 + 2 * n));
  }
}

// Text for RTF: ASCII as is (with RTF's specials escaped), everything else as \uN with a "?" fallback.
std::string escape(std::string_view utf8) {
  std::string out;
  for (char32_t c : text::toCodePoints(utf8)) {
    if (c == U'\\' || c == U'{' || c == U'}') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == U'\t') {
      out += "\\tab ";
    } else if (c == 0x0B) {
      out += "\\line ";
    } else if (c == 0x0C) {
      out += "\\page ";
    } else if (c == 0xAD) {
      out += "\\-";
    } else if (c < 0x20) {
      continue;
    } else if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      auto unit = [&](unsigned u) { out += "\\u" + std::to_string(static_cast<std::int16_t>(u)) + "?"; };
      if (c > 0xFFFF) {
        const char32_t v = c - 0x10000;
        unit(0xD800 + (v >> 10));
        unit(0xDC00 + (v & 0x3FF));
      } else {
        unit(c);
      }
    }
  }
  return out;
}

// A font name in the font table: the GBK bytes that a Chinese-font charset reads, and \uN for the
// characters GBK has no bytes for.
std::string fontName(const std::string& name) {
  std::string out;
  for (char32_t cp : text::toCodePoints(name)) {
    const std::string utf8 = text::fromCodePoint(cp);
    const std::string gbk = text::convert(utf8, "UTF-8", "GBK");
    if (cp != U'?' && gbk == "?") {
      out += escape(utf8);
      continue;
    }
    for (unsigned char c : gbk) {
      if (c >= 0x80 || c == '\\' || c == '{' || c == '}' || c == ';') {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\'%02x", c);
        out += buf;
      } else {
        out += static_cast<char>(c);
      }
    }
  }
  return out;
}

class Writer {
 public:
  Writer(const DocumentModel& doc, std::ostream& out) : doc_(doc), out_(out) { collectTables(); }

  void run() {
    header();
    body();
    out_ << "}";
  }

 private:
  // --- tables ---

  void collectTables() {
    const KeptRtf& kept = doc_.kept;
    fonts_ = kept.fontNames;
    colors_ = kept.colors;
    numberStyles();
    addFont(normalStyle().font);
    for (const auto& s : builtinStyles()) addFont(s.font);
    const ParaFormat* para = nullptr;
    for (int i = 0; i < doc_.size(); ++i) {
      if (!para) para = &doc_.paraFormat(doc_.at(doc_.paragraphEnd(i)).extra);
      const CharFormat& f = doc_.charFormat(i);
      const ResolvedFormat r = resolve(f, *para);
      addFont(r.font);
      addColor(r.color);
      if (f.oldFormat >= 0)
        addColor(resolve(doc_.format(static_cast<std::uint32_t>(f.oldFormat)), *para).color);
      for (int id : {f.insRev, f.delRev, f.fmtRev}) {
        if (const RevisionInfo* rev = doc_.revision(id)) addAuthor(rev->author);
      }
      if (doc_.at(i).cp == kParagraphMark) para = nullptr;
    }
    for (const auto& s : builtinStyles()) addColor(s.color);
  }

  // Fonts keep the numbers the file gave them (kept words refer to them); new ones follow.
  void addFont(const std::string& name) {
    if (name.empty()) return;
    for (const auto& [number, f] : fonts_) {
      if (f == name) return;
    }
    fonts_[fonts_.empty() ? 0 : fonts_.rbegin()->first + 1] = name;
  }
  int fontIndex(const std::string& name) const {
    for (const auto& [number, f] : fonts_) {
      if (f == name) return number;
    }
    return fonts_.empty() ? 0 : fonts_.begin()->first;
  }
  void addColor(Color c) {
    if (c == kAutoColor) return;
    for (Color k : colors_) {
      if (k == c) return;
    }
    colors_.push_back(c);
  }
  int colorIndex(Color c) const {
    for (std::size_t i = 0; i < colors_.size(); ++i) {
      if (colors_[i] == c) return static_cast<int>(i + 1);
    }
    return 0;
  }
  void addAuthor(const std::string& a) {
    for (const auto& k : authors_) {
      if (k == a) return;
    }
    authors_.push_back(a);
  }
  int authorIndex(const std::string& a) const {
    for (std::size_t i = 0; i < authors_.size(); ++i) {
      if (authors_[i] == a) return static_cast<int>(i + 1);
    }
    return 0;
  }
  // Our styles take the number of the file's style of the same name, whose entry is written as the
  // file has it; the others take numbers after the file's.
  void numberStyles() {
    const auto& all = builtinStyles();
    int next = doc_.kept.styles.empty() ? 0 : doc_.kept.styles.rbegin()->first + 1;
    for (const auto& s : all) {
      int number = -1;
      for (const auto& [n, name] : doc_.kept.styleNames) {
        if (doc_.kept.styles.count(n) && findStyleInFile(name) == &s) {
          number = n;
          break;
        }
      }
      styleNumbers_.push_back(number >= 0 ? number : next++);
      ownStyle_.push_back(number < 0);
    }
  }
  int styleNumber(const std::string& local) const {
    const auto& all = builtinStyles();
    for (std::size_t i = 0; i < all.size(); ++i) {
      if (all[i].name == local) return styleNumbers_[i];
    }
    return styleNumbers_.empty() ? 0 : styleNumbers_[0];
  }

  void header() {
    const KeptRtf& kept = doc_.kept;
    const int deff = kept.defaultFont >= 0 && fonts_.count(kept.defaultFont) ? kept.defaultFont
                                                                             : fontIndex(normalStyle().font);
    out_ << "{\\rtf1\\ansi\\ansicpg" << kept.codePage << "\\uc1\\deff" << deff
         << "\\deflang1033\\deflangfe2052\n{\\fonttbl";
    for (const auto& [number, name] : fonts_) {
      auto entry = kept.fonts.find(number);
      if (entry != kept.fonts.end()) {
        out_ << entry->second;
      } else {
        out_ << "{\\f" << number << "\\fnil\\fcharset134 " << fontName(name) << ";}";
      }
    }
    out_ << "}\n{\\colortbl;";
    for (Color c : colors_) {
      if (c != kAutoColor) out_ << "\\red" << red(c) << "\\green" << green(c) << "\\blue" << blue(c);
      out_ << ";";
    }
    out_ << "}\n{\\stylesheet";
    for (const auto& [number, entry] : kept.styles) out_ << entry;
    const auto& all = builtinStyles();
    for (std::size_t i = 0; i < all.size(); ++i) {
      if (!ownStyle_[i]) continue;
      const StyleDef& s = all[i];
      const bool character = s.type == StyleType::Character;
      out_ << "{" << (character ? "\\*\\cs" : "\\s") << styleNumbers_[i];
      if (!character) out_ << alignmentWord(s.alignment);
      if (!s.font.empty()) out_ << "\\f" << fontIndex(s.font);
      if (s.size > 0) out_ << "\\fs" << static_cast<int>(s.size * 2 + 0.5);
      if (s.bold) out_ << "\\b";
      if (s.underline) out_ << "\\ul";
      if (s.color != kAutoColor) out_ << "\\cf" << colorIndex(s.color);
      if (!s.basedOn.empty()) out_ << "\\sbasedon" << styleNumber(s.basedOn);
      out_ << " " << escape(s.englishName) << ";}";
    }
    out_ << "}\n";
    if (!authors_.empty()) {
      out_ << "{\\*\\revtbl{Unknown;}";
      for (const auto& a : authors_) out_ << "{" << escape(a) << ";}";
      out_ << "}\n";
    }
    out_ << "{\\*\\generator " << kGenerator << ";}\n";
    out_ << "{\\*\\docvar {" << kNextShapeVariable << "}{" << doc_.nextShapeNumber << "}}\n";
    for (const auto& v : doc_.versions) {
      out_ << "{\\*\\" << kVersion << "{" << escape(v.author) << "}{" << automation::formatIso(v.date) << "}{"
           << escape(v.comment) << "}}\n";
    }
    if (!kept.document.empty()) out_ << kept.document << "\n";
    const PageSetup& p = doc_.page;
    out_ << "\\paperw" << toTwips(p.pageWidth) << "\\paperh" << toTwips(p.pageHeight) << "\\margl"
         << toTwips(p.leftMargin) << "\\margr" << toTwips(p.rightMargin) << "\\margt" << toTwips(p.topMargin)
         << "\\margb" << toTwips(p.bottomMargin);
    if (p.orientation == 1) out_ << "\\landscape";
    if (doc_.trackRevisions) out_ << "\\revisions";
    out_ << "\\" << kPrintRevisions << (doc_.printRevisions ? 1 : 0) << "\\" << kShowRevisions
         << (doc_.showRevisions ? 1 : 0);
    protection();
    out_ << "\n\\sectd" << kept.section << "\\pgwsxn" << toTwips(p.pageWidth) << "\\pghsxn"
         << toTwips(p.pageHeight) << "\\marglsxn" << toTwips(p.leftMargin) << "\\margrsxn"
         << toTwips(p.rightMargin) << "\\margtsxn" << toTwips(p.topMargin) << "\\margbsxn"
         << toTwips(p.bottomMargin);
    if (p.orientation == 1) out_ << "\\lndscpsxn";
    out_ << "\n";
  }

  void protection() {
    const Protection& pr = doc_.protection;
    if (pr.type == protection::kNone) {
      // Sections protected for forms (the kept section words say which are not).
      if (doc_.kept.sectionProtection) out_ << "\\formprot\\enforceprot1";
      return;
    }
    static const char* words[] = {"\\revprot", "\\annotprot", "\\formprot", "\\readprot"};
    out_ << words[pr.type] << "\\protlevel" << pr.type << "\\enforceprot1";
    if (pr.passwordKey) {
      char buf[16];
      std::snprintf(buf, sizeof buf, "%08x", *pr.passwordKey);
      out_ << "{\\*\\password " << buf << "}";
    }
  }

  static const char* alignmentWord(int a) {
    switch (a) {
      case 0:
        return "\\ql";
      case 1:
        return "\\qc";
      case 2:
        return "\\qr";
      default:
        return "\\qj";
    }
  }

  // --- body ---

  // Character properties after \plain: the resolved values (so every reader shows them) and which of
  // them the run sets itself.
  std::string charProps(const CharFormat& f, const ParaFormat& p) {
    const ResolvedFormat r = resolve(f, p);
    std::ostringstream o;
    o << "\\plain\\f" << fontIndex(r.font) << "\\fs" << static_cast<int>(r.size * 2 + 0.5);
    if (r.color != kAutoColor) o << "\\cf" << colorIndex(r.color);
    if (r.bold) o << "\\b";
    if (r.italic) o << "\\i";
    if (r.underline) o << "\\ul";
    int bits = 0;
    if (!f.font.empty()) bits |= kFontBit;
    if (f.size > 0) bits |= kSizeBit;
    if (f.color != kAutoColor) bits |= kColorBit;
    if (f.bold >= 0) bits |= kBoldBit;
    if (f.italic >= 0) bits |= kItalicBit;
    if (f.underline >= 0) bits |= kUnderlineBit;
    o << "\\" << kRunExplicit << bits << f.rtf;
    // Bold, italic and underline switched off on the run itself are written out, since the style may have
    // them.
    if (f.bold == 0) o << "\\b0";
    if (f.italic == 0) o << "\\i0";
    if (f.underline == 0) o << "\\ul0";
    // The old format of a format change comes first, so that the run's text follows a control word.
    const RevisionInfo* formatChange = doc_.revision(f.fmtRev);
    if (formatChange && f.oldFormat >= 0) {
      o << "{\\*\\oldcprops " << charProps(doc_.format(static_cast<std::uint32_t>(f.oldFormat)), p) << "}";
    }
    if (const RevisionInfo* r2 = doc_.revision(f.insRev)) {
      o << "\\revised\\revauth" << authorIndex(r2->author) << "\\revdttm" << signedDate(r2->date);
    }
    if (const RevisionInfo* r2 = doc_.revision(f.delRev)) {
      o << "\\deleted\\revauthdel" << authorIndex(r2->author) << "\\revdttmdel" << signedDate(r2->date);
    }
    if (formatChange)
      o << "\\crauth" << authorIndex(formatChange->author) << "\\crdate" << signedDate(formatChange->date);
    o << " ";
    return o.str();
  }

  void paragraphProps(const ParaFormat& p) {
    const ResolvedFormat r = resolve(CharFormat{}, p);
    // A table row: its cells' right edges, then the paragraph in the table.
    if (!p.cells.empty()) {
      // The file's own definition (borders, merged cells) while the cells are the ones it defines.
      if (!p.rowRtf.empty() && cellEdges(p.rowRtf) == p.cells) {
        out_ << p.rowRtf;
      } else {
        out_ << "\\trowd\\trgaph108";
        for (int edge : p.cells) out_ << "\\cellx" << edge;
      }
      out_ << "\n";
    }
    out_ << "\\pard\\plain\\s" << styleNumber(p.style) << alignmentWord(r.alignment) << "\\"
         << kParagraphExplicit << (p.alignment >= 0 ? 1 : 0);
    // The file's words come after ours; its own style only while the paragraph has no style of ours.
    std::string_view kept = p.rtf;
    if (p.style != normalStyle().name && kept.starts_with("\\s") && kept.size() > 2 &&
        std::isdigit(static_cast<unsigned char>(kept[2]))) {
      std::size_t k = 2;
      while (k < kept.size() && std::isdigit(static_cast<unsigned char>(kept[k]))) ++k;
      kept.remove_prefix(k);
    }
    out_ << kept;
    if (!p.cells.empty()) out_ << "\\intbl";
  }

  void linkStart(const Link& l) {
    // In a field's quoted text a backslash and a quote are escaped by a backslash.
    auto quoted = [](const std::string& s) {
      std::string q;
      for (char c : s) {
        if (c == '"' || c == '\\') q += '\\';
        q += c;
      }
      return escape(q);
    };
    out_ << "{\\field{\\*\\fldinst {HYPERLINK \"" << quoted(l.address) << "\"";
    if (!l.subAddress.empty()) out_ << " \\\\l \"" << quoted(l.subAddress) << "\"";
    if (!l.screenTip.empty()) out_ << " \\\\o \"" << quoted(l.screenTip) << "\"";
    if (!l.target.empty()) out_ << " \\\\t \"" << quoted(l.target) << "\"";
    out_ << " }}{\\fldrslt {";
  }

  void picture(const Picture& p, double width, double height) {
    const RtfBlip blip = rtfBlip(p);
    out_ << "{\\pict" << blip.keyword << "\\picw" << p.pixelWidth << "\\pich" << p.pixelHeight << "\\picwgoal"
         << toTwips(width) << "\\pichgoal" << toTwips(height);
    // Bytes other readers cannot be given as they are (a GIF, an unusual BMP header) travel beside
    // the blip they can read, so that this program reads the picture back unchanged.
    if (blip.keepOriginal) {
      out_ << "{\\*\\" << kOriginalBlip;
      writeHex(out_, p.bytes);
      out_ << "}";
    }
    writeHex(out_, blip.bytes);
    out_ << "}";
  }

  void property(const std::string& name, const std::string& value) {
    out_ << "{\\sp{\\sn " << name << "}{\\sv " << value << "}}";
  }

  void shape(const ShapeData& s, int z) {
    const int left = toTwips(s.left);
    const int top = toTwips(s.top);
    static const int wr[] = {2, 4, 5, 3, 1, 3};
    out_ << "{\\shp{\\*\\shpinst\\shpleft" << left << "\\shptop" << top << "\\shpright"
         << left + toTwips(s.width) << "\\shpbottom" << top + toTwips(s.height)
         << "\\shpfhdr0\\shpbxcolumn\\shpbxignore\\shpbypara\\shpbyignore\\shpwr" << wr[s.wrapType]
         << "\\shpwrk0\\shpfblwtxt" << (s.wrapType == wrap::kBehind ? 1 : 0) << "\\shpz" << z << "\\shplid"
         << kShapeIdBase + s.number << "\n";
    property("shapeType", std::to_string(s.kind == ShapeKind::Line ? kShapeTypeLine : kShapeTypePicture));
    property("wzName", escape(s.name));
    property("fFlipH", s.flipH ? "1" : "0");
    property("fFlipV", s.flipV ? "1" : "0");
    if (s.kind == ShapeKind::Picture) {
      out_ << "{\\sp{\\sn pib}{\\sv ";
      picture(s.picture, s.width, s.height);
      out_ << "}}";
      if (s.transparentBackground) property("pictureTransparent", std::to_string(s.transparencyColor));
      property(kTransparentBackground, s.transparentBackground ? "1" : "0");
      if (!s.transparentBackground) property("verolinTransparencyColor", std::to_string(s.transparencyColor));
    }
    property("fFilled", s.fill.visible ? "1" : "0");
    property("fillColor", std::to_string(s.fill.foreColor));
    property("fillOpacity", std::to_string(opacity(s.fill.transparency)));
    property("fLine", s.line.visible ? "1" : "0");
    property("lineColor", std::to_string(s.line.foreColor));
    property("lineBackColor", std::to_string(s.line.backColor));
    property("lineWidth", std::to_string(static_cast<long long>(s.line.weight * kEmuPerPoint + 0.5)));
    property("lineStyle", std::to_string(s.line.style - 1));
    property("lineDashing", std::to_string(dashing(s.line.dashStyle)));
    property(kDashStyle, std::to_string(s.line.dashStyle));
    property("lineOpacity", std::to_string(opacity(s.line.transparency)));
    property("fLockAspectRatio", s.lockAspectRatio ? "1" : "0");
    property("fAllowOverlap", s.allowOverlap ? "1" : "0");
    if (s.link) {
      property(kLinkAddress, escape(s.link->address));
      property(kLinkSubAddress, escape(s.link->subAddress));
      property(kLinkScreenTip, escape(s.link->screenTip));
      property(kLinkTarget, escape(s.link->target));
    }
    out_ << "}}\n";
  }

  // The line dashing other readers know for an Office dash style.
  static int dashing(int dashStyle) {
    static const int map[] = {0, 0, 5, 2, 6, 8, 10, 7, 9, 10, 1, 2, 3};
    return dashStyle >= 0 && dashStyle <= 12 ? map[dashStyle] : 0;
  }

  struct BookmarkEvent {
    int pos;
    int order;  // an end that closes a non-empty bookmark first, then starts, then ends of empty ones
    std::string text;
  };

  std::vector<BookmarkEvent> bookmarkEvents() const {
    std::vector<BookmarkEvent> events;
    for (const auto& [name, span] : doc_.bookmarks) {
      const bool empty = span->start == span->end;
      events.push_back({span->start, 1, "{\\*\\bkmkstart " + escape(name) + "}"});
      events.push_back({span->end, empty ? 2 : 0, "{\\*\\bkmkend " + escape(name) + "}"});
    }
    std::stable_sort(events.begin(), events.end(), [](const BookmarkEvent& a, const BookmarkEvent& b) {
      return a.pos != b.pos ? a.pos < b.pos : a.order < b.order;
    });
    return events;
  }

  void body() {
    // Shapes are written where their anchor paragraph starts; \shpz keeps their order.
    std::multimap<int, int> shapesAt;
    for (std::size_t i = 0; i < doc_.shapes.size(); ++i) {
      shapesAt.emplace(doc_.paragraphStart(doc_.shapes[i].anchor), static_cast<int>(i));
    }
    // Kept groups where they stand; a section's properties before the first paragraph of the section.
    std::multimap<int, const KeptFragment*> keptAt;
    std::multimap<int, const KeptFragment*> sectionsAt;
    for (const auto& k : doc_.kept.fragments) {
      int pos = std::clamp(k.at->start, 0, doc_.size() - 1);
      if (k.kind == KeptFragment::kInline) {
        keptAt.emplace(pos, &k);
        continue;
      }
      if (pos != doc_.paragraphStart(pos)) pos = doc_.paragraphEnd(pos) + 1;
      if (pos < doc_.size()) sectionsAt.emplace(pos, &k);
    }
    auto endsSection = [&](int next) {
      auto range = sectionsAt.equal_range(next);
      for (auto it = range.first; it != range.second; ++it) {
        if (it->second->kind == KeptFragment::kSectionBreak) return true;
      }
      return false;
    };
    const auto events = bookmarkEvents();
    std::size_t nextEvent = 0;
    const ParaFormat* para = nullptr;
    int openLink = 0;
    // Every run is a group of its own, so that no reader carries its revision marks past it.
    bool runOpen = false;
    std::uint32_t runFormat = UINT32_MAX;
    auto closeRun = [&] {
      if (runOpen) out_ << "}";
      runOpen = false;
    };
    auto closeLink = [&] {
      closeRun();
      if (openLink) out_ << "}}}";
      openLink = 0;
    };
    for (int i = 0; i < doc_.size(); ++i) {
      const Char& c = doc_.at(i);
      if (!para) {
        auto sections = sectionsAt.equal_range(i);
        for (auto it = sections.first; it != sections.second; ++it) out_ << it->second->rtf << "\n";
        para = &doc_.paraFormat(doc_.at(doc_.paragraphEnd(i)).extra);
        paragraphProps(*para);
        auto range = shapesAt.equal_range(i);
        for (auto it = range.first; it != range.second; ++it) {
          shape(doc_.shapes[static_cast<std::size_t>(it->second)], it->second);
        }
      }
      while (nextEvent < events.size() && events[nextEvent].pos <= i) {
        closeRun();
        out_ << events[nextEvent++].text;
      }
      auto kept = keptAt.equal_range(i);
      if (kept.first != kept.second) {
        closeLink();
        for (auto it = kept.first; it != kept.second; ++it) out_ << it->second->rtf;
      }
      const CharFormat& f = doc_.format(c.format);
      const int link = c.cp == kParagraphMark ? 0 : f.link;
      if (link != openLink) {
        closeLink();
        if (const Link* l = link ? doc_.link(link) : nullptr) {
          linkStart(*l);
          openLink = link;
        }
      }
      if (c.cp == kParagraphMark && i + 1 == doc_.size() && para->cells.empty()) {
        // The last mark takes the properties in force where the document's group ends.
        closeLink();
        out_ << charProps(f, *para) << "\n";
        break;
      }
      if (!runOpen || c.format != runFormat) {
        closeRun();
        out_ << "{" << charProps(f, *para);
        runOpen = true;
        runFormat = c.format;
      }
      if (c.cp == kParagraphMark) {
        if (!para->cells.empty()) {
          out_ << "\\cell\\row";
        } else if (i + 1 < doc_.size()) {
          out_ << (endsSection(i + 1) ? "\\sect" : "\\par");
        }
        closeRun();
        out_ << "\n";
        para = nullptr;
      } else if (c.cp == kCellMark) {
        out_ << (para->cells.empty() ? "\\tab " : "\\cell ");
      } else if (c.cp == kPictureChar) {
        if (const InlinePicture* p = doc_.picture(static_cast<int>(c.extra)))
          picture(p->picture, p->width, p->height);
      } else {
        out_ << escape(text::fromCodePoint(c.cp));
      }
    }
    closeLink();
    while (nextEvent < events.size()) out_ << events[nextEvent++].text;
    out_ << "\n";
  }

  const DocumentModel& doc_;
  std::ostream& out_;
  std::map<int, std::string> fonts_;
  std::vector<int> styleNumbers_;  // of each built-in style
  std::vector<bool> ownStyle_;     // written from our definition (no style of the file has its name)
  std::vector<Color> colors_;
  std::vector<std::string> authors_;
};

}  // namespace

std::string writeRtf(const DocumentModel& doc) {
  std::ostringstream out;
  Writer(doc, out).run();
  return std::move(out).str();
}

void writeRtf(const DocumentModel& doc, std::ostream& out) {
  Writer(doc, out).run();
}

}  // namespace verolin::wordproc
