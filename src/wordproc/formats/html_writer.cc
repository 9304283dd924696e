#include "wordproc/formats/html_writer.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <sstream>

#include "text/utf8.h"
#include "wordproc/model/styles.h"
#include "wordproc/model/text_format.h"

namespace verolin::wordproc {

namespace {

std::string escapeHtml(std::string_view s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string pt(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2fpt", v);
  return buf;
}

std::string cssColor(Color c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
  return buf;
}

const char* alignName(int a) {
  switch (a) {
    case 0:
      return "left";
    case 1:
      return "center";
    case 2:
      return "right";
    default:
      return "justify";
  }
}

std::string href(const Link& l) {
  return escapeHtml(l.subAddress.empty()
                        ? l.address
                        : l.address + (l.address.empty() || l.address == "#" ? "" : "#") + l.subAddress);
}

std::string linkOpen(const Link& l) {
  std::string a = "<a href=\"" + href(l) + "\"";
  if (!l.screenTip.empty()) a += " title=\"" + escapeHtml(l.screenTip) + "\"";
  if (!l.target.empty()) a += " target=\"" + escapeHtml(l.target) + "\"";
  return a + ">";
}

class HtmlWriter {
 public:
  HtmlWriter(const DocumentModel& doc, std::string_view pageName) : doc_(doc) {
    std::string base(pageName);
    const auto dot = base.rfind('.');
    if (dot != std::string::npos) base.erase(dot);
    folder_ = base + ".files";
  }

  HtmlPage run() {
    out_ << "<html>\n<head>\n<meta http-equiv=Content-Type content=\"text/html; charset=utf-8\">\n"
         << "<meta name=Generator content=\"Verolin Word\">\n<title></title>\n<style>\n";
    for (const auto& s : builtinStyles()) {
      if (s.type != StyleType::Paragraph) continue;
      out_ << "p." << cssClass(s) << " {margin:0pt; text-align:" << alignName(s.alignment)
           << "; font-size:" << pt(s.size) << "; font-family:\"" << s.font << "\""
           << (s.bold ? "; font-weight:bold" : "") << "}\n";
    }
    out_ << "ins {color:#0000ff; text-decoration:underline} del {color:#ff0000; "
            "text-decoration:line-through}\n"
         << "</style>\n</head>\n<body lang=ZH-CN>\n<div style=\"width:"
         << pt(doc_.page.pageWidth - doc_.page.leftMargin - doc_.page.rightMargin)
         << "; margin:" << pt(doc_.page.topMargin) << " " << pt(doc_.page.rightMargin) << "\">\n";
    body();
    out_ << "</div>\n</body>\n</html>\n";
    page_.html = out_.str();
    return std::move(page_);
  }

 private:
  static std::string cssClass(const StyleDef& s) {
    std::string c = "s" + std::to_string(-s.builtin);
    return c;
  }

  std::string file(const Picture& p) {
    char name[32];
    std::snprintf(name, sizeof name, "image%03d.%s", ++pictures_,
                  std::string(pictureExtension(p.type)).c_str());
    page_.files.emplace_back(folder_ + "\\" + name, p.bytes);
    return folder_ + "/" + name;
  }

  void shape(const ShapeData& s, int z) {
    std::string style = "position:absolute; z-index:" + std::to_string(s.wrapType == 5 ? -1 - z : 1 + z) +
                        "; left:" + pt(s.left) + "; top:" + pt(s.top);
    std::string inner;
    if (s.kind == ShapeKind::Picture) {
      inner = "<img src=\"" + file(s.picture) + "\" alt=\"" + escapeHtml(s.name) +
              "\" style=\"width:" + pt(s.width) + "; height:" + pt(s.height);
      if (s.line.visible) {
        inner += "; border:" + pt(s.line.weight) + " solid " + cssColor(s.line.foreColor);
      }
      if (s.fill.visible) inner += "; background:" + cssColor(s.fill.foreColor);
      inner += "\">";
    } else {
      const double x1 = s.flipH ? s.width : 0, x2 = s.flipH ? 0 : s.width;
      const double y1 = s.flipV ? s.height : 0, y2 = s.flipV ? 0 : s.height;
      char svg[512];
      std::snprintf(
          svg, sizeof svg,
          "<svg width=\"%.2fpt\" height=\"%.2fpt\" viewBox=\"0 0 %.2f %.2f\" style=\"overflow:visible\">"
          "<line x1=\"%.2f\" y1=\"%.2f\" x2=\"%.2f\" y2=\"%.2f\" stroke=\"%s\" "
          "stroke-width=\"%.2f\"%s/></svg>",
          std::max(s.width, 1.0), std::max(s.height, 1.0), std::max(s.width, 1.0), std::max(s.height, 1.0),
          x1, y1, x2, y2, cssColor(s.line.foreColor).c_str(), s.line.weight,
          s.line.visible ? "" : " visibility=\"hidden\"");
      inner = svg;
    }
    if (s.link) inner = linkOpen(*s.link) + inner + "</a>";
    out_ << "<span title=\"" << escapeHtml(s.link ? s.link->screenTip : "") << "\" style=\"" << style << "\">"
         << inner << "</span>";
  }

  std::string spanStyle(const ResolvedFormat& r, const StyleDef& style) {
    std::string css;
    if (r.size != style.size) css += "font-size:" + pt(r.size) + ";";
    if (r.font != style.font) css += "font-family:\"" + r.font + "\";";
    if (r.color != kAutoColor) css += "color:" + cssColor(r.color) + ";";
    if (r.bold != style.bold) css += r.bold ? "font-weight:bold;" : "font-weight:normal;";
    if (r.italic) css += "font-style:italic;";
    if (r.underline) css += "text-decoration:underline;";
    return css;
  }

  void body() {
    std::multimap<int, int> shapesAt;
    for (std::size_t i = 0; i < doc_.shapes.size(); ++i) {
      shapesAt.emplace(doc_.paragraphStart(doc_.shapes[i].anchor), static_cast<int>(i));
    }
    int i = 0;
    bool inTable = false;
    while (i < doc_.size()) {
      const int mark = doc_.paragraphEnd(i);
      const ParaFormat& para = doc_.paraFormat(doc_.at(mark).extra);
      const StyleDef* style = findStyle(para.style);
      if (!style) style = &normalStyle();
      const ResolvedFormat pr = resolve(CharFormat{}, para);
      const bool row = !para.cells.empty();
      // Table rows sit in one table; a cell mark moves to the next cell.
      if (row && !inTable)
        out_ << "<table border=1 cellspacing=0 cellpadding=4 style=\"border-collapse:collapse\">\n";
      if (!row && inTable) out_ << "</table>\n";
      inTable = row;
      int cell = 0;
      auto openCell = [&] {
        const int left = cell == 0 ? 0 : para.cells[static_cast<std::size_t>(cell - 1)];
        const int right =
            para.cells[std::min<std::size_t>(static_cast<std::size_t>(cell), para.cells.size() - 1)];
        out_ << "<td style=\"width:" << pt((right - left) / 20.0) << "\">";
      };
      if (row) {
        out_ << "<tr>";
        openCell();
      }
      out_ << "<p class=" << cssClass(*style)
           << " style=\"position:relative; text-align:" << alignName(pr.alignment) << "\">";
      auto range = shapesAt.equal_range(i);
      for (auto it = range.first; it != range.second; ++it)
        shape(doc_.shapes[static_cast<std::size_t>(it->second)], it->second);
      bool empty = true;
      for (; i < mark; ++i) {
        const Char& c = doc_.at(i);
        const CharFormat& f = doc_.format(c.format);
        std::string piece;
        if (c.cp == kPictureChar) {
          if (const InlinePicture* p = doc_.picture(static_cast<int>(c.extra))) {
            piece = "<img src=\"" + file(p->picture) + "\" style=\"width:" + pt(p->width) +
                    "; height:" + pt(p->height) + "\">";
          }
        } else if (c.cp == kCellMark && row) {
          if (empty) out_ << "&nbsp;";
          out_ << "</p></td>";
          ++cell;
          openCell();
          out_ << "<p class=" << cssClass(*style) << ">";
          empty = true;
          continue;
        } else if (c.cp == U'\t' || c.cp == kCellMark) {
          piece = "&emsp;";
        } else if (c.cp == 0x0B) {
          piece = "<br>";
        } else {
          piece = escapeHtml(text::fromCodePoint(c.cp));
        }
        const std::string css = spanStyle(resolve(f, para), *style);
        if (!css.empty()) piece = "<span style=\"" + css + "\">" + piece + "</span>";
        if (f.link) {
          if (const Link* l = doc_.link(f.link)) piece = linkOpen(*l) + piece + "</a>";
        }
        piece = revised(f, piece);
        if (piece.empty()) continue;
        out_ << piece;
        // Blanks alone collapse to nothing in a page, and the paragraph with them.
        if (c.cp != U' ') empty = false;
      }
      if (empty) out_ << "&nbsp;";
      out_ << (row ? "</p></td></tr>\n" : "</p>\n");
      i = mark + 1;
    }
    if (inTable) out_ << "</table>\n";
  }

  // Revision marks as the window shows them while revisions are shown; otherwise the text as it reads.
  std::string revised(const CharFormat& f, const std::string& piece) {
    const RevisionInfo* ins = doc_.revision(f.insRev);
    const RevisionInfo* del = doc_.revision(f.delRev);
    if (!doc_.showRevisions) return del ? std::string() : piece;
    std::string out = piece;
    if (ins)
      out = "<ins title=\"" + escapeHtml(ins->author) + " " + automation::formatIso(ins->date) + "\">" + out +
            "</ins>";
    if (del)
      out = "<del title=\"" + escapeHtml(del->author) + " " + automation::formatIso(del->date) + "\">" + out +
            "</del>";
    return out;
  }

  const DocumentModel& doc_;
  std::ostringstream out_;
  HtmlPage page_;
  std::string folder_;
  int pictures_ = 0;
};

}  // namespace

HtmlPage writeHtml(const DocumentModel& doc, std::string_view pageName) {
  return HtmlWriter(doc, pageName).run();
}

}  // namespace verolin::wordproc
