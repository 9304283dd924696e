// Document: saving, closing, protection, revision switches and the document's collections.
#include "platform/files.h"
#include "wordproc/model/editing.h"
#include "wordproc/model/password_key.h"
#include "wordproc/objects/objects.h"
#include "wordproc/objects/word_errors.h"

namespace verolin::wordproc {

namespace {

using automation::opt;

class DocumentObject final : public DocObject {
 public:
  DocumentObject(AppPtr a, DocPtr d) : DocObject("Document", std::move(a), std::move(d)) {
    DocSession& doc = *doc_;
    property("Parent", [this] { return Variant(applicationObject(app_)); });
    property("Name", [&doc] { return Variant(doc.name); });
    property("FullName", [&doc] { return Variant(doc.fullName); });
    property("Path", [&doc] {
      if (!doc.savedToDisk()) return Variant("");
      std::string folder = platform::folderOf(doc.fullName);
      if (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
      return Variant(folder);
    });
    property(
        "Saved", [&doc] { return boolValue(!doc.dirty); },
        [&doc](const Variant& v) { doc.dirty = !v.toBool(); });
    property("ReadOnly", [&doc] { return boolValue(doc.readOnly); });
    method("Save", {}, [&doc](Args&) {
      doc.save();
      return Variant();
    });
    method("SaveAs",
           {opt("FileName"), opt("FileFormat"), opt("LockComments"), opt("Password"), opt("AddToRecentFiles"),
            opt("WritePassword"), opt("ReadOnlyRecommended"), opt("EmbedTrueTypeFonts"),
            opt("SaveNativePictureFormat"), opt("SaveFormsData"), opt("SaveAsAOCELetter"), opt("Encoding"),
            opt("InsertLineBreaks"), opt("AllowSubstitutions"), opt("LineEnding"), opt("AddBiDiMarks")},
           [&doc](Args& a) {
             std::string path = a.given(0) ? a[0].toString() : std::string();
             // Without a name the document keeps its own, in its own folder (the root for a new one).
             if (path.empty()) path = doc.savedToDisk() ? doc.fullName : "c:\\" + doc.name + ".doc";
             doc.saveAs(path, a.given(1) ? a[1].toInt32() : fileformat::kDocument);
             return Variant();
           });
    method("Close",
           {opt("SaveChanges", longValue(saveoption::kPrompt)), opt("OriginalFormat"), opt("RouteDocument")},
           [this](Args& a) {
             if (!app_->closeDocument(*doc_, a[0].toInt32())) throw commandFailed();
             return Variant();
           });
    method("Activate", {}, [this](Args&) {
      app_->activate(*doc_);
      return Variant();
    });
    method("Protect", {{"Type"}, opt("NoReset"), opt("Password"), opt("UseIRM"), opt("EnforceStyleLock")},
           [&doc](Args& a) {
             protect(doc, a[0].toInt32(), a.given(2) ? a[2].toString() : std::string());
             return Variant();
           });
    method("Unprotect", {opt("Password")}, [&doc](Args& a) {
      unprotect(doc, a.given(0) ? a[0].toString() : std::string());
      return Variant();
    });
    property("ProtectionType", [&doc] { return longValue(doc.model.protection.type); });
    property(
        "TrackRevisions", [&doc] { return boolValue(tracking(doc)); },
        [&doc](const Variant& v) {
          const bool on = v.toBool();
          if (on == tracking(doc)) return;
          if (doc.model.protection.type != protection::kNone) throw notAvailable("the document is protected");
          doc.model.trackRevisions = on;
        });
    property(
        "PrintRevisions", [&doc] { return boolValue(doc.model.printRevisions); },
        [&doc](const Variant& v) { doc.model.printRevisions = v.toBool(); });
    property(
        "ShowRevisions", [&doc] { return boolValue(doc.model.showRevisions); },
        [&doc](const Variant& v) { doc.model.showRevisions = v.toBool(); });
    property("Revisions", [this] { return Variant(makeRevisions(app_, doc_, nullptr)); });
    method("AcceptAllRevisions", {}, [&doc](Args&) {
      refuseWhenProtected(doc);
      acceptRevisions(doc.model);
      doc.changed();
      return Variant();
    });
    method("RejectAllRevisions", {}, [&doc](Args&) {
      refuseWhenProtected(doc);
      rejectRevisions(doc.model);
      doc.changed();
      return Variant();
    });
    property("Styles", [this] { return Variant(makeStyles(app_, doc_)); });
    property("Shapes", [this] { return Variant(makeShapes(app_, doc_)); });
    property("InlineShapes", [this] { return Variant(makeInlineShapes(app_, doc_, nullptr)); });
    property("Hyperlinks", [this] { return Variant(makeHyperlinks(app_, doc_)); });
    property("Bookmarks", [this] { return Variant(makeBookmarks(app_, doc_)); });
    property("PageSetup", [this] { return Variant(makePageSetup(app_, doc_)); });
    property("Content", [this] { return Variant(makeRange(app_, doc_, 0, doc_->model.size())); });
    method("Range", {opt("Start"), opt("End")}, [this](Args& a) {
      const int size = doc_->model.size();
      const int start = a.given(0) ? a[0].toInt32() : 0;
      const int end = a.given(1) ? a[1].toInt32() : size;
      if (start < 0 || end < start || end > size) throw valueOutOfRange();
      return Variant(makeRange(app_, doc_, start, end));
    });
    property("ActiveWindow", [this] { return Variant(makeWindow(app_, doc_)); });
    method("PrintOut",
           {opt("Background"), opt("Append"), opt("Range"), opt("OutputFileName"), opt("From"), opt("To"),
            opt("Item"), opt("Copies"), opt("Pages"), opt("PageType"), opt("PrintToFile"), opt("Collate"),
            opt("FileName"), opt("ActivePrinterMacGX"), opt("ManualDuplexPrint"), opt("PrintZoomColumn"),
            opt("PrintZoomRow"), opt("PrintZoomPaperWidth"), opt("PrintZoomPaperHeight")},
           [this](Args& a) {
             const int copies = a.given(7) ? a[7].toInt32() : 1;
             if (copies < 1) throw valueOutOfRange();
             app_->trace("print " + doc_->name + " copies=" + std::to_string(copies) +
                         " revisions=" + (doc_->model.printRevisions ? "1" : "0"));
             return Variant();
           });
  }

 private:
  static bool tracking(const DocSession& doc) {
    return doc.model.trackRevisions || doc.model.protection.type == protection::kRevisions;
  }

  static void refuseWhenProtected(const DocSession& doc) {
    if (doc.model.protection.type != protection::kNone) throw notAvailable("the document is protected");
  }

  static void protect(DocSession& doc, int type, const std::string& password) {
    if (doc.model.protection.type != protection::kNone)
      throw notAvailable("the document is already protected");
    if (type < protection::kRevisions || type > protection::kReadOnly) throw valueOutOfRange();
    doc.model.protection.type = type;
    doc.model.protection.passwordKey.reset();
    if (!password.empty()) doc.model.protection.passwordKey = passwordKey(password);
    // Protection for tracked changes turns tracking on; it stays on after the protection is removed.
    if (type == protection::kRevisions) doc.model.trackRevisions = true;
    doc.changed();
  }

  static void unprotect(DocSession& doc, const std::string& password) {
    Protection& p = doc.model.protection;
    if (p.type == protection::kNone) throw notAvailable("the document is not protected");
    if (p.passwordKey && passwordKey(password) != *p.passwordKey) throw wrongPassword();
    p = Protection{};
    doc.changed();
  }
};

}  // namespace

ObjectRef makeDocument(AppPtr app, DocPtr doc) {
  return std::make_shared<DocumentObject>(std::move(app), std::move(doc));
}

}  // namespace verolin::wordproc
