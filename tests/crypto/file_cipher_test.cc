// The control's container routines on Windows-style paths, with the stand-in host and file layer.
#include "crypto/file_cipher.h"

#include <gtest/gtest.h>

#include "automation/error.h"
#include "crypto/crypto.h"
#include "crypto/temp_folder.h"
#include "platform/standin.h"

namespace verolin::crypto {
namespace {

using automation::AutomationError;
using Messages = std::vector<std::string>;

class FileCipher : public ::testing::Test {
 protected:
  FileCipher() : stand(folder.path()) { stand.files.createDir("c:\\temp"); }

  void put(const std::string& path, const std::string& bytes) {
    stand.files.write(path, automation::Bytes(bytes.begin(), bytes.end()));
  }
  std::string get(const std::string& path) {
    const automation::Bytes bytes = stand.files.read(path);
    return {bytes.begin(), bytes.end()};
  }
  platform::Platform platform() { return stand.platform(); }

  testing::TempFolder folder;
  platform::StandInPlatform stand;
  CipherState state;
};

int errorNumberOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const AutomationError& e) {
    return e.number();
  }
  return 0;
}

TEST_F(FileCipher, TransferRoundTripReportsTheWrittenPaths) {
  put("c:\\temp\\a.doc", "word document bytes");
  EXPECT_EQ(EncryptForTransfer(state, platform(), "c:\\temp\\a.doc"), "c:\\temp\\a.jia");
  EXPECT_EQ(stand.files.size("c:\\temp\\a.jia"), 19u + 20u);
  stand.files.remove("c:\\temp\\a.doc");

  EXPECT_TRUE(DecryptTransferred(state, platform(), "c:\\temp\\a.jia"));
  EXPECT_EQ(state.plainFile, "c:\\temp\\a.doc");
  EXPECT_EQ(get("c:\\temp\\a.doc"), "word document bytes");
  EXPECT_TRUE(stand.host.messages.empty());
  EXPECT_EQ(EncryptForTransfer(state, platform(), "c:\\temp\\missing.doc"), "");
}

TEST_F(FileCipher, SealPictureWithWrongPasswordIsRefusedWithAMessage) {
  put("c:\\temp\\seal.jia", encryptBytes("GIF89a picture", "gif", "owner-pw"));
  EXPECT_EQ(DecryptWithPassword(state, platform(), "c:\\temp\\seal.jia", "guess"), "");
  EXPECT_EQ(stand.host.messages, Messages{"注意|48|输入密码有误，请重新输入！"});
  EXPECT_FALSE(stand.files.fileExists("c:\\temp\\seal.gif"));
  EXPECT_EQ(DecryptWithPassword(state, platform(), "c:\\temp\\seal.jia", "owner-pw"), "c:\\temp\\seal.gif");
}

TEST_F(FileCipher, ServerErrorPagesAndEscapingExtensionsFailSilently) {
  put("c:\\temp\\a.jia", "<html>500</html>");
  put("c:\\temp\\b.jia", "LOCKEDpp\x01..\\..\\x    body");
  EXPECT_EQ(DecryptWithPassword(state, platform(), "c:\\temp\\a.jia", "p"), "");
  EXPECT_EQ(DecryptWithPassword(state, platform(), "c:\\temp\\b.jia", "p"), "");
  EXPECT_FALSE(DecryptTransferred(state, platform(), "c:\\temp\\missing.jia"));
  EXPECT_TRUE(stand.host.messages.empty());
  EXPECT_EQ(folder.files().count("c/x"), 0u);
}

TEST_F(FileCipher, UserMistakesGetTheirMessages) {
  EXPECT_EQ(EncryptFile(state, platform()), "");
  EXPECT_FALSE(DecryptFile(state, platform()));
  put("c:\\temp\\a.jia", encryptBytes("x", "doc", "hmtrwd"));
  state.cipherFile = "c:\\temp\\a.jia";
  state.cipherPassword = "hmtrwd";
  EXPECT_EQ(EncryptFile(state, platform()), "");
  EXPECT_TRUE(state.isLocked);
  EXPECT_EQ(stand.host.messages, (Messages{"注意|32|请先选择需加密文件！", "注意|32|请先选择需解密文件！",
                                           "注意|48|此文件已经被加密过，不能重复加密！"}));
}

TEST_F(FileCipher, RunTimeErrorsReachTheCaller) {
  put("c:\\temp\\empty.doc", "");
  put("c:\\temp\\header.jia", encryptBytes("x", "doc", "hmtrwd").substr(0, 20));
  EXPECT_EQ(errorNumberOf([&] { EncryptForTransfer(state, platform(), "c:\\temp\\empty.doc"); }), 9);
  EXPECT_EQ(errorNumberOf([&] { DecryptTransferred(state, platform(), "c:\\temp\\header.jia"); }), 9);
  EXPECT_EQ(errorNumberOf([&] { DecryptWithPassword(state, platform(), "c:\\temp\\header.jia", "印章"); }),
            6);
  EXPECT_FALSE(stand.files.fileExists("c:\\temp\\empty.jia"));
  EXPECT_FALSE(stand.files.fileExists("c:\\temp\\header.doc"));
}

TEST_F(FileCipher, TargetHeldByTheWordProcessorIsNotReplaced) {
  put("c:\\temp\\a.jia", encryptBytes("new", "doc", "hmtrwd"));
  put("c:\\temp\\a.doc", "open in word");
  stand.files.lock("c:\\temp\\a.doc");
  EXPECT_FALSE(DecryptTransferred(state, platform(), "c:\\temp\\a.jia"));
  EXPECT_EQ(stand.host.messages, Messages{"注意|48|未知名的错误，程序终止！"});
  stand.files.unlock("c:\\temp\\a.doc");
  EXPECT_EQ(get("c:\\temp\\a.doc"), "open in word");
}

// A drive that reports "not ready" a given number of times, then works.
class FlakyDrive : public platform::FileSystemWrapper {
 public:
  using FileSystemWrapper::FileSystemWrapper;
  std::unique_ptr<std::istream> openRead(std::string_view path) override {
    if (failures > 0) {
      --failures;
      throw automation::errorOf(failure);
    }
    return FileSystemWrapper::openRead(path);
  }
  int failures = 0;
  std::int32_t failure = automation::err::kDiskNotReady;
};

TEST_F(FileCipher, FileAccessCheckFollowsTheErrorTable) {
  put("c:\\temp\\a.doc", "x");
  FlakyDrive drive(stand.files);
  platform::Platform flaky = platform();
  flaky.files = &drive;
  state.cipherFile = "c:\\temp\\a.doc";

  drive.failures = 2;
  CheckFileAccess(state, flaky);
  EXPECT_TRUE(state.fileReady);
  EXPECT_EQ(stand.host.messages, (Messages{"注意|48|驱动器未准备好！", "注意|48|驱动器未准备好！"}));

  stand.host.messages.clear();
  drive.failures = 1;
  drive.failure = automation::err::kDeviceUnavailable;
  CheckFileAccess(state, flaky);
  EXPECT_FALSE(state.fileReady);
  stand.files.lock("c:\\temp\\a.doc");
  CheckFileAccess(state, flaky);
  state.cipherFile = "c:\\temp\\missing.doc";
  CheckFileAccess(state, flaky);
  EXPECT_EQ(stand.host.messages, (Messages{"注意|48|指定驱动器或路径不存在！", "|0|Permission denied",
                                           "注意|48|未知名的错误，程序终止！"}));
}

}  // namespace
}  // namespace verolin::crypto
