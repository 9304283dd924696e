#include "wordproc/formats/html_reader.h"

#include <algorithm>
#include <map>
#include <vector>

#include "text/utf8.h"
#include "wordproc/model/editing.h"
#include "wordproc/model/picture.h"

namespace verolin::wordproc {

namespace {

std::string lower(std::string_view s) {
  return text::toLowerAscii(s);
}

// The value of attribute `name` in a tag's text ("a href=x title='y'"); "" when absent.
std::string attribute(std::string_view tag, std::string_view name) {
  const std::string low = lower(tag);
  std::size_t at = 0;
  while ((at = low.find(name, at)) != std::string::npos) {
    const bool starts = at > 0 && (low[at - 1] == ' ' || low[at - 1] == '\t' || low[at - 1] == '\n');
    std::size_t i = at + name.size();
    while (i < low.size() && low[i] == ' ') ++i;
    if (!starts || i >= low.size() || low[i] != '=') {
      at += name.size();
      continue;
    }
    ++i;
    while (i < low.size() && low[i] == ' ') ++i;
    if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) {
      const char quote = tag[i];
      const std::size_t end = tag.find(quote, i + 1);
      return std::string(
          tag.substr(i + 1, end == std::string_view::npos ? std::string_view::npos : end - i - 1));
    }
    std::size_t end = i;
    while (end < tag.size() && tag[end] != ' ' && tag[end] != '>' && tag[end] != '\t') ++end;
    return std::string(tag.substr(i, end - i));
  }
  return {};
}

std::string decodeEntities(std::string_view s) {
  static const std::map<std::string, std::string> named = {{"amp", "&"},   {"lt", "<"},   {"gt", ">"},
                                                           {"quot", "\""}, {"apos", "'"}, {"nbsp", "\u00A0"},
                                                           {"emsp", "\t"}};
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '&') {
      out += s[i];
      continue;
    }
    const std::size_t semi = s.find(';', i);
    if (semi == std::string_view::npos || semi - i > 10) {
      out += '&';
      continue;
    }
    const std::string entity(s.substr(i + 1, semi - i - 1));
    if (!entity.empty() && entity[0] == '#') {
      const bool hex = entity.size() > 1 && (entity[1] == 'x' || entity[1] == 'X');
      const long cp = std::strtol(entity.c_str() + (hex ? 2 : 1), nullptr, hex ? 16 : 10);
      if (cp > 0 && cp < 0x110000) out += text::fromCodePoint(static_cast<char32_t>(cp));
    } else if (auto it = named.find(lower(entity)); it != named.end()) {
      out += it->second;
    } else {
      out += s.substr(i, semi - i + 1);
      i = semi;
      continue;
    }
    i = semi;
  }
  return out;
}

class HtmlReader {
 public:
  explicit HtmlReader(const PictureSource& pictures) : pictures_(pictures) {}

  DocumentModel run(std::string_view html) {
    std::size_t i = 0;
    while (i < html.size()) {
      if (html[i] == '<') {
        if (html.substr(i, 4) == "<!--") {
          const std::size_t end = html.find("-->", i + 4);
          i = end == std::string_view::npos ? html.size() : end + 3;
          continue;
        }
        const std::size_t end = html.find('>', i);
        if (end == std::string_view::npos) break;
        tag(html.substr(i + 1, end - i - 1));
        i = end + 1;
        continue;
      }
      const std::size_t next = html.find('<', i);
      text(html.substr(i, next == std::string_view::npos ? std::string_view::npos : next - i));
      i = next == std::string_view::npos ? html.size() : next;
    }
    if (pending_) endParagraph(false);
    // The page's last paragraph becomes the document's final one (which ends every document), unless
    // it is a table row: a document goes on after its last table.
    const bool lastIsRow = doc_.size() > 1 && !doc_.paraFormat(doc_.at(doc_.size() - 2).extra).cells.empty();
    if (!lastIsRow && doc_.size() > 1 && doc_.at(doc_.size() - 2).cp == kParagraphMark) {
      const int last = doc_.size() - 2;
      const ParaFormat p = doc_.paraFormat(doc_.at(last).extra);
      doc_.setParaFormat(doc_.size() - 1, doc_.intern(p));
      doc_.erase(last, last + 1);
    }
    return std::move(doc_);
  }

 private:
  void tag(std::string_view body) {
    const bool closing = !body.empty() && body[0] == '/';
    std::string name;
    for (std::size_t k = closing ? 1 : 0;
         k < body.size() && body[k] != ' ' && body[k] != '/' && body[k] != '\t' && body[k] != '\n'; ++k) {
      name += static_cast<char>(std::tolower(static_cast<unsigned char>(body[k])));
    }
    if (name == "head" || name == "script" || name == "style" || name == "title" || name == "del") {
      hidden_ += closing ? -1 : 1;
      if (hidden_ < 0) hidden_ = 0;
      return;
    }
    if (hidden_) return;
    if (name == "tr") {
      if (closing) {
        std::vector<int> cells;
        for (int k = 1; k <= std::max(cellsInRow_, 1); ++k) cells.push_back(1440 * k);
        endParagraph(false, std::move(cells));
      } else {
        endParagraph(true);
      }
      cellsInRow_ = 0;
      inCell_ = false;
      return;
    }
    if (name == "td" || name == "th") {
      if (!closing) {
        if (cellsInRow_ > 0) add(std::u32string(1, kCellMark));
        ++cellsInRow_;
      }
      inCell_ = !closing;
      cellText_ = false;
      return;
    }
    if (inCell_) {
      // Paragraphs inside a cell stay in the row's one paragraph.
      if (name == "br" || (name == "p" && !closing && cellText_)) add(U"\x0B");
      if (name == "img" && !closing) picture(decodeEntities(attribute(body, "src")));
      if (name == "a") link(body, closing);
      return;
    }
    if (name == "p" || name == "div" || name == "li" || name == "table" ||
        (name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6')) {
      endParagraph(true);
      if (!closing) {
        style_ = name.size() == 2 && name[0] == 'h' ? "标题 " + std::string(1, name[1]) : "正文";
        alignment_ = alignmentOf(body);
      }
      return;
    }
    if (name == "br") return add(U"\x0B");
    if (name == "a") return link(body, closing);
    if (name == "img" && !closing) picture(decodeEntities(attribute(body, "src")));
  }

  // A link with an address starts at <a> and ends at </a>; named anchors are no links.
  void link(std::string_view body, bool closing) {
    const std::string href = decodeEntities(attribute(body, "href"));
    if (closing || href.empty()) {
      link_ = 0;
      return;
    }
    link_ = doc_.addLink(
        Link{href, "", decodeEntities(attribute(body, "title")), decodeEntities(attribute(body, "target"))});
  }

  static int alignmentOf(std::string_view tag) {
    std::string a = lower(attribute(tag, "align"));
    const std::string style = lower(attribute(tag, "style"));
    const std::size_t at = style.find("text-align:");
    if (at != std::string::npos) {
      a = style.substr(at + 11);
      // A style may leave the value out ("text-align:" or blanks only): no alignment then.
      const std::size_t value = a.find_first_not_of(' ');
      a = value == std::string::npos ? std::string() : a.substr(value);
    }
    if (a.rfind("center", 0) == 0) return 1;
    if (a.rfind("right", 0) == 0) return 2;
    if (a.rfind("justify", 0) == 0) return 3;
    if (a.rfind("left", 0) == 0) return 0;
    return -1;
  }

  void text(std::string_view raw) {
    if (hidden_ || raw.empty()) return;
    // Runs of blanks and line breaks are one space in a page.
    std::string collapsed;
    bool space = false;
    for (char c : raw) {
      if (c == ' ' || c == '\n' || c == '\r' || c == '\t') {
        space = true;
        continue;
      }
      if (space && (!collapsed.empty() || pending_)) collapsed += ' ';
      space = false;
      collapsed += c;
    }
    if (space && !collapsed.empty()) collapsed += ' ';
    if (collapsed.empty()) return;
    std::u32string chars;
    for (char32_t c : text::toCodePoints(decodeEntities(collapsed))) {
      if (isPlainCharacter(c)) chars.push_back(c);
    }
    add(chars);
  }

  void add(std::u32string_view chars) {
    CharFormat f;
    f.link = link_;
    const int at = doc_.size() - 1;
    doc_.insert(at, chars, doc_.intern(f));
    pending_ = true;
    cellText_ = inCell_;
  }

  void picture(const std::string& src) {
    if (!pictures_ || src.empty()) return;
    auto bytes = pictures_(src);
    if (!bytes) return;
    auto pic = readPicture(std::move(*bytes));
    if (!pic) return;
    InlinePicture p;
    const PointSize natural = naturalSize(*pic);
    p.width = natural.width;
    p.height = natural.height;
    p.picture = std::move(*pic);
    CharFormat f;
    f.link = link_;
    doc_.insertPicture(doc_.size() - 1, std::move(p), doc_.intern(f));
    pending_ = true;
  }

  void endParagraph(bool onlyWithText, std::vector<int> cells = {}) {
    if (onlyWithText && !pending_) return;
    // A row that the page did not close ends with the paragraph.
    if (cells.empty() && cellsInRow_ > 0) {
      for (int k = 1; k <= cellsInRow_; ++k) cells.push_back(1440 * k);
    }
    cellsInRow_ = 0;
    inCell_ = false;
    ParaFormat p;
    p.style = style_;
    p.alignment = alignment_;
    p.cells = std::move(cells);
    const int at = doc_.size() - 1;
    doc_.insert(at, U"\r", 0);
    doc_.setParaFormat(at, doc_.intern(p));
    pending_ = false;
  }

  const PictureSource& pictures_;
  DocumentModel doc_;
  int hidden_ = 0;
  int link_ = 0;
  bool pending_ = false;
  bool inCell_ = false;
  bool cellText_ = false;
  int cellsInRow_ = 0;
  std::string style_ = "正文";
  int alignment_ = -1;
};

}  // namespace

bool looksLikeHtml(std::string_view text) {
  std::size_t i = 0;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") i = 3;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\r' || text[i] == '\n' || text[i] == '\t')) ++i;
  const std::string head = lower(text.substr(i, 14));
  return head.rfind("<html", 0) == 0 || head.rfind("<!doctype html", 0) == 0;
}

DocumentModel readHtml(std::string_view utf8, const PictureSource& pictures) {
  return HtmlReader(pictures).run(utf8);
}

}  // namespace verolin::wordproc
