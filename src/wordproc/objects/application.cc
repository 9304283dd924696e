// Application: the instance, its windows and documents, the user and the main window.
#include "wordproc/objects/objects.h"
#include "wordproc/objects/word_errors.h"

namespace verolin::wordproc {

namespace {

class ApplicationObject final : public WordObject {
 public:
  const AppPtr& app() const { return app_; }
  explicit ApplicationObject(AppPtr a) : WordObject("Application", std::move(a)) {
    WordApp& app = *app_;
    property("Version", [&app] { return Variant(app.options.version); });
    property("Build", [&app] { return Variant(app.options.version + ".0.0"); });
    property("Name", [] { return Variant("Microsoft Word"); });
    // The application's value, as when a caller compares the object itself with a text.
    defaultMember("Name");
    property("Parent", [this] { return self(); });
    property(
        "Caption", [&app] { return Variant(app.caption); },
        [&app](const Variant& v) {
          app.caption = v.toString();
          app.updateTitle();
        });
    property(
        "Visible", [&app] { return boolValue(app.visible()); },
        [&app](const Variant& v) { app.setVisible(v.toBool()); });
    property(
        "WindowState", [&app] { return longValue(app.windowState()); },
        [&app](const Variant& v) { app.setWindowState(v.toInt32()); });
    property(
        "Left", [&app] { return longValue(static_cast<int>(app.left())); },
        [&app](const Variant& v) { app.move(v.toDouble(), app.top()); });
    property(
        "Top", [&app] { return longValue(static_cast<int>(app.top())); },
        [&app](const Variant& v) { app.move(app.left(), v.toDouble()); });
    property(
        "Width", [&app] { return longValue(static_cast<int>(app.width())); },
        [&app](const Variant& v) { app.resize(v.toDouble(), app.height()); });
    property(
        "Height", [&app] { return longValue(static_cast<int>(app.height())); },
        [&app](const Variant& v) { app.resize(app.width(), v.toDouble()); });
    method("Resize", {{"Width"}, {"Height"}}, [&app](Args& a) {
      app.resize(a[0].toDouble(), a[1].toDouble());
      return Variant();
    });
    method("Move", {{"Left"}, {"Top"}}, [&app](Args& a) {
      app.move(a[0].toDouble(), a[1].toDouble());
      return Variant();
    });
    method("Activate", {}, [](Args&) { return Variant(); });
    method("Quit",
           {automation::opt("SaveChanges", longValue(saveoption::kPrompt)), automation::opt("OriginalFormat"),
            automation::opt("RouteDocument")},
           [&app](Args& a) {
             app.quit(a[0].toInt32());
             return Variant();
           });
    property(
        "UserName", [&app] { return Variant(app.userName); },
        [&app](const Variant& v) { app.userName = v.toString(); });
    property(
        "UserInitials", [&app] { return Variant(app.userInitials); },
        [&app](const Variant& v) { app.userInitials = v.toString(); });
    property(
        "UserAddress", [&app] { return Variant(app.userAddress); },
        [&app](const Variant& v) { app.userAddress = v.toString(); });
    property(
        "PrintPreview", [&app] { return boolValue(app.printPreview()); },
        [&app](const Variant& v) { app.setPrintPreview(v.toBool()); });
    property(
        "ScreenUpdating", [&app] { return boolValue(app.screenUpdating); },
        [&app](const Variant& v) { app.screenUpdating = v.toBool(); });
    property(
        "DisplayAlerts", [&app] { return longValue(app.displayAlerts); },
        [&app](const Variant& v) { app.displayAlerts = v.toInt32(); });
    property("ActiveWindow", [this] {
      app_->active();
      return Variant(makeWindow(app_, app_->activeShared()));
    });
    property("ActiveDocument", [this] {
      app_->active();
      return Variant(makeDocument(app_, app_->activeShared()));
    });
    property("Selection", [this] {
      app_->active();
      return Variant(makeSelection(app_, app_->activeShared()));
    });
    property("Windows", [this] { return Variant(makeWindows(app_)); });
    property("Documents", [this] { return Variant(makeDocuments(app_)); });
    property("CommandBars", [this] { return Variant(makeCommandBars(app_)); });
    property("Dialogs", [this] { return Variant(makeDialogs(app_)); });
    // Not a member of the real program: what a person does in the window, for tests and page scripts.
    property("UserActions", [this] { return Variant(makeUserActions(app_)); });
  }
};

}  // namespace

ObjectRef applicationObject(const AppPtr& app) {
  if (auto existing = app->applicationObject.lock()) return existing;
  auto object = std::make_shared<ApplicationObject>(app);
  app->applicationObject = object;
  return object;
}

WindowContent windowContent(const automation::ObjectRef& application) {
  const auto* object = dynamic_cast<const ApplicationObject*>(application.get());
  if (!object) return {};
  const WordApp& app = *object->app();
  WindowContent content;
  content.window = app.window();
  if (app.alive() && app.activeShared()) content.document = &app.activeShared()->model;
  return content;
}

}  // namespace verolin::wordproc
