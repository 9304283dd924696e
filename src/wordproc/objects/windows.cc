// Windows, Window, View and Pane: one document window per open document.
#include "text/utf8.h"
#include "wordproc/objects/objects.h"
#include "wordproc/objects/word_errors.h"

namespace verolin::wordproc {

namespace {

using automation::opt;

// The last special pane (wdSpecialPane) a window can show: the reviewing pane.
constexpr int kLastSpecialPane = 18;

class WindowsObject final : public WordObject {
 public:
  explicit WindowsObject(AppPtr a) : WordObject("Windows", std::move(a)) {
    property("Count", [this] { return longValue(static_cast<int>(app_->documents().size())); });
    property("Parent", [this] { return Variant(applicationObject(app_)); });
    method("Item", {{"Index"}}, [this](Args& a) {
      const auto& docs = app_->documents();
      const int n = itemNumber(a[0]);
      if (n >= 1 && n <= static_cast<int>(docs.size())) {
        return Variant(makeWindow(app_, docs[static_cast<std::size_t>(n - 1)]));
      }
      if (n == -1) {
        for (const auto& d : docs) {
          if (d->windowCaption() == a[0].toString()) return Variant(makeWindow(app_, d));
        }
      }
      throw noSuchMember();
    });
    defaultMember("Item");
  }
};

class WindowObject final : public DocObject {
 public:
  WindowObject(AppPtr a, DocPtr d) : DocObject("Window", std::move(a), std::move(d)) {
    DocSession& doc = *doc_;
    WordApp& app = *app_;
    property("Parent", [this] { return Variant(applicationObject(app_)); });
    property("Index", [&app, &doc] { return longValue(app.windowIndex(doc)); });
    property(
        "Caption", [&doc] { return Variant(doc.windowCaption()); },
        [&app, &doc](const Variant& v) {
          doc.caption = v.toString();
          app.updateTitle();
        });
    method("Activate", {}, [&app, &doc](Args&) {
      app.activate(doc);
      return Variant();
    });
    method("Close", {opt("SaveChanges", longValue(saveoption::kPrompt)), opt("RouteDocument")},
           [&app, &doc](Args& a) {
             if (!app.closeDocument(doc, a[0].toInt32())) throw commandFailed();
             return Variant();
           });
    // Every document window lives in the one main window, so its state is the main window's.
    property(
        "WindowState", [&app] { return longValue(app.windowState()); },
        [&app](const Variant& v) { app.setWindowState(v.toInt32()); });
    property(
        "Visible", [&app] { return boolValue(app.visible()); },
        [&app](const Variant& v) { app.setVisible(v.toBool()); });
    property("View", [this] { return Variant(makeView(app_, doc_)); });
    property("ActivePane", [this] { return Variant(makePane(app_, doc_)); });
    method("Panes", {opt("Index")}, [this](Args& a) {
      if (a.given(0) && a[0].toInt32() != 1 && !(doc_->splitWindow && a[0].toInt32() == 2))
        throw noSuchMember();
      return Variant(makePane(app_, doc_));
    });
    property(
        "Split", [&doc] { return boolValue(doc.splitWindow); },
        [&doc](const Variant& v) {
          doc.splitWindow = v.toBool();
          if (!doc.splitWindow) doc.specialPane = 0;
        });
    property(
        "DisplayScreenTips", [&doc] { return boolValue(doc.displayScreenTips); },
        [&doc](const Variant& v) { doc.displayScreenTips = v.toBool(); });
    property("Document", [this] { return Variant(makeDocument(app_, doc_)); });
    property("Selection", [this] { return Variant(makeSelection(app_, doc_)); });
  }
};

class ViewObject final : public DocObject {
 public:
  ViewObject(AppPtr a, DocPtr d) : DocObject("View", std::move(a), std::move(d)) {
    DocSession& doc = *doc_;
    property(
        "Type", [&doc] { return longValue(doc.viewType); },
        [&doc](const Variant& v) {
          const int type = v.toInt32();
          if (type < viewtype::kNormal || type > 7) throw valueOutOfRange();
          doc.viewType = type;
        });
    property(
        "FullScreen", [&doc] { return boolValue(doc.fullScreen); },
        [&doc](const Variant& v) { doc.fullScreen = v.toBool(); });
    property(
        // A plain split shows the text in both panes and has no special pane; opening one (comments,
        // footnotes, a header) splits the window, closing it joins the panes again.
        "SplitSpecial", [&doc] { return longValue(doc.specialPane); },
        [&doc](const Variant& v) {
          const int pane = v.toInt32();
          if (pane < 0 || pane > kLastSpecialPane) throw valueOutOfRange();
          if (pane == 0 && doc.specialPane != 0) doc.splitWindow = false;
          if (pane != 0) doc.splitWindow = true;
          doc.specialPane = pane;
        });
    property(
        "ShowRevisionsAndComments", [&doc] { return boolValue(doc.model.showRevisions); },
        [&doc](const Variant& v) { doc.model.showRevisions = v.toBool(); });
  }
};

class PaneObject final : public DocObject {
 public:
  PaneObject(AppPtr a, DocPtr d) : DocObject("Pane", std::move(a), std::move(d)) {
    property("Index", [] { return longValue(1); });
    property("View", [this] { return Variant(makeView(app_, doc_)); });
    property("Document", [this] { return Variant(makeDocument(app_, doc_)); });
    property("Selection", [this] { return Variant(makeSelection(app_, doc_)); });
  }
};

}  // namespace

ObjectRef makeWindows(AppPtr app) {
  return std::make_shared<WindowsObject>(std::move(app));
}
ObjectRef makeWindow(AppPtr app, DocPtr doc) {
  return std::make_shared<WindowObject>(std::move(app), std::move(doc));
}
ObjectRef makeView(AppPtr app, DocPtr doc) {
  return std::make_shared<ViewObject>(std::move(app), std::move(doc));
}
ObjectRef makePane(AppPtr app, DocPtr doc) {
  return std::make_shared<PaneObject>(std::move(app), std::move(doc));
}

}  // namespace verolin::wordproc
