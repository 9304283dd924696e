// The request object and the exchange routines against the loopback server.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <stdexcept>

#include "automation/error.h"
#include "transfer/exchange.h"
#include "transfer/transfer_fixture.h"

namespace verolin::transfer {
namespace {

using automation::AutomationError;
using testing::TransferTest;

// A body made as it goes out, in pieces of odd sizes; it breaks once `breaksAt` bytes are out.
class PatternBody final : public platform::BodySource {
 public:
  explicit PatternBody(std::size_t size, std::size_t breaksAt = SIZE_MAX)
      : size_(size), breaksAt_(breaksAt) {}
  std::uint64_t size() const override { return size_; }
  std::size_t read(char* buffer, std::size_t capacity) override {
    if (position_ >= breaksAt_) throw std::runtime_error("the body broke");
    const std::size_t n = std::min({capacity, std::size_t{4099}, size_ - position_});
    for (std::size_t i = 0; i < n; ++i) buffer[i] = byteAt(position_ + i);
    position_ += n;
    return n;
  }
  void rewind() override { position_ = 0; }
  std::string bytes() const {
    std::string all(size_, '\0');
    for (std::size_t i = 0; i < size_; ++i) all[i] = byteAt(i);
    return all;
  }

 private:
  static char byteAt(std::size_t i) { return static_cast<char>(i * 31 + i / 977); }
  std::size_t size_;
  std::size_t breaksAt_;
  std::size_t position_ = 0;
};

std::int32_t sendError(Exchange& exchange) {
  try {
    exchange.receiveFile("c:\\temp\\x.bin");
  } catch (const AutomationError& e) {
    return e.number();
  }
  return 0;
}

TEST_F(TransferTest, WireKeepsStructureAndEncodesTheRest) {
  server_.answer("LIST", "ok");
  Exchange exchange(control(), "GET",
                    state().activeForm + "?RequestType=LIST&a=x y#1&p=c:\\a|b&n=张三&e=%41&l=ǐ");
  exchange.request().send();
  EXPECT_TRUE(exchange.succeeded());
  EXPECT_EQ(server_.targets().at(0),
            "/page.asp?RequestType=LIST&a=x%20y%231&p=c:\\a|b&n=%D5%C5%C8%FD&e=%41&l=%A8%AB");
}

TEST_F(TransferTest, FileAnswerStreamsIntoPlaceOnlyOn2xx) {
  std::string big(3 * 1024 * 1024 + 7, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 31 + 7);
  server_.answer("/moved", "/big", 302);
  server_.answer("/big", big);
  server_.answer("MISSING", "<html>not found</html>", 404);
  writeFile("c:\\temp\\old.bin", std::string(5 * 1024 * 1024, 'x'));  // longer than the answer

  Exchange ok(control(), "GET", server_.base() + "/moved");
  EXPECT_TRUE(ok.receiveFile("c:\\temp\\old.bin"));
  EXPECT_EQ(readFile("c:\\temp\\old.bin"), big);

  Exchange missing(control(), "GET", state().activeForm + "?RequestType=MISSING");
  EXPECT_FALSE(missing.receiveFile("c:\\temp\\new.bin"));
  EXPECT_EQ(missing.request().readyState() * 1000 + missing.request().status(), 4404);
  EXPECT_EQ(tempFiles(), std::set<std::string>{"old.bin"});
}

// The sink sees the final answer's body, in order and whole, after a redirect too; an error page's
// body reaches it as well, and the result tells the two apart.
TEST_F(TransferTest, SinkAnswerArrivesInPiecesAndWhole) {
  std::string big(3 * 1024 * 1024 + 7, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 31 + 7);
  server_.answer("/moved", "/big", 302);
  server_.answer("/big", big);
  server_.answer("MISSING", "<html>not found</html>", 404);

  std::string received;
  int pieces = 0;
  Exchange ok(control(), "GET", server_.base() + "/moved");
  EXPECT_TRUE(ok.receiveWith([&](const char* data, std::size_t size) {
    received.append(data, size);
    ++pieces;
  }));
  EXPECT_TRUE(received == big);
  EXPECT_GT(pieces, 1);

  received.clear();
  Exchange missing(control(), "GET", state().activeForm + "?RequestType=MISSING");
  EXPECT_FALSE(missing.receiveWith([&](const char* data, std::size_t size) { received.append(data, size); }));
  EXPECT_EQ(received, "<html>not found</html>");
  EXPECT_TRUE(tempFiles().empty());
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

// The body reaches the page whole, again after a redirect that repeats it; the body's own failure is
// passed to the caller untold, while a dead page is still the page's error.
TEST_F(TransferTest, PostOfABodyMadeAsItGoesOut) {
  server_.answer("UPLOAD", "stored");
  server_.answer("/moved", "/page.asp?RequestType=UPLOAD", 307);
  PatternBody body(3 * 1024 * 1024 + 7);
  EXPECT_TRUE(PostDocument(control(), state().activeForm, "?RequestType=UPLOAD", body, "").ok);
  EXPECT_TRUE(PostDocument(control(), server_.base(), "/moved", body, "").ok);
  ASSERT_EQ(server_.requests().size(), 3u);
  EXPECT_TRUE(server_.requests()[0].body == body.bytes());
  EXPECT_TRUE(server_.requests()[2].body == body.bytes());
  EXPECT_TRUE(messages().empty());

  PatternBody broken(3 * 1024 * 1024, 1024 * 1024);
  EXPECT_THROW(PostDocument(control(), state().activeForm, "?RequestType=UPLOAD", broken, ""),
               std::runtime_error);
  EXPECT_TRUE(messages().empty());
  PatternBody unsent(100);
  EXPECT_FALSE(PostDocument(control(), "http://127.0.0.1:1/page.asp", "?RequestType=UPLOAD", unsent, "").ok);
  EXPECT_EQ(messages(), std::vector<std::string>{"信息|64|接受数据页面错误."});
  EXPECT_TRUE(tempFiles().empty());
}

TEST_F(TransferTest, RefusedConnectionAndBadUrlRaiseTheirErrors) {
  Exchange refused(control(), "GET", "http://127.0.0.1:1/x");
  EXPECT_EQ(sendError(refused), platform::http_err::kCannotConnect);
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
  StalledServerTest() : TransferTest({std::chrono::milliseconds(10'000), std::chrono::milliseconds(1'000)}) {}
};

TEST_F(StalledServerTest, ServerThatSendsNothingEndsAsTimeout) {
  server_.hang("SLOW");
  Exchange exchange(control(), "GET", state().activeForm + "?RequestType=SLOW");
  EXPECT_EQ(sendError(exchange), platform::http_err::kTimedOut);
  EXPECT_TRUE(tempFiles().empty());
}

// The deadline, scaled down: a grace of 300 ms, then one second for every 32 KiB moved.
class DeadlineTest : public TransferTest {
 protected:
  DeadlineTest()
      : TransferTest({.connectTimeout = std::chrono::milliseconds(10'000),
                      .stallTimeout = std::chrono::milliseconds(10'000),
                      .deadlineGrace = std::chrono::milliseconds(300),
                      .deadlineRate = 32 * 1024}) {}
};

TEST_F(DeadlineTest, SlowButSteadyAnswerOutlivesTheGraceWhileATrickleDoesNot) {
  const std::string body(160 * 1024, 'd');
  server_.trickle("STEADY", body, std::chrono::milliseconds(50), 4096);  // 80 KiB/s for 2 s
  Exchange steady(control(), "GET", state().activeForm + "?RequestType=STEADY");
  EXPECT_TRUE(steady.receiveFile("c:\\temp\\steady.bin"));
  EXPECT_EQ(readFile("c:\\temp\\steady.bin"), body);

  server_.trickle("SLOW", body, std::chrono::milliseconds(100), 1024);  // 10 KiB/s
  Exchange slow(control(), "GET", state().activeForm + "?RequestType=SLOW");
  EXPECT_EQ(sendError(slow), platform::http_err::kTimedOut);
  EXPECT_EQ(tempFiles(), std::set<std::string>{"steady.bin"});
}

}  // namespace
}  // namespace verolin::transfer
