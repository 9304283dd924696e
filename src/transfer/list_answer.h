// The server's list answers (signatures, seals, seal owners): character 1 is the link separator,
// character 2 the split separator, the rest three groups joined by the link separator.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace verolin::transfer {

struct ListAnswer {
  std::string linkStr;
  std::string splitStr;
  std::vector<std::string> groups;  // at least one; the caller uses the first three
};

// Reads a list answer already decoded from the wire code page. nullopt for four characters or fewer,
// which means that the server has no data.
std::optional<ListAnswer> ParseListAnswer(std::string_view text);

// Applies a list answer as it came off the wire: the separators are replaced, then groups 0, 1 and 2
// go into the three lists in that order, stopping at the first group the answer lacks. An answer of
// four characters or fewer changes nothing. Returns whether the answer was used.
bool ApplyListAnswer(std::string_view wireBytes, std::string& linkStr, std::string& splitStr,
                     const std::array<std::string*, 3>& lists);

}  // namespace verolin::transfer
