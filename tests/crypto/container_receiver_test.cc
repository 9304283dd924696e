// A container decrypted as it arrives: the same plain file as decrypting the stored container, however
// the bytes are cut, and nothing left behind when the bytes are no container or the password is wrong.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "crypto/container_format.h"
#include "crypto/container_receiver.h"
#include "crypto/crypto.h"
#include "crypto/temp_folder.h"

namespace verolin::crypto {
namespace {

using testing::sampleBytes;
using testing::TempFolder;

// Feeds `bytes` in pieces of the sizes given, cycling through them.
void feed(ContainerReceiver& receiver, const std::string& bytes, const std::vector<std::size_t>& pieces) {
  std::size_t position = 0;
  for (std::size_t i = 0; position < bytes.size(); ++i) {
    const std::size_t n = std::min(pieces[i % pieces.size()], bytes.size() - position);
    receiver.write(bytes.data() + position, n);
    position += n;
  }
}

CipherFault finishFault(ContainerReceiver& receiver) {
  try {
    receiver.finish();
  } catch (const CipherError& e) {
    return e.fault();
  }
  ADD_FAILURE() << "no CipherError";
  return CipherFault::kFileAccess;
}

TEST(ContainerReceiver, GivesTheStoredContainersPlainFileHoweverTheBytesAreCut) {
  constexpr std::size_t kBuffer = ContainerReceiver::kBufferSize;
  const std::vector<std::vector<std::size_t>> cuts = {
      {1}, {19, 2}, {20}, {21, 16384}, {kBuffer + kHeaderSize}, {kBuffer - 1, 3}, {16384}, {7, 100000}};
  for (const std::size_t size : {std::size_t{1}, kBuffer - 1, kBuffer, kBuffer + 1, 3 * kBuffer + 5}) {
    const std::string plain = sampleBytes(size, static_cast<unsigned>(size));
    const std::string container = encryptBytes(plain, "doc", kTransferPassword);
    for (const auto& cut : cuts) {
      if (cut == std::vector<std::size_t>{1} && size > kBuffer) continue;  // byte by byte: slow, no new case
      TempFolder folder;
      folder.write("a.doc", "an older document");
      ContainerReceiver receiver(folder.path(), "a.jia");
      feed(receiver, container, cut);
      receiver.finish();
      EXPECT_EQ(receiver.extension(), "doc");
      EXPECT_EQ(receiver.plainFileName(), "a.doc");
      EXPECT_EQ(receiver.commit(), folder / "a.doc");
      EXPECT_TRUE(TempFolder::read(folder / "a.doc") == plain) << size << " cut " << cut[0];
      EXPECT_EQ(folder.files(), (std::set<std::string>{"a.doc"}));
    }
  }
}

TEST(ContainerReceiver, RefusedBytesLeaveNothingBehind) {
  const std::string good = encryptBytes(sampleBytes(70000), "doc", kTransferPassword);
  std::string escaping = good.substr(0, kHeaderSize) + "body";
  escaping.replace(kExtensionFieldOffset, kExtensionFieldSize, "../x       ");
  struct Case {
    const char* what;
    std::string bytes;
    CipherFault fault;
  };
  const std::vector<Case> cases = {
      {"an error page", "<html>500 internal error</html>" + std::string(70000, 'x'),
       CipherFault::kNotContainer},
      {"nothing", "", CipherFault::kNotContainer},
      {"a cut header", good.substr(0, kHeaderSize - 1), CipherFault::kNotContainer},
      {"the header alone", good.substr(0, kHeaderSize), CipherFault::kNoBody},
      {"another password", encryptBytes("body", "doc", "other"), CipherFault::kWrongPassword},
      {"an escaping name", escaping, CipherFault::kBadExtension},
  };
  for (const Case& c : cases) {
    TempFolder folder;
    {
      ContainerReceiver receiver(folder.path(), "a.jia");
      feed(receiver, c.bytes, {5, 4096});
      EXPECT_EQ(finishFault(receiver), c.fault) << c.what;
    }
    EXPECT_TRUE(folder.files().empty()) << c.what;
  }
}

TEST(ContainerReceiver, WithoutCommitTheTemporaryFileGoes) {
  TempFolder folder;
  {
    ContainerReceiver receiver(folder.path(), "report.jia");
    feed(receiver, encryptBytes(sampleBytes(600000), "txt", kTransferPassword), {65536});
    receiver.finish();
    EXPECT_EQ(receiver.plainFileName(), "report.txt");
  }
  EXPECT_TRUE(folder.files().empty());
}

TEST(ContainerReceiver, AFolderThatCannotTakeTheFileIsAWriteFailure) {
  TempFolder folder;
  ContainerReceiver receiver(folder / "missing", "a.jia");
  feed(receiver, encryptBytes("body", "doc", kTransferPassword), {4096});
  EXPECT_EQ(finishFault(receiver), CipherFault::kWriteFailed);
  EXPECT_TRUE(folder.files().empty());
}

}  // namespace
}  // namespace verolin::crypto
