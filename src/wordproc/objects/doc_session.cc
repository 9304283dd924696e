#include "wordproc/objects/doc_session.h"

#include <algorithm>

#include "text/utf8.h"
#include "wordproc/model/styles.h"
#include "wordproc/model/units.h"
#include "wordproc/objects/word_app.h"
#include "wordproc/objects/word_errors.h"

namespace verolin::wordproc {

namespace {

// Typed line ends become paragraph marks, as typing Enter does.
std::u32string typedCharacters(std::string_view utf8) {
  std::u32string out;
  const std::u32string in = text::toCodePoints(utf8);
  for (std::size_t i = 0; i < in.size(); ++i) {
    if (in[i] == U'\r' && i + 1 < in.size() && in[i + 1] == U'\n') continue;
    if (in[i] == U'\r' || in[i] == U'\n') {
      out.push_back(kParagraphMark);
    } else if (isPlainCharacter(in[i])) {
      out.push_back(in[i]);
    }
  }
  return out;
}

CharFormat plainFormat(CharFormat f) {
  f.insRev = f.delRev = f.fmtRev = 0;
  f.oldFormat = -1;
  f.link = 0;
  return f;
}

}  // namespace

DocSession::DocSession(WordApp& a, std::string docName)
    : app(a), name(std::move(docName)), fullName(name), selection_(model.track(0, 0)) {}

DocSession::~DocSession() {
  releaseFile();
}

std::string DocSession::windowCaption() const {
  return caption.empty() ? name : caption;
}

// --- Selection ---

int DocSession::insertionPoint() const {
  // A selection may hold the final mark, which no edit removes: what replaces it goes before that mark.
  return std::min(selEnd(), model.size() - 1);
}

void DocSession::select(int start, int end) {
  const int last = model.size();
  start = std::clamp(start, 0, last - 1);
  end = std::clamp(end, start, last);
  selection_->start = start;
  selection_->end = end;
  selectedShapes_.clear();
  typingFormat_.reset();
}

void DocSession::selectShape(int number, bool replace) {
  ShapeData* s = shape(number);
  if (!s) throw objectDeleted();
  const int anchor = std::clamp(s->anchor, 0, model.size() - 1);
  if (replace || selectedShapes_.empty()) {
    selection_->start = selection_->end = anchor;
    typingFormat_.reset();
    selectedShapes_.clear();
  }
  if (std::find(selectedShapes_.begin(), selectedShapes_.end(), number) == selectedShapes_.end()) {
    selectedShapes_.push_back(number);
  }
}

CharFormat DocSession::typingFormat() const {
  if (typingFormat_) return *typingFormat_;
  const int pos = selStart();
  // At a paragraph's start typing takes the format of what follows; elsewhere of what precedes.
  const int from = pos > model.paragraphStart(pos) ? pos - 1 : pos;
  return plainFormat(model.charFormat(from));
}

void DocSession::setTypingFormat(const std::function<void(CharFormat&)>& change) {
  CharFormat f = typingFormat();
  change(f);
  typingFormat_ = f;
}

void DocSession::adoptModel(DocumentModel content) {
  model = std::move(content);
  selection_ = model.track(0, 0);
  selectedShapes_.clear();
  typingFormat_.reset();
}

void DocSession::checkEditable() const {
  const int type = model.protection.type;
  if (type == protection::kComments || type == protection::kFormFields || type == protection::kReadOnly) {
    throw protectedSelection();
  }
}

EditContext DocSession::editContext() const {
  EditContext ctx;
  ctx.track = model.trackRevisions || model.protection.type == protection::kRevisions;
  ctx.author = app.userName;
  ctx.now = app.platform.host->now();
  return ctx;
}

void DocSession::typeText(std::string_view utf8) {
  checkEditable();
  const std::u32string chars = typedCharacters(utf8);
  const CharFormat format = typingFormat();
  const EditContext ctx = editContext();
  selectedShapes_.clear();
  if (selEnd() > selStart()) deleteText(model, selStart(), selEnd(), ctx);
  // Tracked, the deleted text stays in place and the new text follows it.
  const int at = insertionPoint();
  const int after = insertText(model, at, chars, format, ctx);
  select(after, after);
  changed();
}

void DocSession::typeParagraph() {
  // Ending a paragraph at its end starts the next one in the style that follows the paragraph's own
  // (a heading is followed by body text); a paragraph split in its middle keeps its style in both parts.
  const bool atParagraphEnd = model.at(selEnd()).cp == kParagraphMark;
  const StyleDef* style = findStyle(model.paraFormatAt(selStart()).style);
  typeText("\r");
  if (!atParagraphEnd || !style || style->nextStyle.empty() || style->nextStyle == style->name) return;
  formatParagraphs(model, selStart(), selStart(), [&](ParaFormat& p) {
    p.style = style->nextStyle;
    p.alignment = -1;
  });
}

void DocSession::typeBackspace() {
  checkEditable();
  const EditContext ctx = editContext();
  if (selEnd() > selStart()) {
    deleteText(model, selStart(), selEnd(), ctx);
    select(selStart(), selStart());
  } else if (selStart() > 0) {
    const int at = selStart() - 1;
    deleteText(model, at, at + 1, ctx);
    select(at, at);
  }
  changed();
}

void DocSession::deleteForward(int count) {
  checkEditable();
  const EditContext ctx = editContext();
  const int start = selStart();
  const int end = selEnd() > start ? selEnd() : std::min(start + std::max(count, 0), model.size() - 1);
  deleteText(model, start, end, ctx);
  select(start, start);
  changed();
}

void DocSession::insertTable(int rows, int columns) {
  checkEditable();
  const EditContext ctx = editContext();
  const CharFormat format = typingFormat();
  if (selEnd() > selStart()) deleteText(model, selStart(), selEnd(), ctx);
  int at = insertionPoint();
  // A table starts a paragraph of its own and leaves the text after it in a paragraph of its own.
  if (at > model.paragraphStart(at)) at = insertText(model, at, U"\r", format, ctx);
  const int first = at;
  std::u32string text;
  for (int r = 0; r < rows; ++r) {
    text.append(static_cast<std::size_t>(columns - 1), kCellMark);
    text.push_back(kParagraphMark);
  }
  const int after = insertText(model, at, text, format, ctx);
  const double column = model.page.pageWidth - model.page.leftMargin - model.page.rightMargin;
  std::vector<int> cells;
  for (int c = 1; c <= columns; ++c) cells.push_back(static_cast<int>(column * 20 * c / columns));
  formatParagraphs(model, first, after, [&](ParaFormat& p) { p.cells = cells; });
  // The paragraph after the table keeps what followed the insertion point, without the row format.
  formatParagraphs(model, after, after, [](ParaFormat& p) { p.cells.clear(); });
  select(first, first);
  changed();
}

int DocSession::insertInlinePicture(const Picture& picture) {
  checkEditable();
  const EditContext ctx = editContext();
  const CharFormat format = typingFormat();
  if (selEnd() > selStart()) deleteText(model, selStart(), selEnd(), ctx);
  InlinePicture p;
  p.picture = picture;
  const PointSize natural = naturalSize(picture);
  p.width = natural.width;
  p.height = natural.height;
  // A picture wider than the text column is scaled down to fit it, keeping its proportions.
  const double column = model.page.pageWidth - model.page.leftMargin - model.page.rightMargin;
  if (p.width > column && p.width > 0) {
    p.height = inTwips(p.height * column / p.width);
    p.width = inTwips(column);
  }
  const int at = insertionPoint();
  const int after = wordproc::insertInlinePicture(model, at, std::move(p), format, ctx);
  select(after, after);
  changed();
  return static_cast<int>(model.at(at).extra);
}

// --- Ranges ---

void DocSession::replaceText(Span& span, std::string_view utf8) {
  checkEditable();
  const EditContext ctx = editContext();
  const int from = span.start > model.paragraphStart(span.start) ? span.start - 1 : span.start;
  const CharFormat format = plainFormat(model.charFormat(std::min(from, model.size() - 1)));
  if (span.end > span.start) deleteText(model, span.start, span.end, ctx);
  const int at = std::min(span.end, model.size() - 1);
  const std::u32string chars = typedCharacters(utf8);
  const int after = insertText(model, at, chars, format, ctx);
  span.start = at;
  span.end = after;
  changed();
}

void DocSession::formatRange(int start, int end, const std::function<void(CharFormat&)>& change) {
  checkEditable();
  formatText(model, start, end, change, editContext());
  changed();
}

void DocSession::formatParagraphsOf(int start, int end, const std::function<void(ParaFormat&)>& change) {
  checkEditable();
  formatParagraphs(model, start, end, change);
  changed();
}

void DocSession::setStyle(int start, int end, const std::string& styleName) {
  const StyleDef* style = findStyle(styleName);
  if (!style) throw noSuchMember();
  if (style->type == StyleType::Paragraph) {
    formatParagraphsOf(start, end, [&](ParaFormat& p) {
      p.style = style->name;
      p.alignment = -1;
    });
    return;
  }
  // A character style is applied as its formatting.
  auto apply = [&](CharFormat& f) {
    if (style->underline) f.underline = 1;
    if (style->color != kAutoColor) f.color = style->color;
  };
  if (start == end) {
    setTypingFormat(apply);
  } else {
    formatRange(start, end, apply);
  }
}

const std::vector<RevisionSpan>& DocSession::revisions() const {
  if (revisionsAt_ != model.changeCount()) {
    revisions_ = listRevisions(model);
    revisionsAt_ = model.changeCount();
  }
  return revisions_;
}

// --- Shapes ---

ShapeData* DocSession::shape(int number) {
  for (auto& s : model.shapes) {
    if (s.number == number) return &s;
  }
  return nullptr;
}

int DocSession::anchorForSelection() const {
  return model.paragraphStart(selStart());
}

std::string DocSession::nextShapeName(std::string_view prefix) {
  return std::string(prefix) + " " + std::to_string(model.nextShapeNumber);
}

ShapeData& DocSession::addPicture(Picture picture, std::optional<double> left, std::optional<double> top,
                                  std::optional<double> width, std::optional<double> height) {
  checkEditable();
  for (const auto& m : {left, top, width, height}) {
    if (m && !isMeasure(*m)) throw valueOutOfRange();
  }
  if ((width && *width < 0) || (height && *height < 0)) throw valueOutOfRange();
  ShapeData s;
  s.name = nextShapeName("Picture");
  s.number = model.nextShapeNumber++;
  s.kind = ShapeKind::Picture;
  const PointSize natural = naturalSize(picture);
  s.width = natural.width;
  s.height = natural.height;
  if (width && height) {
    s.width = *width;
    s.height = *height;
  } else if (width && s.width > 0) {
    s.height = s.height * *width / s.width;
    s.width = *width;
  } else if (height && s.height > 0) {
    s.width = s.width * *height / s.height;
    s.height = *height;
  }
  s.width = inTwips(s.width);
  s.height = inTwips(s.height);
  s.picture = std::move(picture);
  s.left = inTwips(left.value_or(0));
  s.top = inTwips(top.value_or(0));
  s.line.visible = false;
  s.fill.visible = false;
  s.lockAspectRatio = true;
  s.wrapType = wrap::kFront;
  s.anchor = anchorForSelection();
  model.shapes.push_back(std::move(s));
  changed();
  return model.shapes.back();
}

ShapeData& DocSession::addLine(double beginX, double beginY, double endX, double endY) {
  checkEditable();
  for (double m : {beginX, beginY, endX, endY}) {
    if (!isMeasure(m)) throw valueOutOfRange();
  }
  ShapeData s;
  s.name = nextShapeName("Line");
  s.number = model.nextShapeNumber++;
  s.kind = ShapeKind::Line;
  s.left = inTwips(std::min(beginX, endX));
  s.top = inTwips(std::min(beginY, endY));
  s.width = inTwips(std::abs(endX - beginX));
  s.height = inTwips(std::abs(endY - beginY));
  s.flipH = endX < beginX;
  s.flipV = endY < beginY;
  s.fill.visible = false;
  s.wrapType = wrap::kFront;
  s.anchor = anchorForSelection();
  model.shapes.push_back(std::move(s));
  changed();
  return model.shapes.back();
}

int DocSession::picturePosition(int pictureId) const {
  for (int i = 0; i < model.size(); ++i) {
    const Char& c = model.at(i);
    if (c.cp == kPictureChar && static_cast<int>(c.extra) == pictureId) return i;
  }
  return -1;
}

ShapeData& DocSession::convertToShape(int pictureId) {
  checkEditable();
  const int pos = picturePosition(pictureId);
  if (pos < 0) throw objectDeleted();
  const InlinePicture inlinePicture = *model.picture(pictureId);
  ShapeData s;
  s.name = nextShapeName("Picture");
  s.number = model.nextShapeNumber++;
  s.kind = ShapeKind::Picture;
  s.picture = inlinePicture.picture;
  s.width = inlinePicture.width;
  s.height = inlinePicture.height;
  s.line.visible = false;
  s.lockAspectRatio = true;
  s.wrapType = wrap::kFront;
  s.anchor = model.paragraphStart(pos);
  model.erase(pos, pos + 1);
  model.shapes.push_back(std::move(s));
  changed();
  return model.shapes.back();
}

void DocSession::deleteShape(int number) {
  checkEditable();
  const auto it = std::find_if(model.shapes.begin(), model.shapes.end(),
                               [&](const ShapeData& s) { return s.number == number; });
  if (it == model.shapes.end()) throw objectDeleted();
  model.shapes.erase(it);
  std::erase(selectedShapes_, number);
  changed();
}

}  // namespace verolin::wordproc
