// Highlighting of the valid marks: in show mode each valid seal or signature gets a red frame and a
// hyperlink whose screen tip names who placed it and when; hide mode takes frame and hyperlink away.
#pragma once

#include <cstdint>

#include "control/control.h"

namespace verolin::seal {

// The public methods: the count of marks handled. An error of MarkValidSeals reaches the page.
std::int16_t ShowElectronSealInfo(control::Control& c, bool isShow, bool msgShow = true);
std::int16_t ShowSignInfo(control::Control& c, bool isShow, bool msgShow = true);

// Frames (isShow) or unframes every valid seal and returns how many. Word's errors reach the caller,
// except from the first hyperlink deletion of hide mode on, which end it with 0.
std::int16_t MarkValidSeals(control::Control& c, bool isShow, bool msgShow);
// The same for signatures; any error ends it with 0.
std::int16_t MarkValidSigns(control::Control& c, bool isShow, bool msgShow);

}  // namespace verolin::seal
