// Every request of the control's catalogue against a real server page on loopback.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "server/admin.h"
#include "server_fixture.h"

namespace verolin::server::testing {
namespace {

using Strings = std::vector<std::string>;

TEST_F(ServerTest, DownloadAnswersTheStoredContainer) {
  const std::string body = container("the document");
  ASSERT_EQ(upload("a.jia", body)->status, 200);
  auto res = down("a.jia");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 200);
  EXPECT_EQ(res->body, body);
  EXPECT_EQ(down("missing.jia")->status, 404);
}

TEST_F(ServerTest, DownloadsOnOneConnectionCarryEachBodyWholeAndCountItsBytes) {
  // Larger than one piece the kernel is handed at a time, so the answer goes out in several.
  std::string plain(6 << 20, 'x');
  for (std::size_t i = 0; i < plain.size(); i += 4093) plain[i] = static_cast<char>('a' + i / 4093 % 26);
  const std::string large = container(plain);
  const std::string small = container("small");
  ASSERT_EQ(upload("large.jia", large)->status, 200);
  ASSERT_EQ(upload("small.jia", small)->status, 200);
  client_->set_keep_alive(true);
  for (int round = 0; round < 2; ++round) {
    auto a = down("large.jia");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->body.size(), large.size());
    EXPECT_TRUE(a->body == large);
    EXPECT_EQ(down("small.jia")->body, small);
    // A head without a body, then a range: the next answers on the connection stay in step.
    auto head = client_->Head("/files/large.jia");
    ASSERT_TRUE(head);
    EXPECT_EQ(head->status, 200);
    EXPECT_EQ(head->body, "");
    auto part = client_->Get("/files/large.jia", {httplib::make_range_header({{5000000, 5000099}})});
    ASSERT_TRUE(part);
    EXPECT_EQ(part->status, 206);  // not 200, which would pass the part off as the whole body
    EXPECT_EQ(part->body, large.substr(5000000, 100));
  }
  EXPECT_EQ(down("small.jia")->body, small);

  std::map<std::string, std::set<std::uint64_t>> bytes;
  for (const AuditRecord& row : server_->store().auditRecords({})) {
    if (row.type == "DOWN") bytes[row.document].insert(row.bytes);
  }
  EXPECT_EQ(bytes["large.jia"], (std::set<std::uint64_t>{large.size()}));
  EXPECT_EQ(bytes["small.jia"], (std::set<std::uint64_t>{small.size()}));
}

TEST_F(ServerTest, UploadAppendsNewMarksThatTheListsAnswer) {
  ASSERT_EQ(
      upload("a.jia", container("v1"), "张三§", "2008年3月5日9时7分0秒§", "3§", "王五§", "t1§", "5§")->status,
      200);
  ASSERT_EQ(upload("a.jia", container("v2"), "李四§", "t2§", "7§")->status, 200);

  const auto seals = lists("a.jia", "GetSignInfoData");
  EXPECT_EQ(seals.link, "ǐ");
  EXPECT_EQ(seals.split, "§");
  EXPECT_EQ(seals.groups[0], (Strings{"张三", "李四"}));  // names
  EXPECT_EQ(seals.groups[1], (Strings{"3", "7"}));        // identifiers
  EXPECT_EQ(seals.groups[2], (Strings{"2008年3月5日9时7分0秒", "t2"}));
  const auto signs = lists("a.jia", "GetHandWritdData");
  EXPECT_EQ(signs.groups[0], (Strings{"王五"}));
  EXPECT_EQ(signs.groups[1], (Strings{"5"}));
  EXPECT_EQ(signs.groups[2], (Strings{"t1"}));
  EXPECT_EQ(down("a.jia")->body, container("v2"));
}

TEST_F(ServerTest, DocumentWithoutMarksAnswersNoData) {
  ASSERT_EQ(upload("a.jia", container("x"))->status, 200);
  for (const char* type : {"GetSignInfoData", "GetHandWritdData"}) {
    auto res = get(std::string("filetype=1&filename=a.jia&RequestType=") + type);
    EXPECT_EQ(res->status, 200);
    EXPECT_LE(text::length(text::fromWire(res->body)), 4u);
  }
  // Even a refusal keeps a list answer's body empty, or the control would read it as lists.
  auto unknown = get("filetype=1&filename=none.jia&RequestType=GetSignInfoData");
  EXPECT_EQ(unknown->status, 404);
  EXPECT_EQ(unknown->body, "");
}

TEST_F(ServerTest, MarkItemsHoldingAmpersandsSurviveTheUnescapedQuery) {
  const std::string query = "Dn=R&D部§&Dt=t§&Di=9§&Sn=&St=&Si=&linkstr=" + wire("ǐ") +
                            "&splitstr=" + wire("§") + "&savetype=1&RequestType=UPLOAD&path=a.jia";
  ASSERT_EQ(post(text::toWire(query), container("x"))->status, 200);
  EXPECT_EQ(lists("a.jia", "GetSignInfoData").groups[0], (Strings{"R&D部"}));
}

TEST_F(ServerTest, UploadSplitsAtTheSeparatorItWasSent) {
  const std::string query =
      "Dn=a|b|&Dt=1|2|&Di=3|4|&Sn=&St=&Si=&linkstr=~&splitstr=|&savetype=1&RequestType=UPLOAD&path=a.jia";
  ASSERT_EQ(post(query, container("x"))->status, 200);
  EXPECT_EQ(lists("a.jia", "GetSignInfoData").groups[0], (Strings{"a", "b"}));
}

TEST_F(ServerTest, FolderUploadIsFoundByItsFileNameUnlessAmbiguous) {
  // Mode 0 stores under folder/name; the control then asks by the name alone.
  ASSERT_EQ(upload("docs/2006/a.jia", container("in docs"), "张三§", "t§", "1§")->status, 200);
  EXPECT_EQ(down("a.jia")->body, container("in docs"));
  EXPECT_EQ(lists("a.jia", "GetSignInfoData").groups[0], (Strings{"张三"}));
  EXPECT_EQ(client_->Get("/files/docs/2006/a.jia")->body, container("in docs"));

  ASSERT_EQ(upload("docs/2007/a.jia", container("other"))->status, 200);
  EXPECT_EQ(down("a.jia")->status, 404);
  EXPECT_EQ(lists("a.jia", "GetSignInfoData").groups[0], Strings{});
}

TEST_F(ServerTest, NonAsciiNamesTravelInTheWireCodePage) {
  ASSERT_EQ(upload("公文/通知.jia", container("中文"))->status, 200);
  EXPECT_EQ(down("通知.jia")->body, container("中文"));
  // The same name with raw GBK bytes, as a component that does not escape sends it.
  client_->set_url_encode(false);
  EXPECT_EQ(get("filetype=1&RequestType=DOWN&filename=" + text::toWire("通知.jia"))->body, container("中文"));
  // Plain URLs: percent-encoded UTF-8 (browsers) and GBK (the control's component) both find it.
  EXPECT_EQ(client_->Get("/files/%E5%85%AC%E6%96%87/%E9%80%9A%E7%9F%A5.jia")->body, container("中文"));
  EXPECT_EQ(client_->Get(("/files/" + wire("公文/通知.jia")).c_str())->body, container("中文"));
}

TEST_F(ServerTest, SealOwnerListAndPictureDecryptWithTheOwnersPassword) {
  addOwner(server_->store(), "张三", "zs-pass", data_.write("zhang.png", "PNG-zhang"), false);
  addOwner(server_->store(), "李四", "ls pass", data_.write("li.bmp", "BMP-li"), false);

  const auto owners = parseList(get("RequestType=GetSealList")->body);
  ASSERT_EQ(owners.groups[0], (Strings{"张三", "李四"}));
  EXPECT_EQ(owners.groups[1],
            (Strings{crypto::encodeSealPassword("zs-pass"), crypto::encodeSealPassword("ls pass")}));
  EXPECT_EQ(owners.groups[2], (Strings{"zhang.jia", "li.jia"}));

  auto picture = get("RequestType=GetSealPicture&userName=" + wire("李四") + "&fileName=li.jia");
  ASSERT_EQ(picture->status, 200);
  const auto plain = crypto::decryptBytes(picture->body, "ls pass");
  EXPECT_EQ(plain.bytes, "BMP-li");
  EXPECT_EQ(plain.extension, "bmp");
  EXPECT_THROW(crypto::decryptBytes(picture->body, "zs-pass"), crypto::CipherError);
  EXPECT_EQ(get("RequestType=GetSealPicture&userName=" + wire("李四") + "&fileName=zhang.jia")->status, 404);
  EXPECT_EQ(get("RequestType=GetSealPicture&userName=nobody&fileName=li.jia")->status, 404);
}

TEST_F(ServerTest, SealRequestTypesAreConfigurable) {
  ServerOptions options;
  options.sealListType = "SealUsers";
  options.sealPictureType = "SealImage";
  restart(options);
  addOwner(server_->store(), "wang", "pw", data_.write("w.gif", "GIF"), false);
  EXPECT_EQ(parseList(get("RequestType=SealUsers")->body).groups[0], (Strings{"wang"}));
  EXPECT_EQ(get("RequestType=SealImage&userName=wang&fileName=w.jia")->status, 200);
  EXPECT_EQ(get("RequestType=GetSealList")->status, 400);
  ServerOptions clash;
  clash.sealListType = "DOWN";
  EXPECT_THROW(restart(clash), std::invalid_argument);
}

TEST_F(ServerTest, NoOwnersAnswersNoData) {
  EXPECT_EQ(get("RequestType=GetSealList")->body, "");
}

TEST_F(ServerTest, ClientFileIsStoredAsSentUnderTheServerPath) {
  const std::string bytes("raw\0bytes, not a container", 26);
  auto res = post("RequestType=UPLOADFILE&CLIENT=c:\\my docs\\a&b.xls&SERVER=uploads/a.xls", bytes);
  ASSERT_EQ(res->status, 200);
  const auto stored = server_->store().clientFile("uploads/a.xls");
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->clientPath, "c:\\my docs\\a&b.xls");
  EXPECT_EQ(client_->Get("/clientfiles/uploads/a.xls")->body, bytes);
}

TEST_F(ServerTest, UnknownOrMissingRequestTypeIs400AndWrongMethodIs405) {
  EXPECT_EQ(get("RequestType=Nothing")->status, 400);
  EXPECT_EQ(get("requesttype=DOWN&filename=a.jia")->status, 400);
  EXPECT_EQ(get("")->status, 400);
  EXPECT_EQ(post("RequestType=Nothing", "x")->status, 400);
  EXPECT_EQ(get("RequestType=UPLOAD&path=a.jia")->status, 405);
  EXPECT_EQ(post("filetype=1&RequestType=DOWN&filename=a.jia", "x")->status, 405);
}

TEST_F(ServerTest, RestartKeepsDocumentsMarksOwnersAndClientFiles) {
  ASSERT_EQ(upload("a.jia", container("kept"), "张三§", "t§", "3§")->status, 200);
  addOwner(server_->store(), "张三", "pw", data_.write("z.png", "PNG"), false);
  ASSERT_EQ(post("RequestType=UPLOADFILE&CLIENT=c&SERVER=f.bin", "file")->status, 200);
  restart();
  EXPECT_EQ(down("a.jia")->body, container("kept"));
  EXPECT_EQ(lists("a.jia", "GetSignInfoData").groups[1], (Strings{"3"}));
  EXPECT_EQ(parseList(get("RequestType=GetSealList")->body).groups[0], (Strings{"张三"}));
  EXPECT_EQ(client_->Get("/clientfiles/f.bin")->body, "file");
}

}  // namespace
}  // namespace verolin::server::testing
