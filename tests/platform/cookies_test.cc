// The browser's jar stand-in: which cookies go to which site, and what a cookie may hold.
#include <gtest/gtest.h>

#include "platform/cookies.h"

namespace verolin::platform {
namespace {

std::string names(const std::vector<Cookie>& cookies) {
  std::string out;
  for (const auto& c : cookies) out += c.name + "=" + c.value + ";";
  return out;
}

TEST(Cookies, HostOfAUrlIgnoresCredentialsPortCaseAndBrackets) {
  EXPECT_EQ(hostOf("http://Docs.Example.ORG:8080/page?x=1"), "docs.example.org");
  EXPECT_EQ(hostOf("https://user:p@ss@127.0.0.1/a"), "127.0.0.1");
  EXPECT_EQ(hostOf("http://[::1]:8080/page"), "::1");
  EXPECT_EQ(hostOf("http://h?x=a/b"), "h");
  EXPECT_EQ(hostOf("c:\\temp\\a.doc"), "");
  EXPECT_EQ(hostOf("http://"), "");
}

TEST(Cookies, SiteCookiesGoOnlyToTheirSiteAndGeneralOnesEverywhere) {
  MemoryCookieJar jar;
  jar.set("verolin_session", "abc.def");
  jar.set("theme", "dark", "DOCS.example.org");
  jar.set("verolin_session", "site-own", "docs.example.org");
  EXPECT_EQ(names(jar.cookiesFor("http://docs.example.org:8080/page")),
            "theme=dark;verolin_session=site-own;verolin_session=abc.def;");
  EXPECT_EQ(names(jar.cookiesFor("http://127.0.0.1:9/page")), "verolin_session=abc.def;");
  EXPECT_TRUE(jar.cookiesFor("not a url").empty());

  jar.set("verolin_session", "replaced");
  EXPECT_EQ(names(jar.cookiesFor("http://127.0.0.1/")), "verolin_session=replaced;");
  EXPECT_TRUE(jar.remove("verolin_session"));
  EXPECT_FALSE(jar.remove("verolin_session"));
  EXPECT_EQ(names(jar.cookiesFor("http://docs.example.org/")), "theme=dark;verolin_session=site-own;");
  jar.clear();
  EXPECT_TRUE(jar.cookiesFor("http://docs.example.org/").empty());
}

TEST(Cookies, NamesAndValuesThatWouldBreakTheHeaderAreRefused) {
  MemoryCookieJar jar;
  for (const char* name : {"", "a b", "a=b", "a;b", "名"}) {
    EXPECT_THROW(jar.set(name, "v"), std::invalid_argument) << name;
  }
  for (const char* value : {"a b", "a;b", "a,b", "\"q\"", "a\\b", "a\nb", "值"}) {
    EXPECT_THROW(jar.set("n", value), std::invalid_argument) << value;
  }
  EXPECT_NO_THROW(jar.set("n", ""));
  EXPECT_NO_THROW(jar.set("n", "5byg5LiJCjE3OTY.TH5F-_="));
}

}  // namespace
}  // namespace verolin::platform
