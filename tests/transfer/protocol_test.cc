// List answers, local names and the wire form of URLs: the parts that need no server.
#include <gtest/gtest.h>

#include "platform/curl_http.h"
#include "transfer/list_answer.h"
#include "transfer/local_names.h"
#include "transfer/protocol.h"

namespace verolin::transfer {
namespace {

TEST(ListAnswer, FirstTwoCharactersBecomeSeparators) {
  std::string link = "ǐ", split = "§", a, b, c;
  EXPECT_TRUE(ApplyListAnswer("#|a|b|#x|y|#1|2|", link, split, {&a, &b, &c}));
  EXPECT_EQ(link + split + " " + a + " " + b + " " + c, "#| a|b| x|y| 1|2|");
}

TEST(ListAnswer, FourCharactersOrFewerChangeNothing) {
  std::string link = "ǐ", split = "§", a = "old", b = "old", c = "old";
  EXPECT_FALSE(ApplyListAnswer("#|ab", link, split, {&a, &b, &c}));
  // Four double-byte characters of the wire code page are four characters, not eight.
  EXPECT_FALSE(ApplyListAnswer("\xA8\xAB\xA1\xEC\xD5\xC5\xC8\xFD", link, split, {&a, &b, &c}));
  EXPECT_EQ(link + split + a + b + c, "ǐ§oldoldold");
  EXPECT_TRUE(ApplyListAnswer("\xA8\xAB\xA1\xEC\xD5\xC5\xC8\xFD\xA1\xEC", link, split, {&a, &b, &c}));
  EXPECT_EQ(a, "张三§");
}

TEST(ListAnswer, StopsAtTheFirstMissingGroup) {
  std::string link, split, a = "old", b = "old", c = "old";
  EXPECT_TRUE(ApplyListAnswer("#|a|b|#x|", link, split, {&a, &b, &c}));
  EXPECT_EQ(a + " " + b + " " + c, "a|b| x| old");
}

TEST(LocalNames, SwapExtensionAndNamesFromOutside) {
  EXPECT_EQ(SwapExtension("c:\\temp\\a.doc", true), "c:\\temp\\a.jia");
  EXPECT_EQ(SwapExtension("c:\\temp\\文档.jia", false), "c:\\temp\\文档.doc");
  EXPECT_EQ(LastPathSegment("/files/a.jia") + LastPathSegment("a.jia") + LastPathSegment("f/"), "a.jiaa.jia");
  EXPECT_TRUE(IsPlainFileName("200635927.jpg"));
  for (const char* bad :
       {"", "..", "..\\x.jia", "sub\\a.jia", "c:a.jia", "a.jia.", "con.jia", "a?.jia", "a\tb"}) {
    EXPECT_FALSE(IsPlainFileName(bad)) << bad;
  }
}

TEST(UploadPathValue, ComparesTheModeNumerically) {
  EXPECT_EQ(UploadPathValue("1.0", "docs", "a.jia"), "a.jia");
  EXPECT_EQ(UploadPathValue("2", "archive", "a.jia"), "archive/a.jia");
  EXPECT_FALSE(IsNumericMode("abc"));
}

TEST(WireUrl, EncodesOnlyWhatCannotStandInAUrl) {
  EXPECT_EQ(platform::wireUrl("http://h/p.asp?a=1&b=x y#z&c=%41%zz%&q=\"<>\x01"),
            "http://h/p.asp?a=1&b=x%20y%23z&c=%41%25zz%25&q=%22%3C%3E%01");
  EXPECT_EQ(platform::wireUrl("http://h/p?l=ǐ&s=§&n=张&bad=\xFF"),
            "http://h/p?l=%A8%AB&s=%A1%EC&n=%D5%C5&bad=%FF");
}

}  // namespace
}  // namespace verolin::transfer
