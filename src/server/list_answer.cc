#include "server/list_answer.h"

#include <stdexcept>
#include <utility>

#include "text/codepage.h"
#include "text/utf8.h"

namespace verolin::server {
namespace {

// Separators to fall back on, most distinctive first; each is one character in GBK.
constexpr std::string_view kCandidates[] = {kDefaultLinkStr,
                                            kDefaultSplitStr,
                                            "\xC2\xA4" /* ¤ */,
                                            "\xE2\x80\xBB" /* ※ */,
                                            "\xE2\x80\x96" /* ‖ */,
                                            "\xE2\x97\x86" /* ◆ */,
                                            "|",
                                            "~",
                                            "^",
                                            "`"};

bool usable(std::string_view candidate, const std::array<std::vector<std::string>, 3>& groups) {
  if (text::fromWire(text::toWire(candidate)) != candidate) return false;
  for (const auto& group : groups) {
    for (const auto& item : group) {
      if (item.find(candidate) != std::string::npos) return false;
    }
  }
  return true;
}

// Every character the wire may carry, in the order they are tried after the fixed choice: CJK
// ideographs first (thousands, and in every Chinese code page), then the rest of the printable range.
// However the items are made, two of these are always left free.
template <class F>
bool forEachFallback(F&& tryCandidate) {
  constexpr std::pair<char32_t, char32_t> kRanges[] = {
      {0x4E00, 0x9FA5}, {0x21, 0x7E}, {0xA1, 0xD7FF}, {0xE000, 0xFFFD}};
  for (const auto& [first, last] : kRanges) {
    for (char32_t cp = first; cp <= last; ++cp) {
      if (tryCandidate(text::fromCodePoint(cp))) return true;
    }
  }
  return false;
}

}  // namespace

std::vector<std::string> splitList(std::string_view text, std::string_view terminator) {
  std::vector<std::string> items;
  if (text.empty()) return items;
  if (terminator.empty()) return {std::string(text)};
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find(terminator, start);
    if (end == std::string_view::npos) {
      items.emplace_back(text.substr(start));
      break;
    }
    items.emplace_back(text.substr(start, end - start));
    start = end + terminator.size();
  }
  return items;
}

std::string listAnswer(const std::array<std::vector<std::string>, 3>& groups) {
  if (groups[0].empty() && groups[1].empty() && groups[2].empty()) return {};
  std::string link;
  std::string split;
  // True once both separators are chosen.
  auto take = [&](std::string_view candidate) {
    if (!usable(candidate, groups)) return false;
    if (link.empty()) {
      link = candidate;
      return false;
    }
    split = candidate;
    return true;
  };
  bool chosen = false;
  for (const std::string_view candidate : kCandidates) {
    if ((chosen = take(candidate))) break;
  }
  if (!chosen) chosen = forEachFallback(take);
  if (!chosen) throw std::runtime_error("no separator characters left that the list items do not hold");
  std::string answer(link);
  answer += split;
  for (std::size_t g = 0; g < groups.size(); ++g) {
    if (g > 0) answer += link;
    for (const auto& item : groups[g]) {
      answer += item;
      answer += split;
    }
  }
  return answer;
}

}  // namespace verolin::server
