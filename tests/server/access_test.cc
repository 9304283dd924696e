// Who the page admits and what it records, against a real server on loopback: session cookies of every
// kind, the audit trail of each request type, and the access log's lines.
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <regex>
#include <thread>

#include "server/access_log.h"
#include "server/admin.h"
#include "server/sqlite.h"
#include "server_fixture.h"

namespace verolin::server::testing {
namespace {

const std::string kSecret = "0123456789abcdef0123456789abcdef-secret";

// The audit row and the log line are written once the answer has gone out, so a client may read the
// answer first.
template <typename Check>
bool eventually(Check check) {
  for (int i = 0; i < 300 && !check(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return check();
}

std::int64_t now() {
  return static_cast<std::int64_t>(std::time(nullptr));
}

class AccessTest : public ServerTest {
 protected:
  void SetUp() override {}
  // The server logs into this fixture's members, so it goes before they do.
  ~AccessTest() override {
    client_.reset();
    server_.reset();
  }

  void serve(bool sessions) {
    ServerOptions options;
    if (sessions) options.sessionSecret = kSecret;
    options.accessLog = [this](const std::string& line) {
      std::lock_guard lock(mutex_);
      lines_.push_back(line);
    };
    start(std::move(options));
    // One connection, so that the server finishes the exchanges in the order they were sent.
    client_->set_keep_alive(true);
  }

  static std::string cookie(const std::string& user, std::int64_t ttl = 3600,
                            const std::string& documents = "", const std::string& secret = kSecret) {
    return std::string(kDefaultSessionCookie) + "=" + mintSession(secret, {user, now() + ttl, documents});
  }
  httplib::Result getWith(const std::string& target, const std::string& cookieHeader) {
    httplib::Headers headers;
    if (!cookieHeader.empty()) headers.emplace("Cookie", cookieHeader);
    return client_->Get(target.c_str(), headers);
  }
  httplib::Result downWith(const std::string& name, const std::string& cookieHeader) {
    return getWith("/page?filetype=1&RequestType=DOWN&filename=" + wire(name), cookieHeader);
  }
  std::vector<AuditRecord> waitForAudit(std::size_t count) {
    EXPECT_TRUE(eventually([&] { return server_->store().auditRecords().size() >= count; }));
    return server_->store().auditRecords();
  }
  std::vector<std::string> waitForLines(std::size_t count) {
    EXPECT_TRUE(eventually([&] {
      std::lock_guard lock(mutex_);
      return lines_.size() >= count;
    }));
    std::lock_guard lock(mutex_);
    return lines_;
  }

  std::mutex mutex_;
  std::vector<std::string> lines_;
};

TEST_F(AccessTest, WithoutASecretEveryoneIsAdmittedAndRecordedAsUnknown) {
  serve(false);
  ASSERT_EQ(upload("a.jia", container("v1"))->status, 200);
  EXPECT_EQ(down("a.jia")->status, 200);
  const auto rows = waitForAudit(2);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1].user, "-");
  EXPECT_EQ(rows[1].client, "127.0.0.1");
}

TEST_F(AccessTest, MintedCookieIsAdmittedAndNamedInTheAudit) {
  serve(true);
  {
    Store& store = server_->store();
    StagedBody body = store.stage();
    const std::string bytes = container("the report");
    body.write(bytes.data(), bytes.size());
    store.saveDocument("a.jia", std::move(body));
  }
  auto res = downWith("a.jia", "theme=dark; " + cookie("张三"));
  ASSERT_EQ(res->status, 200);
  EXPECT_EQ(res->body, container("the report"));
  const auto rows = waitForAudit(1);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].user, "张三");
  EXPECT_EQ(rows[0].type, "DOWN");
  EXPECT_EQ(rows[0].document, "a.jia");
  EXPECT_EQ(rows[0].version, 1);
  EXPECT_EQ(rows[0].bytes, container("the report").size());
  EXPECT_EQ(rows[0].status, 200);
  EXPECT_LE(std::abs(rows[0].time - now()), 5);
}

TEST_F(AccessTest, ExpiredForgedMissingAndOutOfPrefixCookiesAre403WithNothingServed) {
  serve(true);
  {
    StagedBody body = server_->store().stage();
    const std::string bytes = container("secret text");
    body.write(bytes.data(), bytes.size());
    server_->store().saveDocument("a.jia", std::move(body));
  }
  const struct {
    const char* what;
    std::string cookie;
    const char* user;
  } refused[] = {
      {"expired", cookie("wang", -10), "wang"},
      {"another secret", cookie("wang", 3600, "", std::string(40, 'x')), "-"},
      {"another prefix", cookie("wang", 3600, "docs/"), "wang"},
      {"none", "", "-"},
      {"garbage", "verolin_session=abc.def", "-"},
  };
  const std::size_t before = server_->store().auditRecords().size();
  for (const auto& r : refused) {
    auto res = downWith("a.jia", r.cookie);
    ASSERT_TRUE(res) << r.what;
    EXPECT_EQ(res->status, 403) << r.what;
    EXPECT_EQ(res->body.find("LOCKED"), std::string::npos) << r.what;
    EXPECT_FALSE(res->get_header_value("X-Verolin-Error").empty()) << r.what;
  }
  const auto rows = waitForAudit(before + std::size(refused));
  ASSERT_EQ(rows.size(), before + std::size(refused));
  for (std::size_t i = 0; i < std::size(refused); ++i) {
    EXPECT_EQ(rows[before + i].status, 403) << refused[i].what;
    EXPECT_EQ(rows[before + i].user, refused[i].user) << refused[i].what;
    EXPECT_EQ(rows[before + i].document, "a.jia") << refused[i].what;
    EXPECT_EQ(rows[before + i].bytes, 0u) << refused[i].what;
  }
  // The prefix session reaches its own documents, by full name and by last segment, and no other.
  const std::string docs = cookie("wang", 3600, "docs/");
  {
    StagedBody body = server_->store().stage();
    const std::string bytes = container("docs text");
    body.write(bytes.data(), bytes.size());
    server_->store().saveDocument("docs/b.jia", std::move(body));
  }
  EXPECT_EQ(downWith("docs/b.jia", docs)->body, container("docs text"));
  EXPECT_EQ(downWith("b.jia", docs)->body, container("docs text"));
  EXPECT_EQ(downWith("missing.jia", docs)->status, 403);  // outside: no hint whether it exists
  EXPECT_EQ(downWith("docs/missing.jia", docs)->status, 404);
  EXPECT_EQ(getWith("/files/a.jia", docs)->status, 403);
  EXPECT_EQ(getWith("/files/docs/b.jia", docs)->status, 200);
}

TEST_F(AccessTest, SealOwnersListsAndUploadsNeedASession) {
  serve(true);
  addOwner(server_->store(), "张三", "pw", data_.write("z.png", "PNG"), false);
  const std::string valid = cookie("li");
  for (const std::string& target : std::vector<std::string>{
           "/page?RequestType=GetSealList",
           "/page?RequestType=GetSealPicture&userName=" + wire("张三") + "&fileName=z.jia",
           "/page?filetype=1&filename=a.jia&RequestType=GetSignInfoData", "/clientfiles/x.bin"}) {
    auto refused = getWith(target, "");
    EXPECT_EQ(refused->status, 403) << target;
    EXPECT_EQ(refused->body.find("LOCKED"), std::string::npos) << target;
    if (target.find("GetSealList") != std::string::npos || target.find("GetSign") != std::string::npos) {
      EXPECT_EQ(refused->body, "") << target;  // list answers stay empty, or the control reads lists
    }
  }
  EXPECT_EQ(getWith("/page?RequestType=GetSealList", valid)->status, 200);
  EXPECT_EQ(
      getWith("/page?RequestType=GetSealPicture&userName=" + wire("张三") + "&fileName=z.jia", valid)->status,
      200);

  // An upload without a session stores nothing; with one, a conflict copy is named after its user.
  EXPECT_EQ(upload("a.jia", container("intruder"))->status, 403);
  EXPECT_EQ(post("RequestType=UPLOADFILE&CLIENT=c&SERVER=x.bin", "file")->status, 403);
  EXPECT_TRUE(server_->store().documents().empty());
  EXPECT_TRUE(server_->store().clientFiles().empty());
  EXPECT_EQ(data_.filesIn("store/staging"), 0u);

  httplib::Headers headers{{"Cookie", valid}};
  const std::string query =
      "Dn=&Dt=&Di=&Sn=&St=&Si=&linkstr=&splitstr=&savetype=1&RequestType=UPLOAD&path=a.jia";
  ASSERT_EQ(
      client_->Post(("/page?" + query).c_str(), headers, container("v1"), "application/octet-stream")->status,
      200);
  headers.emplace("If-Match", "\"0-stale\"");
  auto conflict =
      client_->Post(("/page?" + query).c_str(), headers, container("v2"), "application/octet-stream");
  ASSERT_EQ(conflict->status, 409);
  EXPECT_NE(conflict->get_header_value("X-Verolin-Conflict-Copy").find("-conflict-li-"), std::string::npos);
  const auto rows = waitForAudit(10);
  ASSERT_EQ(rows.size(), 10u);
  EXPECT_EQ(rows.back().user, "li");
  EXPECT_EQ(rows.back().status, 409);
}

TEST_F(AccessTest, AuditRecordsEachAuditedTypeAndFilters) {
  serve(false);
  addOwner(server_->store(), "张三", "pw", data_.write("z.png", "PNG"), false);
  ASSERT_EQ(upload("a.jia", container("v1"))->status, 200);
  ASSERT_EQ(upload("a.jia", container("version two"))->status, 200);
  ASSERT_EQ(down("a.jia")->status, 200);
  ASSERT_EQ(client_->Get("/files/a.jia")->status, 200);
  ASSERT_EQ(post("RequestType=UPLOADFILE&CLIENT=c&SERVER=up/f.bin", "12345")->status, 200);
  ASSERT_EQ(get("RequestType=GetSealList")->status, 200);
  ASSERT_EQ(get("RequestType=GetSealPicture&userName=" + wire("张三") + "&fileName=z.jia")->status, 200);
  ASSERT_EQ(down("none.jia")->status, 404);
  // Lists of marks and client files by URL are not audited.
  lists("a.jia", "GetSignInfoData");
  ASSERT_EQ(client_->Get("/clientfiles/up/f.bin")->status, 200);
  const auto rows = waitForAudit(8);
  waitForLines(10);
  ASSERT_EQ(rows.size(), 8u);
  const std::vector<std::string> types = {"UPLOAD",     "UPLOAD",      "DOWN",           "GET",
                                          "UPLOADFILE", "GetSealList", "GetSealPicture", "DOWN"};
  for (std::size_t i = 0; i < types.size(); ++i) EXPECT_EQ(rows[i].type, types[i]) << i;
  EXPECT_EQ(rows[1].version, 2);
  EXPECT_EQ(rows[1].bytes, container("version two").size());
  EXPECT_EQ(rows[2].version, 2);
  EXPECT_EQ(rows[3].document, "a.jia");
  EXPECT_EQ(rows[4].document, "up/f.bin");
  EXPECT_EQ(rows[4].bytes, 5u);
  EXPECT_EQ(rows[6].document, "张三");
  EXPECT_EQ(rows[7].status, 404);

  AuditFilter only;
  only.document = "a.jia";
  EXPECT_EQ(server_->store().auditRecords(only).size(), 4u);
  only.since = now() + 100;
  EXPECT_TRUE(server_->store().auditRecords(only).empty());
  EXPECT_EQ(auditJson(rows[6]).substr(0, 9), "{\"time\":\"");
  EXPECT_NE(auditJson(rows[6]).find("\"document\":\"张三\""), std::string::npos);
}

TEST_F(AccessTest, AFolderOfAnOlderServerGainsTheAuditTrail) {
  {
    Store store(data_.path() / "store");
    StagedBody body = store.stage();
    body.write("LOCKED", 6);
    store.saveDocument("a.jia", std::move(body));
  }
  {
    Database db(data_.path() / "store" / "store.sqlite");
    db.exec("DROP TABLE audit; PRAGMA user_version = 1;");
  }
  serve(false);
  EXPECT_EQ(server_->store().documents().size(), 1u);
  ASSERT_EQ(down("a.jia")->status, 200);
  EXPECT_EQ(waitForAudit(1).size(), 1u);
}

TEST_F(AccessTest, AccessLogLineIsCombinedFormatInUtcWithDuration) {
  serve(true);
  {
    StagedBody body = server_->store().stage();
    const std::string bytes = container("logged");
    body.write(bytes.data(), bytes.size());
    server_->store().saveDocument("a.jia", std::move(body));
  }
  httplib::Headers headers{{"Cookie", cookie("张 三")}, {"User-Agent", "test \"agent\""}};
  ASSERT_EQ(client_->Get("/page?filetype=1&RequestType=DOWN&filename=a.jia", headers)->status, 200);
  ASSERT_EQ(getWith("/page?filetype=1&RequestType=DOWN&filename=a.jia", "")->status, 403);
  const auto lines = waitForLines(2);
  const std::regex combined(
      R"(127\.0\.0\.1 - 张_三 \[\d\d/[A-Z][a-z]{2}/\d{4}:\d\d:\d\d:\d\d \+0000\] )"
      R"("GET /page\?filetype=1&RequestType=DOWN&filename=a\.jia HTTP/1\.1" 200 (\d+) "-" "test \\x22agent\\x22" \d+\.\d{3})");
  std::smatch match;
  ASSERT_TRUE(std::regex_match(lines[0], match, combined)) << lines[0];
  EXPECT_EQ(std::stoul(match[1]), container("logged").size());
  EXPECT_NE(lines[1].find("\" 403 "), std::string::npos) << lines[1];
  EXPECT_NE(lines[1].find(" - - ["), std::string::npos) << lines[1];
  EXPECT_NE(lines[1].find("\"no session"), std::string::npos) << lines[1];
  // The cookie itself is never logged.
  EXPECT_EQ(lines[0].find("verolin_session"), std::string::npos);
}

TEST_F(AccessTest, TrustedProxyForwardsTheClientAddressOthersCannot) {
  ServerOptions options;
  options.trustProxy = true;
  start(options);
  httplib::Headers forwarded{{"X-Forwarded-For", "203.0.113.9, 10.1.2.3"}};
  ASSERT_EQ(client_->Get("/page?RequestType=GetSealList", forwarded)->status, 200);
  EXPECT_EQ(waitForAudit(1).back().client, "10.1.2.3");
  restart();
  ASSERT_EQ(client_->Get("/page?RequestType=GetSealList", forwarded)->status, 200);
  EXPECT_EQ(waitForAudit(2).back().client, "127.0.0.1");
}

TEST(AccessLog, FileIsReopenedUnderItsNameAfterRotation) {
  DataFolder data;
  std::filesystem::create_directories(data.path());
  const auto file = data.path() / "access.log";
  AccessLogFile log(file);
  log.write("first");
  std::filesystem::rename(file, data.path() / "access.log.1");
  log.write("second");  // still the moved file, as rotation expects until the signal
  ASSERT_TRUE(log.reopen());
  log.write("third");
  EXPECT_EQ(DataFolder::read(data.path() / "access.log.1"), "first\nsecond\n");
  EXPECT_EQ(DataFolder::read(file), "third\n");
  EXPECT_THROW(AccessLogFile(data.path() / "no" / "such" / "folder.log"), std::runtime_error);
}

TEST(AccessLog, FieldsAreEscapedSoEachStaysOneField) {
  AccessEntry e;
  e.client = "::1";
  e.user = "-";
  e.time = 0;
  e.method = "GET";
  e.target = "/page?a=\"x\"\xd5\xc5";
  e.version = "HTTP/1.1";
  e.status = 404;
  e.reason = "no document named \"x\"";
  EXPECT_EQ(combinedLine(e),
            "::1 - - [01/Jan/1970:00:00:00 +0000] \"GET /page?a=\\x22x\\x22\\xd5\\xc5 HTTP/1.1\" 404 - \"-\" "
            "\"-\" - "
            "\"no document named \\x22x\\x22\"");
}

}  // namespace
}  // namespace verolin::server::testing
