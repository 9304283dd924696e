#include <gtest/gtest.h>

#include "text/utf8.h"

namespace verolin::text {
namespace {

using Parts = std::vector<std::string>;

TEST(Utf8, CountsCharactersOfMixedText) {
  const std::string s = "盖章abc签名";
  EXPECT_EQ(length(s), 7u);
  EXPECT_EQ(left(s, 3), "盖章a");
  EXPECT_EQ(left(s, 99), s);
  EXPECT_EQ(right(s, 3), "c签名");
  EXPECT_EQ(right(s, 0), "");
  EXPECT_EQ(mid(s, 2, 3), "章ab");
  EXPECT_EQ(mid(s, 6), "签名");
  EXPECT_EQ(mid(s, 8), "");
  EXPECT_EQ(mid(s, 7, 5), "名");
}

TEST(Utf8, FindsByCharacterPosition) {
  const std::string list = "张三§李四§王五§";
  EXPECT_EQ(find(list, "§"), 3u);
  EXPECT_EQ(find(list, "§", 4), 6u);
  EXPECT_EQ(find(list, "李四"), 4u);
  EXPECT_EQ(find(list, "赵六"), 0u);
  EXPECT_EQ(findLast(list, "§"), 9u);
  EXPECT_EQ(find("abc", "", 2), 2u);
  EXPECT_EQ(find("abc", "", 4), 4u);
  EXPECT_EQ(find("abc", "", 5), 0u);
  EXPECT_EQ(find("abc", "a", 2), 0u);
}

TEST(Utf8, SplitsAtSectionAndJoinerSeparators) {
  EXPECT_EQ(split("张三§李四§", "§"), (Parts{"张三", "李四", ""}));
  EXPECT_EQ(split("", "§"), (Parts{""}));
  const std::string answer = "Picture 1§Picture 2§ǐ张三§李四§ǐ2026年12月7日§";
  const Parts lists = split(answer, "ǐ");
  ASSERT_EQ(lists.size(), 3u);
  EXPECT_EQ(lists[1], "张三§李四§");
  EXPECT_EQ(split(lists[0], "§"), (Parts{"Picture 1", "Picture 2", ""}));
  // "ǐ" and "§" share no bytes with each other or with Chinese characters around them.
  EXPECT_EQ(split("§ǐ§", "ǐ"), (Parts{"§", "§"}));
  EXPECT_THROW(split("a", ""), std::invalid_argument);
}

TEST(Utf8, InvalidBytesCountAsCharactersAndAreKept) {
  const std::string bad = "a\xFF\xE4\xB8中\x80";  // stray byte, truncated sequence, stray continuation
  EXPECT_FALSE(isValid(bad));
  EXPECT_TRUE(isValid("盖章§ǐ"));
  EXPECT_EQ(length(bad), 6u);
  std::string rebuilt;
  for (std::size_t i = 1; i <= length(bad); ++i) rebuilt += mid(bad, i, 1);
  EXPECT_EQ(rebuilt, bad);
  EXPECT_EQ(left(bad, 2) + right(bad, 4), bad);
  EXPECT_EQ(find(bad, "中"), 5u);
  EXPECT_EQ(toCodePoints(bad), (std::u32string{U'a', 0xFFFD, 0xFFFD, 0xFFFD, U'中', 0xFFFD}));
  // Overlong forms and encoded surrogates are no characters: each of their bytes counts alone.
  const std::string notCharacters = "\xC0\xAF\xE0\x80\xAF\xED\xA0\x80\xF4\x90\x80\x80";
  EXPECT_FALSE(isValid(notCharacters));
  EXPECT_EQ(length(notCharacters), 12u);
  EXPECT_EQ(toCodePoints(notCharacters), std::u32string(12, 0xFFFD));
  EXPECT_TRUE(isValid("\xED\x9F\xBF\xF4\x8F\xBF\xBF"));
  EXPECT_EQ(fromCodePoint(U'ǐ'), "ǐ");
  EXPECT_EQ(fromCodePoint(0x1F600), "\xF0\x9F\x98\x80");
}

TEST(Utf8, CaseInsensitiveNamesAreAsciiOnly) {
  EXPECT_TRUE(equalsIgnoreCase("ActiveWindow", "activewindow"));
  EXPECT_FALSE(equalsIgnoreCase("Item", "Items"));
  EXPECT_EQ(toLowerAscii("C:\\TEMP\\盖章.DOC"), "c:\\temp\\盖章.doc");
}

}  // namespace
}  // namespace verolin::text
