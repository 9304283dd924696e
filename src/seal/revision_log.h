// The revision log window FrmOpMsg ("操作日志"): one line of libmsg per revision of the control's
// document, filled by the revision list; a double click on a line shows that revision's text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "control/control.h"
#include "platform/form.h"

namespace verolin::seal {

inline constexpr const char* kRevisionLogName = "FrmOpMsg";
inline constexpr const char* kRevisionLogCaption = "操作日志";

class FrmOpMsg final : public platform::Form {
 public:
  FrmOpMsg();

  // Empties libmsg.
  void clear();
  // Appends `line` to libmsg as its new last item.
  void addLine(std::string line);
  const std::vector<std::string>& lines();

  // Shows the window modally over `c`'s document; returns when the user has closed it.
  void showFor(control::Control& c);

 private:
  void showSelectedRevision();

  control::Control* control_ = nullptr;  // only while shown: the double click reads its document
};

// The one window of the control's thread, created on first use.
FrmOpMsg& RevisionLog(control::Control& c);

// The text of revision k + 1 of the control's document, by the window way; "" while the word
// processor is not started. Errors of the word processor reach the caller.
std::string RevisionText(control::Control& c, std::int32_t k);

}  // namespace verolin::seal
