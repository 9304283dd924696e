// The document model: the text as one sequence of characters, each with an interned character format
// (stored compactly, see text_store.h),
// where every paragraph ends in a paragraph mark that holds the paragraph's format, and the last
// character of a document is always a paragraph mark. Inline pictures are characters too; floating
// shapes, hyperlinks, revisions, protection and page settings sit beside the text.
//
// Positions count characters from 0, as the word processor's ranges do. Spans handed out by track()
// follow the text as it is edited, so selections, ranges and bookmarks stay on their text.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "automation/date.h"
#include "wordproc/model/picture.h"
#include "wordproc/model/text_store.h"

namespace verolin::wordproc {

inline constexpr char32_t kParagraphMark = U'\r';
inline constexpr char32_t kPictureChar = U'\x01';
inline constexpr char32_t kCellMark = U'\x07';  // ends a cell of a table row (the row's mark ends the last)

// True for the control characters text may hold: tab, line break (11) and page break (12). The others
// either mean something in the model (paragraph, picture and cell marks) or nothing at all, and are
// never taken from text a caller types or a file holds.
inline bool isTextControl(char32_t c) {
  return c == U'\t' || c == 0x0B || c == 0x0C;
}
inline bool isPlainCharacter(char32_t c) {
  return c >= 0x20 ? c != 0x7F : isTextControl(c);
}
// The text without the characters isPlainCharacter refuses (for names, links, authors and comments).
std::string plainCharacters(std::string_view utf8);

using Color = std::int32_t;                     // the word processor's BGR value
inline constexpr Color kAutoColor = -16777216;  // wdColorAutomatic
inline constexpr Color kWhite = 0xFFFFFF;
inline constexpr Color kBlack = 0;

enum RevisionKind { kRevisionInsert = 1, kRevisionDelete = 2, kRevisionProperty = 3 };

struct CharFormat {
  std::string font;  // "" takes the paragraph style's font
  double size = 0;   // points; 0 takes the style's size
  Color color = kAutoColor;
  int bold = -1;  // -1 takes the style's; 0 off; 1 on
  int italic = -1;
  int underline = -1;
  int insRev = 0;  // revision ids (0: none)
  int delRev = 0;
  int fmtRev = 0;
  int oldFormat = -1;  // the format before a tracked format change (index), -1 when none
  int link = 0;        // hyperlink id of a text hyperlink, 0 when none
  std::string rtf;     // the file's own run words the model has no place for, written back as they are

  friend bool operator==(const CharFormat&, const CharFormat&) = default;
};

struct ParaFormat {
  std::string style = "正文";
  int alignment = -1;      // -1 takes the style's; 0 left, 1 centre, 2 right, 3 justify
  std::vector<int> cells;  // a table row: the right edge of each cell in twips; empty for other paragraphs
  std::string rtf;         // the file's own paragraph words the model has no place for (lists, spacing, ...)
  std::string rowRtf;  // a row's definition as the file gives it (borders, merges), kept while its cells are

  friend bool operator==(const ParaFormat&, const ParaFormat&) = default;
};

struct Link {
  std::string address;
  std::string subAddress;
  std::string screenTip;
  std::string target;

  friend bool operator==(const Link&, const Link&) = default;
};

struct RevisionInfo {
  RevisionKind kind = kRevisionInsert;
  std::string author;
  automation::DateTime date;
};

struct LineStyle {
  bool visible = true;
  double weight = 0.75;  // points
  int dashStyle = 1;     // msoLineSolid
  int style = 1;         // msoLineSingle
  double transparency = 0;
  Color foreColor = kBlack;
  Color backColor = kWhite;

  friend bool operator==(const LineStyle&, const LineStyle&) = default;
};

struct FillStyle {
  bool visible = false;
  Color foreColor = kWhite;
  double transparency = 0;

  friend bool operator==(const FillStyle&, const FillStyle&) = default;
};

enum class ShapeKind { Picture, Line };

// The wrap types the word processor knows (wdWrapType).
namespace wrap {
inline constexpr int kSquare = 0;
inline constexpr int kTight = 1;
inline constexpr int kThrough = 2;
inline constexpr int kFront = 3;  // also wdWrapNone: in front of the text
inline constexpr int kTopBottom = 4;
inline constexpr int kBehind = 5;
inline constexpr int kInline = 7;
}  // namespace wrap

struct ShapeData {
  int number = 0;  // the number in its default name; never given twice in one document
  std::string name;
  ShapeKind kind = ShapeKind::Picture;
  Picture picture;
  double left = 0;  // points, from the anchor's column and paragraph
  double top = 0;
  double width = 0;
  double height = 0;
  bool flipH = false;
  bool flipV = false;
  bool transparentBackground = false;
  Color transparencyColor = kWhite;
  FillStyle fill;
  LineStyle line;
  int wrapType = wrap::kSquare;
  bool allowOverlap = true;
  bool lockAspectRatio = false;
  int anchor = 0;  // position of the paragraph it is anchored to
  std::optional<Link> link;

  friend bool operator==(const ShapeData&, const ShapeData&) = default;
};

struct InlinePicture {
  Picture picture;
  double width = 0;  // points
  double height = 0;

  friend bool operator==(const InlinePicture&, const InlinePicture&) = default;
};

// Protection types (wdProtectionType).
namespace protection {
inline constexpr int kNone = -1;
inline constexpr int kRevisions = 0;
inline constexpr int kComments = 1;
inline constexpr int kFormFields = 2;
inline constexpr int kReadOnly = 3;
}  // namespace protection

struct Protection {
  int type = protection::kNone;
  std::optional<std::uint32_t> passwordKey;  // the password's key, never the password itself

  friend bool operator==(const Protection&, const Protection&) = default;
};

struct PageSetup {
  double pageWidth = 595.3;  // A4, points
  double pageHeight = 841.9;
  double topMargin = 72;
  double bottomMargin = 72;
  double leftMargin = 90;
  double rightMargin = 90;
  int orientation = 0;  // 0 portrait, 1 landscape

  friend bool operator==(const PageSetup&, const PageSetup&) = default;
};

struct VersionInfo {
  std::string author;
  std::string comment;
  automation::DateTime date;

  friend bool operator==(const VersionInfo&, const VersionInfo&) = default;
};

// A stretch of text that follows edits.
struct Span {
  int start = 0;
  int end = 0;
};

// What an RTF file holds that the model does not represent, kept so that saving gives it back: the
// file's font, colour and style tables with their numbers (which the kept words refer to), document
// and section properties, and groups anchored in the text (headers and footers with their section,
// footnotes, comments, fields, text boxes, pictures this program cannot show, list numbers).
struct KeptFragment {
  enum Kind { kInline, kSection, kSectionBreak };
  std::shared_ptr<Span> at;  // written before the character at at->start
  std::string rtf;
  Kind kind = kInline;  // kSection: a section's properties, before the paragraph; kSectionBreak: and
                        // the paragraph before ends its section
};

struct KeptRtf {
  int codePage = 936;  // \ansicpg, for the bytes of kept groups
  int defaultFont = -1;
  std::map<int, std::string> fonts;  // number: the entry as the file has it
  std::map<int, std::string> fontNames;
  std::vector<Color> colors;          // the colour table from entry 1 (kAutoColor for an empty entry)
  std::map<int, std::string> styles;  // number: the entry as the file has it
  std::map<int, std::string> styleNames;
  std::string document;  // document properties and destinations (lists, information, page styles)
  std::string section;   // the first section's properties (headers and footers among them)
  // Form protection of the sections not marked \sectunlocked: the document itself stays editable.
  bool sectionProtection = false;
  std::vector<KeptFragment> fragments;
};

class DocumentModel {
 public:
  DocumentModel();  // one empty paragraph

  // Characters, including the final paragraph mark.
  int size() const { return static_cast<int>(chars_.size()); }
  // The character at pos; std::out_of_range outside the text.
  Char at(int pos) const { return chars_.get(static_cast<std::size_t>(pos)); }
  // The UTF-8 text of [start, end): paragraph marks as "\r", pictures as "\x01".
  std::string text(int start, int end) const;

  const CharFormat& charFormat(int pos) const { return formats_.at(at(pos).format); }
  const CharFormat& format(std::uint32_t index) const { return formats_.at(index); }
  std::uint32_t intern(const CharFormat& f);
  const ParaFormat& paraFormatAt(int pos) const;  // of the paragraph holding pos
  const ParaFormat& paraFormat(std::uint32_t index) const { return paraFormats_.at(index); }
  std::uint32_t intern(const ParaFormat& f);

  int paragraphStart(int pos) const;
  int paragraphEnd(int pos) const;  // the position of its mark
  // The marks' positions in order.
  std::vector<int> paragraphMarks() const;

  // Inserts text; every "\r" in it starts a new paragraph with the format of the one it splits.
  void insert(int pos, std::u32string_view text, std::uint32_t format);
  // Inserts an inline picture character and returns its picture id.
  int insertPicture(int pos, InlinePicture picture, std::uint32_t format);
  // Replaces the whole text (readers build it at once); the last character must be a paragraph mark.
  void assign(std::vector<Char> chars);
  void assign(TextStore chars);
  // Keeps a picture for a picture character that assign() will bring; returns its id.
  int storePicture(InlinePicture picture);
  // Removes [start, end); the final paragraph mark is never removed.
  void erase(int start, int end);
  void setFormat(int pos, std::uint32_t format) {
    Char c = at(pos);
    c.format = format;
    chars_.set(static_cast<std::size_t>(pos), c);
    ++changes_;
  }
  // Grows with every change of the text or its formats, so that what is derived from them can be kept.
  std::uint64_t changeCount() const { return changes_; }
  // Sets the format of the paragraph whose mark is at markPos.
  void setParaFormat(int markPos, std::uint32_t format);

  // A span that follows the text from now on (kept while the caller holds it).
  std::shared_ptr<Span> track(int start, int end);
  // Marks [start, end) with a bookmark of that name (replacing one of the same name). A bookmark ends
  // at the final paragraph mark at the latest, as files can hold it.
  void addBookmark(const std::string& name, int start, int end);

  // The id of a new revision of `kind`.
  int addRevision(RevisionKind kind, std::string author, const automation::DateTime& date);
  const RevisionInfo* revision(int id) const;
  int addLink(Link link);
  Link* link(int id);
  const Link* link(int id) const;
  InlinePicture* picture(int id);
  const InlinePicture* picture(int id) const;

  // Floating shapes in the order of their z-order (first at the back).
  std::vector<ShapeData> shapes;
  // The number the next new shape takes; kept in the file, so numbers are never given twice.
  int nextShapeNumber = 1;
  Protection protection;
  PageSetup page;
  bool trackRevisions = false;
  bool printRevisions = true;
  bool showRevisions = true;
  std::map<std::string, std::shared_ptr<Span>> bookmarks;
  std::vector<VersionInfo> versions;
  KeptRtf kept;
  // Keeps `rtf` before the character at pos, following the text as it is edited.
  void keep(int pos, std::string rtf, KeptFragment::Kind kind = KeptFragment::kInline);

 private:
  void shift(int pos, int delta);
  void collapse(int start, int end);

  TextStore chars_;
  std::vector<CharFormat> formats_;
  std::vector<ParaFormat> paraFormats_;
  std::map<int, InlinePicture> pictures_;
  int nextPicture_ = 1;
  std::map<int, Link> links_;
  int nextLink_ = 1;
  std::map<int, RevisionInfo> revisions_;
  int nextRevision_ = 1;
  std::vector<std::weak_ptr<Span>> spans_;
  std::uint64_t changes_ = 0;
};

// A canonical description of everything the document holds (formats by value, revisions by author
// and date, pictures by size and a digest), so that two models can be compared and differences read.
std::string describe(const DocumentModel& doc);

}  // namespace verolin::wordproc
