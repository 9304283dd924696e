#include "wordproc/model/layout.h"

#include <algorithm>

#include "wordproc/model/text_format.h"

namespace verolin::wordproc {

namespace {

bool isWide(char32_t cp) {
  return cp >= 0x2E80;
}

// Room taken by the window's own bars and the page's top margin above the first line.
constexpr double kWindowChrome = 120;
constexpr double kDefaultLineHeight = 15.6;  // 10.5-point text at single spacing

}  // namespace

std::vector<TextLine> layoutLines(const DocumentModel& doc) {
  const double column = std::max(36.0, doc.page.pageWidth - doc.page.leftMargin - doc.page.rightMargin);
  std::vector<TextLine> lines;
  int lineStart = 0;
  double x = 0;
  for (int i = 0; i < doc.size(); ++i) {
    const Char& c = doc.at(i);
    if (c.cp == kParagraphMark) {
      lines.push_back({lineStart, i + 1});
      lineStart = i + 1;
      x = 0;
      continue;
    }
    double w;
    if (c.cp == kPictureChar) {
      const InlinePicture* p = doc.picture(static_cast<int>(c.extra));
      w = p ? p->width : 0;
    } else {
      const double size = resolvedFormat(doc, i).size;
      w = isWide(c.cp) ? size : size / 2;
    }
    if (x + w > column && i > lineStart) {
      lines.push_back({lineStart, i});
      lineStart = i;
      x = 0;
    }
    x += w;
  }
  return lines;
}

int lineOf(const std::vector<TextLine>& lines, int pos) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (pos < lines[i].end) return static_cast<int>(i);
  }
  return static_cast<int>(lines.size()) - 1;
}

int linesPerScreen(double windowHeight) {
  return std::max(1, static_cast<int>((windowHeight - kWindowChrome) / kDefaultLineHeight));
}

}  // namespace verolin::wordproc
