#include "wordproc/model/document_model.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "text/utf8.h"

namespace verolin::wordproc {

DocumentModel::DocumentModel() {
  formats_.push_back(CharFormat{});
  paraFormats_.push_back(ParaFormat{});
  chars_.push_back(Char{kParagraphMark, 0, 0});
}

std::string DocumentModel::text(int start, int end) const {
  std::string out;
  start = std::clamp(start, 0, size());
  end = std::clamp(end, start, size());
  for (int i = start; i < end; ++i) out += text::fromCodePoint(chars_.get(static_cast<std::size_t>(i)).cp);
  return out;
}

std::string plainCharacters(std::string_view utf8) {
  std::string out;
  for (char32_t c : text::toCodePoints(utf8)) {
    if (isPlainCharacter(c)) out += text::fromCodePoint(c);
  }
  return out;
}

std::uint32_t DocumentModel::intern(const CharFormat& f) {
  for (std::size_t i = 0; i < formats_.size(); ++i) {
    if (formats_[i] == f) return static_cast<std::uint32_t>(i);
  }
  formats_.push_back(f);
  return static_cast<std::uint32_t>(formats_.size() - 1);
}

std::uint32_t DocumentModel::intern(const ParaFormat& f) {
  for (std::size_t i = 0; i < paraFormats_.size(); ++i) {
    if (paraFormats_[i] == f) return static_cast<std::uint32_t>(i);
  }
  paraFormats_.push_back(f);
  return static_cast<std::uint32_t>(paraFormats_.size() - 1);
}

const ParaFormat& DocumentModel::paraFormatAt(int pos) const {
  return paraFormats_.at(at(paragraphEnd(pos)).extra);
}

int DocumentModel::paragraphStart(int pos) const {
  pos = std::clamp(pos, 0, size() - 1);
  while (pos > 0 && chars_.get(static_cast<std::size_t>(pos - 1)).cp != kParagraphMark) --pos;
  return pos;
}

int DocumentModel::paragraphEnd(int pos) const {
  pos = std::clamp(pos, 0, size() - 1);
  while (chars_.get(static_cast<std::size_t>(pos)).cp != kParagraphMark) ++pos;
  return pos;
}

std::vector<int> DocumentModel::paragraphMarks() const {
  std::vector<int> marks;
  for (int i = 0; i < size(); ++i) {
    if (chars_.get(static_cast<std::size_t>(i)).cp == kParagraphMark) marks.push_back(i);
  }
  return marks;
}

void DocumentModel::insert(int pos, std::u32string_view text, std::uint32_t format) {
  if (text.empty()) return;
  pos = std::clamp(pos, 0, size() - 1);
  // A new mark ends the first half of the paragraph it splits, which keeps that paragraph's format.
  const std::uint32_t para = at(paragraphEnd(pos)).extra;
  std::vector<Char> added;
  added.reserve(text.size());
  for (char32_t cp : text) added.push_back(Char{cp, format, cp == kParagraphMark ? para : 0});
  chars_.insert(static_cast<std::size_t>(pos), added.data(), added.size());
  ++changes_;
  shift(pos, static_cast<int>(added.size()));
}

int DocumentModel::insertPicture(int pos, InlinePicture picture, std::uint32_t format) {
  pos = std::clamp(pos, 0, size() - 1);
  const int id = nextPicture_++;
  pictures_[id] = std::move(picture);
  const Char picChar{kPictureChar, format, static_cast<std::uint32_t>(id)};
  chars_.insert(static_cast<std::size_t>(pos), &picChar, 1);
  ++changes_;
  shift(pos, 1);
  return id;
}

void DocumentModel::assign(std::vector<Char> chars) {
  TextStore store;
  store.insert(0, chars.data(), chars.size());
  assign(std::move(store));
}

void DocumentModel::assign(TextStore chars) {
  if (chars.empty() || chars.back().cp != kParagraphMark) chars.push_back(Char{kParagraphMark, 0, 0});
  chars_ = std::move(chars);
  ++changes_;
}

int DocumentModel::storePicture(InlinePicture picture) {
  const int id = nextPicture_++;
  pictures_[id] = std::move(picture);
  return id;
}

void DocumentModel::erase(int start, int end) {
  start = std::clamp(start, 0, size() - 1);
  end = std::clamp(end, start, size() - 1);
  if (start == end) return;
  // The paragraph that loses its mark takes the format of the mark that now ends it, as when joining.
  for (int i = start; i < end; ++i) {
    const Char c = chars_.get(static_cast<std::size_t>(i));
    if (c.cp == kPictureChar) pictures_.erase(static_cast<int>(c.extra));
  }
  chars_.erase(static_cast<std::size_t>(start), static_cast<std::size_t>(end));
  ++changes_;
  collapse(start, end);
  // A shape stays anchored to the start of a paragraph, also when paragraphs were joined.
  for (auto& shape : shapes) shape.anchor = paragraphStart(shape.anchor);
  // A table row joined to a paragraph that is no row leaves its cells' ends as tabs.
  if (paraFormatAt(start).cells.empty()) {
    for (int i = paragraphStart(start); chars_.get(static_cast<std::size_t>(i)).cp != kParagraphMark; ++i) {
      Char c = chars_.get(static_cast<std::size_t>(i));
      if (c.cp == kCellMark) {
        c.cp = U'\t';
        chars_.set(static_cast<std::size_t>(i), c);
      }
    }
  }
}

void DocumentModel::setParaFormat(int markPos, std::uint32_t format) {
  Char c = chars_.get(static_cast<std::size_t>(markPos));
  ++changes_;
  if (c.cp == kParagraphMark) {
    c.extra = format;
    chars_.set(static_cast<std::size_t>(markPos), c);
  }
}

std::shared_ptr<Span> DocumentModel::track(int start, int end) {
  auto span = std::make_shared<Span>(Span{start, end});
  std::erase_if(spans_, [](const std::weak_ptr<Span>& w) { return w.expired(); });
  spans_.push_back(span);
  return span;
}

void DocumentModel::addBookmark(const std::string& name, int start, int end) {
  const int last = size() - 1;
  start = std::clamp(start, 0, last);
  end = std::clamp(end, start, last);
  bookmarks[plainCharacters(name)] = track(start, end);
}

void DocumentModel::keep(int pos, std::string rtf, KeptFragment::Kind kind) {
  pos = std::clamp(pos, 0, size() - 1);
  kept.fragments.push_back(KeptFragment{track(pos, pos), std::move(rtf), kind});
}

void DocumentModel::shift(int pos, int delta) {
  auto move = [&](int& p) {
    if (p > pos) p += delta;
  };
  for (auto& w : spans_) {
    if (auto s = w.lock()) {
      move(s->start);
      move(s->end);
    }
  }
  for (auto& shape : shapes) move(shape.anchor);
}

void DocumentModel::collapse(int start, int end) {
  auto move = [&](int& p) {
    if (p >= end) {
      p -= end - start;
    } else if (p > start) {
      p = start;
    }
  };
  for (auto& w : spans_) {
    if (auto s = w.lock()) {
      move(s->start);
      move(s->end);
    }
  }
  for (auto& shape : shapes) move(shape.anchor);
}

int DocumentModel::addRevision(RevisionKind kind, std::string author, const automation::DateTime& date) {
  const int id = nextRevision_++;
  revisions_[id] = RevisionInfo{kind, plainCharacters(author), date};
  return id;
}

const RevisionInfo* DocumentModel::revision(int id) const {
  auto it = revisions_.find(id);
  return it == revisions_.end() ? nullptr : &it->second;
}

int DocumentModel::addLink(Link link) {
  const int id = nextLink_++;
  for (std::string* part : {&link.address, &link.subAddress, &link.screenTip, &link.target})
    *part = plainCharacters(*part);
  links_[id] = std::move(link);
  return id;
}

Link* DocumentModel::link(int id) {
  auto it = links_.find(id);
  return it == links_.end() ? nullptr : &it->second;
}

const Link* DocumentModel::link(int id) const {
  auto it = links_.find(id);
  return it == links_.end() ? nullptr : &it->second;
}

InlinePicture* DocumentModel::picture(int id) {
  auto it = pictures_.find(id);
  return it == pictures_.end() ? nullptr : &it->second;
}

const InlinePicture* DocumentModel::picture(int id) const {
  auto it = pictures_.find(id);
  return it == pictures_.end() ? nullptr : &it->second;
}

namespace {

std::string num(double d) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.4g", d);
  return buf;
}

// A short digest of picture bytes (FNV-1a), enough to tell pictures apart in a description.
std::string digest(const automation::Bytes& b) {
  std::uint64_t h = 1469598103934665603ull;
  for (auto c : b) h = (h ^ c) * 1099511628211ull;
  char buf[24];
  std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(h));
  return buf;
}

std::string describeRevision(const DocumentModel& doc, int id) {
  const RevisionInfo* r = doc.revision(id);
  if (!r) return "?";
  return r->author + "@" + automation::formatIso(r->date);
}

std::string describeFormat(const DocumentModel& doc, const CharFormat& f) {
  std::ostringstream o;
  if (!f.font.empty()) o << " font=" << f.font;
  if (f.size != 0) o << " size=" << num(f.size);
  if (f.color != kAutoColor) o << " color=" << f.color;
  if (f.bold >= 0) o << " bold=" << f.bold;
  if (f.italic >= 0) o << " italic=" << f.italic;
  if (f.underline >= 0) o << " underline=" << f.underline;
  if (f.insRev) o << " ins=" << describeRevision(doc, f.insRev);
  if (f.delRev) o << " del=" << describeRevision(doc, f.delRev);
  if (f.fmtRev) {
    o << " fmt=" << describeRevision(doc, f.fmtRev);
    if (f.oldFormat >= 0)
      o << " was{" << describeFormat(doc, doc.format(static_cast<std::uint32_t>(f.oldFormat))) << " }";
  }
  if (f.link) {
    const Link* l = doc.link(f.link);
    if (l) o << " link=" << l->address << "|" << l->subAddress << "|" << l->screenTip << "|" << l->target;
  }
  if (!f.rtf.empty()) o << " rtf=" << f.rtf;
  return o.str();
}

std::string describePicture(const Picture& p) {
  return std::string(pictureExtension(p.type)) + " " + std::to_string(p.pixelWidth) + "x" +
         std::to_string(p.pixelHeight) + " " + std::to_string(p.bytes.size()) + "B " + digest(p.bytes);
}

}  // namespace

std::string describe(const DocumentModel& doc) {
  std::ostringstream o;
  std::string run;
  std::string runFormat;
  auto flush = [&] {
    if (!run.empty()) o << "  run \"" << run << "\"" << runFormat << "\n";
    run.clear();
  };
  for (int i = 0; i < doc.size(); ++i) {
    const Char& c = doc.at(i);
    const std::string f = describeFormat(doc, doc.format(c.format));
    if (c.cp == kParagraphMark) {
      flush();
      const ParaFormat& p = doc.paraFormat(c.extra);
      o << "  mark" << f << " | style=" << p.style << " align=" << p.alignment;
      if (!p.cells.empty()) {
        o << " cells=";
        for (int edge : p.cells) o << edge << ",";
      }
      if (!p.rtf.empty()) o << " rtf=" << p.rtf;
      if (!p.rowRtf.empty()) o << " row=" << p.rowRtf;
      o << "\n";
      continue;
    }
    if (c.cp == kPictureChar) {
      flush();
      const InlinePicture* pic = doc.picture(static_cast<int>(c.extra));
      o << "  picture" << f << " | ";
      if (pic) o << describePicture(pic->picture) << " " << num(pic->width) << "x" << num(pic->height);
      o << "\n";
      continue;
    }
    if (f != runFormat) {
      flush();
      runFormat = f;
    }
    run += c.cp == U'\t'       ? std::string("\\t")
           : c.cp == kCellMark ? std::string("\\a")
                               : text::fromCodePoint(c.cp);
  }
  flush();
  for (const auto& s : doc.shapes) {
    o << "shape " << s.number << " \"" << s.name << "\" " << (s.kind == ShapeKind::Line ? "line" : "picture");
    if (s.kind == ShapeKind::Picture) o << " " << describePicture(s.picture);
    o << " at " << num(s.left) << "," << num(s.top) << " " << num(s.width) << "x" << num(s.height)
      << " flip=" << s.flipH << s.flipV << " anchor=" << s.anchor
      << " transparent=" << s.transparentBackground << "/" << s.transparencyColor
      << " fill=" << s.fill.visible << "/" << s.fill.foreColor << "/" << num(s.fill.transparency)
      << " line=" << s.line.visible << "/" << num(s.line.weight) << "/" << s.line.dashStyle << "/"
      << s.line.style << "/" << num(s.line.transparency) << "/" << s.line.foreColor << "/" << s.line.backColor
      << " wrap=" << s.wrapType << "/" << s.allowOverlap << " lock=" << s.lockAspectRatio;
    if (s.link)
      o << " link=" << s.link->address << "|" << s.link->subAddress << "|" << s.link->screenTip << "|"
        << s.link->target;
    o << "\n";
  }
  o << "nextShape " << doc.nextShapeNumber << "\n";
  for (const auto& k : doc.kept.fragments)
    o << "kept " << k.kind << " at " << k.at->start << " " << k.rtf << "\n";
  if (!doc.kept.document.empty()) o << "kept document " << doc.kept.document << "\n";
  if (!doc.kept.section.empty()) o << "kept section " << doc.kept.section << "\n";
  if (doc.kept.sectionProtection) o << "section protection\n";
  o << "protection " << doc.protection.type
    << " key=" << (doc.protection.passwordKey ? std::to_string(*doc.protection.passwordKey) : "-") << "\n";
  o << "revisions track=" << doc.trackRevisions << " print=" << doc.printRevisions
    << " show=" << doc.showRevisions << "\n";
  const PageSetup& pg = doc.page;
  o << "page " << num(pg.pageWidth) << "x" << num(pg.pageHeight) << " margins " << num(pg.topMargin) << ","
    << num(pg.bottomMargin) << "," << num(pg.leftMargin) << "," << num(pg.rightMargin) << " orientation "
    << pg.orientation << "\n";
  for (const auto& [name, span] : doc.bookmarks)
    o << "bookmark " << name << " " << span->start << "-" << span->end << "\n";
  for (const auto& v : doc.versions)
    o << "version " << v.author << "@" << automation::formatIso(v.date) << " " << v.comment << "\n";
  return o.str();
}

}  // namespace verolin::wordproc
