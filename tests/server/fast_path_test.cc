// What a busy server keeps to answer downloads quickly must never change the answers: remembered
// lookups follow every change, whichever process makes it, and a keep-alive connection stays in step.
#include "raw_client.h"
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

}  // namespace
}  // namespace verolin::server::testing
