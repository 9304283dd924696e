#include <gtest/gtest.h>

#include <thread>
#include <utility>
#include <vector>

#include "text/codepage.h"

namespace verolin::text {
namespace {

TEST(CodePage, ChineseRoundTripsThroughGbk) {
  ASSERT_EQ(wireCodePage(), "GBK");
  EXPECT_EQ(toWire("中文"), "\xD6\xD0\xCE\xC4");
  EXPECT_EQ(toWire("§ǐ"), "\xA1\xEC\xA8\xAB");
  const std::string text = "电子印章 Seal-1 §ǐ 签名：张三（2026年12月7日）";
  EXPECT_EQ(fromWire(toWire(text)), text);
}

TEST(CodePage, UnmappableCharactersBecomeQuestionMarks) {
  EXPECT_EQ(toWire("a\U0001F600b"), "a?b");
  EXPECT_EQ(toWire("\xE2\x82\xAC"), "\x80");      // the euro sign has its GBK code
  EXPECT_EQ(toWire("x\xFFy"), "x?y");             // invalid UTF-8 costs one '?'
  EXPECT_EQ(fromWire("a\x81"), "a\xEF\xBF\xBD");  // a lead byte without its trail
  EXPECT_EQ(fromWire("\xFF\xD6\xD0"), "\xEF\xBF\xBD中");
}

TEST(CodePage, TagCharactersBecomeQuestionMarksInsteadOfVanishing) {
  // iconv itself drops them silently; a character must never disappear from a name or a password.
  EXPECT_EQ(toWire("k\U000E0010x\U000E007F"), "k?x?");
  EXPECT_EQ(ansiCode("\U000E0041"), '?');
  EXPECT_EQ(toWire("\U000E0100"), "?");  // a neighbour outside the tags, unmappable as before
  EXPECT_EQ(toWire("a\xF3\xA0"), "a??");
}

TEST(CodePage, AnsiCodeOfCharacters) {
  EXPECT_EQ(ansiCode("A"), 65);
  EXPECT_EQ(ansiCode("Abc"), 65);
  EXPECT_EQ(ansiCode("中"), static_cast<std::int16_t>(0xD6D0));
  EXPECT_LT(ansiCode("中"), 0);
  EXPECT_EQ(ansiCode(""), 0);
  EXPECT_EQ(ansiCode("\U0001F600"), '?');
}

TEST(CodePage, UnknownCodePageIsRefusedAndTheOldOneKept) {
  EXPECT_THROW(setWireCodePage("NO-SUCH-PAGE"), std::invalid_argument);
  EXPECT_EQ(wireCodePage(), "GBK");
  setWireCodePage("BIG5");
  EXPECT_EQ(toWire("中"), "\xA4\xA4");
  setWireCodePage("GBK");
  EXPECT_EQ(convert("\xD6\xD0", "GBK", "UTF-8"), "中");
}

TEST(CodePage, AsciiIsConvertedLikeAnyTextWhereThePageDoesNotKeepIt) {
  EXPECT_EQ(fromWire("a\\b~"), "a\\b~");
  EXPECT_EQ(toWire(std::string("n\0x", 3)), std::string("n\0x", 3));
  setWireCodePage("SHIFT_JIS");  // the backslash's byte is the yen sign there, the tilde's an overline
  EXPECT_EQ(fromWire("a\\b~"), "a\u00A5b\u203E");
  setWireCodePage("UTF-16BE");
  EXPECT_EQ(toWire("ab"), std::string("\0a\0b", 4));
  EXPECT_EQ(fromWire(std::string("\0a\0b", 4)), "ab");
  setWireCodePage("GBK");
  EXPECT_EQ(fromWire("a\\b~"), "a\\b~");
  EXPECT_EQ(toWire("RequestType=DOWN"), "RequestType=DOWN");
}

TEST(CodePage, ConvertersKeptByEachThreadGiveTheSameTextsAsFreshOnes) {
  // More code pages than a thread keeps, in turn and on several threads at once: each conversion
  // starts from a clean converter, also right after one that met a character it could not map.
  const std::pair<const char*, std::string> pages[] = {{"GBK", "\xD6\xD0"},
                                                       {"BIG5", "\xA4\xA4"},
                                                       {"GB18030", "\xD6\xD0"},
                                                       {"EUC-CN", "\xD6\xD0"},
                                                       {"EUC-JP", "\xC3\xE6"},
                                                       {"SHIFT_JIS", "\x92\x86"},
                                                       {"EUC-KR", "\xF1\xE9"},
                                                       {"UTF-16BE", "\x4E\x2D"},
                                                       {"UTF-32BE", std::string("\0\0\x4E\x2D", 4)},
                                                       {"ISO-2022-JP", "\x1B$BCf\x1B(B"}};
  const auto convertAll = [&pages] {
    int wrong = 0;
    for (int round = 0; round < 3; ++round) {
      for (const auto& [page, expected] : pages) {
        // Invalid UTF-8 costs one '?' as it stands, between the converted neighbours.
        const std::string invalid = std::string("a") + '\xFF' + 'b';
        wrong += convert(invalid, "UTF-8", page) !=
                 convert("a", "UTF-8", page) + "?" + convert("b", "UTF-8", page);
        wrong += convert("中", "UTF-8", page) != expected;
        wrong += convert(expected, page, "UTF-8") != "中";
      }
    }
    return wrong;
  };
  int wrong[4] = {};
  std::vector<std::thread> threads;
  for (int& w : wrong) threads.emplace_back([&w, &convertAll] { w = convertAll(); });
  for (auto& t : threads) t.join();
  for (const int w : wrong) EXPECT_EQ(w, 0);
  EXPECT_THROW(convert("a", "UTF-8", "NO-SUCH-PAGE"), std::invalid_argument);
  EXPECT_EQ(convert("中", "UTF-8", "GBK"), "\xD6\xD0");
}

}  // namespace
}  // namespace verolin::text
