// Client file upload and network picture.
#include <gtest/gtest.h>

#include "transfer/transfer.h"
#include "transfer/transfer_fixture.h"

namespace verolin::transfer {
namespace {

using testing::TransferTest;

TEST_F(TransferTest, ClientFileIsPostedInClearWithBothPaths) {
  std::string bytes = "PK\x03\x04";
  bytes += std::string(1000, '\0') + "LOCKED";
  files().createDir("c:\\up");
  writeFile("c:\\up\\a b.zip", bytes);
  server_.answer("UPLOADFILE", "whatever the page says");

  const auto result = UploadClientFileToServer(control(), "c:\\up\\a b.zip", "files/a.zip");

  EXPECT_EQ(result.toString(), "files/a.zip");
  auto requests = server_.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].target,
            "/page.asp?RequestType=UPLOADFILE&CLIENT=c:\\up\\a%20b.zip&SERVER=files/a.zip");
  EXPECT_EQ(requests[0].body, bytes);
  EXPECT_EQ(control().cmdMsg.caption, "上传文件完毕!");
  EXPECT_FALSE(control().cmdMsg.visible);
}

TEST_F(TransferTest, MissingClientFileSendsNothing) {
  EXPECT_EQ(UploadClientFileToServer(control(), "c:\\nothing.txt", "x").toString(), "");
  EXPECT_TRUE(server_.requests().empty());
  EXPECT_TRUE(messages().empty());
}

TEST_F(TransferTest, ClientUploadRefusedByThePageGivesEmpty) {
  writeFile("c:\\a.txt", "text");
  server_.answer("UPLOADFILE", "", 403);
  EXPECT_EQ(UploadClientFileToServer(control(), "c:\\a.txt", "x").toString(), "");
}

TEST_F(TransferTest, NetPictureIsSavedUnderStampAndUrlEnding) {
  server_.answer("/pics/p.gif", "GIF89a...");
  EXPECT_EQ(FetchNetPicture(control(), server_.base() + "/pics/p.gif"), "c:\\temp\\200635927.gif");
  EXPECT_EQ(readFile("c:\\temp\\200635927.gif"), "GIF89a...");
}

TEST_F(TransferTest, NetPictureIsDeletedAfterInsertion) {
  server_.answer("/pics/p.jpg", "JFIF");
  EXPECT_TRUE(GetNetPicture(control(), server_.base() + "/pics/p.jpg"));
  EXPECT_TRUE(tempFiles().empty());
  EXPECT_TRUE(messages().empty());
}

TEST_F(TransferTest, UnfetchablePicturesShowTheErrorAndStillAnswerTrue) {
  EXPECT_TRUE(GetNetPicture(control(), "a.b"));  // too short to be a URL
  server_.answer("/pics/p.jpg", "", 404);
  EXPECT_TRUE(GetNetPicture(control(), server_.base() + "/pics/p.jpg"));
  // The URL's ending would name a folder: refused before anything is written.
  server_.answer("/x", "data");
  EXPECT_EQ(FetchNetPicture(control(), server_.base() + "/x?..\\"), "");
  ASSERT_EQ(messages().size(), 2u);
  EXPECT_NE(messages()[0].find("信息|64|The URL is invalid"), std::string::npos);
  EXPECT_EQ(messages()[1], "信息|64|Bad file name or number");
  EXPECT_TRUE(tempFiles().empty());
}

TEST_F(TransferTest, InsertPictureRefusesMissingAndEmptyNames) {
  InsertPicture(control(), "");
  InsertPicture(control(), "c:\\temp\\none.jpg");
  writeFile("c:\\temp\\p.jpg", "JFIF");
  InsertPicture(control(), "c:\\temp\\p.jpg");  // no word processor: nothing happens
  EXPECT_EQ(messages(), std::vector<std::string>(2, "信息|64|找不到指定插入的图片."));
}

}  // namespace
}  // namespace verolin::transfer
