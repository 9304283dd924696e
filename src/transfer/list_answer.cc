#include "transfer/list_answer.h"

#include "text/codepage.h"
#include "text/utf8.h"

namespace verolin::transfer {
namespace {

// Fewer characters than this mean "no data".
constexpr std::size_t kShortestAnswer = 5;

}  // namespace

std::optional<ListAnswer> ParseListAnswer(std::string_view text) {
  if (text::length(text) < kShortestAnswer) return std::nullopt;
  ListAnswer answer;
  answer.linkStr = text::mid(text, 1, 1);
  answer.splitStr = text::mid(text, 2, 1);
  answer.groups = text::split(text::mid(text, 3), answer.linkStr);
  return answer;
}

bool ApplyListAnswer(std::string_view wireBytes, std::string& linkStr, std::string& splitStr,
                     const std::array<std::string*, 3>& lists) {
  auto answer = ParseListAnswer(text::fromWire(wireBytes));
  if (!answer) return false;
  linkStr = answer->linkStr;
  splitStr = answer->splitStr;
  for (std::size_t i = 0; i < lists.size() && i < answer->groups.size(); ++i) *lists[i] = answer->groups[i];
  return true;
}

}  // namespace verolin::transfer
