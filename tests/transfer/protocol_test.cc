// URL forming, list answers and local names: the parts of the protocol that need no server.
#include <gtest/gtest.h>

#include "control/state.h"
#include "platform/curl_http.h"
#include "transfer/list_answer.h"
#include "transfer/local_names.h"
#include "transfer/protocol.h"

namespace verolin::transfer {
namespace {

TEST(LastPathSegment, TakesTextAfterLastSlash) {
  EXPECT_EQ(LastPathSegment("/files/2006/a.jia"), "a.jia");
  EXPECT_EQ(LastPathSegment("a.jia"), "a.jia");
  EXPECT_EQ(LastPathSegment("files/"), "");
  EXPECT_EQ(LastPathSegment("c:\\docs\\a.jia"), "c:\\docs\\a.jia");
}

TEST(UploadQuery, KeepsKeysOrderAndEmptyValues) {
  control::ControlState s;
  s.getSetType = "0";
  EXPECT_EQ(UploadQuery(s, UploadPathValue(s.getSetType, "docs", "a.jia")),
            "?Dn=&Dt=&Di=&Sn=&St=&Si=&linkstr=ǐ&splitstr=§&savetype=0&RequestType=UPLOAD&path=docs/a.jia");
  s.getSetType = "1";
  EXPECT_EQ(UploadPathValue(s.getSetType, "docs", "a.jia"), "a.jia");
}

TEST(UploadQuery, SendsNewMarksUnescapedInTheirGroups) {
  control::ControlState s;
  s.newSealNameList = "张三§";
  s.newSealTimeList = "2008年3月5日9时7分0秒§";
  s.newSealIdList = "3§";
  s.newSignNameList = "a&b§";
  s.newSignTimeList = "t§";
  s.newSignIdList = "7§";
  EXPECT_EQ(UploadQuery(s, "a.jia"),
            "?Dn=张三§&Dt=2008年3月5日9时7分0秒§&Di=3§&Sn=a&b§&St=t§&Si=7§&linkstr=ǐ&splitstr=§&savetype=1"
            "&RequestType=UPLOAD&path=a.jia");
}

TEST(UploadPathValue, ComparesTheModeNumerically) {
  EXPECT_EQ(UploadPathValue("1.0", "docs", "a.jia"), "a.jia");
  EXPECT_EQ(UploadPathValue("2", "archive", "a.jia"), "archive/a.jia");
  EXPECT_FALSE(IsNumericMode("abc"));
  EXPECT_TRUE(IsNumericMode("2"));
}

TEST(RequestCatalogue, FormsEveryGetAsWritten) {
  control::ControlState s;
  s.activeForm = "http://h/p.asp";
  EXPECT_EQ(DownloadUrl(s, "a.jia"), "http://h/p.asp?filetype=1&RequestType=DOWN&filename=a.jia");
  EXPECT_EQ(SignatureListUrl(s, "a.jia"),
            "http://h/p.asp?filetype=1&filename=a.jia&RequestType=GetHandWritdData");
  EXPECT_EQ(SealListUrl(s, "a.jia"), "http://h/p.asp?filetype=1&filename=a.jia&RequestType=GetSignInfoData");
  EXPECT_EQ(SealOwnerListUrl(s, "GETSEAL"), "http://h/p.asp?RequestType=GETSEAL");
  EXPECT_EQ(SealPictureUrl(s, "GETPIC", "张三", "z.jia"),
            "http://h/p.asp?RequestType=GETPIC&userName=张三&fileName=z.jia");
  EXPECT_EQ(ClientUploadQuery("c:\\a b.txt", "up/a.txt"),
            "?RequestType=UPLOADFILE&CLIENT=c:\\a b.txt&SERVER=up/a.txt");
}

TEST(ListAnswer, FirstTwoCharactersBecomeSeparators) {
  std::string link = "ǐ", split = "§", a, b, c;
  EXPECT_TRUE(ApplyListAnswer("#|a|b|#x|y|#1|2|", link, split, {&a, &b, &c}));
  EXPECT_EQ(link, "#");
  EXPECT_EQ(split, "|");
  EXPECT_EQ(a, "a|b|");
  EXPECT_EQ(b, "x|y|");
  EXPECT_EQ(c, "1|2|");
}

TEST(ListAnswer, FourCharactersOrFewerChangeNothing) {
  std::string link = "ǐ", split = "§", a = "old", b = "old", c = "old";
  EXPECT_FALSE(ApplyListAnswer("#|ab", link, split, {&a, &b, &c}));
  EXPECT_FALSE(ApplyListAnswer("", link, split, {&a, &b, &c}));
  EXPECT_EQ(link + split + a + b + c, "ǐ§oldoldold");
}

TEST(ListAnswer, StopsAtTheFirstMissingGroup) {
  std::string link, split, a = "old", b = "old", c = "old";
  EXPECT_TRUE(ApplyListAnswer("#|a|b|#x|", link, split, {&a, &b, &c}));
  EXPECT_EQ(a, "a|b|");
  EXPECT_EQ(b, "x|");
  EXPECT_EQ(c, "old");
}

TEST(ListAnswer, DecodesTheWireCodePageAndCountsCharacters) {
  // "ǐ§张三§#" in the wire code page: five characters, so it is data.
  std::string link, split, a, b, c;
  EXPECT_TRUE(ApplyListAnswer("\xA8\xAB\xA1\xEC\xD5\xC5\xC8\xFD\xA1\xEC", link, split, {&a, &b, &c}));
  EXPECT_EQ(link, "ǐ");
  EXPECT_EQ(split, "§");
  EXPECT_EQ(a, "张三§");
  // Four double-byte characters are still four characters: no data.
  EXPECT_FALSE(ApplyListAnswer("\xA8\xAB\xA1\xEC\xD5\xC5\xC8\xFD", link, split, {&a, &b, &c}));
}

TEST(LocalNames, SwapExtensionReplacesLastFourCharacters) {
  EXPECT_EQ(SwapExtension("c:\\temp\\a.doc", true), "c:\\temp\\a.jia");
  EXPECT_EQ(SwapExtension("c:\\temp\\a.jia", false), "c:\\temp\\a.doc");
  EXPECT_EQ(SwapExtension("c:\\temp\\文档.doc", true), "c:\\temp\\文档.jia");
}

TEST(LocalNames, RefusesNamesThatLeaveTheFolder) {
  EXPECT_TRUE(IsPlainFileName("a.jia"));
  EXPECT_TRUE(IsPlainFileName("200635927.jpg"));
  for (const char* bad :
       {"", "..", "..\\x.jia", "sub\\a.jia", "c:a.jia", "a.jia.", "con.jia", "a?.jia", "a\tb"}) {
    EXPECT_FALSE(IsPlainFileName(bad)) << bad;
  }
}

TEST(WireUrl, EncodesOnlyWhatCannotStandInAUrl) {
  EXPECT_EQ(platform::wireUrl("http://h/p.asp?a=1&b=x y#z&c=%41%zz%"),
            "http://h/p.asp?a=1&b=x%20y%23z&c=%41%25zz%25");
  EXPECT_EQ(platform::wireUrl("http://h/p?q=\"<>\x01"), "http://h/p?q=%22%3C%3E%01");
  EXPECT_EQ(platform::wireUrl("http://h/p?l=ǐ&s=§&n=张"), "http://h/p?l=%A8%AB&s=%A1%EC&n=%D5%C5");
  EXPECT_EQ(platform::wireUrl("http://h/p?bad=\xFF"), "http://h/p?bad=%FF");
}

}  // namespace
}  // namespace verolin::transfer
