// Client file upload and network picture.
#include <gtest/gtest.h>

#include "transfer/transfer.h"
#include "transfer/transfer_fixture.h"

namespace verolin::transfer {
namespace {

using testing::TransferTest;

TEST_F(TransferTest, ClientFileIsPostedInClearWithBothPaths) {
  const std::string bytes = std::string("PK\x03\x04\0\0", 6) + "LOCKED" + std::string(100000, '\xEE');
  writeFile("c:\\a b.zip", bytes);
  server_.answer("UPLOADFILE", "whatever the page says");

  EXPECT_EQ(UploadClientFileToServer(control(), "c:\\a b.zip", "files/a.zip").toString(), "files/a.zip");

  const auto requests = server_.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].target, "/page.asp?RequestType=UPLOADFILE&CLIENT=c:\\a%20b.zip&SERVER=files/a.zip");
  EXPECT_EQ(requests[0].body, bytes);
  EXPECT_EQ(control().cmdMsg.caption, "上传文件完毕!");
  EXPECT_EQ(UploadClientFileToServer(control(), "c:\\nothing.txt", "x").toString(), "");
  EXPECT_EQ(server_.requests().size(), 1u);
  EXPECT_TRUE(messages().empty());
}

TEST_F(TransferTest, NetPictureIsSavedUnderStampAndUrlEndingThenDeleted) {
  server_.answer("/pics/p.gif", "GIF89a...");
  EXPECT_EQ(FetchNetPicture(control(), server_.base() + "/pics/p.gif"), "c:\\temp\\200635927.gif");
  EXPECT_EQ(readFile("c:\\temp\\200635927.gif"), "GIF89a...");
  EXPECT_TRUE(GetNetPicture(control(), server_.base() + "/pics/p.gif"));
  EXPECT_TRUE(tempFiles().empty());
  EXPECT_TRUE(messages().empty());
}

TEST_F(TransferTest, UnfetchablePicturesShowTheErrorAndStillAnswerTrue) {
  EXPECT_TRUE(GetNetPicture(control(), "a.b"));  // too short to be a URL
  server_.answer("/pics/p.jpg", "", 404);
  EXPECT_TRUE(GetNetPicture(control(), server_.base() + "/pics/p.jpg"));
  server_.answer("/x", "data");
  EXPECT_EQ(FetchNetPicture(control(), server_.base() + "/x?..\\"), "");  // the ending would name a folder
  ASSERT_EQ(messages().size(), 2u);
  EXPECT_EQ(messages()[0].rfind("信息|64|The URL is invalid", 0), 0u);
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
