// The mark list window and the two checks that report in it: which seals or signatures of the lists
// are still in the document, with who placed them and when.
#pragma once

#include <cstdint>

#include "control/control.h"
#include "platform/form.h"

namespace verolin::seal {

// FrmShowElectronSealInfo, "盖章信息": one line per valid mark in lisMsg, the count in lblmsg, cmdok
// closes. One instance per thread; closing it restores its design texts for the next use.
class MarkListWindow final : public platform::Form {
 public:
  MarkListWindow();

  platform::FormControl& lisMsg;
  platform::FormControl& lblmsg;
  platform::FormControl& cmdok;

 private:
  void restoreDesign();
};

// Lists the valid seals in the window and shows it modally; the number of lines. 0 without a message
// when the word processor is not started, 0 with "没有有效的盖章！" when a seal list is empty.
std::int16_t ListValidSeals(control::Control& c);
// The same for signatures (the window titled "签名信息"); the last element of the split identifiers is
// not examined.
std::int16_t ListValidSigns(control::Control& c);

// The public checks: the document guard, then the listing. CheckSign answers the count (0 when no
// document is open).
void CheckElectronSeal(control::Control& c);
std::int16_t CheckSign(control::Control& c);

}  // namespace verolin::seal
