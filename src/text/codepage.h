// The wire code page: the single-/double-byte "ANSI" code page in which the control exchanges text
// with the server page and in which its ciphers read character codes. GBK unless configured otherwise.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace verolin::text {

// Name of the wire code page as iconv knows it ("GBK" by default).
std::string wireCodePage();

// Chooses the wire code page. Throws std::invalid_argument when iconv does not know the name.
void setWireCodePage(std::string_view name);

// UTF-8 text to wire bytes. Characters the code page cannot hold become '?', as the platform's
// best-fit conversion does, so nothing fails halfway.
std::string toWire(std::string_view utf8);

// Wire bytes to UTF-8 text. Byte sequences that are not valid in the code page become U+FFFD.
std::string fromWire(std::string_view bytes);

// The ANSI code of one character (Basic's Asc): the single byte, or lead * 256 + trail for a
// double-byte character, read as a signed 16-bit value (so most Chinese characters read negative).
// An empty text gives 0.
std::int16_t ansiCode(std::string_view utf8Character);

// Converts between two iconv code pages; invalid or unmappable input becomes '?'.
std::string convert(std::string_view input, const char* from, const char* to);

}  // namespace verolin::text
