#include "crypto/ansi_codes.h"

#include "text/codepage.h"
#include "text/utf8.h"

namespace verolin::crypto {

std::vector<std::int16_t> ansiCodes(std::string_view utf8) {
  std::vector<std::int16_t> codes;
  codes.reserve(utf8.size());
  for (char32_t cp : text::toCodePoints(utf8)) {
    // ASCII is the same in every wire code page; skip the conversion for the common case.
    if (cp < 0x80) {
      codes.push_back(static_cast<std::int16_t>(cp));
    } else {
      codes.push_back(text::ansiCode(text::fromCodePoint(cp)));
    }
  }
  return codes;
}

}  // namespace verolin::crypto
