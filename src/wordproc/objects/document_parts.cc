// PageSetup and Bookmarks of a document.
#include "wordproc/model/units.h"
#include "wordproc/objects/objects.h"
#include "wordproc/objects/word_errors.h"

namespace verolin::wordproc {

namespace {

class PageSetupObject final : public DocObject {
 public:
  PageSetupObject(AppPtr a, DocPtr d) : DocObject("PageSetup", std::move(a), std::move(d)) {
    measure("TopMargin", &PageSetup::topMargin);
    measure("BottomMargin", &PageSetup::bottomMargin);
    measure("LeftMargin", &PageSetup::leftMargin);
    measure("RightMargin", &PageSetup::rightMargin);
    measure("PageWidth", &PageSetup::pageWidth);
    measure("PageHeight", &PageSetup::pageHeight);
    property(
        "Orientation", [this] { return longValue(doc_->model.page.orientation); },
        [this](const Variant& v) {
          const int o = v.toInt32();
          if (o != 0 && o != 1) throw valueOutOfRange();
          PageSetup& p = doc_->model.page;
          if (o != p.orientation) std::swap(p.pageWidth, p.pageHeight);
          p.orientation = o;
          doc_->changed();
        });
  }

 private:
  void measure(const std::string& name, double PageSetup::*field) {
    property(
        name, [this, field] { return singleValue(doc_->model.page.*field); },
        [this, field](const Variant& v) {
          const double value = v.toDouble();
          if (value < 0 || value > 1584) throw valueOutOfRange();
          doc_->model.page.*field = value;
          doc_->changed();
        });
  }
};

class BookmarksObject final : public DocObject {
 public:
  BookmarksObject(AppPtr a, DocPtr d) : DocObject("Bookmarks", std::move(a), std::move(d)) {
    property("Count", [this] { return longValue(static_cast<int>(doc_->model.bookmarks.size())); });
    method("Exists", {{"Name"}},
           [this](Args& a) { return boolValue(doc_->model.bookmarks.count(a[0].toString()) > 0); });
    method("Item", {{"Index"}}, [this](Args& a) {
      auto& marks = doc_->model.bookmarks;
      const int n = itemNumber(a[0]);
      auto it = marks.end();
      if (n >= 1 && n <= static_cast<int>(marks.size())) {
        it = std::next(marks.begin(), n - 1);
      } else if (n == -1) {
        it = marks.find(a[0].toString());
      }
      if (it == marks.end()) throw noSuchMember();
      return Variant(makeRange(app_, doc_, it->second->start, it->second->end));
    });
    defaultMember("Item");
    method("Add", {{"Name"}, automation::opt("Range")}, [this](Args& a) {
      int start = doc_->selStart();
      int end = doc_->selEnd();
      if (a.given(1)) {
        auto* holder = dynamic_cast<TextHolder*>(a[1].toObject().get());
        if (!holder) throw automation::errorOf(automation::err::kTypeMismatch);
        start = holder->textSpan().start;
        end = holder->textSpan().end;
      }
      doc_->model.addBookmark(a[0].toString(), start, end);
      doc_->changed();
      return Variant(makeRange(app_, doc_, start, end));
    });
  }
};

}  // namespace

ObjectRef makePageSetup(AppPtr app, DocPtr doc) {
  return std::make_shared<PageSetupObject>(std::move(app), std::move(doc));
}
ObjectRef makeBookmarks(AppPtr app, DocPtr doc) {
  return std::make_shared<BookmarksObject>(std::move(app), std::move(doc));
}

}  // namespace verolin::wordproc
