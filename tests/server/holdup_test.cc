// How the server holds up: many slow clients, time limits, graceful stop, health, the folder lock.
#include <dirent.h>
#include <netinet/tcp.h>

#include <atomic>
#include <future>
#include <thread>

#include "raw_client.h"
#include "server/data_lock.h"
#include "server/serving.h"
#include "server_fixture.h"

namespace verolin::server::testing {
namespace {

using namespace std::chrono_literals;

TEST(Limits, DurationsReadAndWriteBack) {
  EXPECT_EQ(parseDuration("30s"), 30s);
  EXPECT_EQ(parseDuration("500ms"), 500ms);
  EXPECT_EQ(parseDuration("2m"), 2min);
  EXPECT_EQ(parseDuration("1h"), 1h);
  EXPECT_EQ(parseDuration("45"), 45s);
  for (const char* bad : {"", "s", "-1s", "10 s", "1.5s", "3d", "99999999999999999999h"}) {
    EXPECT_THROW(parseDuration(bad), std::invalid_argument) << bad;
  }
  EXPECT_EQ(formatDuration(30s), "30s");
  EXPECT_EQ(formatDuration(15min), "15m");
  EXPECT_EQ(formatDuration(1500ms), "1500ms");

  ServerOptions options;
  options.pagePath = kHealthPath;
  EXPECT_THROW(checkOptions(options), std::invalid_argument);

  Limits limits;
  limits.threads = 1;
  EXPECT_THROW(checkLimits(limits), std::invalid_argument);
  limits.threads = 8;
  limits.stallTimeout = 0ms;
  EXPECT_THROW(checkLimits(limits), std::invalid_argument);
}

class HoldUpTest : public ServerTest {
 protected:
  void SetUp() override {}

  std::string storeDocument(const std::string& name, std::size_t size) {
    std::string plain(size, 'x');
    for (std::size_t i = 0; i < size; ++i) plain[i] = static_cast<char>('a' + i % 26);
    const std::string body = container(plain);
    EXPECT_EQ(upload(name, body)->status, 200);
    return body;
  }
  std::size_t stagedFiles() const { return data_.filesIn("store/staging"); }
};

TEST_F(HoldUpTest, NormalDownIsAnsweredWithinASecondWhile64SlowClientsHangOn) {
  start();  // the default limits
  const std::string body = storeDocument("a.jia", 1000);

  std::vector<std::unique_ptr<RawClient>> slow;
  for (int i = 0; i < 64; ++i) {
    slow.push_back(std::make_unique<RawClient>(server_->port()));
    ASSERT_TRUE(slow.back()->connected());
  }
  std::atomic<bool> done{false};
  std::thread trickle([&] {
    const std::string head = "GET /page?RequestType=DOWN&filename=a.jia HTTP/1.1\r\nHost: x\r\n";
    for (std::size_t i = 0; !done && i < head.size(); ++i) {
      for (auto& client : slow) client->send(head.substr(i, 1));
      for (int t = 0; t < 10 && !done; ++t) std::this_thread::sleep_for(100ms);
    }
  });
  std::this_thread::sleep_for(1500ms);  // every slow client holds a connection by now

  httplib::Client normal("127.0.0.1", server_->port());
  normal.set_connection_timeout(1s);
  normal.set_read_timeout(1s);
  normal.set_write_timeout(1s);
  for (int i = 0; i < 3; ++i) {
    auto res = normal.Get("/page?filetype=1&RequestType=DOWN&filename=a.jia");
    ASSERT_TRUE(res) << "try " << i << ": " << httplib::to_string(res.error());
    EXPECT_EQ(res->status, 200);
    EXPECT_EQ(res->body, body);
  }
  done = true;
  trickle.join();
}

TEST_F(HoldUpTest, HeaderTimeoutFreesTheThreadsOfSlowClients) {
  ServerOptions options;
  options.limits.threads = 2;
  options.limits.headerTimeout = 300ms;
  start(options);
  const std::string body = storeDocument("a.jia", 100);

  RawClient first(server_->port()), second(server_->port());
  ASSERT_TRUE(first.send("GET /page?Request"));
  ASSERT_TRUE(second.send("GET /page?RequestType=DOWN&filename=a.jia HTTP/1.1\r\nHost: 127.0"));
  for (const RawClient* slow : {&first, &second}) {
    bool closed = false;
    const std::string answer = slow->receiveAll(3s, &closed);
    EXPECT_TRUE(closed) << "a slow client was not cut off";
    EXPECT_EQ(answer.rfind("HTTP/1.1 408 Request Timeout\r\n", 0), 0u) << answer;
  }
  EXPECT_EQ(down("a.jia")->body, body);
}

TEST_F(HoldUpTest, StalledUploadIsBrokenOffAndStoresNothing) {
  ServerOptions options;
  options.limits.stallTimeout = 300ms;
  start(options);
  const std::string body = container(std::string(5000, 'q'));

  RawClient client(server_->port());
  ASSERT_TRUE(client.send(uploadHead("a.jia", body.size()) + body.substr(0, 1000)));
  bool closed = false;
  const std::string answer = client.receiveAll(5s, &closed);
  EXPECT_TRUE(closed);
  EXPECT_NE(answer.find("nothing was stored"), std::string::npos) << answer;
  EXPECT_EQ(down("a.jia")->status, 404);
  EXPECT_EQ(stagedFiles(), 0u);
}

TEST_F(HoldUpTest, TrickleUploadEndsAtTheRequestDeadline) {
  ServerOptions options;
  options.limits.requestTimeout = 800ms;
  start(options);
  const std::string body = container(std::string(5000, 'q'));

  RawClient client(server_->port());
  ASSERT_TRUE(client.send(uploadHead("a.jia", body.size())));
  bool closed = false;
  // A byte every 50 ms never stalls, but the whole exchange takes too long.
  for (std::size_t i = 0; i < body.size() && !closed; ++i) {
    if (!client.send(body.substr(i, 1))) break;
    client.receiveAll(50ms, &closed);
  }
  EXPECT_TRUE(closed);
  EXPECT_EQ(down("a.jia")->status, 404);
  EXPECT_EQ(stagedFiles(), 0u);
}

// The accepted sockets of this process that serve `port`: the server side of each connection.
std::vector<int> acceptedSockets(int port) {
  std::vector<int> found;
  DIR* fds = ::opendir("/proc/self/fd");
  while (dirent* entry = fds ? ::readdir(fds) : nullptr) {
    const int fd = std::atoi(entry->d_name);
    sockaddr_in address{};
    socklen_t length = sizeof address;
    int listening = 0;
    socklen_t size = sizeof listening;
    if (fd <= 2 || ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        address.sin_family != AF_INET || ntohs(address.sin_port) != port ||
        ::getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &size) != 0 || listening) {
      continue;
    }
    found.push_back(fd);
  }
  if (fds) ::closedir(fds);
  return found;
}

TEST_F(HoldUpTest, AnswersGoOutWithoutDelayOnKeepAliveConnections) {
  start();
  const std::string body = storeDocument("a.jia", 100);
  client_->set_keep_alive(true);
  for (int i = 0; i < 20; ++i) {
    auto res = down("a.jia");
    ASSERT_TRUE(res);
    ASSERT_EQ(res->body, body);
  }
  const auto sockets = acceptedSockets(server_->port());
  ASSERT_FALSE(sockets.empty());
  for (const int fd : sockets) {
    int noDelay = 0;
    socklen_t size = sizeof noDelay;
    ASSERT_EQ(::getsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &noDelay, &size), 0);
    EXPECT_NE(noDelay, 0) << "Nagle's algorithm is on for an accepted connection";
  }
}

TEST_F(HoldUpTest, StopLetsADownloadUnderWayFinishAndRefusesNewConnections) {
  start();
  const std::string body = storeDocument("big.jia", 8 << 20);
  RawClient reader(server_->port());
  ASSERT_TRUE(
      reader.send("GET /page?filetype=1&RequestType=DOWN&filename=big.jia HTTP/1.1\r\nHost: x\r\n\r\n"));
  std::string received = reader.receiveSome(1000, 2s);
  ASSERT_FALSE(received.empty());

  auto stopped = std::async(std::launch::async, [&] { server_->stop(); });
  std::this_thread::sleep_for(200ms);
  EXPECT_FALSE(RawClient(server_->port()).connected());
  EXPECT_EQ(stopped.wait_for(0s), std::future_status::timeout);  // still draining

  bool closed = false;
  received += reader.receiveAll(10s, &closed);
  EXPECT_TRUE(closed);
  const auto bodyStart = received.find("\r\n\r\n");
  ASSERT_NE(bodyStart, std::string::npos);
  EXPECT_EQ(received.substr(bodyStart + 4), body);
  EXPECT_EQ(stopped.wait_for(5s), std::future_status::ready);
}

TEST_F(HoldUpTest, DrainTimeBreaksOffAnUploadUnderWayWhichStoresNothing) {
  ServerOptions options;
  options.limits.drain = 300ms;
  start(options);
  const std::string old = storeDocument("a.jia", 10);
  const std::string body = container(std::string(5000, 'q'));
  RawClient client(server_->port());
  ASSERT_TRUE(client.send(uploadHead("a.jia", body.size()) + body.substr(0, 1000)));
  for (int i = 0; i < 100 && server_->exchangesUnderWay() == 0; ++i) std::this_thread::sleep_for(10ms);
  ASSERT_EQ(server_->exchangesUnderWay(), 1u);

  const auto begun = std::chrono::steady_clock::now();
  server_->stop();
  EXPECT_LT(std::chrono::steady_clock::now() - begun, 5s);
  bool closed = false;
  client.receiveAll(2s, &closed);
  EXPECT_TRUE(closed);
  EXPECT_EQ(stagedFiles(), 0u);
  restart();
  EXPECT_EQ(down("a.jia")->body, old);
}

TEST_F(HoldUpTest, HealthAnswersTheStoresFigures) {
  start();
  storeDocument("a.jia", 10);
  storeDocument("b.jia", 10);
  auto res = client_->Get(kHealthPath);
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 200);
  EXPECT_EQ(res->get_header_value("Content-Type"), "application/json");
  EXPECT_NE(res->body.find("\"status\":\"ok\""), std::string::npos) << res->body;
  EXPECT_NE(res->body.find("\"documents\":2,"), std::string::npos) << res->body;
  EXPECT_NE(res->body.find("\"owners\":0,"), std::string::npos) << res->body;
}

TEST_F(HoldUpTest, ASecondServerOnTheSameFolderIsRefused) {
  start();
  ServerOptions options;
  options.dataDir = data_.path() / "store";
  options.port = 0;
  try {
    Server second(options);
    FAIL() << "a second server started on the same data folder";
  } catch (const DataFolderBusy& e) {
    EXPECT_NE(std::string(e.what()).find("already serving the data folder"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("process " + std::to_string(::getpid())), std::string::npos)
        << e.what();
  }
  server_.reset();
  EXPECT_NO_THROW(Server{options});  // the lock goes with its server
}

TEST_F(HoldUpTest, LeftoversOfAKilledUploadAreSweptAtTheNextStart) {
  start();
  storeDocument("a.jia", 10);
  server_->stop();
  // What a server killed mid-upload leaves: a staged file and a body placed but never recorded.
  std::ofstream(data_.path() / "store" / "staging" / "0123.body.part") << "half";
  std::ofstream(data_.path() / "store" / "bodies" / "4567.body") << "whole, but not recorded";
  restart();
  EXPECT_EQ(stagedFiles(), 0u);
  EXPECT_EQ(data_.filesIn("store/bodies"), 1u);
  EXPECT_EQ(down("a.jia")->status, 200);
}

}  // namespace
}  // namespace verolin::server::testing
