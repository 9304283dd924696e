// What the page must survive: names that try to leave the data folder, oversized and broken-off
// bodies, bodies that are not containers, and many uploads at once.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <set>
#include <thread>

#include "server_fixture.h"

namespace verolin::server::testing {
namespace {

// Sends `head` and `body` on a fresh connection and closes it without waiting for an answer.
void sendAndHangUp(int port, const std::string& head, const std::string& body) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  const std::string bytes = head + body;
  ASSERT_EQ(::send(fd, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
  ::close(fd);
}

TEST_F(ServerTest, TraversalAttemptsAreRefusedAndWriteNothing) {
  ASSERT_EQ(upload("a.jia", container("safe"))->status, 200);
  const auto before = server_->store().documents().size();
  for (const std::string name : {"../a.jia", "..%2Fa.jia", "/etc/passwd", "c:/x.jia", "C:%5Cx.jia",
                                 "a%5C..%5Cb", "docs/../../x.jia", "x.jia.", "%2E%2E/x"}) {
    EXPECT_EQ(get("filetype=1&RequestType=DOWN&filename=" + name)->status, 400) << name;
    EXPECT_EQ(post("Dn=&Dt=&Di=&Sn=&St=&Si=&linkstr=&splitstr=&savetype=0&RequestType=UPLOAD&path=" + name,
                   container("evil"))
                  ->status,
              400)
        << name;
    EXPECT_EQ(post("RequestType=UPLOADFILE&CLIENT=c&SERVER=" + name, "evil")->status, 400) << name;
    EXPECT_EQ(get("RequestType=GetSealPicture&userName=u&fileName=" + name)->status, 400) << name;
  }
  EXPECT_EQ(client_->Get("/files/..%2F..%2Fstore.sqlite")->status, 400);
  EXPECT_EQ(server_->store().documents().size(), before);
  EXPECT_TRUE(server_->store().clientFiles().empty());
  EXPECT_EQ(data_.filesIn("store/bodies"), 1u);
  EXPECT_EQ(data_.filesIn("store/staging"), 0u);
}

TEST_F(ServerTest, UploadThatIsNotAUsableContainerKeepsThePreviousVersion) {
  ASSERT_EQ(upload("a.jia", container("good"))->status, 200);
  EXPECT_EQ(upload("a.jia", "<html>an error page</html>")->status, 400);
  EXPECT_EQ(upload("a.jia", crypto::encryptBytes("x", "doc", "other"))->status, 400);
  EXPECT_EQ(upload("a.jia", container("good").substr(0, 20))->status, 400);
  EXPECT_EQ(down("a.jia")->body, container("good"));
  EXPECT_EQ(data_.filesIn("store/bodies"), 1u);
  EXPECT_EQ(data_.filesIn("store/staging"), 0u);
}

TEST_F(ServerTest, OversizedBodiesAre413AndStoreNothing) {
  ServerOptions options;
  options.maxBodyBytes = 1000;
  restart(options);
  ASSERT_EQ(upload("a.jia", container(std::string(900, 'a')))->status, 200);
  EXPECT_EQ(upload("a.jia", container(std::string(2000, 'b')))->status, 413);
  // Without a length up front: the limit holds while the body streams in.
  auto chunked = client_->Post(
      "/page?RequestType=UPLOADFILE&CLIENT=c&SERVER=big.bin",
      [](std::size_t offset, httplib::DataSink& sink) {
        if (offset >= 5000) {
          sink.done();
          return true;
        }
        return sink.write(std::string(500, 'x').data(), 500);
      },
      "application/octet-stream");
  // The server answers as soon as the limit is passed and closes the connection: a client still
  // sending may lose the connection before it reads the answer. Either way nothing may be stored.
  if (chunked) {
    EXPECT_EQ(chunked->status, 413);
  } else {
    EXPECT_NE(chunked.error(), httplib::Error::Success);
  }
  EXPECT_EQ(down("a.jia")->body, container(std::string(900, 'a')));
  EXPECT_FALSE(server_->store().clientFile("big.bin"));
  EXPECT_EQ(data_.filesIn("store/staging"), 0u);
}

TEST_F(ServerTest, UploadBrokenOffMidwayKeepsThePreviousVersionWhole) {
  ASSERT_EQ(upload("a.jia", container("version 1"))->status, 200);
  const std::string body = container(std::string(100000, 'n'));
  sendAndHangUp(
      server_->port(),
      "POST /page?Dn=&Dt=&Di=&Sn=&St=&Si=&linkstr=&splitstr=&savetype=1&RequestType=UPLOAD&path=a.jia "
      "HTTP/1.1\r\nHost: x\r\nContent-Length: " +
          std::to_string(body.size()) + "\r\n\r\n",
      body.substr(0, 30000));
  // The server notices the hang-up within its read timeout; poll until the staging file is gone.
  for (int i = 0; i < 200 && data_.filesIn("store/staging") > 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_EQ(data_.filesIn("store/staging"), 0u);
  EXPECT_EQ(down("a.jia")->body, container("version 1"));
  EXPECT_EQ(server_->store().document("a.jia")->version, 1);
}

TEST_F(ServerTest, ConcurrentUploadsOfOneDocumentLeaveOneOfThemWhole) {
  constexpr int kWriters = 8;
  std::set<std::string> sent;
  for (int i = 0; i < kWriters; ++i)
    sent.insert(container(std::string(20000 + i * 1000, static_cast<char>('a' + i))));
  std::atomic<int> stored{0};
  std::atomic<bool> torn{false};
  std::vector<std::thread> threads;
  for (const auto& body : sent) {
    threads.emplace_back([&, body] {
      httplib::Client client("127.0.0.1", server_->port());
      for (int round = 0; round < 3; ++round) {
        const std::string q = "Dn=w" + wire("§") + "&Dt=t" + wire("§") + "&Di=1" + wire("§") +
                              "&Sn=&St=&Si=&linkstr=&splitstr=" + wire("§") +
                              "&savetype=1&RequestType=UPLOAD&path=same.jia";
        if (auto res = client.Post(("/page?" + q).c_str(), body, "application/octet-stream");
            res && res->status == 200) {
          ++stored;
        }
        // Readers meanwhile always see one whole version.
        auto read = client.Get("/page?filetype=1&RequestType=DOWN&filename=same.jia");
        if (read && read->status == 200 && !sent.count(read->body)) torn = true;
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(stored, kWriters * 3);
  EXPECT_FALSE(torn);
  EXPECT_TRUE(sent.count(down("same.jia")->body));
  EXPECT_EQ(server_->store().marks("same.jia", MarkKind::kSeal).ids.size(),
            static_cast<std::size_t>(kWriters * 3));
  EXPECT_EQ(data_.filesIn("store/bodies"), 1u);
  EXPECT_EQ(data_.filesIn("store/staging"), 0u);
}

TEST_F(ServerTest, ConcurrentUploadsOfDifferentDocumentsNeverMix) {
  std::vector<std::thread> threads;
  for (int i = 0; i < 8; ++i) {
    threads.emplace_back([&, i] {
      httplib::Client client("127.0.0.1", server_->port());
      const std::string n = std::to_string(i);
      const std::string q = "Dn=" + n + wire("§") + "&Dt=&Di=&Sn=&St=&Si=&linkstr=&splitstr=" + wire("§") +
                            "&savetype=1&RequestType=UPLOAD&path=doc" + n + ".jia";
      client.Post(("/page?" + q).c_str(), container("body " + n), "application/octet-stream");
    });
  }
  for (auto& t : threads) t.join();
  for (int i = 0; i < 8; ++i) {
    const std::string n = std::to_string(i);
    EXPECT_EQ(down("doc" + n + ".jia")->body, container("body " + n));
    EXPECT_EQ(lists("doc" + n + ".jia", "GetSignInfoData").groups[0], std::vector<std::string>{n});
  }
}

TEST_F(ServerTest, FaultInsideARequestIs500WithAnEmptyBody) {
  ASSERT_EQ(upload("a.jia", container("version 1"))->status, 200);
  for (const auto& e : std::filesystem::directory_iterator(data_.path() / "store" / "bodies"))
    std::filesystem::remove(e.path());
  auto res = down("a.jia");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 500);
  EXPECT_EQ(res->body, "");  // the control would read any text as a document or as lists
  EXPECT_NE(res->get_header_value("X-Verolin-Error").find("missing"), std::string::npos);
}

TEST_F(ServerTest, ASecondServerCannotTakeTheSamePort) {
  ServerOptions options;
  options.dataDir = data_.path() / "other";
  options.port = server_->port();
  Server second(options);
  EXPECT_THROW(second.start(), std::runtime_error);
}

}  // namespace
}  // namespace verolin::server::testing
