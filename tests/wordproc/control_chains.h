// The control's routines as chains of calls on the word processor, member for member and with the
// argument types the control passes, so that tests can run them and check what the control relies on.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "word_fixture.h"

namespace verolin::testing {

class ControlChains : public WordFixture {
 protected:
  // Word started, one new document saved as the control's working copy, its window index kept.
  void SetUp() override;

  // The window way: Windows(wordWindowIndex).Application.
  Variant viaWindow();
  // The working copy's save: SaveAs with its ten arguments, Word document format.
  void saveLocalCopy(const std::string& path);

  // Seal placement: print layout, the picture with Word's defaults, the mark's look. Returns the
  // identifier taken from the shape's name.
  std::string placeSeal(const std::string& picturePath);
  // Signature placement: the picture through the clipboard, the document's last inline picture
  // floated and given the mark's look. Returns the identifier.
  std::string placeSignature(const Bytes& picture);
  // The validity check: every pair (shape index, list index) whose shape bears "Picture " + id.
  std::vector<std::pair<int, int>> validMarks(const std::vector<std::string>& ids);
  // Highlighting of shape i: the red frame and a hyperlink with the placer in its screen tip, or
  // (hide) the frame taken away and the hyperlink deleted.
  void showMark(int i, const std::string& name, const std::string& time);
  void hideMark(int i);
  // The red header: title, document number and the red rule.
  void redHeader();
  // The revision log lines and the text of revision k + 1.
  std::vector<std::string> revisionLines();
  std::string revisionText(int k);

  Variant word_;
  std::int16_t index_ = 0;

 private:
  std::string giveMarkLook(Variant shape);
  Variant selectMarkFrame(int i);
};

}  // namespace verolin::testing
