// The compact character store against a plain vector of characters: the same characters after any
// mix of appending, inserting, erasing and changing, across block ends and as blocks grow, empty and
// are cut again; copies independent of the original.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "wordproc/model/text_store.h"

namespace verolin::testing {
namespace {

using wordproc::Char;
using wordproc::TextStore;

void expectSame(const TextStore& store, const std::vector<Char>& expected) {
  ASSERT_EQ(store.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const Char c = store.get(i);
    ASSERT_EQ(c.cp, expected[i].cp) << "at " << i;
    ASSERT_EQ(c.format, expected[i].format) << "at " << i;
    ASSERT_EQ(c.extra, expected[i].extra) << "at " << i;
  }
}

// Characters of every UTF-8 length, a lone surrogate among them, marks with values and formats that
// change in runs.
Char someChar(std::mt19937& rng) {
  static const char32_t kinds[] = {U'a', U'\r', U'\x01', U'\x07', 0xE9, 0x4E2D, 0x1F600, 0xD800, 0x10FFFF};
  const char32_t cp = kinds[rng() % std::size(kinds)];
  const std::uint32_t extra = cp == U'\r' || cp == U'\x01' ? static_cast<std::uint32_t>(rng() % 1000 + 1) : 0;
  return Char{cp, static_cast<std::uint32_t>(rng() % 3), extra};
}

TEST(TextStoreTest, KeepsWhatAVectorKeepsThroughEveryKindOfEdit) {
  std::mt19937 rng(42);
  TextStore store;
  std::vector<Char> expected;
  // Long enough for many blocks, appended as a reader does.
  for (int i = 0; i < 20000; ++i) {
    const Char c = someChar(rng);
    store.push_back(c);
    expected.push_back(c);
  }
  expectSame(store, expected);
  for (int step = 0; step < 400; ++step) {
    const std::size_t pos = rng() % (expected.size() + 1);
    switch (rng() % 5) {
      case 0: {  // a typed run, sometimes long enough to make its block be cut
        std::vector<Char> added(rng() % 3 == 0 ? 9000 + rng() % 5000 : 1 + rng() % 40);
        for (Char& c : added) c = someChar(rng);
        store.insert(pos, added.data(), added.size());
        expected.insert(expected.begin() + static_cast<std::ptrdiff_t>(pos), added.begin(), added.end());
        break;
      }
      case 1: {  // a deletion, sometimes of whole blocks
        const std::size_t end = std::min(expected.size(), pos + (rng() % 4 == 0 ? 10000 : rng() % 50));
        store.erase(pos, end);
        expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(pos),
                       expected.begin() + static_cast<std::ptrdiff_t>(end));
        break;
      }
      case 2:  // a format change over a stretch, character by character
        for (std::size_t i = pos; i < std::min(expected.size(), pos + 300); ++i) {
          expected[i].format = 7;
          store.set(i, expected[i]);
        }
        break;
      case 3:
        if (!expected.empty()) {
          store.pop_back();
          expected.pop_back();
        }
        break;
      default: {
        const Char c = someChar(rng);
        store.push_back(c);
        expected.push_back(c);
        break;
      }
    }
    // Reading from far apart places in turn, as the editing code does, must not disturb what is open.
    if (!expected.empty()) {
      const std::size_t a = rng() % expected.size(), b = rng() % expected.size();
      ASSERT_EQ(store.get(a).cp, expected[a].cp);
      ASSERT_EQ(store.get(b).format, expected[b].format);
    }
  }
  expectSame(store, expected);
}

TEST(TextStoreTest, ACopyIsIndependentAndSeesChangesNotYetStored) {
  TextStore store;
  for (int i = 0; i < 10000; ++i) store.push_back(Char{static_cast<char32_t>(0x4E00 + i % 100), 1, 0});
  store.set(5000, Char{U'x', 2, 3});  // still only in the block held open
  TextStore copy = store;
  store.set(5000, Char{U'y', 4, 0});
  EXPECT_EQ(copy.get(5000).cp, U'x');
  EXPECT_EQ(copy.get(5000).extra, 3u);
  EXPECT_EQ(store.get(5000).cp, U'y');
  copy = store;
  EXPECT_EQ(copy.get(5000).format, 4u);
  EXPECT_EQ(copy.size(), 10000u);
  EXPECT_THROW(copy.get(10000), std::out_of_range);
}

TEST(TextStoreTest, ChineseTextTakesItsUtf8SizeNotAStructureACharacter) {
  TextStore store;
  for (int i = 0; i < 100000; ++i) store.push_back(Char{0x4E2D, static_cast<std::uint32_t>(i / 500), 0});
  // Three bytes a character, and a run of formats every 500 characters.
  EXPECT_LE(store.storedBytes(), 100000u * 3 + 100000u / 500 * 8 + 64 * 25);
}

}  // namespace
}  // namespace verolin::testing
