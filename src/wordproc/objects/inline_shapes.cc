// InlineShapes and InlineShape: pictures that sit in the text as characters.
#include <algorithm>

#include "wordproc/model/units.h"
#include "wordproc/objects/objects.h"
#include "wordproc/objects/word_errors.h"

namespace verolin::wordproc {

namespace {

using automation::opt;

constexpr int kInlineShapePicture = 3;  // wdInlineShapePicture

class InlineShapeObject final : public DocObject {
 public:
  InlineShapeObject(AppPtr a, DocPtr d, int id)
      : DocObject("InlineShape", std::move(a), std::move(d)), id_(id) {
    property("Type", [] { return longValue(kInlineShapePicture); });
    property(
        "Width", [this] { return singleValue(picture().width); },
        [this](const Variant& v) { resize(v.toDouble(), true); });
    property(
        "Height", [this] { return singleValue(picture().height); },
        [this](const Variant& v) { resize(v.toDouble(), false); });
    property("Range", [this] {
      const int at = doc_->picturePosition(id_);
      return Variant(makeRange(app_, doc_, at, at + 1));
    });
    method("ConvertToShape", {}, [this](Args&) {
      const ShapeData& s = doc_->convertToShape(id_);
      app_->trace("converted to shape " + s.name);
      return Variant(makeShape(app_, doc_, s.number));
    });
    method("Select", {}, [this](Args&) {
      const int at = doc_->picturePosition(id_);
      doc_->select(at, at + 1);
      return Variant();
    });
    method("Delete", {}, [this](Args&) {
      const int at = doc_->picturePosition(id_);
      doc_->checkEditable();
      deleteText(doc_->model, at, at + 1, doc_->editContext());
      doc_->changed();
      return Variant();
    });
  }

 protected:
  void checkValid() const override {
    DocObject::checkValid();
    if (doc_->picturePosition(id_) < 0) throw objectDeleted();
  }

 private:
  InlinePicture& picture() const { return *doc_->model.picture(id_); }

  void resize(double value, bool width) {
    if (value <= 0 || !isMeasure(value)) throw valueOutOfRange();
    doc_->checkEditable();
    InlinePicture& p = picture();
    (width ? p.width : p.height) = inTwips(value);
    doc_->changed();
  }

  int id_;
};

class InlineShapesObject final : public DocObject {
 public:
  InlineShapesObject(AppPtr a, DocPtr d, std::shared_ptr<Span> span, bool atSelection)
      : DocObject("InlineShapes", std::move(a), std::move(d)),
        span_(std::move(span)),
        atSelection_(atSelection) {
    property("Count", [this] { return longValue(static_cast<int>(ids().size())); });
    method("Item", {{"Index"}}, [this](Args& a) {
      const auto list = ids();
      const int n = itemNumber(a[0]);
      if (n < 1 || n > static_cast<int>(list.size())) throw noSuchMember();
      return Variant(makeInlineShape(app_, doc_, list[static_cast<std::size_t>(n - 1)]));
    });
    defaultMember("Item");
    method("AddPicture", {{"FileName"}, opt("LinkToFile"), opt("SaveWithDocument"), opt("Range")},
           [this](Args& a) {
             Picture picture = loadPictureFile(*app_, a[0].toString());
             return Variant(makeInlineShape(app_, doc_, addAt(a.given(3) ? &a[3] : nullptr, picture)));
           });
  }

 private:
  // Picture ids in document order, within the span when there is one.
  std::vector<int> ids() const {
    std::vector<int> out;
    const DocumentModel& m = doc_->model;
    const int start = span_ ? span_->start : 0;
    const int end = span_ ? std::min(span_->end, m.size()) : m.size();
    for (int i = start; i < end; ++i) {
      if (m.at(i).cp == kPictureChar) out.push_back(static_cast<int>(m.at(i).extra));
    }
    return out;
  }

  // Where the picture goes: the Range argument, the selection, the collection's range, or the start.
  int addAt(const Variant* range, const Picture& picture) {
    DocSession& doc = *doc_;
    Span target{0, 0};
    if (range) {
      auto* holder = dynamic_cast<TextHolder*>(range->toObject().get());
      if (!holder || &holder->textDocument() != &doc)
        throw automation::errorOf(automation::err::kTypeMismatch);
      target = holder->textSpan();
    } else if (atSelection_) {
      target = Span{doc.selStart(), doc.selEnd()};
    } else if (span_) {
      target = *span_;
    }
    // Only Selection.InlineShapes moves the selection; elsewhere it keeps its text.
    const auto keep = doc.model.track(doc.selStart(), doc.selEnd());
    const bool movesSelection = atSelection_ && !range;
    doc.select(target.start, target.end);
    const int id = doc.insertInlinePicture(picture);
    if (!movesSelection) doc.select(keep->start, keep->end);
    return id;
  }

  std::shared_ptr<Span> span_;
  bool atSelection_;
};

}  // namespace

ObjectRef makeInlineShapes(AppPtr app, DocPtr doc, std::shared_ptr<Span> span, bool atSelection) {
  return std::make_shared<InlineShapesObject>(std::move(app), std::move(doc), std::move(span), atSelection);
}

ObjectRef makeInlineShape(AppPtr app, DocPtr doc, int pictureId) {
  return std::make_shared<InlineShapeObject>(std::move(app), std::move(doc), pictureId);
}

}  // namespace verolin::wordproc
