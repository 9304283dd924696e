// Character-counted operations on UTF-8 text.
//
// The control counts characters the way its page scripts do: one Unicode code point is one character.
// Positions are 1-based where the routine mirrors a Basic string function (Mid, InStr), as the
// control's routines are written in those terms. Invalid UTF-8 bytes count as one character each,
// so no input makes these functions fail or lose bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace verolin::text {

// Number of characters in `s`.
std::size_t length(std::string_view s);

// The first `n` characters (all of them when `n` exceeds the length).
std::string left(std::string_view s, std::size_t n);

// The last `n` characters (all of them when `n` exceeds the length).
std::string right(std::string_view s, std::size_t n);

// `n` characters from 1-based character position `start`; npos takes the rest. A start past the end gives "".
std::string mid(std::string_view s, std::size_t start, std::size_t n = std::string_view::npos);

// 1-based character position of the first `needle` at or after character `start`; 0 when absent.
// An empty needle is found at `start` (when start <= length + 1), as InStr does.
std::size_t find(std::string_view s, std::string_view needle, std::size_t start = 1);

// 1-based character position of the last `needle`; 0 when absent.
std::size_t findLast(std::string_view s, std::string_view needle);

// Splits at every `separator` (which must not be empty). "a§b§" gives {"a", "b", ""}.
std::vector<std::string> split(std::string_view s, std::string_view separator);

// Byte offset of 1-based character position `pos` (the size when past the end).
std::size_t byteOffset(std::string_view s, std::size_t pos);

// Code points of `s` (invalid bytes become U+FFFD).
std::u32string toCodePoints(std::string_view s);

// UTF-8 of one code point.
std::string fromCodePoint(char32_t cp);

// True when `s` is well-formed UTF-8.
bool isValid(std::string_view s);

// ASCII-only case-insensitive comparison, used for member and key names.
bool equalsIgnoreCase(std::string_view a, std::string_view b);
std::string toLowerAscii(std::string_view s);

}  // namespace verolin::text
