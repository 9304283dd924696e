// What a busy server keeps to answer downloads quickly must never change the answers: remembered
// lookups follow every change, whichever process makes it, and a head held back for the file that
// follows it still leaves when no file does.
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include "raw_client.h"
#include "server/connections.h"
#include "server/store.h"
#include "server_fixture.h"
#include "verolin_process.h"

namespace verolin::server::testing {
namespace {

using namespace std::chrono_literals;

StagedBody bodyOf(Store& store, const std::string& bytes) {
  StagedBody body = store.stage();
  body.write(bytes.data(), bytes.size());
  return body;
}

std::int64_t versionOf(const Store::Resolved& resolved) {
  return resolved.document ? resolved.document->version : 0;
}

TEST(RememberedLookups, FollowEveryChangeMadeThroughAnotherOpeningOfTheStore) {
  const DataFolder data;
  Store reader(data.path());
  Store writer(data.path());  // stands for an administration command: its own connection and counter mapping

  writer.saveDocument("f/x.jia", bodyOf(writer, "one"));
  EXPECT_EQ(versionOf(reader.resolveDocument("x.jia")), 1);
  EXPECT_EQ(reader.document("f/x.jia")->version, 1);
  EXPECT_FALSE(reader.document("y.jia"));  // a miss is remembered too

  writer.saveDocument("f/x.jia", bodyOf(writer, "two"));
  writer.saveDocument("y.jia", bodyOf(writer, "why"));
  EXPECT_EQ(versionOf(reader.resolveDocument("x.jia")), 2);
  EXPECT_EQ(reader.document("f/x.jia")->version, 2);
  EXPECT_EQ(reader.openDocument(*reader.document("f/x.jia"))->reader->readAll(), "two");
  EXPECT_TRUE(reader.document("y.jia"));

  // A second folder with the same file name makes the short name ambiguous, and removing it not.
  writer.saveDocument("g/x.jia", bodyOf(writer, "other"));
  EXPECT_FALSE(reader.resolveDocument("x.jia").document);
  EXPECT_EQ(reader.resolveDocument("x.jia").candidates, 2u);
  ASSERT_TRUE(writer.removeDocument("g/x.jia"));
  EXPECT_EQ(versionOf(reader.resolveDocument("x.jia")), 2);

  // A stale upload kept as a conflict copy changes nothing of the document; taking the copy does.
  const auto outcome = writer.saveUpload("f/x.jia", bodyOf(writer, "three"), {}, {}, "\"1-stale\"", "lisi");
  ASSERT_TRUE(outcome.conflict);
  EXPECT_EQ(reader.openDocument("f/x.jia")->reader->readAll(), "two");
  writer.takeCopy("f/x.jia", outcome.conflict->name);
  EXPECT_EQ(reader.openDocument("f/x.jia")->reader->readAll(), "three");
  EXPECT_FALSE(reader.document(outcome.conflict->name));
}

TEST(RememberedLookups, ManyNamesAndBodiesKeepTheRightAnswers) {
  const DataFolder data;
  Store store(data.path());
  store.saveDocument("kept.jia", bodyOf(store, "kept"));
  // More names than are remembered: the memory is bounded and what is dropped is looked up again.
  for (int i = 0; i < 3000; ++i) EXPECT_FALSE(store.document("none" + std::to_string(i) + ".jia"));
  EXPECT_EQ(store.openDocument("kept.jia")->reader->readAll(), "kept");
  EXPECT_EQ(store.resolveDocument("kept.jia").candidates, 1u);
  // More bodies than are kept open, each read twice: every one answers with its own bytes.
  for (int i = 0; i < 100; ++i)
    store.saveDocument(std::to_string(i) + ".jia", bodyOf(store, std::to_string(i)));
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < 100; ++i) {
      const auto name = std::to_string(i) + ".jia";
      ASSERT_EQ(store.openDocument(*store.resolveDocument(name).document)->reader->readAll(),
                std::to_string(i));
    }
  }
}

TEST_F(ServerTest, UploadIsServedAtOnceOnTheSameConnectionByEveryRoad) {
  client_->set_keep_alive(true);
  for (int round = 1; round <= 3; ++round) {
    const std::string body = container("version " + std::to_string(round));
    ASSERT_EQ(upload("docs/a.jia", body)->status, 200);
    auto byName = down("a.jia");
    ASSERT_TRUE(byName);
    EXPECT_EQ(byName->body, body);
    EXPECT_EQ(byName->get_header_value("ETag").substr(0, 3), "\"" + std::to_string(round) + "-");
    EXPECT_EQ(client_->Get("/files/docs/a.jia")->body, body);
  }
}

TEST_F(ServerTest, KeepAliveConnectionServesHundredsOfRequestsBeforeItCloses) {
  const std::string body = container("kept");
  ASSERT_EQ(upload("k.jia", body)->status, 200);
  RawClient raw(server_->port());
  ASSERT_TRUE(raw.connected());
  std::string pending;
  for (int i = 0; i < 300; ++i) {
    ASSERT_TRUE(raw.send("GET /page?filetype=1&RequestType=DOWN&filename=k.jia HTTP/1.1\r\nHost: x\r\n\r\n"));
    // One answer: the head, then as many bytes as it announces.
    std::size_t end;
    while ((end = pending.find("\r\n\r\n")) == std::string::npos) {
      const std::string more = raw.receiveSome(1 << 16, 5s);
      ASSERT_FALSE(more.empty()) << "no answer to request " << i;
      pending += more;
    }
    const std::string head = pending.substr(0, end + 4);
    ASSERT_EQ(head.rfind("HTTP/1.1 200", 0), 0u) << head;
    EXPECT_EQ(head.find("Connection: close"), std::string::npos) << "closed after " << i + 1 << " requests";
    while (pending.size() < head.size() + body.size()) {
      const std::string more = raw.receiveSome(1 << 16, 5s);
      ASSERT_FALSE(more.empty());
      pending += more;
    }
    ASSERT_EQ(pending.substr(head.size(), body.size()), body);
    pending.erase(0, head.size() + body.size());
  }
}

TEST(ServeProcess, DocumentReplacedByAnotherProcessIsServedNewAtOnce) {
  if (verolinProgram().empty()) GTEST_SKIP() << "verolin is not built";
  const DataFolder data;
  const auto store = data.path() / "store";
  const std::string put = verolinProgram() + " doc put --data " + store.string() + " ";
  ASSERT_EQ(std::system((put + data.write("memo.doc", "first").string() + " > /dev/null").c_str()), 0);
  VerolinProcess server({"serve", "--port", "0", "--quiet", "--data", store.string()}, data.path() / "logs");
  const int port = server.waitForPort();
  ASSERT_GT(port, 0) << server.err();
  httplib::Client http("127.0.0.1", port);
  http.set_keep_alive(true);
  const auto fetch = [&] {
    auto res = http.Get("/page?filetype=1&RequestType=DOWN&filename=memo.jia");
    return res && res->status == 200 ? crypto::decryptBytes(res->body).bytes : std::string("(failed)");
  };
  EXPECT_EQ(fetch(), "first");
  EXPECT_EQ(fetch(), "first");
  ASSERT_EQ(std::system((put + data.write("memo.doc", "second").string() + " > /dev/null").c_str()), 0);
  EXPECT_EQ(fetch(), "second");
  ASSERT_EQ(
      std::system(
          (verolinProgram() + " doc remove --data " + store.string() + " memo.jia > /dev/null").c_str()),
      0);
  auto gone = http.Get("/page?filetype=1&RequestType=DOWN&filename=memo.jia");
  ASSERT_TRUE(gone);
  EXPECT_EQ(gone->status, 404);
}

// A connected pair of loopback sockets: the server's end served through a ConnectionStream.
class HeldHeadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    client_ = std::make_unique<RawClient>(ntohs(address.sin_port));
    server_ = ::accept(listener, nullptr, nullptr);
    ::close(listener);
    ASSERT_GE(server_, 0);
    int yes = 1;
    ::setsockopt(server_, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    transport_ = plainTransport(server_);
    stream_ = std::make_unique<ConnectionStream>(server_, *transport_, limits_);
  }
  void TearDown() override {
    stream_.reset();
    if (server_ >= 0) ::close(server_);
  }
  // Loopback hands sent bytes over within the send itself; bytes held back would wait about 200 ms
  // for the system's timer, far past this.
  std::string arrived() const { return client_->receiveSome(1 << 20, 100ms); }

  Limits limits_;
  std::unique_ptr<RawClient> client_;
  int server_ = -1;
  std::unique_ptr<Transport> transport_;
  std::unique_ptr<ConnectionStream> stream_;
};

TEST_F(HeldHeadTest, HeadWithoutTheFileLeavesWhenTheExchangeEnds) {
  // A HEAD request, or an answer that failed before its file: the held head must not wait.
  stream_->holdHead();
  ASSERT_EQ(stream_->write("HTTP/1.1 200 OK\r\n\r\n", 19), 19);
  stream_->endExchange();
  EXPECT_EQ(arrived(), "HTTP/1.1 200 OK\r\n\r\n");
  // The next exchange writes without holding anything back.
  ASSERT_EQ(stream_->write("next", 4), 4);
  EXPECT_EQ(arrived(), "next");
}

TEST_F(HeldHeadTest, HeadLeavesWithTheFileThatFollowsIt) {
  const DataFolder data;
  const auto file = data.write("body.bin", "0123456789");
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  stream_->holdHead();
  ASSERT_EQ(stream_->write("head:", 5), 5);
  ASSERT_EQ(stream_->sendFile(fd, 2, 5), 5);
  ::close(fd);
  std::string got = arrived();
  if (got.size() < 10) got += arrived();
  EXPECT_EQ(got, "head:23456");
  stream_->endExchange();
}

}  // namespace
}  // namespace verolin::server::testing
