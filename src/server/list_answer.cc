#include "server/list_answer.h"

#include <stdexcept>

#include "text/codepage.h"

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
  std::string_view link;
  std::string_view split;
  for (const std::string_view candidate : kCandidates) {
    if (!usable(candidate, groups)) continue;
    if (link.empty()) {
      link = candidate;
    } else {
      split = candidate;
      break;
    }
  }
  if (split.empty()) throw std::runtime_error("no separator characters left that the list items do not hold");
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
