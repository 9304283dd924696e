// Selection: the insertion point or selected text (or shapes) of a document window, where typing,
// pasting and formatting happen.
#include <algorithm>

#include "text/utf8.h"
#include "wordproc/model/layout.h"
#include "wordproc/model/styles.h"
#include "wordproc/objects/objects.h"
#include "wordproc/objects/word_errors.h"

namespace verolin::wordproc {

namespace {

using automation::opt;

// Units (wdUnits), movement (wdMovementType) and collapse directions (wdCollapseDirection).
constexpr int kCharacter = 1;
constexpr int kWord = 2;
constexpr int kParagraph = 4;
constexpr int kLine = 5;
constexpr int kStory = 6;
constexpr int kScreen = 7;
constexpr int kWindow = 11;
constexpr int kExtend = 1;
constexpr int kCollapseEnd = 0;

// Selection types (wdSelectionType).
constexpr int kSelectionIP = 1;
constexpr int kSelectionNormal = 2;
constexpr int kSelectionInlineShape = 7;
constexpr int kSelectionShape = 8;

bool isSpace(char32_t c) {
  return c == U' ' || c == U'\t' || c == 0x3000 || c == kParagraphMark;
}

class SelectionObject final : public DocObject, public TextHolder {
 public:
  DocSession& textDocument() const override { return *doc_; }
  Span textSpan() const override { return Span{doc_->selStart(), doc_->selEnd()}; }

  SelectionObject(AppPtr a, DocPtr d) : DocObject("Selection", std::move(a), std::move(d)) {
    DocSession& doc = *doc_;
    property(
        "Start", [&doc] { return longValue(doc.selStart()); },
        [&doc](const Variant& v) { doc.select(v.toInt32(), std::max(v.toInt32(), doc.selEnd())); });
    property(
        "End", [&doc] { return longValue(doc.selEnd()); },
        [&doc](const Variant& v) { doc.select(std::min(doc.selStart(), v.toInt32()), v.toInt32()); });
    property("Type", [&doc] { return longValue(type(doc)); });
    property(
        "Text",
        [&doc] {
          // An insertion point reads as the character after it.
          const int end = doc.selEnd() > doc.selStart() ? doc.selEnd() : doc.selStart() + 1;
          return Variant(doc.model.text(doc.selStart(), end));
        },
        [&doc](const Variant& v) {
          Span span{doc.selStart(), doc.selEnd()};
          doc.replaceText(span, v.toString());
          doc.select(span.start, span.end);
        });
    property("Document", [this] { return Variant(makeDocument(app_, doc_)); });
    property("Range", [this] { return Variant(makeRange(app_, doc_, doc_->selStart(), doc_->selEnd())); });
    property("Font", [this] { return Variant(makeFont(app_, TextTarget{doc_, nullptr})); });
    property("ParagraphFormat", [this] {
      return Variant(makeParagraphFormat(app_, TextTarget{doc_, nullptr}));
    });
    property(
        "Style",
        [this] { return Variant(makeStyle(app_, doc_, doc_->model.paraFormatAt(doc_->selStart()).style)); },
        [&doc](const Variant& v) { doc.setStyle(doc.selStart(), doc.selEnd(), styleName(v)); });
    property("ShapeRange", [this] { return Variant(makeShapeRange(app_, doc_, shapesInSelection(*doc_))); });
    property("InlineShapes", [this] {
      return Variant(
          makeInlineShapes(app_, doc_, std::make_shared<Span>(Span{doc_->selStart(), doc_->selEnd()}), true));
    });

    method("TypeText", {{"Text"}}, [&doc](Args& a) {
      doc.typeText(a[0].toString());
      return Variant();
    });
    method("TypeParagraph", {}, [&doc](Args&) {
      doc.typeParagraph();
      return Variant();
    });
    method("TypeBackspace", {}, [&doc](Args&) {
      doc.typeBackspace();
      return Variant();
    });
    method("Delete", {opt("Unit", longValue(kCharacter)), opt("Count", longValue(1))}, [&doc](Args& a) {
      const int before = doc.model.size();
      doc.deleteForward(a[1].toInt32());
      return longValue(before - doc.model.size());
    });
    method("InsertAfter", {{"Text"}}, [&doc](Args& a) {
      Span span{doc.selEnd(), doc.selEnd()};
      const int start = doc.selStart();
      doc.replaceText(span, a[0].toString());
      doc.select(start, span.end);
      return Variant();
    });
    method("InsertBefore", {{"Text"}}, [&doc](Args& a) {
      Span span{doc.selStart(), doc.selStart()};
      const int length = doc.selEnd() - doc.selStart();
      doc.replaceText(span, a[0].toString());
      doc.select(span.start, span.end + length);
      return Variant();
    });
    method("Paste", {}, [this](Args&) {
      paste();
      return Variant();
    });
    method("Copy", {}, [this](Args&) {
      copy();
      return Variant();
    });
    method("Cut", {}, [this](Args&) {
      copy();
      doc_->deleteForward(0);
      return Variant();
    });

    auto moveParams = [](int unit) {
      return std::vector<automation::Param>{opt("Unit", longValue(unit)), opt("Count", longValue(1)),
                                            opt("Extend", longValue(0))};
    };
    method("MoveUp", moveParams(kLine), [this](Args& a) { return vertical(a, -1); });
    method("MoveDown", moveParams(kLine), [this](Args& a) { return vertical(a, 1); });
    method("MoveLeft", moveParams(kCharacter), [this](Args& a) { return horizontal(a, -1); });
    method("MoveRight", moveParams(kCharacter), [this](Args& a) { return horizontal(a, 1); });
    method("Move", {opt("Unit", longValue(kCharacter)), opt("Count", longValue(1))}, [this](Args& a) {
      std::vector<Variant> values{a[0], a[1], longValue(0)};
      Args moved(values);
      return horizontal(moved, 1);
    });
    method("HomeKey", {opt("Unit", longValue(kLine)), opt("Extend", longValue(0))},
           [this](Args& a) { return homeEnd(a[0].toInt32(), a[1].toInt32() == kExtend, false); });
    method("EndKey", {opt("Unit", longValue(kLine)), opt("Extend", longValue(0))},
           [this](Args& a) { return homeEnd(a[0].toInt32(), a[1].toInt32() == kExtend, true); });
    method("WholeStory", {}, [&doc](Args&) {
      doc.select(0, doc.model.size());
      return Variant();
    });
    method("Collapse", {opt("Direction", longValue(1))}, [&doc](Args& a) {
      const int at = a[0].toInt32() == kCollapseEnd ? doc.selEnd() : doc.selStart();
      doc.select(at, at);
      return Variant();
    });
    method("SetRange", {{"Start"}, {"End"}}, [&doc](Args& a) {
      doc.select(a[0].toInt32(), a[1].toInt32());
      return Variant();
    });
  }

  // The name a Style assignment means: a Style object's name, a built-in style number, or a name.
  static std::string styleName(const Variant& v) {
    if (v.isObject()) return v.get("NameLocal").toString();
    if (v.isNumeric()) {
      const StyleDef* s = findStyle(v.toInt32());
      if (!s) throw noSuchMember();
      return s->name;
    }
    return v.toString();
  }

 private:
  static int type(const DocSession& doc) {
    if (!doc.selectedShapes().empty()) return kSelectionShape;
    if (doc.selEnd() == doc.selStart()) return kSelectionIP;
    if (doc.selEnd() - doc.selStart() == 1 && doc.model.at(doc.selStart()).cp == kPictureChar)
      return kSelectionInlineShape;
    return kSelectionNormal;
  }

  // Selected shapes, or with text selected the shapes anchored in it.
  static std::vector<int> shapesInSelection(const DocSession& doc) {
    if (!doc.selectedShapes().empty()) return doc.selectedShapes();
    std::vector<int> numbers;
    if (doc.selEnd() == doc.selStart()) return numbers;
    for (const auto& s : doc.model.shapes) {
      if (s.anchor >= doc.selStart() && s.anchor < doc.selEnd()) numbers.push_back(s.number);
    }
    return numbers;
  }

  // Leaves a shape selection for the insertion point at the shape's anchor.
  void leaveShapes() {
    if (!doc_->selectedShapes().empty()) doc_->select(doc_->selStart(), doc_->selStart());
  }

  void place(int anchor, int active, bool extend) {
    if (extend) {
      doc_->select(std::min(anchor, active), std::max(anchor, active));
      return;
    }
    doc_->select(active, active);
  }

  Variant vertical(Args& a, int direction) {
    leaveShapes();
    DocSession& doc = *doc_;
    const int unit = a[0].toInt32();
    const int count = std::max(0, a[1].toInt32());
    const bool extend = a[2].toInt32() == kExtend;
    const int anchor = direction < 0 ? doc.selEnd() : doc.selStart();
    int pos = direction < 0 ? doc.selStart() : doc.selEnd();
    int moved = 0;
    if (unit == kParagraph) {
      for (int i = 0; i < count; ++i) {
        const int next =
            direction < 0
                ? (pos > doc.model.paragraphStart(pos) ? doc.model.paragraphStart(pos)
                                                       : (pos > 0 ? doc.model.paragraphStart(pos - 1) : -1))
                : (doc.model.paragraphEnd(pos) + 1 < doc.model.size() ? doc.model.paragraphEnd(pos) + 1 : -1);
        if (next < 0) break;
        pos = next;
        ++moved;
      }
    } else if (unit == kLine || unit == kScreen || unit == kWindow) {
      const auto lines = layoutLines(doc.model);
      const int perStep = unit == kLine ? 1 : linesPerScreen(app_->height());
      const int from = lineOf(lines, pos);
      const int last = static_cast<int>(lines.size()) - 1;
      const int to = std::clamp(from + direction * count * perStep, 0, last);
      const int column = pos - lines[static_cast<std::size_t>(from)].start;
      const TextLine& line = lines[static_cast<std::size_t>(to)];
      pos = std::min(line.start + column, line.end - 1);
      moved = unit == kLine ? std::abs(to - from) : (to != from ? count : 0);
    } else {
      throw automation::errorOf(automation::err::kInvalidCall);
    }
    place(anchor, pos, extend);
    return longValue(moved);
  }

  Variant horizontal(Args& a, int direction) {
    DocSession& doc = *doc_;
    const int unit = a[0].toInt32();
    int count = a[1].toInt32();
    if (count < 0) {
      count = -count;
      direction = -direction;
    }
    const bool extend = a[2].toInt32() == kExtend;
    leaveShapes();
    int pos = direction < 0 ? doc.selStart() : doc.selEnd();
    const int anchor = direction < 0 ? doc.selEnd() : doc.selStart();
    int moved = 0;
    // Without extending, a selection first collapses toward the movement, which counts as one step.
    if (!extend && doc.selEnd() > doc.selStart() && count > 0) {
      --count;
      ++moved;
    }
    const int last = doc.model.size() - 1;
    for (int i = 0; i < count; ++i) {
      const int before = pos;
      if (unit == kWord) {
        if (direction > 0) {
          while (pos < last && !isSpace(doc.model.at(pos).cp)) ++pos;
          while (pos < last && isSpace(doc.model.at(pos).cp) && doc.model.at(pos).cp != kParagraphMark) ++pos;
          if (pos == before && pos < last) ++pos;
        } else {
          while (pos > 0 && isSpace(doc.model.at(pos - 1).cp)) --pos;
          while (pos > 0 && !isSpace(doc.model.at(pos - 1).cp)) --pos;
        }
      } else if (unit == kCharacter) {
        pos = std::clamp(pos + direction, 0, last);
      } else if (unit == kStory) {
        pos = direction > 0 ? last : 0;
      } else {
        throw automation::errorOf(automation::err::kInvalidCall);
      }
      if (pos == before) break;
      ++moved;
    }
    place(anchor, pos, extend);
    return longValue(moved);
  }

  Variant homeEnd(int unit, bool extend, bool toEnd) {
    leaveShapes();
    DocSession& doc = *doc_;
    const int from = toEnd ? doc.selEnd() : doc.selStart();
    int pos;
    if (unit == kStory) {
      pos = toEnd ? doc.model.size() - 1 : 0;
    } else if (unit == kLine) {
      const auto lines = layoutLines(doc.model);
      const TextLine& line = lines[static_cast<std::size_t>(lineOf(lines, from))];
      const bool endsParagraph = doc.model.at(line.end - 1).cp == kParagraphMark;
      pos = toEnd ? (endsParagraph ? line.end - 1 : line.end) : line.start;
    } else {
      throw automation::errorOf(automation::err::kInvalidCall);
    }
    const int anchor = toEnd ? doc.selStart() : doc.selEnd();
    place(anchor, pos, extend);
    return longValue(std::abs(pos - from));
  }

  void paste() {
    leaveShapes();
    auto data = app_->platform.clipboard->data();
    if (!data) throw notAvailable("the Clipboard is empty or not valid");
    if (data->format == "text") {
      doc_->typeText(std::string(data->bytes.begin(), data->bytes.end()));
      return;
    }
    auto picture = readPicture(data->bytes);
    if (!picture) throw notAvailable("the Clipboard is empty or not valid");
    doc_->insertInlinePicture(*picture);
  }

  void copy() {
    DocSession& doc = *doc_;
    if (doc.selEnd() - doc.selStart() == 1 && doc.model.at(doc.selStart()).cp == kPictureChar) {
      const InlinePicture* p = doc.model.picture(static_cast<int>(doc.model.at(doc.selStart()).extra));
      if (p) app_->platform.clipboard->setPicture(p->picture.bytes);
      return;
    }
    if (doc.selEnd() == doc.selStart()) throw notAvailable("no text is selected");
    std::string text = doc.model.text(doc.selStart(), doc.selEnd());
    std::replace(text.begin(), text.end(), '\r', '\n');
    app_->platform.clipboard->setText(text);
  }
};

}  // namespace

ObjectRef makeSelection(AppPtr app, DocPtr doc) {
  return std::make_shared<SelectionObject>(std::move(app), std::move(doc));
}

}  // namespace verolin::wordproc
