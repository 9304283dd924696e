// The request object and the exchange routines against a real server on loopback.
#include <gtest/gtest.h>

#include "automation/error.h"
#include "transfer/exchange.h"
#include "transfer/transfer_fixture.h"

namespace verolin::transfer {
namespace {

using automation::AutomationError;
using testing::TransferTest;

TEST_F(TransferTest, WireKeepsStructureAndEncodesTheRest) {
  server_.answer("LIST", "ok");
  Exchange exchange(control(), "GET",
                    state().activeForm + "?RequestType=LIST&a=x y#1&p=c:\\a|b&n=张三&e=%41&l=ǐ");
  exchange.request().send();
  EXPECT_TRUE(exchange.succeeded());
  ASSERT_EQ(server_.targets().size(), 1u);
  EXPECT_EQ(server_.targets()[0],
            "/page.asp?RequestType=LIST&a=x%20y%231&p=c:\\a|b&n=%D5%C5%C8%FD&e=%41&l=%A8%AB");
}

TEST_F(TransferTest, FileAnswerStreamsIntoPlaceOnlyOn2xx) {
  std::string big(3 * 1024 * 1024 + 7, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 31 + 7);
  server_.answer("BIG", big);
  server_.answer("MISSING", "<html>not found</html>", 404);
  writeFile("c:\\temp\\old.bin", std::string(5 * 1024 * 1024, 'x'));  // longer than the answer

  Exchange ok(control(), "GET", state().activeForm + "?RequestType=BIG");
  EXPECT_TRUE(ok.receiveFile("c:\\temp\\old.bin"));
  EXPECT_EQ(readFile("c:\\temp\\old.bin"), big);
  EXPECT_TRUE(ok.request().responseBody().empty());

  Exchange missing(control(), "GET", state().activeForm + "?RequestType=MISSING");
  EXPECT_FALSE(missing.receiveFile("c:\\temp\\new.bin"));
  EXPECT_EQ(missing.request().readyState(), 4);
  EXPECT_EQ(missing.request().status(), 404);
  EXPECT_EQ(tempFiles(), std::set<std::string>{"old.bin"});
}

TEST_F(TransferTest, RedirectsAreFollowed) {
  server_.on("/moved.gif",
             [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/real.gif"); });
  server_.answer("/real.gif", "GIF89a");
  Exchange exchange(control(), "GET", server_.base() + "/moved.gif");
  EXPECT_TRUE(exchange.receiveFile("c:\\temp\\p.gif"));
  EXPECT_EQ(readFile("c:\\temp\\p.gif"), "GIF89a");
}

TEST_F(TransferTest, PostFileSendsTheFileByteForByte) {
  std::string body(200000, '\0');
  for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>(i % 251);
  writeFile("c:\\temp\\c.jia", body);
  server_.answer("UPLOAD", "");
  EXPECT_TRUE(PostFile(control(), state().activeForm, "?RequestType=UPLOAD&path=a.jia", "c:\\temp\\c.jia"));
  auto requests = server_.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].body, body);
  EXPECT_TRUE(messages().empty());
}

TEST_F(TransferTest, PostFileAnswered500IsAFailure) {
  writeFile("c:\\temp\\c.jia", "LOCKED...");
  server_.answer("UPLOAD", "error", 500);
  EXPECT_FALSE(PostFile(control(), state().activeForm, "?RequestType=UPLOAD", "c:\\temp\\c.jia"));
  EXPECT_TRUE(messages().empty());
}

TEST_F(TransferTest, PostFileReportsUnsendableFilesAndDeadServers) {
  writeFile("c:\\temp\\empty.jia", "");
  writeFile("c:\\temp\\c.jia", "data");
  EXPECT_FALSE(PostFile(control(), state().activeForm, "?RequestType=UPLOAD", "c:\\temp\\empty.jia"));
  EXPECT_FALSE(PostFile(control(), state().activeForm, "?RequestType=UPLOAD", "c:\\temp\\none.jia"));
  EXPECT_FALSE(PostFile(control(), "http://127.0.0.1:1/page.asp", "?RequestType=UPLOAD", "c:\\temp\\c.jia"));
  EXPECT_EQ(messages(), std::vector<std::string>(3, "信息|64|接受数据页面错误."));
  EXPECT_TRUE(server_.requests().empty());
}

TEST_F(TransferTest, RefusedConnectionAndBadUrlRaiseTheirErrors) {
  Exchange refused(control(), "GET", "http://127.0.0.1:1/x");
  try {
    refused.request().send();
    FAIL() << "send succeeded";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), platform::http_err::kCannotConnect);
  }
  EXPECT_THROW(Exchange(control(), "GET", "a.b"), AutomationError);
  EXPECT_THROW(Exchange(control(), "GET", "ftp://127.0.0.1/a.jpg"), AutomationError);
}

TEST_F(TransferTest, GetServerTextDecodesAndSwallowsFailures) {
  server_.answer("SEALS", "\xA8\xAB\xA1\xEC\xD5\xC5\xC8\xFD");
  EXPECT_EQ(GetServerText(control(), state().activeForm + "?RequestType=SEALS"), "ǐ§张三");
  EXPECT_EQ(GetServerText(control(), state().activeForm + "?RequestType=NONE"), "");  // 404
  EXPECT_EQ(GetServerText(control(), "http://127.0.0.1:1/x"), "");
  EXPECT_TRUE(messages().empty());
}

class StalledServerTest : public TransferTest {
 protected:
  StalledServerTest() : TransferTest(stallAfterOneSecond()) {}
  static platform::HttpOptions stallAfterOneSecond() {
    platform::HttpOptions options;
    options.stallTimeout = std::chrono::milliseconds(1000);
    return options;
  }
};

TEST_F(StalledServerTest, ServerThatSendsNothingEndsAsTimeout) {
  server_.hang("SLOW");
  Exchange exchange(control(), "GET", state().activeForm + "?RequestType=SLOW");
  try {
    exchange.receiveFile("c:\\temp\\slow.bin");
    FAIL() << "the exchange did not time out";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), platform::http_err::kTimedOut);
  }
  EXPECT_TRUE(tempFiles().empty());
}

}  // namespace
}  // namespace verolin::transfer
