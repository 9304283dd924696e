// One document open in the application: its model, the file it came from, the settings of its window
// and its selection, with the edits a user or a caller makes at the selection.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "wordproc/formats/formats.h"
#include "wordproc/model/document_model.h"
#include "wordproc/model/editing.h"

namespace verolin::wordproc {

class WordApp;

// What Close and Quit do with unsaved changes (wdSaveOptions).
namespace saveoption {
inline constexpr int kDoNotSave = 0;
inline constexpr int kSave = -1;
inline constexpr int kPrompt = -2;
}  // namespace saveoption

// View types (wdViewType).
namespace viewtype {
inline constexpr int kNormal = 1;
inline constexpr int kOutline = 2;
inline constexpr int kPrint = 3;
inline constexpr int kPrintPreview = 4;
inline constexpr int kWeb = 6;
}  // namespace viewtype

class DocSession {
 public:
  DocSession(WordApp& app, std::string name);
  ~DocSession();
  DocSession(const DocSession&) = delete;
  DocSession& operator=(const DocSession&) = delete;

  WordApp& app;
  DocumentModel model;
  std::string name;      // "文档1" until saved, then the file name
  std::string fullName;  // the path once the document is on disk; the name before
  int fileFormat = fileformat::kDocument;
  bool dirty = false;
  bool readOnly = false;
  bool closed = false;

  // Its window.
  int windowNumber = 0;  // the window's serial number in the application (for Index)
  std::string caption;   // a caption the caller set; "" shows the name
  int viewType = viewtype::kPrint;
  bool fullScreen = false;
  bool splitWindow = false;
  int specialPane = 0;  // the pane a split shows besides the text (wdSpecialPane); 0 for none
  bool displayScreenTips = true;

  std::string windowCaption() const;
  bool savedToDisk() const { return !fullName.empty() && fullName != name; }

  // The file: reading (replacing the model), writing, and the lock the application holds on it.
  void load(const std::string& path, bool asReadOnly);
  void saveAs(const std::string& path, int format);
  void save();
  void releaseFile();
  // Takes another model's content (a template's, a file's), with the selection at its start.
  void adoptModel(DocumentModel content);

  // --- The selection ---
  int selStart() const { return selection_->start; }
  int selEnd() const { return selection_->end; }
  // Selects [start, end) of the text (clamped, never past the final mark); drops a shape selection.
  void select(int start, int end);
  const std::vector<int>& selectedShapes() const { return selectedShapes_; }
  void selectShape(int number, bool replace = true);
  // The format typing at the selection gets.
  CharFormat typingFormat() const;
  void setTypingFormat(const std::function<void(CharFormat&)>& change);

  // Typing replaces the selection; the insertion point ends after the text.
  void typeText(std::string_view utf8);
  void typeParagraph();
  void typeBackspace();
  // Deletes the selection, or `count` characters after the insertion point.
  void deleteForward(int count = 1);
  // Puts a table of empty cells where the selection is, in paragraphs of its own.
  void insertTable(int rows, int columns);
  // Puts an inline picture where the selection is (replacing it); returns its picture id.
  int insertInlinePicture(const Picture& picture);

  // --- Ranges (also the selection's) ---
  void checkEditable() const;  // 6124 where protection refuses edits
  EditContext editContext() const;
  // Replaces [span.start, span.end) with text; the span then covers the new text.
  void replaceText(Span& span, std::string_view utf8);
  void formatRange(int start, int end, const std::function<void(CharFormat&)>& change);
  void formatParagraphsOf(int start, int end, const std::function<void(ParaFormat&)>& change);
  void setStyle(int start, int end, const std::string& styleName);

  // --- Shapes ---
  ShapeData* shape(int number);
  ShapeData& addPicture(Picture picture, std::optional<double> left, std::optional<double> top,
                        std::optional<double> width, std::optional<double> height);
  ShapeData& addLine(double beginX, double beginY, double endX, double endY);
  // Floats the inline picture with that id as a new shape; returns the shape.
  ShapeData& convertToShape(int pictureId);
  void deleteShape(int number);
  // The position of the inline picture with that id; -1 when it is gone.
  int picturePosition(int pictureId) const;

  void changed() { dirty = true; }
  // The document's revisions, listed again only after the text changed.
  const std::vector<RevisionSpan>& revisions() const;

 private:
  std::string nextShapeName(std::string_view prefix);
  int anchorForSelection() const;
  // Where text replacing the selection goes, once the selection's own text was deleted.
  int insertionPoint() const;

  std::shared_ptr<Span> selection_;
  std::vector<int> selectedShapes_;
  std::optional<CharFormat> typingFormat_;
  std::string lockedPath_;
  mutable std::vector<RevisionSpan> revisions_;
  mutable std::uint64_t revisionsAt_ = UINT64_MAX;
};

}  // namespace verolin::wordproc
