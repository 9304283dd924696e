// Query decoding, name checks and list texts: the parts of the page that read what the control sends.
#include <gtest/gtest.h>

#include "server/list_answer.h"
#include "server/names.h"
#include "server/query.h"
#include "server_fixture.h"

namespace verolin::server {
namespace {

using testing::parseList;
using testing::wire;

constexpr std::string_view kUploadKeys[] = {"Dn",      "Dt",       "Di",       "Sn",          "St",  "Si",
                                            "linkstr", "splitstr", "savetype", "RequestType", "path"};

TEST(Query, ValuesArriveInTheWireCodePagePercentEncodedOrRaw) {
  const Query q = Query::parse("a=" + wire("张三") + "&b=" + text::toWire("李四") + "&c=x+y%2&d");
  EXPECT_EQ(q.value("a"), "张三");
  EXPECT_EQ(q.value("b"), "李四");
  EXPECT_EQ(q.value("c"), "x+y%2");  // no blank from "+", a broken escape stays literal
  EXPECT_EQ(q.find("d"), std::string());
  EXPECT_FALSE(q.find("e"));
}

TEST(Query, KeysAreCaseExact) {
  const Query q = Query::parse("filename=a.jia&fileName=b.jia");
  EXPECT_EQ(q.value("filename"), "a.jia");
  EXPECT_EQ(q.value("fileName"), "b.jia");
  EXPECT_FALSE(q.find("FILENAME"));
}

TEST(Query, ControlOrderLetsValuesHoldAmpersandAndEquals) {
  const std::string raw = text::toWire(
      "Dn=R&D=1§&Dt=&Di=3§&Sn=&St=&Si=&linkstr=x&splitstr=§&savetype=1&RequestType=UPLOAD&path=a&b.jia");
  const Query q = Query::parseOrdered(raw, kUploadKeys);
  EXPECT_EQ(q.value("Dn"), "R&D=1§");
  EXPECT_EQ(q.value("Di"), "3§");
  EXPECT_EQ(q.value("path"), "a&b.jia");
  EXPECT_EQ(q.value("RequestType"), "UPLOAD");
}

TEST(Query, OtherOrdersFallBackToPlainSplitting) {
  const Query q = Query::parseOrdered("RequestType=UPLOAD&path=a.jia&Dn=x", kUploadKeys);
  EXPECT_EQ(q.value("path"), "a.jia");
  EXPECT_EQ(q.value("Dn"), "x");
}

TEST(Names, RefusesEveryWayOutOfTheDataFolder) {
  for (const char* bad :
       {"", "..", "../a.jia", "a/../../b", "/etc/passwd", "c:/a.jia", "C:a.jia", "a\\..\\b",
        "\\\\host\\share", "a//b", "a/", "./a", "a/./b", "a.jia.", "a.jia ", "a\nb", "a\x01", "\xff\xfe"}) {
    EXPECT_NE(nameProblem(bad), "") << bad;
  }
  for (const char* good : {"a.jia", "docs/2006/a.jia", "中文.jia", "a b.jia", "..a.jia", "a..b"}) {
    EXPECT_EQ(nameProblem(good), "") << good;
  }
  EXPECT_NE(nameProblem(std::string(kMaxNameBytes + 1, 'a')), "");
}

TEST(ListText, SplitsAtTheTerminatorKeepingEmptyItems) {
  EXPECT_EQ(splitList("a§b§", "§"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(splitList("§", "§"), (std::vector<std::string>{""}));
  EXPECT_EQ(splitList("a§b", "§"), (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(splitList("", "§").empty());
}

TEST(ListAnswer, UsesTheControlSeparatorsAndReadsBackExactly) {
  const std::string body = listAnswer({{{"张三", ""}, {"3", "7"}, {"2008年3月5日9时7分0秒", "t"}}});
  EXPECT_EQ(body, "ǐ§张三§§ǐ3§7§ǐ2008年3月5日9时7分0秒§t§");
  const auto parsed = parseList(text::toWire(body));
  EXPECT_EQ(parsed.groups[0], (std::vector<std::string>{"张三", ""}));
  EXPECT_EQ(parsed.groups[2][0], "2008年3月5日9时7分0秒");
}

TEST(ListAnswer, ChoosesOtherSeparatorsWhenAnItemHoldsOne) {
  const std::string body = listAnswer({{{"a§b", "cǐ"}, {"1", "2"}, {"x", "y"}}});
  const auto parsed = parseList(text::toWire(body));
  EXPECT_EQ(parsed.groups[0], (std::vector<std::string>{"a§b", "cǐ"}));
  EXPECT_EQ(parsed.groups[1], (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(text::length(parsed.link), 1u);
  EXPECT_EQ(text::length(parsed.split), 1u);
}

TEST(ListAnswer, ItemsHoldingEveryFixedSeparatorStillGetAnAnswer) {
  // An uploaded name may hold any characters; no upload may leave a document's lists unanswerable.
  const std::string all = "ǐ§¤※‖◆|~^`";
  const std::string body = listAnswer({{{all, "一" + all}, {"1", "2"}, {"x", "丁"}}});
  const auto parsed = parseList(text::toWire(body));
  EXPECT_EQ(parsed.groups[0], (std::vector<std::string>{all, "一" + all}));
  EXPECT_EQ(parsed.groups[2], (std::vector<std::string>{"x", "丁"}));
  EXPECT_NE(parsed.link, parsed.split);
}

TEST(ListAnswer, NoMarksIsAnEmptyBody) {
  EXPECT_EQ(listAnswer({}), "");
}

}  // namespace
}  // namespace verolin::server
