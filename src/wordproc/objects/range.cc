// Range: a stretch of a document's text that follows edits.
#include <algorithm>

#include "wordproc/model/styles.h"
#include "wordproc/objects/objects.h"
#include "wordproc/objects/word_errors.h"

namespace verolin::wordproc {

namespace {

using automation::opt;

class RangeObject final : public DocObject, public TextHolder {
 public:
  DocSession& textDocument() const override { return *doc_; }
  Span textSpan() const override { return *span_; }

  RangeObject(AppPtr a, DocPtr d, int start, int end) : DocObject("Range", std::move(a), std::move(d)) {
    span_ = doc_->model.track(start, end);
    DocSession& doc = *doc_;
    Span& span = *span_;
    property(
        "Start", [&span] { return longValue(span.start); },
        [&span, &doc](const Variant& v) {
          span.start = std::clamp(v.toInt32(), 0, doc.model.size());
          span.end = std::max(span.end, span.start);
        });
    property(
        "End", [&span] { return longValue(span.end); },
        [&span, &doc](const Variant& v) {
          span.end = std::clamp(v.toInt32(), 0, doc.model.size());
          span.start = std::min(span.start, span.end);
        });
    property(
        "Text", [&span, &doc] { return Variant(doc.model.text(span.start, span.end)); },
        [&span, &doc](const Variant& v) { doc.replaceText(span, v.toString()); });
    property("Document", [this] { return Variant(makeDocument(app_, doc_)); });
    property("Font", [this] { return Variant(makeFont(app_, TextTarget{doc_, span_})); });
    property("ParagraphFormat", [this] {
      return Variant(makeParagraphFormat(app_, TextTarget{doc_, span_}));
    });
    property(
        "Style",
        [this] { return Variant(makeStyle(app_, doc_, doc_->model.paraFormatAt(span_->start).style)); },
        [&span, &doc](const Variant& v) {
          std::string name = v.isObject() ? v.get("NameLocal").toString() : v.toString();
          if (v.isNumeric()) {
            const StyleDef* s = findStyle(v.toInt32());
            if (!s) throw noSuchMember();
            name = s->name;
          }
          doc.setStyle(span.start, span.end, name);
        });
    property("Revisions", [this] { return Variant(makeRevisions(app_, doc_, span_)); });
    property("InlineShapes", [this] { return Variant(makeInlineShapes(app_, doc_, span_)); });
    property("Duplicate", [this] { return Variant(makeRange(app_, doc_, span_->start, span_->end)); });
    method("InsertAfter", {{"Text"}}, [&span, &doc](Args& a) {
      Span at{span.end, span.end};
      doc.replaceText(at, a[0].toString());
      span.end = at.end;
      return Variant();
    });
    method("InsertBefore", {{"Text"}}, [&span, &doc](Args& a) {
      Span at{span.start, span.start};
      doc.replaceText(at, a[0].toString());
      span.start = at.start;
      return Variant();
    });
    method("InsertParagraphAfter", {}, [&span, &doc](Args&) {
      Span at{span.end, span.end};
      doc.replaceText(at, "\r");
      span.end = at.end;
      return Variant();
    });
    method("Delete", {opt("Unit"), opt("Count")}, [&span, &doc](Args&) {
      const int before = doc.model.size();
      doc.checkEditable();
      deleteText(doc.model, span.start, span.end, doc.editContext());
      doc.changed();
      return longValue(before - doc.model.size());
    });
    method("Select", {}, [&span, &doc](Args&) {
      doc.select(span.start, span.end);
      return Variant();
    });
    method("Collapse", {opt("Direction", longValue(1))}, [&span](Args& a) {
      if (a[0].toInt32() == 0) {
        span.start = span.end;
      } else {
        span.end = span.start;
      }
      return Variant();
    });
    method("SetRange", {{"Start"}, {"End"}}, [&span, &doc](Args& a) {
      span.start = std::clamp(a[0].toInt32(), 0, doc.model.size());
      span.end = std::clamp(a[1].toInt32(), span.start, doc.model.size());
      return Variant();
    });
  }

 private:
  std::shared_ptr<Span> span_;
};

}  // namespace

ObjectRef makeRange(AppPtr app, DocPtr doc, int start, int end) {
  return std::make_shared<RangeObject>(std::move(app), std::move(doc), start, end);
}

}  // namespace verolin::wordproc
