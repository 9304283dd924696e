// The automation objects of the word processor. Each is a thin object over the application's state
// (WordApp, DocSession, the document model): it holds what it stands for and reads it anew on every
// call, so an object whose document was closed or whose shape was deleted fails with Word's error.
//
// The folder, top down; it reads files through formats/ and edits through model/:
//
//   objects.h           this table of contents: the objects' classes, one file each (application.cc,
//                       documents.cc, document_object.cc, selection.cc, range.cc, shapes.cc, ...),
//                       registration.cc (the factory's entry) and user_actions.cc (what a person does
//                       in the window)
//   shape_formats.h     PictureFormat, FillFormat, LineFormat, ColorFormat, WrapFormat
//   word_app.h          the application instance: documents, main window, user, command bars
//   doc_session.h       one open document: its model, file, window settings and selection
//                       (doc_files.cc: its file side)
//   command_bar_set.h   menu bar and toolbars with their control IDs
//   word_errors.h       the errors with their numbers and descriptions
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "automation/object.h"
#include "wordproc/objects/command_bar_set.h"
#include "wordproc/objects/doc_session.h"
#include "wordproc/objects/word_app.h"

namespace verolin::wordproc {

using automation::Args;
using automation::ObjectRef;
using automation::Variant;
using AppPtr = std::shared_ptr<WordApp>;
using DocPtr = std::shared_ptr<DocSession>;

// Every object refuses calls once its application has quit (462), and answers Application and Creator.
class WordObject : public automation::ObjectBase {
 public:
  WordObject(std::string typeName, AppPtr app);
  Variant invoke(std::string_view member, automation::InvokeKind kind, std::span<Variant> args,
                 std::span<automation::NamedArg> named) override;

 protected:
  // Throws when what the object stands for is gone (5825 by default for a closed document).
  virtual void checkValid() const {}
  AppPtr app_;
};

// An object that belongs to one document.
class DocObject : public WordObject {
 public:
  DocObject(std::string typeName, AppPtr app, DocPtr doc);

 protected:
  void checkValid() const override;
  DocPtr doc_;
};

// Automation's Boolean and the Office tri-state (-1 true, 0 false, as a Long).
inline Variant boolValue(bool b) {
  return Variant(b);
}
inline Variant triState(bool b) {
  return Variant(static_cast<std::int32_t>(b ? -1 : 0));
}
inline Variant longValue(int v) {
  return Variant(static_cast<std::int32_t>(v));
}
inline Variant singleValue(double v) {
  return Variant(static_cast<float>(v));
}
// Word's "mixed" answer when a range holds different values.
inline constexpr std::int32_t kUndefined = 9999999;

// Where formatting applies: the selection of a document, or a stretch of text.
struct TextTarget {
  DocPtr doc;
  std::shared_ptr<Span> span;  // null: the document's selection
};

// What an argument object stands for, when a member takes a range or a shape (Hyperlinks.Add's Anchor,
// InlineShapes.AddPicture's Range): objects of this program answer through these interfaces.
class TextHolder {
 public:
  virtual ~TextHolder() = default;
  virtual DocSession& textDocument() const = 0;
  virtual Span textSpan() const = 0;
};

class ShapeHolder {
 public:
  virtual ~ShapeHolder() = default;
  virtual DocSession& shapeDocument() const = 0;
  virtual std::vector<int> shapeNumbers() const = 0;
};

ObjectRef applicationObject(const AppPtr& app);
ObjectRef makeDocuments(AppPtr app);
ObjectRef makeDocument(AppPtr app, DocPtr doc);
ObjectRef makeWindows(AppPtr app);
ObjectRef makeWindow(AppPtr app, DocPtr doc);
ObjectRef makeView(AppPtr app, DocPtr doc);
ObjectRef makePane(AppPtr app, DocPtr doc);
ObjectRef makeSelection(AppPtr app, DocPtr doc);
ObjectRef makeRange(AppPtr app, DocPtr doc, int start, int end);
ObjectRef makeFont(AppPtr app, TextTarget target);
ObjectRef makeParagraphFormat(AppPtr app, TextTarget target);
ObjectRef makeShapes(AppPtr app, DocPtr doc);
ObjectRef makeShape(AppPtr app, DocPtr doc, int number);
ObjectRef makeShapeRange(AppPtr app, DocPtr doc, std::vector<int> numbers);
// Inline shapes of the document, or of the text `span` covers; `atSelection`: new pictures go where
// the selection is (Selection.InlineShapes).
ObjectRef makeInlineShapes(AppPtr app, DocPtr doc, std::shared_ptr<Span> span, bool atSelection = false);
ObjectRef makeInlineShape(AppPtr app, DocPtr doc, int pictureId);
ObjectRef makeHyperlinks(AppPtr app, DocPtr doc);
ObjectRef makeShapeHyperlink(AppPtr app, DocPtr doc, int shapeNumber);
// Revisions of the document, or of the text that `span` covers.
ObjectRef makeRevisions(AppPtr app, DocPtr doc, std::shared_ptr<Span> span);
ObjectRef makeStyles(AppPtr app, DocPtr doc);
ObjectRef makeStyle(AppPtr app, DocPtr doc, std::string name);
ObjectRef makePageSetup(AppPtr app, DocPtr doc);
ObjectRef makeBookmarks(AppPtr app, DocPtr doc);
ObjectRef makeCommandBars(AppPtr app);
ObjectRef makeCommandBar(AppPtr app, std::shared_ptr<CommandBar> bar);
ObjectRef makeCommandBarControls(AppPtr app, std::shared_ptr<CommandBar> bar);
ObjectRef makeCommandBarControl(AppPtr app, std::shared_ptr<CommandBar> bar,
                                std::shared_ptr<BarControl> control);
ObjectRef makeDialogs(AppPtr app);
ObjectRef makeUserActions(AppPtr app);

// A 1-based collection index from an Item argument: a number, or -1 when the argument is a name.
int itemNumber(const Variant& index);

// Reads a picture file for AddPicture and Paste: Word's errors for a missing or unreadable file.
Picture loadPictureFile(WordApp& app, const std::string& path);

}  // namespace verolin::wordproc
