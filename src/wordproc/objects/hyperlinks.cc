// Hyperlinks and Hyperlink: links on text (characters that carry the link) and on shapes.
#include <algorithm>

#include "wordproc/objects/objects.h"
#include "wordproc/objects/word_errors.h"

namespace verolin::wordproc {

namespace {

using automation::opt;

// Office hyperlink types (msoHyperlinkType).
constexpr int kLinkRange = 0;
constexpr int kLinkShape = 1;

struct LinkEntry {
  bool shape = false;
  int id = 0;  // link id of a text link, shape number of a shape link
  int position = 0;
};

// The document's links in document order (a shape's at its anchor).
std::vector<LinkEntry> links(const DocumentModel& m) {
  std::vector<LinkEntry> out;
  int previous = 0;
  for (int i = 0; i < m.size(); ++i) {
    const int id = m.charFormat(i).link;
    if (id && id != previous) out.push_back({false, id, i});
    previous = id;
  }
  for (const auto& s : m.shapes) {
    if (s.link) out.push_back({true, s.number, s.anchor});
  }
  std::stable_sort(out.begin(), out.end(),
                   [](const LinkEntry& a, const LinkEntry& b) { return a.position < b.position; });
  return out;
}

// The stretch a text link covers (its first run).
Span textOf(const DocumentModel& m, int id) {
  int start = -1;
  for (int i = 0; i < m.size(); ++i) {
    const bool in = m.charFormat(i).link == id;
    if (in && start < 0) start = i;
    if (!in && start >= 0) return {start, i};
  }
  return start < 0 ? Span{0, 0} : Span{start, m.size()};
}

void unlinkText(DocumentModel& m, int id) {
  for (int i = 0; i < m.size(); ++i) {
    CharFormat f = m.charFormat(i);
    if (f.link != id) continue;
    f.link = 0;
    m.setFormat(i, m.intern(f));
  }
}

class HyperlinkObject final : public DocObject {
 public:
  HyperlinkObject(AppPtr a, DocPtr d, bool shape, int id)
      : DocObject("Hyperlink", std::move(a), std::move(d)), shape_(shape), id_(id) {
    linkField("Address", &Link::address);
    linkField("SubAddress", &Link::subAddress);
    linkField("ScreenTip", &Link::screenTip);
    linkField("Target", &Link::target);
    property("Name", [this] {
      const Link& l = link();
      return Variant(l.subAddress.empty() ? l.address : l.address + "#" + l.subAddress);
    });
    property("Type", [this] { return longValue(shape_ ? kLinkShape : kLinkRange); });
    property(
        "TextToDisplay",
        [this] {
          if (shape_) return Variant("");
          const Span s = textOf(doc_->model, id_);
          return Variant(doc_->model.text(s.start, s.end));
        },
        [this](const Variant& v) {
          if (shape_) throw notAvailable("the hyperlink is on a shape");
          const Span s = textOf(doc_->model, id_);
          Span span = s;
          doc_->replaceText(span, v.toString());
          mark(doc_->model, span, id_);
        });
    property("Range", [this] {
      if (shape_) throw notAvailable("the hyperlink is on a shape");
      const Span s = textOf(doc_->model, id_);
      return Variant(makeRange(app_, doc_, s.start, s.end));
    });
    property("Shape", [this] {
      if (!shape_) throw notAvailable("the hyperlink is not on a shape");
      return Variant(makeShape(app_, doc_, id_));
    });
    method("Delete", {}, [this](Args&) {
      doc_->checkEditable();
      if (shape_) {
        doc_->shape(id_)->link.reset();
      } else {
        unlinkText(doc_->model, id_);
      }
      doc_->changed();
      return Variant();
    });
  }

  static void mark(DocumentModel& m, Span span, int id) {
    for (int i = span.start; i < span.end && i < m.size() - 1; ++i) {
      CharFormat f = m.charFormat(i);
      f.link = id;
      m.setFormat(i, m.intern(f));
    }
  }

 protected:
  void checkValid() const override {
    DocObject::checkValid();
    if (!present()) throw objectDeleted();
  }

 private:
  bool present() const {
    if (shape_) {
      const ShapeData* s = doc_->shape(id_);
      return s && s->link;
    }
    return textOf(doc_->model, id_).end > 0;
  }

  Link& link() const { return shape_ ? *doc_->shape(id_)->link : *doc_->model.link(id_); }

  void linkField(const std::string& name, std::string Link::*field) {
    property(
        name, [this, field] { return Variant(link().*field); },
        [this, field](const Variant& v) {
          link().*field = plainCharacters(v.toString());
          doc_->changed();
        });
  }

  bool shape_;
  int id_;
};

class HyperlinksObject final : public DocObject {
 public:
  HyperlinksObject(AppPtr a, DocPtr d) : DocObject("Hyperlinks", std::move(a), std::move(d)) {
    property("Count", [this] { return longValue(static_cast<int>(links(doc_->model).size())); });
    method("Item", {{"Index"}}, [this](Args& a) {
      const auto list = links(doc_->model);
      const int n = itemNumber(a[0]);
      if (n < 1 || n > static_cast<int>(list.size())) throw noSuchMember();
      const LinkEntry& e = list[static_cast<std::size_t>(n - 1)];
      return Variant(std::make_shared<HyperlinkObject>(app_, doc_, e.shape, e.id));
    });
    defaultMember("Item");
    method("Add",
           {{"Anchor"},
            opt("Address"),
            opt("SubAddress"),
            opt("ScreenTip"),
            opt("TextToDisplay"),
            opt("Target")},
           [this](Args& a) { return add(a); });
  }

 private:
  Variant add(Args& a) {
    auto text = [&](std::size_t i) { return a.given(i) ? a[i].toString() : std::string(); };
    Link link{plainCharacters(text(1)), plainCharacters(text(2)), plainCharacters(text(3)),
              plainCharacters(text(5))};
    ObjectRef anchor = a[0].toObject();
    doc_->checkEditable();
    if (auto* shapes = dynamic_cast<ShapeHolder*>(anchor.get())) {
      if (&shapes->shapeDocument() != doc_.get()) throw automation::errorOf(automation::err::kTypeMismatch);
      const auto numbers = shapes->shapeNumbers();
      if (numbers.empty()) throw notAvailable("the object is empty");
      for (int n : numbers) {
        ShapeData* s = doc_->shape(n);
        if (!s) throw objectDeleted();
        s->link = link;
      }
      doc_->changed();
      app_->trace("hyperlink on shape " + doc_->shape(numbers.front())->name);
      return Variant(std::make_shared<HyperlinkObject>(app_, doc_, true, numbers.front()));
    }
    auto* range = dynamic_cast<TextHolder*>(anchor.get());
    if (!range || &range->textDocument() != doc_.get())
      throw automation::errorOf(automation::err::kTypeMismatch);
    Span span = range->textSpan();
    // The shown text replaces the anchor's; an empty anchor shows the address.
    const std::string shown = text(4).empty() && span.start == span.end ? link.address : text(4);
    if (!shown.empty()) doc_->replaceText(span, shown);
    const int id = doc_->model.addLink(link);
    HyperlinkObject::mark(doc_->model, span, id);
    doc_->changed();
    return Variant(std::make_shared<HyperlinkObject>(app_, doc_, false, id));
  }
};

}  // namespace

ObjectRef makeHyperlinks(AppPtr app, DocPtr doc) {
  return std::make_shared<HyperlinksObject>(std::move(app), std::move(doc));
}

ObjectRef makeShapeHyperlink(AppPtr app, DocPtr doc, int shapeNumber) {
  return std::make_shared<HyperlinkObject>(std::move(app), std::move(doc), true, shapeNumber);
}

}  // namespace verolin::wordproc
