// Streaming file encryption and decryption: names, the temporary file, and nothing left on failure.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <functional>
#include <vector>

#include "crypto/container_format.h"
#include "crypto/crypto.h"
#include "crypto/temp_folder.h"

namespace verolin::crypto {
namespace {

using testing::sampleBytes;
using testing::TempFolder;

CipherFault faultOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const CipherError& e) {
    return e.fault();
  }
  ADD_FAILURE() << "no CipherError";
  return CipherFault::kFileAccess;
}

TEST(ContainerFile, RoundTripIsByteExactAcrossBufferBoundaries) {
  TempFolder folder;
  std::filesystem::create_directory(folder / "out");
  for (std::size_t size :
       {std::size_t{1}, std::size_t{513}, (std::size_t{1} << 20) + 3, std::size_t{3} << 20}) {
    const std::string plain = sampleBytes(size, static_cast<unsigned>(size));
    const auto source = folder.write("a.doc", plain);
    const WrittenFile container = encryptFile(source);
    EXPECT_EQ(container.path, folder / "a.jia");
    EXPECT_EQ(container.extension, "doc");
    const std::string bytes = TempFolder::read(container.path);
    ASSERT_EQ(bytes.size(), size + kHeaderSize);
    EXPECT_TRUE(bytes == encryptBytes(plain, "doc", kTransferPassword)) << "file and memory forms differ";

    const WrittenFile back = decryptFile(container.path, folder / "out");
    EXPECT_EQ(back.path, folder / "out" / "a.doc");
    EXPECT_TRUE(TempFolder::read(back.path) == plain) << size;
  }
  EXPECT_EQ(folder.files(), (std::set<std::string>{"a.doc", "a.jia", "out/a.doc"}));
}

// The header leaves with the first piece of the body so that later writes start on page boundaries;
// the bytes must come out as the in-memory form gives them at every size where the pieces change
// shape: around the marker and the header, a page, a buffer less the header, a buffer, and the four
// buffers the pipeline turns round.
TEST(ContainerFile, AlignedWritesAreByteExactAtEveryBoundary) {
  TempFolder folder;
  constexpr std::size_t kPage = 4096;
  constexpr std::size_t kBuffer = std::size_t{1} << 18;
  std::vector<std::size_t> sizes;
  for (const std::size_t edge :
       {kMarker.size(), kHeaderSize, kPage - kHeaderSize, kPage, kBuffer - kHeaderSize, kBuffer,
        2 * kBuffer - kHeaderSize, 4 * kBuffer - kHeaderSize, 5 * kBuffer}) {
    for (const std::size_t size : {edge - 1, edge, edge + 1}) sizes.push_back(size);
  }
  for (const std::size_t size : sizes) {
    const std::string plain = sampleBytes(size, static_cast<unsigned>(size) * 3 + 1);
    const auto source = folder.write("a.doc", plain);
    const WrittenFile container = encryptFile(source);
    const std::string bytes = TempFolder::read(container.path);
    ASSERT_EQ(bytes.size(), size + kHeaderSize) << size;
    EXPECT_TRUE(bytes == encryptBytes(plain, "doc", kTransferPassword)) << "differs at size " << size;
    EXPECT_TRUE(TempFolder::read(decryptFile(container.path, folder / "b.doc").path) == plain) << size;
  }
  EXPECT_EQ(folder.files(), (std::set<std::string>{"a.doc", "a.jia", "b.doc"}));
}

TEST(ContainerFile, NamesComeFromTheFirstDotOfTheFileNameOnly) {
  TempFolder folder;
  const auto source = folder.write("my.docs/a.b.doc", "report");
  const WrittenFile container = encryptFile(source, {}, "pw");
  EXPECT_EQ(container.path, folder / "my.docs" / "a.jia");
  EXPECT_EQ(container.extension, "b.doc");
  std::filesystem::remove(source);
  EXPECT_EQ(decryptFile(container.path, {}, "pw").path, source);

  const auto bare = folder.write("README", "text");
  const WrittenFile bareContainer = encryptFile(bare, {}, "pw");
  EXPECT_EQ(bareContainer.path, folder / "README.jia");
  std::filesystem::remove(bare);
  EXPECT_EQ(decryptFile(bareContainer.path, {}, "pw").path, bare);
  EXPECT_EQ(TempFolder::read(bare), "text");
}

TEST(ContainerFile, LongExtensionIsRestoredWithSixCharacters) {
  TempFolder folder;
  const WrittenFile container = encryptFile(folder.write("plan.longext", "x"));
  EXPECT_EQ(decryptFile(container.path).path, folder / "plan.longex");
}

TEST(ContainerFile, ExistingTargetsAreReplaced) {
  TempFolder folder;
  folder.write("a.jia", "stale container");
  const WrittenFile container = encryptFile(folder.write("a.doc", "new text"));
  folder.write("a.doc", "old text");
  decryptFile(container.path);
  EXPECT_EQ(TempFolder::read(folder / "a.doc"), "new text");
  EXPECT_EQ(folder.files(), (std::set<std::string>{"a.doc", "a.jia"}));
}

TEST(ContainerFile, WithoutReplaceAnExistingTargetIsKeptAndNothingWritten) {
  TempFolder folder;
  FileOptions keep;
  keep.replace = false;
  const auto source = folder.write("a.doc", "new text");
  folder.write("a.jia", "stale container");
  try {
    encryptFile(source, {}, kTransferPassword, keep);
    ADD_FAILURE() << "replaced a.jia";
  } catch (const CipherError& e) {
    EXPECT_EQ(e.fault(), CipherFault::kWriteFailed);
    EXPECT_EQ(e.code(), std::errc::file_exists);
  }
  EXPECT_EQ(TempFolder::read(folder / "a.jia"), "stale container");
  EXPECT_EQ(folder.files(), (std::set<std::string>{"a.doc", "a.jia"}));

  const WrittenFile container = encryptFile(source, folder / "b.jia", kTransferPassword, keep);
  EXPECT_EQ(faultOf([&] { decryptFile(container.path, folder / "a.doc", kTransferPassword, keep); }),
            CipherFault::kWriteFailed);
  EXPECT_EQ(TempFolder::read(source), "new text");
}

TEST(ContainerFile, FailuresWriteNothing) {
  TempFolder folder;
  const auto empty = folder.write("empty.doc", "");
  const auto locked = folder.write("locked.doc", std::string(kMarker) + "whatever");
  const auto headerOnly = folder.write("header.jia", encryptBytes("x", "doc", "pw").substr(0, kHeaderSize));
  const auto good = folder.write("good.jia", encryptBytes("body", "doc", "pw"));
  const auto notContainer = folder.write("page.jia", "<html>server error</html>");
  const auto escaping = folder.write("evil.jia", std::string(kMarker) + "pp\x01../../x  body");
  const auto before = folder.files();

  EXPECT_EQ(faultOf([&] { encryptFile(empty); }), CipherFault::kEmptySource);
  EXPECT_EQ(faultOf([&] { encryptFile(locked); }), CipherFault::kAlreadyContainer);
  EXPECT_EQ(faultOf([&] { encryptFile(notContainer); }), CipherFault::kSameFile);
  EXPECT_EQ(faultOf([&] { encryptFile(folder / "missing.doc"); }), CipherFault::kFileAccess);
  EXPECT_EQ(faultOf([&] { encryptFile(folder.write("fine.doc", "x"), folder / "no-such-folder" / "x.jia"); }),
            CipherFault::kWriteFailed);
  std::filesystem::remove(folder / "fine.doc");
  EXPECT_EQ(faultOf([&] { decryptFile(headerOnly, {}, "pw"); }), CipherFault::kNoBody);
  EXPECT_EQ(faultOf([&] { decryptFile(good, {}, "wrong!"); }), CipherFault::kWrongPassword);
  EXPECT_EQ(faultOf([&] { decryptFile(good, {}, "中"); }), CipherFault::kUnusablePassword);
  EXPECT_EQ(faultOf([&] { decryptFile(notContainer); }), CipherFault::kNotContainer);
  EXPECT_EQ(faultOf([&] { decryptFile(escaping, {}, "p"); }), CipherFault::kBadExtension);

  EXPECT_EQ(folder.files(), before);
  EXPECT_EQ(TempFolder::read(locked), std::string(kMarker) + "whatever");
}

// A write that fails in the middle of a large file (the file-size limit stands in for a full disk)
// leaves neither a partial result nor a temporary file.
TEST(ContainerFile, WriteFailureMidwayLeavesNothing) {
  TempFolder folder;
  const auto source = folder.write("big.doc", sampleBytes(3 << 20));
  const auto before = folder.files();
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 1 << 20;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const CipherFault fault = faultOf([&] { encryptFile(source); });
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(fault, CipherFault::kWriteFailed);
  EXPECT_EQ(folder.files(), before);
}

TEST(ContainerFile, ProgressReachesTheTotal) {
  TempFolder folder;
  std::uint64_t last = 0;
  std::uint64_t total = 0;
  FileOptions options;
  options.progress = [&](std::uint64_t done, std::uint64_t all) {
    EXPECT_GT(done, last);
    last = done;
    total = all;
  };
  encryptFile(folder.write("big.doc", sampleBytes(2500000)), {}, kTransferPassword, options);
  EXPECT_EQ(last, 2500000u);
  EXPECT_EQ(total, 2500000u);
}

}  // namespace
}  // namespace verolin::crypto
