#include "com/word_paint.h"

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <tuple>

#include "platform/win32/picture_bitmap.h"
#include "wordproc/model/text_format.h"

namespace verolin::com {
namespace {

using wordproc::DocumentModel;

constexpr COLORREF kBackground = RGB(128, 128, 128);
constexpr COLORREF kPageColour = RGB(255, 255, 255);
constexpr COLORREF kPageEdge = RGB(64, 64, 64);
constexpr int kGap = 12;  // grey around the page
constexpr const wchar_t* kDefaultFace = L"宋体";
constexpr const wchar_t* kMenu[] = {L"文件(F)", L"编辑(E)", L"视图(V)", L"插入(I)", L"格式(O)",
                                    L"工具(T)", L"表格(A)", L"窗口(W)", L"帮助(H)"};

// Points at 100% on a 96-dpi screen.
int px(double points) {
  return static_cast<int>(points * 96.0 / 72.0 + 0.5);
}

std::wstring wide(const std::string& s) {
  std::wstring w(s.size() + 1, L'\0');
  w.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()),
                                                        w.data(), static_cast<int>(w.size()))));
  return w;
}

void append(std::wstring& out, char32_t c) {
  if (c >= 0x10000) {
    c -= 0x10000;
    out.push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
  } else {
    out.push_back(static_cast<wchar_t>(c));
  }
}

// Characters after which a line may break without a space: ideographs, kana, Hangul and full-width forms.
bool breaksAlone(char32_t c) {
  return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFE30 && c <= 0xFFEF) || c >= 0x20000;
}

bool isChineseFace(const std::wstring& face) {
  return std::any_of(face.begin(), face.end(), [](wchar_t c) { return c >= 0x2E80; });
}

// One GDI font per face, size and style, for one paint.
class Fonts {
 public:
  Fonts() = default;
  Fonts(const Fonts&) = delete;
  Fonts& operator=(const Fonts&) = delete;
  ~Fonts() {
    for (auto& [key, font] : fonts_) DeleteObject(font);
  }
  HFONT get(const wordproc::ResolvedFormat& f) {
    std::wstring face = f.font.empty() ? kDefaultFace : wide(f.font);
    const int height = -std::max(1, px(f.size > 0 ? f.size : 10.5));
    auto key = std::make_tuple(face, height, f.bold, f.italic, f.underline);
    auto it = fonts_.find(key);
    if (it != fonts_.end()) return it->second;
    HFONT font = CreateFontW(height, 0, 0, 0, f.bold ? FW_BOLD : FW_NORMAL, f.italic, f.underline, FALSE,
                             isChineseFace(face) ? GB2312_CHARSET : DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face.c_str());
    fonts_.emplace(std::move(key), font);
    return font;
  }

 private:
  std::map<std::tuple<std::wstring, int, bool, bool, bool>, HFONT> fonts_;
};

// A piece of a line: text in one format, or an inline picture.
struct Piece {
  std::wstring text;
  HFONT font = nullptr;
  COLORREF colour = 0;
  int pictureId = 0;  // an inline picture when not 0
  int x = 0;
  int width = 0;
  int height = 0;
  int ascent = 0;
};

struct Line {
  std::vector<Piece> pieces;
  int top = 0;
  int height = 0;
  int ascent = 0;
};

struct Layout {
  PageLayout page;
  std::vector<Line> lines;
};

COLORREF colourOf(wordproc::Color c) {
  return c == wordproc::kAutoColor ? RGB(0, 0, 0) : static_cast<COLORREF>(c & 0xFFFFFF);
}

// Breaks one paragraph [start, mark) into lines at the column's width.
class ParagraphBreaker {
 public:
  ParagraphBreaker(HDC dc, Fonts& fonts, const DocumentModel& doc, int width, std::vector<Line>& lines)
      : dc_(dc), fonts_(fonts), doc_(doc), width_(width), lines_(lines) {}

  void run(int start, int mark, int& y) {
    const wordproc::ResolvedFormat markFormat = wordproc::resolvedFormat(doc_, mark);
    first_ = lines_.size();
    startLine();
    for (int pos = start; pos < mark; ++pos) {
      const wordproc::Char c = doc_.at(pos);
      if (c.cp == wordproc::kPictureChar) {
        flushWord();
        placePicture(static_cast<int>(c.extra));
        continue;
      }
      if (c.cp == 0x0B || c.cp == 0x0C) {
        flushWord();
        endLine(markFormat);
        startLine();
        continue;
      }
      const wordproc::ResolvedFormat f = wordproc::resolvedFormat(doc_, pos);
      HFONT font = fonts_.get(f);
      const COLORREF colour = colourOf(f.color);
      if (!word_.text.empty() && (font != word_.font || colour != word_.colour || breaksAlone(c.cp) ||
                                  (wordEndsInSpace_ && c.cp != U' ')))
        flushWord();
      word_.font = font;
      word_.colour = colour;
      if (c.cp == U'\t' || c.cp == wordproc::kCellMark) {
        word_.text += L"    ";
      } else {
        append(word_.text, c.cp);
      }
      wordEndsInSpace_ = c.cp == U' ' || c.cp == U'\t' || c.cp == wordproc::kCellMark;
      if (breaksAlone(c.cp)) flushWord();
    }
    flushWord();
    endLine(markFormat);
    alignLines(markFormat.alignment);
    for (std::size_t i = first_; i < lines_.size(); ++i) {
      lines_[i].top = y;
      y += lines_[i].height;
    }
  }

 private:
  void startLine() {
    lines_.emplace_back();
    x_ = 0;
  }
  void endLine(const wordproc::ResolvedFormat& markFormat) {
    Line& line = lines_.back();
    // An empty line (an empty paragraph) is as high as its mark's font.
    if (line.pieces.empty()) {
      Piece empty;
      empty.font = fonts_.get(markFormat);
      measure(empty);
      line.height = empty.height;
      line.ascent = empty.ascent;
    }
    for (const Piece& p : line.pieces) line.ascent = std::max(line.ascent, p.ascent);
    for (const Piece& p : line.pieces) line.height = std::max(line.height, line.ascent - p.ascent + p.height);
  }
  void measure(Piece& p) {
    HGDIOBJ old = SelectObject(dc_, p.font);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc_, &tm);
    SIZE size{};
    if (!p.text.empty()) GetTextExtentPoint32W(dc_, p.text.c_str(), static_cast<int>(p.text.size()), &size);
    SelectObject(dc_, old);
    p.width = size.cx;
    // Single spacing leaves a little room between lines, as a printed page does.
    p.height = tm.tmHeight + std::max<int>(tm.tmExternalLeading, tm.tmHeight / 6);
    p.ascent = tm.tmAscent;
  }
  void place(Piece p, int fitWidth) {
    if (x_ > 0 && x_ + fitWidth > width_) {
      endLine(wordproc::ResolvedFormat{});
      startLine();
    }
    p.x = x_;
    x_ += p.width;
    lines_.back().pieces.push_back(std::move(p));
  }
  void flushWord() {
    if (word_.text.empty()) return;
    Piece p = std::move(word_);
    word_ = Piece{};
    measure(p);
    // Trailing spaces may hang past the column's edge.
    int fit = p.width;
    const auto last = p.text.find_last_not_of(L' ');
    if (last != std::wstring::npos && last + 1 < p.text.size()) {
      SIZE size{};
      HGDIOBJ old = SelectObject(dc_, p.font);
      GetTextExtentPoint32W(dc_, p.text.c_str(), static_cast<int>(last + 1), &size);
      SelectObject(dc_, old);
      fit = size.cx;
    }
    wordEndsInSpace_ = false;
    place(std::move(p), fit);
  }
  void placePicture(int id) {
    const wordproc::InlinePicture* picture = doc_.picture(id);
    if (!picture) return;
    Piece p;
    p.pictureId = id;
    p.width = std::max(1, px(picture->width));
    p.height = std::max(1, px(picture->height));
    if (p.width > width_) {  // shown smaller, proportions kept
      p.height = std::max(1, p.height * width_ / p.width);
      p.width = width_;
    }
    p.ascent = p.height;
    const int fit = p.width;
    place(std::move(p), fit);
  }
  void alignLines(int alignment) {
    if (alignment != 1 && alignment != 2) return;
    for (std::size_t i = first_; i < lines_.size(); ++i) {
      Line& line = lines_[i];
      if (line.pieces.empty()) continue;
      const Piece& last = line.pieces.back();
      int used = last.x + last.width;
      const auto trimmed = last.text.find_last_not_of(L' ');
      if (!last.pictureId && trimmed != std::wstring::npos && trimmed + 1 < last.text.size()) {
        SIZE size{};
        HGDIOBJ old = SelectObject(dc_, last.font);
        GetTextExtentPoint32W(dc_, last.text.c_str(), static_cast<int>(trimmed + 1), &size);
        SelectObject(dc_, old);
        used = last.x + size.cx;
      }
      const int shift = std::max(0, alignment == 1 ? (width_ - used) / 2 : width_ - used);
      for (Piece& p : line.pieces) p.x += shift;
    }
  }

  HDC dc_;
  Fonts& fonts_;
  const DocumentModel& doc_;
  int width_;
  std::vector<Line>& lines_;
  std::size_t first_ = 0;
  int x_ = 0;
  Piece word_;
  bool wordEndsInSpace_ = false;
};

Layout layOut(HDC dc, Fonts& fonts, const RECT& area, const DocumentModel& doc) {
  Layout out;
  const int windowWidth = area.right - area.left;
  const int top = area.top + kMenuStripHeight + kGap;
  // The sheet at its real width where the window is wide enough, else as wide as the window allows,
  // with the margins shrunk to keep a useful column.
  const int fullWidth = px(doc.page.pageWidth);
  const int pageWidth = std::max(40, std::min(fullWidth, windowWidth - 2 * kGap));
  const int pageLeft = area.left + std::max(kGap, (windowWidth - pageWidth) / 2);
  const int leftMargin = std::min(px(doc.page.leftMargin), pageWidth / 8);
  const int rightMargin = std::min(px(doc.page.rightMargin), pageWidth / 8);
  const int topMargin = std::min(px(doc.page.topMargin), 48);
  out.page.text = {pageLeft + leftMargin, top + topMargin, pageLeft + pageWidth - rightMargin, 0};
  const int column = std::max<int>(1, out.page.text.right - out.page.text.left);

  std::map<int, int> paragraphTops;  // paragraph start -> its first line's top
  int y = out.page.text.top;
  int start = 0;
  for (int mark : doc.paragraphMarks()) {
    paragraphTops[start] = y;
    ParagraphBreaker(dc, fonts, doc, column, out.lines).run(start, mark, y);
    start = mark + 1;
  }
  out.page.text.bottom = y;
  out.page.bottom = y;
  for (const wordproc::ShapeData& shape : doc.shapes) {
    const int anchor = std::clamp(shape.anchor, 0, doc.size() - 1);
    const auto it = paragraphTops.find(doc.paragraphStart(anchor));
    const int anchorTop = it == paragraphTops.end() ? out.page.text.top : it->second;
    const int left = out.page.text.left + px(shape.left);
    const int shapeTop = anchorTop + px(shape.top);
    out.page.shapes.push_back({left, shapeTop, left + px(shape.width), shapeTop + px(shape.height)});
    out.page.bottom = std::max<int>(out.page.bottom, shapeTop + px(shape.height));
  }
  const int pageBottom = std::max<int>(top + px(doc.page.pageHeight), out.page.bottom + topMargin);
  out.page.page = {pageLeft, top, pageLeft + pageWidth, pageBottom};
  return out;
}

void drawPicture(HDC dc, const RECT& r, const automation::Bytes& bytes, bool transparent, COLORREF key) {
  SIZE size{};
  HBITMAP bitmap = platform::win32::DecodePicture(bytes, &size);
  if (!bitmap) {
    // A picture the system cannot show keeps its place as a frame.
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
    Rectangle(dc, r.left, r.top, r.right, r.bottom);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    return;
  }
  HDC source = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(source, bitmap);
  const int w = r.right - r.left;
  const int h = r.bottom - r.top;
  if (transparent) {
    TransparentBlt(dc, r.left, r.top, w, h, source, 0, 0, size.cx, size.cy, key);
  } else {
    SetStretchBltMode(dc, HALFTONE);
    StretchBlt(dc, r.left, r.top, w, h, source, 0, 0, size.cx, size.cy, SRCCOPY);
  }
  SelectObject(source, old);
  DeleteDC(source);
  DeleteObject(bitmap);
}

void drawShape(HDC dc, const RECT& r, const wordproc::ShapeData& shape) {
  if (shape.kind == wordproc::ShapeKind::Line) {
    if (!shape.line.visible) return;
    HPEN pen = CreatePen(PS_SOLID, std::max(1, px(shape.line.weight)), colourOf(shape.line.foreColor));
    HGDIOBJ old = SelectObject(dc, pen);
    const int x0 = shape.flipH ? r.right : r.left;
    const int y0 = shape.flipV ? r.bottom : r.top;
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, shape.flipH ? r.left : r.right, shape.flipV ? r.top : r.bottom);
    SelectObject(dc, old);
    DeleteObject(pen);
    return;
  }
  if (shape.fill.visible) {
    HBRUSH brush = CreateSolidBrush(colourOf(shape.fill.foreColor));
    FillRect(dc, &r, brush);
    DeleteObject(brush);
  }
  drawPicture(dc, r, shape.picture.bytes, shape.transparentBackground, colourOf(shape.transparencyColor));
}

void drawMenuStrip(HDC dc, const RECT& area) {
  RECT strip{area.left, area.top, area.right, area.top + kMenuStripHeight};
  FillRect(dc, &strip, GetSysColorBrush(COLOR_BTNFACE));
  HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  int x = area.left + 8;
  for (const wchar_t* item : kMenu) {
    SIZE size{};
    const int n = static_cast<int>(wcslen(item));
    GetTextExtentPoint32W(dc, item, n, &size);
    TextOutW(dc, x, area.top + (kMenuStripHeight - size.cy) / 2, item, n);
    x += size.cx + 14;
  }
  SelectObject(dc, old);
}

void drawLines(HDC dc, const DocumentModel& doc, const Layout& layout) {
  SetBkMode(dc, TRANSPARENT);
  for (const Line& line : layout.lines) {
    for (const Piece& p : line.pieces) {
      const int x = layout.page.text.left + p.x;
      const int y = line.top + line.ascent - p.ascent;
      if (p.pictureId) {
        if (const wordproc::InlinePicture* picture = doc.picture(p.pictureId))
          drawPicture(dc, {x, y, x + p.width, y + p.height}, picture->picture.bytes, false, 0);
        continue;
      }
      HGDIOBJ old = SelectObject(dc, p.font);
      SetTextColor(dc, p.colour);
      TextOutW(dc, x, y, p.text.c_str(), static_cast<int>(p.text.size()));
      SelectObject(dc, old);
    }
  }
}

}  // namespace

PageLayout layoutPage(HDC dc, const RECT& area, const DocumentModel& doc) {
  Fonts fonts;
  return layOut(dc, fonts, area, doc).page;
}

void paintDocument(HDC dc, const RECT& area, const DocumentModel* doc) {
  HBRUSH background = CreateSolidBrush(kBackground);
  FillRect(dc, &area, background);
  DeleteObject(background);
  drawMenuStrip(dc, area);
  if (!doc) return;
  Fonts fonts;
  const Layout layout = layOut(dc, fonts, area, *doc);
  RECT edge = layout.page.page;
  OffsetRect(&edge, 2, 2);
  HBRUSH shadow = CreateSolidBrush(kPageEdge);
  FillRect(dc, &edge, shadow);
  DeleteObject(shadow);
  HBRUSH paper = CreateSolidBrush(kPageColour);
  FillRect(dc, &layout.page.page, paper);
  DeleteObject(paper);
  const auto& shapes = doc->shapes;
  for (std::size_t i = 0; i < shapes.size(); ++i) {
    if (shapes[i].wrapType == wordproc::wrap::kBehind) drawShape(dc, layout.page.shapes[i], shapes[i]);
  }
  drawLines(dc, *doc, layout);
  for (std::size_t i = 0; i < shapes.size(); ++i) {
    if (shapes[i].wrapType != wordproc::wrap::kBehind) drawShape(dc, layout.page.shapes[i], shapes[i]);
  }
}

std::uint64_t paintFingerprint(const DocumentModel* doc) {
  if (!doc) return 0;
  // FNV-1a over what the painter reads besides the text, which the change count stands for.
  std::uint64_t h = 1469598103934665603ull;
  auto mix = [&h](std::uint64_t v) {
    for (int i = 0; i < 8; ++i, v >>= 8) h = (h ^ (v & 0xFF)) * 1099511628211ull;
  };
  auto mixDouble = [&mix](double d) { mix(static_cast<std::uint64_t>(static_cast<std::int64_t>(d * 100))); };
  mix(reinterpret_cast<std::uintptr_t>(doc));
  mix(doc->changeCount());
  mix(static_cast<std::uint64_t>(doc->size()));
  mixDouble(doc->page.pageWidth);
  mixDouble(doc->page.leftMargin);
  for (const wordproc::ShapeData& s : doc->shapes) {
    mix(static_cast<std::uint64_t>(s.number));
    mix(static_cast<std::uint64_t>(s.anchor));
    mix(static_cast<std::uint64_t>(s.wrapType));
    mix(s.picture.bytes.size());
    mix(s.transparentBackground);
    mixDouble(s.left);
    mixDouble(s.top);
    mixDouble(s.width);
    mixDouble(s.height);
  }
  return h;
}

}  // namespace verolin::com
