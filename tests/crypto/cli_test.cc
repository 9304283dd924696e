// The encrypt and decrypt tools, run as a script would run them.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "crypto/temp_folder.h"

namespace verolin::crypto {
namespace {

using testing::TempFolder;

struct ToolRun {
  int status;
  std::string out;
};

// Runs the verolin program with `arguments`; standard error goes to `errFile`.
ToolRun runTool(const std::string& arguments, const std::filesystem::path& errFile) {
  const std::string command =
      std::string(std::getenv("VEROLIN_BINARY")) + " " + arguments + " 2>" + errFile.string();
  ToolRun run{-1, {}};
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) run.out += buffer;
  run.status = ::pclose(pipe);
  return run;
}

class CryptoTool : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* binary = std::getenv("VEROLIN_BINARY");
    if (binary == nullptr || !std::filesystem::exists(binary)) GTEST_SKIP() << "VEROLIN_BINARY not built";
  }
  TempFolder folder;
  TempFolder errors;
};

TEST_F(CryptoTool, EncryptThenDecryptPrintsOnlyThePaths) {
  const auto source = folder.write("memo.doc", testing::sampleBytes(100000));
  const ToolRun encrypted = runTool("encrypt " + source.string() + " --password s3cret", errors / "err");
  ASSERT_EQ(encrypted.status, 0);
  EXPECT_EQ(encrypted.out, (folder / "memo.jia").string() + "\n");
  EXPECT_EQ(TempFolder::read(errors / "err"), "");

  std::filesystem::rename(source, folder / "original");
  const ToolRun decrypted =
      runTool("decrypt " + (folder / "memo.jia").string() + " -p s3cret", errors / "err");
  ASSERT_EQ(decrypted.status, 0);
  EXPECT_EQ(decrypted.out, source.string() + "\n");
  EXPECT_TRUE(TempFolder::read(source) == TempFolder::read(folder / "original"));
}

TEST_F(CryptoTool, FailureExitsNonZeroWithAMessageAndWritesNothing) {
  folder.write("memo.jia", "not a container");
  const ToolRun run = runTool("decrypt " + (folder / "memo.jia").string(), errors / "err");
  EXPECT_NE(run.status, 0);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(TempFolder::read(errors / "err").find("not an encrypted container"), std::string::npos);
  EXPECT_EQ(folder.files(), std::set<std::string>{"memo.jia"});
}

TEST_F(CryptoTool, EncodePasswordUsesTheSealKeyByDefault) {
  EXPECT_EQ(runTool("encode-password 123456", errors / "err").out, "auL4vb\n");
}

}  // namespace
}  // namespace verolin::crypto
