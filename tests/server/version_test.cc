// Version tags on the wire and the conflict answer: a stale upload never replaces a newer version
// and is never lost.
#include <gtest/gtest.h>

#include "server/page_requests.h"
#include "server/versions.h"
#include "server_fixture.h"

namespace verolin::server::testing {
namespace {

httplib::Result uploadBasedOn(httplib::Client& client, const std::string& path, const std::string& body,
                              const std::string& tag, const std::string& sealIds = "") {
  httplib::Headers headers;
  if (!tag.empty()) headers.emplace("If-Match", tag);
  const std::string query = "/page?Dn=&Dt=&Di=" + wire(sealIds) +
                            "&Sn=&St=&Si=&linkstr=" + wire(std::string(kDefaultLinkStr)) +
                            "&splitstr=" + wire(std::string(kDefaultSplitStr)) +
                            "&savetype=1&RequestType=UPLOAD&path=" + wire(path);
  return client.Post(query.c_str(), headers, body, "application/octet-stream");
}

TEST_F(ServerTest, DownloadAndPlainUrlGetNameTheSameVersionAndEveryUploadANewOne) {
  auto first = upload("docs/a.jia", container("v1"));
  ASSERT_EQ(first->status, 200);
  const std::string tag = first->get_header_value("ETag");
  EXPECT_EQ(tag.front(), '"');
  EXPECT_EQ(down("a.jia")->get_header_value("ETag"), tag);
  EXPECT_EQ(client_->Get("/files/docs/a.jia")->get_header_value("ETag"), tag);

  auto second = upload("docs/a.jia", container("v2"));
  EXPECT_NE(second->get_header_value("ETag"), tag);
  EXPECT_EQ(down("a.jia")->get_header_value("ETag"), second->get_header_value("ETag"));
}

TEST_F(ServerTest, UploadBasedOnTheCurrentVersionReplacesIt) {
  const std::string tag = upload("a.jia", container("v1"))->get_header_value("ETag");
  auto res = uploadBasedOn(*client_, "a.jia", container("v2"), tag);
  EXPECT_EQ(res->status, 200);
  EXPECT_EQ(down("a.jia")->body, container("v2"));
  EXPECT_TRUE(server_->store().copies().empty());
}

TEST_F(ServerTest, StaleUploadIsKeptWholeAsAConflictCopyAndAnswered409) {
  const std::string base = upload("a.jia", container("v1"), "", "", "1§")->get_header_value("ETag");
  ASSERT_EQ(uploadBasedOn(*client_, "a.jia", container("first's edits"), base)->status, 200);

  auto res = uploadBasedOn(*client_, "a.jia", container("second's edits"), base, "7§");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 409);
  const std::string copy = res->get_header_value(kConflictCopyHeader);
  EXPECT_EQ(copy.rfind("a-conflict-", 0), 0u) << copy;
  EXPECT_EQ(copy.substr(copy.size() - 4), ".jia");

  EXPECT_EQ(down("a.jia")->body, container("first's edits"));
  EXPECT_EQ(lists("a.jia", "GetSignInfoData").groups[1], std::vector<std::string>{"1"});
  EXPECT_EQ(down(copy)->body, container("second's edits"));
  EXPECT_EQ(lists(copy, "GetSignInfoData").groups[1], std::vector<std::string>{"7"});
  const auto copies = server_->store().copies("a.jia");
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_EQ(copies[0].name, copy);
  EXPECT_EQ(copies[0].kind, CopyKind::kConflict);

  // The same stale version again: a second copy, never one over the other.
  auto again = uploadBasedOn(*client_, "a.jia", container("second, again"), base);
  EXPECT_EQ(again->status, 409);
  EXPECT_NE(again->get_header_value(kConflictCopyHeader), copy);
  EXPECT_EQ(down(copy)->body, container("second's edits"));
}

TEST_F(ServerTest, UploadWithoutATagIsStoredUnlessTheServerRequiresOne) {
  upload("a.jia", container("v1"));
  EXPECT_EQ(upload("a.jia", container("v2"))->status, 200);
  EXPECT_EQ(down("a.jia")->body, container("v2"));

  ServerOptions strict;
  strict.requireVersion = true;
  restart(strict);
  auto refused = upload("a.jia", container("v3"));
  EXPECT_EQ(refused->status, 428);
  EXPECT_EQ(down("a.jia")->body, container("v2"));
  const std::string tag = down("a.jia")->get_header_value("ETag");
  EXPECT_EQ(uploadBasedOn(*client_, "a.jia", container("v3"), tag)->status, 200);
  EXPECT_EQ(down("a.jia")->body, container("v3"));
}

TEST_F(ServerTest, TakingACopyMakesItCurrentAndKeepsTheReplacedVersion) {
  const std::string base = upload("a.jia", container("v1"))->get_header_value("ETag");
  upload("a.jia", container("first"));
  const std::string copy = uploadBasedOn(*client_, "a.jia", container("second"), base, "7§")
                               ->get_header_value(kConflictCopyHeader);
  const std::string before = down("a.jia")->get_header_value("ETag");

  const std::string previous = server_->store().takeCopy("a.jia", copy);
  auto now = down("a.jia");
  EXPECT_EQ(now->body, container("second"));
  EXPECT_NE(now->get_header_value("ETag"), before);
  EXPECT_EQ(lists("a.jia", "GetSignInfoData").groups[1], std::vector<std::string>{"7"});
  EXPECT_EQ(down(previous)->body, container("first"));
  EXPECT_EQ(down(copy)->status, 404);
  const auto copies = server_->store().copies("a.jia");
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_EQ(copies[0].name, previous);
  EXPECT_EQ(copies[0].kind, CopyKind::kPrevious);
  EXPECT_THROW(server_->store().takeCopy("a.jia", "a.jia"), StoreError);
}

TEST(VersionTags, IfMatchNamesTheTagInAListOrByStar) {
  EXPECT_TRUE(ifMatchNames("\"3-ab\"", "\"3-ab\""));
  EXPECT_TRUE(ifMatchNames("\"1-x\", \"3-ab\"", "\"3-ab\""));
  EXPECT_TRUE(ifMatchNames("*", "\"3-ab\""));
  EXPECT_FALSE(ifMatchNames("W/\"3-ab\"", "\"3-ab\""));
  EXPECT_FALSE(ifMatchNames("\"2-ab\"", "\"3-ab\""));
}

TEST(VersionTags, CopyNamesKeepFolderAndExtensionAndCarryNoUnsafeCharacter) {
  const std::int64_t time = 1141520822;  // a fixed moment; the text depends on the local zone
  const std::string name = conflictCopyName("docs/报告.v2.jia", "李 四&co", time);
  EXPECT_EQ(name.rfind("docs/报告-conflict-李_四_co-", 0), 0u) << name;
  EXPECT_EQ(name.substr(name.size() - 7), ".v2.jia");
  EXPECT_EQ(conflictCopyName("a", "", time).rfind("a-conflict-", 0), 0u);
  EXPECT_EQ(previousVersionName("a.jia", time).rfind("a-previous-", 0), 0u);
  EXPECT_EQ(numberedName("docs/a-conflict-1.jia", 2), "docs/a-conflict-1-2.jia");
  EXPECT_EQ(headerText("报 %"), "%E6%8A%A5 %25");
}

}  // namespace
}  // namespace verolin::server::testing
