// The wire code page both ways and the character-counted text helpers, on arbitrary bytes read as wire
// bytes and as UTF-8. Conversions never fail: wire bytes become valid UTF-8 and, when every byte was
// understood, convert back to the same bytes; UTF-8 keeps its characters, each either itself or '?'.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "text/codepage.h"
#include "text/utf8.h"

namespace {

using namespace verolin;

void wireToText(std::string_view bytes) {
  const std::string text = text::fromWire(bytes);
  FUZZ_CHECK(text::isValid(text));
  if (text.find("\xEF\xBF\xBD") == std::string::npos) FUZZ_CHECK(text::toWire(text) == bytes);
}

void textToWire(std::string_view utf8) {
  const std::string wire = text::toWire(utf8);
  const std::u32string before = text::toCodePoints(utf8);
  const std::u32string after = text::toCodePoints(text::fromWire(wire));
  FUZZ_CHECK(before.size() == after.size());
  for (std::size_t i = 0; i < before.size() && i < after.size(); ++i) {
    FUZZ_CHECK(after[i] == before[i] || after[i] == U'?');
  }
  if (!utf8.empty() && static_cast<unsigned char>(utf8[0]) < 0x80) {
    FUZZ_CHECK(text::ansiCode(utf8) == utf8[0]);
  }
}

void characterHelpers(std::string_view s, std::size_t cut) {
  const std::size_t n = text::length(s);
  FUZZ_CHECK(n == text::toCodePoints(s).size());
  cut = n == 0 ? 0 : cut % (n + 1);
  FUZZ_CHECK(text::left(s, cut) + text::mid(s, cut + 1) == s);
  FUZZ_CHECK(text::left(s, cut) + text::right(s, n - cut) == s);
  FUZZ_CHECK(text::byteOffset(s, cut + 1) == text::left(s, cut).size());
  if (n > 0) {
    // Splitting at one of its own characters and joining again gives the text back.
    const std::string separator = text::mid(s, cut == 0 ? 1 : cut, 1);
    const auto parts = text::split(s, separator);
    std::string rejoined = parts.front();
    for (std::size_t i = 1; i < parts.size(); ++i) rejoined += separator + parts[i];
    FUZZ_CHECK(rejoined == s);
    FUZZ_CHECK(text::find(s, separator) >= 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  wireToText(bytes);
  textToWire(bytes);
  characterHelpers(bytes, data[0]);
  return 0;
}
