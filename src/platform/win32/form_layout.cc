#include "platform/win32/form_layout.h"

#include <algorithm>

#include "text/utf8.h"

namespace verolin::platform::win32 {
namespace {

// The seal window: owner and password on the left, the seal's preview on the right, the progress text
// under the fields and the three buttons along the bottom.
const FormLayout kSealWindow{"FrmMySign",
                             5700,
                             3060,
                             false,
                             {
                                 {"lblname", 240, 330, 1000, 255},
                                 {"comUserList", 1260, 270, 2040, 1800},
                                 {"lblpassword", 240, 870, 1000, 255},
                                 {"txtPassword", 1260, 810, 2040, 330},
                                 {"lblmsg", 240, 1410, 3060, 510},
                                 {"picshow", 3540, 240, 1920, 1920},
                                 {"cmdok", 600, 2400, 1140, 420},
                                 {"cmdthis", 2280, 2400, 1140, 420},
                                 {"cmdcanel", 3960, 2400, 1140, 420},
                                 {"compass", 0, 0, 1200, 1200},
                                 {"comPic", 0, 0, 1200, 1200},
                             }};

// The handwriting window: the capture box keeps its design size of 5580 × 4020 twips (its mouse
// coordinates are read in that scale); the mode switch and the buttons sit below it.
const FormLayout kHandwritingWindow{"FrmHandWritd",
                                    5700,
                                    4800,
                                    true,
                                    {
                                        {"picgetimage", 60, 60, 5580, 4020},
                                        {"Csign1", 120, 4260, 1800, 300},
                                        {"cmdcancel", 2160, 4200, 1050, 420},
                                        {"cmdclean", 3300, 4200, 1050, 420},
                                        {"cmdok", 4440, 4200, 1050, 420},
                                    }};

// The mark list: a line holds a name and a full date, so the list is wide.
const FormLayout kMarkList{"FrmShowElectronSealInfo",
                           6600,
                           3600,
                           false,
                           {
                               {"lblmsg", 120, 120, 6360, 255},
                               {"lisMsg", 120, 420, 6360, 2520},
                               {"cmdok", 5280, 3060, 1200, 420},
                           }};

const FormLayout kRevisionLog{"FrmOpMsg",
                              6600,
                              3960,
                              false,
                              {
                                  {"lblmsg", 120, 120, 6360, 255},
                                  {"libmsg", 120, 420, 6360, 2880},
                                  {"cmdok", 5280, 3420, 1200, 420},
                              }};

const FormLayout* const kLayouts[] = {&kSealWindow, &kHandwritingWindow, &kMarkList, &kRevisionLog};

constexpr int kMargin = 120;
constexpr int kStackWidth = 4200;
constexpr int kRowHeight = 330;
constexpr int kMinimumHeight = 1500;

}  // namespace

const ControlPlace* FormLayout::find(std::string_view control) const {
  for (const auto& p : places) {
    if (text::equalsIgnoreCase(p.name, control)) return &p;
  }
  return nullptr;
}

const FormLayout* FindFormLayout(std::string_view formName) {
  for (const FormLayout* layout : kLayouts) {
    if (text::equalsIgnoreCase(layout->form, formName)) return layout;
  }
  return nullptr;
}

FormLayout StackedLayout(std::string_view formName, const std::vector<std::string_view>& names) {
  FormLayout layout{formName, kStackWidth + 2 * kMargin, kMargin, false, {}};
  for (std::string_view name : names) {
    layout.places.push_back({name, kMargin, layout.clientHeight, kStackWidth, kRowHeight});
    layout.clientHeight += kRowHeight + kMargin;
  }
  layout.clientHeight = std::max(layout.clientHeight, kMinimumHeight);
  return layout;
}

}  // namespace verolin::platform::win32
