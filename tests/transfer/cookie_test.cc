// The request object sends the browser's cookies for the request's site, and not along a redirect
// to another site.
#include <gtest/gtest.h>

#include "transfer/exchange.h"
#include "transfer/transfer_fixture.h"

namespace verolin::transfer {
namespace {

// The jar must exist before the request factory that the fixture makes with it.
struct Jar {
  platform::MemoryCookieJar jar;
  platform::HttpOptions options() {
    platform::HttpOptions o;
    o.cookies = &jar;
    return o;
  }
};

class CookieTest : public Jar, public testing::TransferTest {
 protected:
  CookieTest() : TransferTest(options()) {}
};

TEST_F(CookieTest, CookiesOfTheSiteGoWithEveryRequestToIt) {
  jar.set("verolin_session", "abc.def");
  jar.set("theme", "dark", "127.0.0.1");
  jar.set("elsewhere", "1", "docs.example.org");
  server_.answer("LIST", "ok");
  Exchange get(control(), "GET", state().activeForm + "?RequestType=LIST");
  get.request().send();
  ASSERT_TRUE(get.succeeded());
  writeFile("c:\\temp\\a.jia", "data");
  ASSERT_TRUE(PostFile(control(), state().activeForm, "?RequestType=LIST", "c:\\temp\\a.jia"));
  const auto requests = server_.requests();
  ASSERT_EQ(requests.size(), 2u);
  for (const auto& r : requests) {
    EXPECT_NE(r.cookie.find("verolin_session=abc.def"), std::string::npos) << r.cookie;
    EXPECT_NE(r.cookie.find("theme=dark"), std::string::npos) << r.cookie;
    EXPECT_EQ(r.cookie.find("elsewhere"), std::string::npos) << r.cookie;
  }
}

TEST_F(CookieTest, ARedirectToAnotherSiteCarriesNoCookie) {
  jar.set("verolin_session", "abc.def");
  // Same machine, another host name: a browser would treat it as another site.
  const std::string port = server_.base().substr(server_.base().rfind(':'));
  server_.answer("/moved", "http://localhost" + port + "/landing", 302);
  server_.answer("/landing", "here");
  Exchange get(control(), "GET", server_.base() + "/moved");
  get.request().send();
  ASSERT_TRUE(get.succeeded());
  const auto requests = server_.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].cookie, "verolin_session=abc.def");
  EXPECT_EQ(requests[1].target, "/landing");
  EXPECT_EQ(requests[1].cookie, "");
}

using testing::TransferTest;

TEST_F(TransferTest, WithoutAJarNoCookieIsSent) {
  server_.answer("LIST", "ok");
  Exchange get(control(), "GET", state().activeForm + "?RequestType=LIST");
  get.request().send();
  EXPECT_EQ(server_.requests().at(0).cookie, "");
}

}  // namespace
}  // namespace verolin::transfer
