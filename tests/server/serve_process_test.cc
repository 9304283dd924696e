// `verolin serve` and `verolin backup` as processes: signals, the folder lock, TLS with curl, and a
// backup taken while uploads go on.
#include <atomic>
#include <map>
#include <set>
#include <thread>

#include "raw_client.h"
#include "server/backup.h"
#include "server/serving.h"
#include "server_fixture.h"
#include "verolin_process.h"

namespace verolin::server::testing {
namespace {

using namespace std::chrono_literals;

class ServeProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (verolinProgram().empty()) GTEST_SKIP() << "verolin is not built";
  }
  std::filesystem::path store() const { return data_.path() / "store"; }

  // A document stored before the server starts.
  std::string putBefore(const std::string& name, const std::string& plain) {
    Store s(store());
    StagedBody body = s.stage();
    const std::string bytes = container(plain);
    body.write(bytes.data(), bytes.size());
    s.saveDocument(name, std::move(body));
    return bytes;
  }
  std::unique_ptr<VerolinProcess> serve(std::vector<std::string> extra = {}) {
    std::vector<std::string> args{"serve", "--port", "0", "--data", store().string()};
    args.insert(args.end(), extra.begin(), extra.end());
    auto process = std::make_unique<VerolinProcess>(args, data_.path() / "logs");
    port_ = process->waitForPort();
    return process;
  }
  // Waits until the server has an upload under way (its staged file exists).
  void awaitStaging() const {
    for (int i = 0; i < 500 && data_.filesIn("store/staging") == 0; ++i) std::this_thread::sleep_for(10ms);
  }

  DataFolder data_;
  int port_ = 0;
};

TEST_F(ServeProcessTest, FirstSignalLetsAnUploadUnderWayFinish) {
  putBefore("a.jia", "version 1");
  auto server = serve({"--drain", "20s"});
  ASSERT_GT(port_, 0) << server->err();
  const std::string body = container(std::string(100000, 'v'));
  RawClient client(port_);
  ASSERT_TRUE(client.send(uploadHead("a.jia", body.size()) + body.substr(0, 50000)));
  awaitStaging();

  server->signal(SIGTERM);
  EXPECT_FALSE(server->wait(500ms)) << "stopped before the upload under way ended";
  EXPECT_FALSE(RawClient(port_).connected()) << "still accepting after the signal";
  ASSERT_TRUE(client.send(body.substr(50000)));
  const std::string answer = client.receiveAll(10s);
  EXPECT_EQ(answer.rfind("HTTP/1.1 200", 0), 0u) << answer;
  EXPECT_EQ(server->wait(10s), 0) << server->err();
  EXPECT_NE(server->out().find("stopping on SIGTERM"), std::string::npos) << server->out();

  Store s(store());
  EXPECT_EQ(s.document("a.jia")->version, 2);
  EXPECT_EQ(s.openDocument("a.jia")->reader->readAll(), body);
}

TEST_F(ServeProcessTest, SecondSignalStopsAtOnceAndTheCutUploadStoresNothing) {
  const std::string old = putBefore("a.jia", "version 1");
  auto server = serve({"--drain", "60s"});
  ASSERT_GT(port_, 0) << server->err();
  const std::string body = container(std::string(100000, 'v'));
  RawClient client(port_);
  ASSERT_TRUE(client.send(uploadHead("a.jia", body.size()) + body.substr(0, 50000)));
  awaitStaging();

  server->signal(SIGTERM);
  EXPECT_FALSE(server->wait(300ms));
  server->signal(SIGINT);
  EXPECT_EQ(server->wait(3s), 1) << "the second signal did not stop the server at once";
  EXPECT_NE(server->out().find("stopping at once: broke off 1 exchange(s)"), std::string::npos)
      << server->out();
  EXPECT_NE(server->err().find("stopped at once"), std::string::npos) << server->err();

  ServerOptions options;
  options.dataDir = store();
  options.port = 0;
  Server next(options);  // sweeps whatever the cut-off left
  EXPECT_EQ(data_.filesIn("store/staging"), 0u);
  EXPECT_EQ(next.store().document("a.jia")->version, 1);
  EXPECT_EQ(next.store().openDocument("a.jia")->reader->readAll(), old);
}

TEST_F(ServeProcessTest, ASecondServerOnTheSameFolderRefusesToStart) {
  auto first = serve();
  ASSERT_GT(port_, 0) << first->err();
  VerolinProcess second({"serve", "--port", "0", "--data", store().string()}, data_.path() / "logs");
  EXPECT_EQ(second.wait(10s), 1);
  EXPECT_NE(second.err().find("already serving the data folder"), std::string::npos) << second.err();
  EXPECT_NE(second.err().find("process " + std::to_string(first->pid())), std::string::npos) << second.err();
  httplib::Client http("127.0.0.1", port_);
  auto health = http.Get(kHealthPath);
  ASSERT_TRUE(health);
  EXPECT_EQ(health->status, 200);  // the first one serves on, untouched
}

int run(const std::string& command) {
  const int status = std::system((command + " > /dev/null 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(ServeProcessTest, ServesHttpsToCurlWithACertificateMadeHere) {
  if (run("command -v curl") != 0 || run("command -v openssl") != 0)
    GTEST_SKIP() << "curl or openssl missing";
  const auto dir = data_.path();
  std::filesystem::create_directories(dir);
  const std::string cert = (dir / "cert.pem").string(), key = (dir / "key.pem").string();
  ASSERT_EQ(run("openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1 -addext "
                "subjectAltName=IP:127.0.0.1 -keyout " +
                key + " -out " + cert),
            0);
  const std::string stored = putBefore("a.jia", "over TLS");
  auto server = serve({"--tls-cert", cert, "--tls-key", key});
  ASSERT_GT(port_, 0) << server->err();
  EXPECT_NE(server->out().find("serving https://127.0.0.1:"), std::string::npos) << server->out();

  const std::string base = "https://127.0.0.1:" + std::to_string(port_);
  const std::string curl = "curl -sS --fail --max-time 10 --cacert " + cert + " ";
  const auto got = dir / "got.jia";
  ASSERT_EQ(
      run(curl + "-o " + got.string() + " '" + base + "/page?filetype=1&RequestType=DOWN&filename=a.jia'"),
      0);
  EXPECT_EQ(DataFolder::read(got), stored);

  const std::string upload = container(std::string(300000, 'u'));
  const auto file = data_.write("up.jia", upload);
  ASSERT_EQ(run(curl + "--data-binary @" + file.string() + " -H 'Content-Type: application/octet-stream' '" +
                base + "/page?savetype=1&RequestType=UPLOAD&path=b.jia'"),
            0);
  // Two requests on one kept-alive connection.
  const auto again = dir / "again.jia";
  ASSERT_EQ(run(curl + "-o " + got.string() + " -o " + again.string() + " " + base + "/files/b.jia " + base +
                "/files/a.jia"),
            0);
  EXPECT_EQ(DataFolder::read(got), upload);
  EXPECT_EQ(DataFolder::read(again), stored);

  EXPECT_NE(run("curl -sS --fail --max-time 5 http://127.0.0.1:" + std::to_string(port_) + kHealthPath), 0)
      << "plain HTTP answered on the TLS port";
  EXPECT_NE(run("curl -sS --fail --max-time 5 " + base + kHealthPath), 0)
      << "an unknown certificate was accepted";
  EXPECT_EQ(run(curl + base + kHealthPath), 0);
}

TEST_F(ServeProcessTest, BackupTakenDuringUploadsServesEveryDocumentWhole) {
  // Documents that stay as they are, and documents replaced again and again while the backup runs.
  std::map<std::string, std::string> steady;
  for (int i = 0; i < 20; ++i) {
    const std::string name = "steady" + std::to_string(i) + ".jia";
    steady[name] = putBefore(name, std::string(200000 + i, static_cast<char>('a' + i)));
  }
  auto server = serve();
  ASSERT_GT(port_, 0) << server->err();

  std::map<std::string, std::set<std::string>> versions;  // every body uploaded under each name
  std::atomic<bool> backupDone{false};
  std::atomic<int> uploadsDuringBackup{0};
  std::thread uploader([&] {
    httplib::Client http("127.0.0.1", port_);
    for (int round = 0; !backupDone || round < 3; ++round) {
      const bool during = !backupDone;
      const std::string name = "busy" + std::to_string(round % 4) + ".jia";
      const std::string body = container(std::string(150000, 'b') + std::to_string(round));
      versions[name].insert(body);
      auto res = http.Post(("/page?savetype=1&RequestType=UPLOAD&path=" + name).c_str(), body,
                           "application/octet-stream");
      if (res && res->status == 200 && during && !backupDone) ++uploadsDuringBackup;
    }
  });
  std::this_thread::sleep_for(100ms);
  const auto copy = data_.path() / "copy";
  VerolinProcess backup({"backup", "--data", store().string(), "--to", copy.string()}, data_.path() / "logs");
  const auto status = backup.wait(60s);
  backupDone = true;
  uploader.join();
  ASSERT_EQ(status, 0) << backup.err();
  EXPECT_NE(backup.out().find("backed up "), std::string::npos) << backup.out();
  EXPECT_GT(uploadsDuringBackup, 0);

  ServerOptions options;
  options.dataDir = copy;
  options.port = 0;
  Server fromCopy(options);
  fromCopy.start();
  httplib::Client http("127.0.0.1", fromCopy.port());
  const auto documents = fromCopy.store().documents();
  EXPECT_GE(documents.size(), steady.size());
  for (const auto& document : documents) {
    auto res = http.Get(("/files/" + document.name).c_str());
    ASSERT_TRUE(res) << document.name;
    ASSERT_EQ(res->status, 200) << document.name;
    EXPECT_EQ(res->body.size(), document.size) << document.name;
    if (steady.count(document.name)) {
      EXPECT_EQ(res->body, steady[document.name]) << document.name;
    } else {
      EXPECT_EQ(versions[document.name].count(res->body), 1u)
          << document.name << " is not a version uploaded";
    }
  }
}

TEST(Backup, RefusesATargetThatIsNotNewOrLiesInsideTheStore) {
  DataFolder data;
  { Store store(data.path() / "store"); }
  const auto full = data.path() / "full";
  std::filesystem::create_directories(full);
  std::ofstream(full / "x") << "x";
  EXPECT_THROW(backupStore(data.path() / "store", full), StoreError);
  EXPECT_THROW(backupStore(data.path() / "store", data.path() / "store" / "copy"), StoreError);
  EXPECT_THROW(backupStore(data.path() / "none", data.path() / "copy"), StoreError);
  EXPECT_FALSE(std::filesystem::exists(data.path() / "copy"));
  const auto empty = data.path() / "empty";
  std::filesystem::create_directories(empty);
  EXPECT_EQ(backupStore(data.path() / "store", empty).documents, 0u);
  EXPECT_TRUE(std::filesystem::exists(empty / "store.sqlite"));
  // Nothing of the backup stays behind in the store.
  for (const auto& entry : std::filesystem::directory_iterator(data.path() / "store" / "staging")) {
    ADD_FAILURE() << "left in staging: " << entry.path();
  }
}

}  // namespace
}  // namespace verolin::server::testing
