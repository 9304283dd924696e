// Documents: the open documents, opening and creating them.
#include "text/utf8.h"
#include "wordproc/formats/document_files.h"
#include "wordproc/objects/objects.h"
#include "wordproc/objects/word_errors.h"

namespace verolin::wordproc {

namespace {

using automation::opt;

DocPtr findDocument(WordApp& app, const Variant& index) {
  const auto& docs = app.documents();
  const int n = itemNumber(index);
  if (n >= 1 && n <= static_cast<int>(docs.size())) return docs[static_cast<std::size_t>(n - 1)];
  if (n == -1) {
    const std::string name = index.toString();
    for (const auto& d : docs) {
      if (text::equalsIgnoreCase(d->name, name) || text::equalsIgnoreCase(d->fullName, name)) return d;
    }
  }
  throw noSuchMember();
}

class DocumentsObject final : public WordObject {
 public:
  explicit DocumentsObject(AppPtr a) : WordObject("Documents", std::move(a)) {
    property("Count", [this] { return longValue(static_cast<int>(app_->documents().size())); });
    property("Parent", [this] { return Variant(applicationObject(app_)); });
    method("Item", {{"Index"}},
           [this](Args& a) { return Variant(makeDocument(app_, findDocument(*app_, a[0]))); });
    defaultMember("Item");
    method("Add", {opt("Template"), opt("NewTemplate"), opt("DocumentType"), opt("Visible")},
           [this](Args& a) { return add(a); });
    method("Open",
           {{"FileName"},
            opt("ConfirmConversions"),
            opt("ReadOnly", false),
            opt("AddToRecentFiles"),
            opt("PasswordDocument"),
            opt("PasswordTemplate"),
            opt("Revert", false),
            opt("WritePasswordDocument"),
            opt("WritePasswordTemplate"),
            opt("Format"),
            opt("Encoding"),
            opt("Visible"),
            opt("OpenAndRepair"),
            opt("DocumentDirection"),
            opt("NoEncodingDialog"),
            opt("XMLTransform")},
           [this](Args& a) {
             app_->openDocument(a[0].toString(), a[2].toBool());
             return Variant(makeDocument(app_, app_->activeShared()));
           });
    method("Close",
           {opt("SaveChanges", longValue(saveoption::kPrompt)), opt("OriginalFormat"), opt("RouteDocument")},
           [this](Args& a) {
             const int save = a[0].toInt32();
             while (!app_->documents().empty()) {
               if (!app_->closeDocument(*app_->documents().back(), save)) throw commandFailed();
             }
             return Variant();
           });
    method("Save", {opt("NoPrompt"), opt("OriginalFormat")}, [this](Args&) {
      for (const auto& d : app_->documents()) d->save();
      return Variant();
    });
  }

 private:
  Variant add(Args& a) {
    DocSession& doc = app_->addDocument();
    if (a.given(0) && !a[0].toString().empty()) {
      // A new document based on a template starts with the template's content.
      try {
        const std::string path = a[0].toString();
        DocSession probe(*app_, "template");
        probe.load(path, true);
        doc.adoptModel(std::move(probe.model));
      } catch (...) {
        app_->closeDocument(doc, saveoption::kDoNotSave);
        throw;
      }
    }
    return Variant(makeDocument(app_, app_->activeShared()));
  }
};

}  // namespace

ObjectRef makeDocuments(AppPtr app) {
  return std::make_shared<DocumentsObject>(std::move(app));
}

}  // namespace verolin::wordproc
