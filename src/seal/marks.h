// Marks: a seal or signature is a floating picture "Picture N" in the document plus three parallel list
// items (the identifier N, who placed it, when). What placing, checking and highlighting share.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "automation/variant.h"
#include "control/control.h"

namespace verolin::seal {

// The name prefix that makes a shape a mark; exact, with one space.
inline constexpr std::string_view kMarkNamePrefix = "Picture ";

// A list text split at the terminator, the empty element after the last terminator included:
// "3§7§" gives {"3", "7", ""}; the empty list gives {""}.
std::vector<std::string> SplitList(std::string_view list, std::string_view splitStr);

// list := list + item + splitStr.
void AppendItem(std::string& list, std::string_view item, std::string_view splitStr);

// Item `index` of a split list, or "" past its end: a server answer may leave one list of a group
// shorter than the others, and a short list must never be read past its end.
const std::string& ItemAt(const std::vector<std::string>& items, std::size_t index);

// The three lists of a group, split: identifiers, names and time texts.
struct SplitGroup {
  std::vector<std::string> ids;
  std::vector<std::string> names;
  std::vector<std::string> times;
};
SplitGroup SplitMarkGroup(const std::string& ids, const std::string& names, const std::string& times,
                          std::string_view splitStr);

// "2008年3月5日9时7分0秒" from the local clock; each of the six numbers reads the clock anew.
std::string MarkTimeText(control::Control& c);

// The identifier in a shape's name: its second element split at " " ("Picture 12" gives "12"); "" when
// the name has no second element.
std::string MarkIdOf(std::string_view shapeName);

// The look every mark gets at placement, in its order: transparent background, white as transparency
// colour, no fill. Errors of the word processor reach the caller.
void ApplyMarkPictureFormat(const automation::Variant& shape);
// Selects the shape named `shapeName` in the active document, lets it overlap and puts it in front of
// the text (wrap type 3).
void PlaceMarkInFront(const automation::Variant& wordApp, const std::string& shapeName);

// Which group of marks a routine works on, with its lists in the control-wide state.
enum class MarkKind { Seal, Signature };
struct MarkLists {
  std::string* ids;
  std::string* names;
  std::string* times;
  std::string* newIds;
  std::string* newNames;
  std::string* newTimes;
};
MarkLists ListsOf(control::ControlState& s, MarkKind kind);

// The shapes of the active document that are valid marks of one group, in the document's shape order
// and, within one shape, in list order: each pair of a shape and a matching identifier once.
struct ValidMark {
  int shapeIndex;    // 1-based, in ActiveDocument.Shapes
  std::size_t item;  // index into the group's lists
};
// `examineLast` false leaves the last split element out (signatures do; seals examine it).
std::vector<ValidMark> FindValidMarks(const automation::Variant& wordApp, const SplitGroup& group,
                                      bool examineLast);

}  // namespace verolin::seal
