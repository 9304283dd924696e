// The list texts of the control: items, each followed by a one-character terminator; and the list
// answer that carries three such lists back to it (mark lists of a document, the seal owner list).
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace verolin::server {

// The control's default separators; a list answer may choose others.
inline constexpr std::string_view kDefaultLinkStr = "\xC7\x90";   // U+01D0
inline constexpr std::string_view kDefaultSplitStr = "\xC2\xA7";  // U+00A7

// The items of a list text: "a§b§" gives a, b; "§" gives one empty item; "" gives none. A last item
// without its terminator is kept. An empty terminator makes the whole text one item.
std::vector<std::string> splitList(std::string_view text, std::string_view terminator);

// The answer body (UTF-8, to be sent in the wire code page): the link separator, the split separator,
// then the three groups joined by the link separator, each group its items each followed by the split
// separator. The control's own separators are used unless an item holds one of them; then the first
// characters of a fixed choice, then of all the wire's characters, that no item holds and that the wire
// code page can carry, so every list can be answered. When all
// groups are empty the answer is "", which the control reads as "no data".
std::string listAnswer(const std::array<std::vector<std::string>, 3>& groups);

}  // namespace verolin::server
