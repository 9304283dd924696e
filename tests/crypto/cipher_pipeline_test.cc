// The two-thread body pipeline: order and keystream phase across uneven pieces, and how a failure on
// either side ends the run without a hang or a lost error.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "crypto/cipher_pipeline.h"
#include "crypto/container_format.h"
#include "crypto/temp_folder.h"

namespace verolin::crypto {
namespace {

using testing::sampleBytes;

const Keystream& transferKeystream() {
  static const Keystream keystream(deriveFileKeys(kTransferPassword));
  return keystream;
}

std::string enciphered(std::string bytes) {
  transferKeystream().apply(bytes.data(), bytes.size(), 0);
  return bytes;
}

// Gives `source` in pieces of uneven sizes (never more than asked), then 0; throws after
// `failAfter` pieces when that is set.
struct PieceReader {
  const std::string& source;
  std::size_t position = 0;
  int pieces = 0;
  int failAfter = -1;

  std::size_t operator()(char* buffer, std::size_t capacity) {
    if (pieces == failAfter) throw std::runtime_error("disk gone");
    ++pieces;
    const std::size_t want = std::min(capacity, std::size_t{1000} + std::size_t(pieces) * 7919 % 300000);
    const std::size_t size = std::min(want, source.size() - position);
    std::copy_n(source.data() + position, size, buffer);
    position += size;
    return size;
  }
};

std::size_t fillFirst(CipherPipeline& pipeline, const std::string& source, std::size_t size) {
  std::copy_n(source.data(), size, pipeline.firstBuffer());
  return size;
}

TEST(CipherPipeline, UnevenPiecesKeepOrderAndKeystreamPhase) {
  const std::string plain = sampleBytes(3'000'001, 7);
  CipherPipeline pipeline(transferKeystream());
  const std::size_t first = fillFirst(pipeline, plain, 777);
  const std::string rest = plain.substr(first);
  PieceReader reader{rest};
  std::string out;
  std::uint64_t reported = 0;
  pipeline.run(
      first, std::ref(reader), [&](const char* data, std::size_t size) { out.append(data, size); },
      plain.size(),
      [&](std::uint64_t done, std::uint64_t total) {
        EXPECT_EQ(done, out.size());
        EXPECT_EQ(total, plain.size());
        reported = done;
      });
  EXPECT_EQ(reported, plain.size());
  EXPECT_TRUE(out == enciphered(plain));
}

// With a header in front of the first piece, every write but the last is one whole buffer, so each
// starts at a multiple of the buffer size in the output; the header passes unenciphered and progress
// counts the body alone.
TEST(CipherPipeline, PrefixMakesEveryWriteStartOnABufferBoundary) {
  constexpr std::size_t kBuffer = CipherPipeline::kBufferSize;
  const std::string header = "HEADER-0123456789abc";
  for (const std::size_t size :
       {std::size_t{1}, kBuffer - header.size(), kBuffer - header.size() + 1, 5 * kBuffer + 17}) {
    const std::string plain = sampleBytes(size, 11);
    CipherPipeline pipeline(transferKeystream());
    std::copy(header.begin(), header.end(), pipeline.firstBuffer());
    const std::size_t first = std::min(size, kBuffer - header.size());
    std::copy_n(plain.data(), first, pipeline.firstBuffer() + header.size());
    const std::string rest = plain.substr(first);
    std::size_t position = 0;
    std::string out;
    std::vector<std::size_t> writes;
    std::uint64_t reported = 0;
    pipeline.run(
        header.size(), first,
        [&](char* buffer, std::size_t capacity) {
          const std::size_t n = std::min(capacity, rest.size() - position);
          std::copy_n(rest.data() + position, n, buffer);
          position += n;
          return n;
        },
        [&](const char* data, std::size_t n) {
          out.append(data, n);
          writes.push_back(n);
        },
        size, [&](std::uint64_t done, std::uint64_t) { reported = done; });
    EXPECT_TRUE(out == header + enciphered(plain)) << size;
    EXPECT_EQ(reported, size);
    for (std::size_t i = 0; i + 1 < writes.size(); ++i)
      EXPECT_EQ(writes[i], kBuffer) << size << " write " << i;
  }
}

TEST(CipherPipeline, EmptyFirstPieceWritesNothing) {
  CipherPipeline pipeline(transferKeystream());
  int calls = 0;
  pipeline.run(
      0, [&](char*, std::size_t) { return ++calls, std::size_t{0}; },
      [&](const char*, std::size_t) { ++calls; }, 0, {});
  EXPECT_EQ(calls, 0);
}

TEST(CipherPipeline, ReadErrorReachesTheCallerAfterTheGoodPieces) {
  const std::string plain = sampleBytes(2'000'000);
  CipherPipeline pipeline(transferKeystream());
  const std::size_t first = fillFirst(pipeline, plain, 4096);
  const std::string rest = plain.substr(first);
  PieceReader reader{rest};
  reader.failAfter = 3;
  std::string out;
  try {
    pipeline.run(first, std::ref(reader), [&](const char* data, std::size_t size) { out.append(data, size); },
                 plain.size(), {});
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "disk gone");
  }
  EXPECT_EQ(out.size(), first + reader.position);
  EXPECT_TRUE(out == enciphered(plain.substr(0, out.size())));
}

TEST(CipherPipeline, WriteOrProgressErrorStopsTheReader) {
  const std::string plain = sampleBytes(40 * CipherPipeline::kBufferSize);
  for (const bool inProgress : {false, true}) {
    CipherPipeline pipeline(transferKeystream());
    const std::size_t first = fillFirst(pipeline, plain, CipherPipeline::kBufferSize);
    const std::string rest = plain.substr(first);
    PieceReader reader{rest};
    int writes = 0;
    const auto write = [&](const char*, std::size_t) {
      if (!inProgress && ++writes == 2) throw std::runtime_error("disk full");
    };
    const auto progress = [&](std::uint64_t, std::uint64_t) {
      if (inProgress && ++writes == 2) throw std::runtime_error("cancelled");
    };
    EXPECT_THROW(pipeline.run(first, std::ref(reader), write, plain.size(), progress), std::runtime_error);
    // The reader never runs more than the buffers ahead of the writer, and stops once told.
    EXPECT_LE(reader.pieces, static_cast<int>(CipherPipeline::kBuffers) + 2);
  }
}

}  // namespace
}  // namespace verolin::crypto
