// Character codes as the ciphers read them: one code per character, in the wire code page.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace verolin::crypto {

// The ANSI code of every character of `utf8`, as a signed 16-bit value (double-byte characters of
// the wire code page mostly read negative). Invalid UTF-8 bytes count as one character each.
std::vector<std::int16_t> ansiCodes(std::string_view utf8);

}  // namespace verolin::crypto
