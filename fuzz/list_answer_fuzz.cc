// The list answers both ways. Any bytes a server may send reach the control's list parser, which
// either leaves everything as it was (no data) or takes exactly what the text holds. And whatever items
// the server stores, its answer, sent in the wire code page, gives the control those items back.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "server/list_answer.h"
#include "text/codepage.h"
#include "text/utf8.h"
#include "transfer/list_answer.h"

namespace {

using namespace verolin;
using Groups = std::array<std::vector<std::string>, 3>;

void parseAnyAnswer(std::string_view wire) {
  const std::array<std::string, 3> before = {"old0", "old1", "old2"};
  std::array<std::string, 3> lists = before;
  std::string link = "L";
  std::string split = "S";
  const bool used = transfer::ApplyListAnswer(wire, link, split, {&lists[0], &lists[1], &lists[2]});
  const std::string text = text::fromWire(wire);
  if (!used) {
    FUZZ_CHECK(text::length(text) <= 4);
    FUZZ_CHECK(lists == before && link == "L" && split == "S");
    return;
  }
  FUZZ_CHECK(text::length(link) == 1 && text::length(split) == 1);
  const auto groups = text::split(text::mid(text, 3), link);
  std::string rebuilt = link + split + groups.front();
  for (std::size_t i = 1; i < groups.size(); ++i) rebuilt += link + groups[i];
  FUZZ_CHECK(rebuilt == text);
  for (std::size_t i = 0; i < 3; ++i) {
    FUZZ_CHECK(lists[i] == (i < groups.size() ? groups[i] : before[i]));
  }
}

// The items of one list as the control reads them: split at the terminator, the empty text after the
// last terminator dropped.
std::vector<std::string> itemsOf(const std::string& list, const std::string& terminator) {
  std::vector<std::string> items = text::split(list, terminator);
  FUZZ_CHECK(!items.empty() && items.back().empty());
  items.pop_back();
  return items;
}

// Bytes to groups of items: 0x00 ends an item, 0x01 a group; each item is read as wire bytes (as the
// server reads an upload's lists) or, when `utf8`, as UTF-8 where valid (as an administrator types).
Groups groupsOf(std::string_view bytes, bool utf8) {
  Groups groups;
  std::size_t g = 0;
  std::string item;
  auto finishItem = [&] {
    std::string text = utf8 && text::isValid(item) ? item : text::fromWire(item);
    groups[g].push_back(std::move(text));
    item.clear();
  };
  for (const char c : bytes) {
    if (c == '\0') {
      finishItem();
    } else if (c == '\x01') {
      if (!item.empty()) finishItem();
      g = (g + 1) % groups.size();
    } else {
      item += c;
    }
  }
  if (!item.empty()) finishItem();
  return groups;
}

void answerGivesItemsBack(std::string_view bytes, bool utf8) {
  const Groups groups = groupsOf(bytes, utf8);
  const std::string wire = text::toWire(server::listAnswer(groups));
  std::array<std::string, 3> lists;
  std::string link = "L";
  std::string split = "S";
  const bool used = transfer::ApplyListAnswer(wire, link, split, {&lists[0], &lists[1], &lists[2]});
  const bool empty = groups[0].empty() && groups[1].empty() && groups[2].empty();
  FUZZ_CHECK(used == !empty);
  if (!used) return;
  for (std::size_t g = 0; g < groups.size(); ++g) {
    std::vector<std::string> expected;
    // What the wire code page can carry of each item.
    for (const auto& item : groups[g]) expected.push_back(text::fromWire(text::toWire(item)));
    if (itemsOf(lists[g], split) != expected) {
      std::fprintf(stderr, "group %zu differs; answer: %s\n", g, text::fromWire(wire).c_str());
      FUZZ_CHECK(false);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  switch (data[0] % 3) {
    case 0:
      parseAnyAnswer(bytes);
      break;
    case 1:
      answerGivesItemsBack(bytes, false);
      break;
    default:
      answerGivesItemsBack(bytes, true);
      break;
  }
  return 0;
}
