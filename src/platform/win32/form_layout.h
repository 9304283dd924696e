// Where the controls of the control's forms sit: the design geometry of each form in twips, which the
// form models do not carry. A form without a layout here gets its controls stacked in one column.
#pragma once

#include <string_view>
#include <vector>

namespace verolin::platform::win32 {

// One control's rectangle in the form's client area, in twips.
struct ControlPlace {
  std::string_view name;
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;  // a combo box's height includes its open list
};

struct FormLayout {
  std::string_view form;
  int clientWidth = 0;  // twips
  int clientHeight = 0;
  bool topmost = false;  // stays above every other window while shown
  std::vector<ControlPlace> places;

  // The place of `control` (case-insensitive); nullptr when the layout does not name it.
  const ControlPlace* find(std::string_view control) const;
};

// The layout of the form named `formName`; nullptr for a form the table does not know.
const FormLayout* FindFormLayout(std::string_view formName);

// A layout for a form that has none: each control in `names` under the one before, 120 twips apart.
FormLayout StackedLayout(std::string_view formName, const std::vector<std::string_view>& names);

}  // namespace verolin::platform::win32
