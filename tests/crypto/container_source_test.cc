// A container produced as it is sent: byte for byte the container encryptFile stores, however the
// reader cuts it, and the same refusals; a source that shrinks under it is an error, never a short body.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "crypto/container_format.h"
#include "crypto/container_source.h"
#include "crypto/crypto.h"
#include "crypto/temp_folder.h"

namespace verolin::crypto {
namespace {

using testing::sampleBytes;
using testing::TempFolder;

// Everything the source gives, taken in pieces of the sizes given, cycling through them.
std::string drain(ContainerSource& source, const std::vector<std::size_t>& pieces) {
  std::string out;
  for (std::size_t i = 0;; ++i) {
    std::string piece(pieces[i % pieces.size()], '\0');
    const std::size_t n = source.read(piece.data(), piece.size());
    if (n == 0) break;
    out.append(piece, 0, n);
  }
  return out;
}

CipherFault openFault(const std::filesystem::path& file) {
  try {
    ContainerSource source(file);
  } catch (const CipherError& e) {
    return e.fault();
  }
  ADD_FAILURE() << "no CipherError for " << file;
  return CipherFault::kWriteFailed;
}

TEST(ContainerSource, GivesTheStoredContainerAtEveryBoundaryAndPieceSize) {
  TempFolder folder;
  // Around the header, the keystream's period and the pipeline's buffers.
  const std::size_t sizes[] = {1,
                               5,
                               6,
                               7,
                               19,
                               20,
                               21,
                               511,
                               512,
                               513,
                               (1u << 18) - 20,
                               1u << 18,
                               (1u << 18) + 1,
                               3 * (1u << 18) + 12345};
  const std::vector<std::vector<std::size_t>> cuts = {{1}, {7, 13}, {20}, {21, 4096}, {1u << 18}, {1u << 20}};
  for (const std::size_t size : sizes) {
    const auto plain = folder.write("doc/a.doc", sampleBytes(size, static_cast<unsigned>(size)));
    const auto stored = encryptFile(plain, folder / "a.jia").path;
    const std::string expected = TempFolder::read(stored);
    ContainerSource source(plain);
    EXPECT_EQ(source.size(), expected.size());
    for (const auto& cut : cuts) {
      source.rewind();
      EXPECT_TRUE(drain(source, cut) == expected) << size << " bytes in pieces of " << cut.front();
    }
  }
}

TEST(ContainerSource, RefusesWhatEncryptFileRefuses) {
  TempFolder folder;
  EXPECT_EQ(openFault(folder.write("empty.doc", "")), CipherFault::kEmptySource);
  EXPECT_EQ(openFault(folder.write("c.doc", "LOCKED and more")), CipherFault::kAlreadyContainer);
  EXPECT_EQ(openFault(folder / "missing.doc"), CipherFault::kFileAccess);
  EXPECT_EQ(openFault(folder.path()), CipherFault::kFileAccess);
  EXPECT_EQ(openFault(folder.write("a.x:y", "text")), CipherFault::kBadExtension);
  EXPECT_EQ(folder.files(), (std::set<std::string>{"empty.doc", "c.doc", "a.x:y"}));  // nothing written
}

TEST(ContainerSource, SourceShorterThanAnnouncedFailsInsteadOfEndingEarly) {
  TempFolder folder;
  const auto plain = folder.write("a.doc", sampleBytes(100'000));
  ContainerSource source(plain);
  std::string piece(4096, '\0');
  EXPECT_EQ(source.read(piece.data(), piece.size()), piece.size());
  std::filesystem::resize_file(plain, 10'000);
  try {
    drain(source, {4096});
    ADD_FAILURE() << "the shortened source was taken as the end";
  } catch (const CipherError& e) {
    EXPECT_EQ(e.fault(), CipherFault::kFileAccess);
  }
  // Bytes added after opening are not part of the announced container.
  const auto grown = folder.write("b.doc", "short");
  ContainerSource fixed(grown);
  folder.write("b.doc", "short and then much longer");
  EXPECT_EQ(drain(fixed, {64}).size(), fixed.size());
  EXPECT_EQ(fixed.size(), kHeaderSize + 5);
}

}  // namespace
}  // namespace verolin::crypto
