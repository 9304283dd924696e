// The cipher's files on the system's own calls: names beyond ASCII, the result renamed into place
// (or refused when it exists), and inputs that are no files.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "crypto/atomic_file.h"
#include "crypto/cipher_error.h"
#include "crypto/crypto.h"

namespace verolin::crypto {
namespace {

namespace fs = std::filesystem;

class CipherFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    folder = fs::path(temp) / (L"verolin 加密 " + std::to_wstring(::GetCurrentProcessId()));
    fs::create_directories(folder);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(folder, ignored);
  }
  void put(const fs::path& file, const std::string& bytes) { std::ofstream(file, std::ios::binary) << bytes; }
  static std::string contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::size_t entries() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), {}));
  }

  fs::path folder;
};

TEST_F(CipherFilesTest, EncryptsAndDecryptsFilesWithChineseNames) {
  const fs::path source = folder / L"公文 第1号.doc";
  std::string body;
  for (int i = 0; i < 300000; ++i) body += static_cast<char>(i * 7);
  put(source, body);
  const WrittenFile container = encryptFile(source);
  EXPECT_EQ(container.extension, "doc");
  EXPECT_TRUE(fs::exists(container.path));
  fs::remove(source);
  const WrittenFile plain = decryptFile(container.path);
  EXPECT_EQ(plain.path, source);
  EXPECT_TRUE(contents(source) == body) << "the decrypted file differs";
  EXPECT_EQ(entries(), 2u) << "no temporary file is left behind";
}

TEST_F(CipherFilesTest, ExistingResultIsReplacedOrRefusedAsAsked) {
  const fs::path source = folder / L"甲.txt";
  put(source, "new text");
  const fs::path container = encryptFile(source).path;
  put(source, "old text");
  FileOptions keep;
  keep.replace = false;
  try {
    decryptFile(container, {}, kTransferPassword, keep);
    FAIL() << "an existing result was replaced";
  } catch (const CipherError& e) {
    EXPECT_EQ(e.fault(), CipherFault::kWriteFailed);
    EXPECT_EQ(e.code(), std::errc::file_exists);
  }
  EXPECT_EQ(contents(source), "old text");
  FileOptions replace;
  replace.syncToDisk = true;
  decryptFile(container, {}, kTransferPassword, replace);
  EXPECT_EQ(contents(source), "new text");
  EXPECT_EQ(entries(), 2u);
}

TEST_F(CipherFilesTest, CommitWithoutReplaceKeepsATargetThatAppearedMeanwhile) {
  const fs::path target = folder / L"结果.bin";
  AtomicFile result(target);
  result.write("mine", 4);
  put(target, "theirs");
  try {
    result.commit(false, false);
    FAIL() << "the target that appeared was replaced";
  } catch (const CipherError& e) {
    EXPECT_EQ(e.code(), std::errc::file_exists);
  }
  EXPECT_EQ(contents(target), "theirs");
  EXPECT_EQ(entries(), 1u) << "the temporary file is gone";
}

TEST_F(CipherFilesTest, AFolderOrAMissingFileIsNoInput) {
  try {
    encryptFile(folder);
    FAIL() << "a folder was read";
  } catch (const CipherError& e) {
    EXPECT_EQ(e.fault(), CipherFault::kFileAccess);
    EXPECT_EQ(e.code(), std::errc::is_a_directory);
  }
  try {
    decryptFile(folder / L"不在.jia");
    FAIL() << "a missing file was read";
  } catch (const CipherError& e) {
    EXPECT_EQ(e.fault(), CipherFault::kFileAccess);
    EXPECT_EQ(e.code(), std::errc::no_such_file_or_directory);
    EXPECT_NE(std::string(e.what()).find("不在.jia"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace verolin::crypto
