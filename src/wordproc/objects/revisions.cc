// Revisions and Revision: the tracked changes of a document or of a stretch of it.
#include <optional>

#include "wordproc/model/editing.h"
#include "wordproc/objects/objects.h"
#include "wordproc/objects/word_errors.h"

namespace verolin::wordproc {

namespace {

void refuseWhenProtected(const DocSession& doc) {
  if (doc.model.protection.type != protection::kNone) throw notAvailable("the document is protected");
}

// Which run of its revision `r` is: another author's text inside a revision splits it into runs, each
// listed (and accepted or rejected) on its own.
int runOf(const DocSession& doc, const RevisionSpan& r) {
  int run = 0;
  for (const auto& s : doc.revisions()) {
    if (s.id != r.id || s.kind != r.kind) continue;
    if (s.start == r.start) return run;
    ++run;
  }
  return 0;
}

class RevisionObject final : public DocObject {
 public:
  RevisionObject(AppPtr a, DocPtr d, int id, RevisionKind kind, int run)
      : DocObject("Revision", std::move(a), std::move(d)), id_(id), kind_(kind), run_(run) {
    property("Type", [this] { return longValue(kind_); });
    property("Author", [this] { return Variant(info().author); });
    property("Date", [this] { return Variant(info().date); });
    property("Range", [this] {
      const RevisionSpan s = span();
      return Variant(makeRange(app_, doc_, s.start, s.end));
    });
    property("Index", [this] {
      const auto& all = doc_->revisions();
      const RevisionSpan own = span();
      for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i].id == id_ && all[i].kind == kind_ && all[i].start == own.start)
          return longValue(static_cast<int>(i + 1));
      }
      return longValue(0);
    });
    method("Accept", {}, [this](Args&) {
      refuseWhenProtected(*doc_);
      acceptRevision(doc_->model, span());
      doc_->changed();
      return Variant();
    });
    method("Reject", {}, [this](Args&) {
      refuseWhenProtected(*doc_);
      rejectRevision(doc_->model, span());
      doc_->changed();
      return Variant();
    });
  }

 protected:
  void checkValid() const override {
    DocObject::checkValid();
    span();
  }

 private:
  // Its run; the last one left when edits have joined runs since.
  RevisionSpan span() const {
    std::optional<RevisionSpan> found;
    int run = 0;
    for (const auto& r : doc_->revisions()) {
      if (r.id != id_ || r.kind != kind_) continue;
      found = r;
      if (run++ == run_) break;
    }
    if (!found) throw objectDeleted();
    return *found;
  }

  const RevisionInfo& info() const {
    const RevisionInfo* r = doc_->model.revision(id_);
    if (!r) throw objectDeleted();
    return *r;
  }

  int id_;
  RevisionKind kind_;
  int run_;
};

class RevisionsObject final : public DocObject {
 public:
  RevisionsObject(AppPtr a, DocPtr d, std::shared_ptr<Span> span)
      : DocObject("Revisions", std::move(a), std::move(d)), span_(std::move(span)) {
    property("Count", [this] { return longValue(static_cast<int>(list().size())); });
    method("Item", {{"Index"}}, [this](Args& a) {
      const auto all = list();
      const int n = a[0].toInt32();
      if (n < 1 || n > static_cast<int>(all.size())) throw noSuchMember();
      const RevisionSpan& r = all[static_cast<std::size_t>(n - 1)];
      return Variant(std::make_shared<RevisionObject>(app_, doc_, r.id, r.kind, runOf(*doc_, r)));
    });
    defaultMember("Item");
    method("AcceptAll", {}, [this](Args&) {
      refuseWhenProtected(*doc_);
      span_ ? acceptRevisions(doc_->model, span_->start, span_->end) : acceptRevisions(doc_->model);
      doc_->changed();
      return Variant();
    });
    method("RejectAll", {}, [this](Args&) {
      refuseWhenProtected(*doc_);
      span_ ? rejectRevisions(doc_->model, span_->start, span_->end) : rejectRevisions(doc_->model);
      doc_->changed();
      return Variant();
    });
  }

 private:
  std::vector<RevisionSpan> list() const {
    return span_ ? listRevisions(doc_->model, span_->start, span_->end) : doc_->revisions();
  }

  std::shared_ptr<Span> span_;
};

}  // namespace

ObjectRef makeRevisions(AppPtr app, DocPtr doc, std::shared_ptr<Span> span) {
  return std::make_shared<RevisionsObject>(std::move(app), std::move(doc), std::move(span));
}

}  // namespace verolin::wordproc
