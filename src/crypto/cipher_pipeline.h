// Moves a file body through the keystream with two threads: a worker reads and enciphers while the
// calling thread writes, so the reading half and the writing half of the work run on separate cores.
// From the caller's view it is one blocking call: the worker is joined before run() returns or throws,
// and progress is reported on the caller's thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "crypto/container_format.h"
#include "crypto/crypto.h"

namespace verolin::crypto {

class CipherPipeline {
 public:
  // 256 KiB per buffer keeps each piece in the second-level cache between being read, enciphered and
  // written; four of them let the reader run ahead of a writer stalled by the disk. Memory stays at
  // 1 MiB whatever the file size. A multiple of the keystream period, so that buffers start at phase 0.
  static constexpr std::size_t kBufferSize = std::size_t{1} << 18;
  static constexpr std::size_t kBuffers = 4;
  static_assert(kBufferSize % Keystream::kPeriod == 0);

  // Fills `buffer` up to `capacity` unless the input ends first; returns the bytes read, 0 at the end.
  using Reader = std::function<std::size_t(char* buffer, std::size_t capacity)>;
  // Writes all of `size` bytes or throws.
  using Writer = std::function<void(const char* data, std::size_t size)>;

  explicit CipherPipeline(const Keystream& keystream);
  CipherPipeline(const CipherPipeline&) = delete;
  CipherPipeline& operator=(const CipherPipeline&) = delete;

  // A buffer of kBufferSize bytes for the caller to read the first piece of the body into before
  // run(); callers look at it first (to recognise a container, say). Page-aligned, as are the others.
  char* firstBuffer() { return buffers_[0].get(); }

  // Enciphers and writes the `firstSize` bytes already in firstBuffer(), then the rest of `read`,
  // until it gives 0. The first error of either thread is rethrown here once the worker has stopped;
  // the other thread's work is abandoned.
  void run(std::size_t firstSize, const Reader& read, const Writer& write, std::uint64_t total,
           const Progress& progress) {
    run(0, firstSize, read, write, total, progress);
  }

  // The same, when firstBuffer() starts with `prefixSize` bytes to be written as they are (a header)
  // and the body's first `firstSize` bytes follow them. The first write is the prefix and its piece
  // together, kBufferSize bytes when the input is long enough, so that every later write starts at a
  // multiple of kBufferSize in the output: no write straddles a page it shares with the one before.
  // Progress counts body bytes only.
  void run(std::size_t prefixSize, std::size_t firstSize, const Reader& read, const Writer& write,
           std::uint64_t total, const Progress& progress);

 private:
  struct Shared;

  const Keystream& keystream_;
  struct FreeBuffer {
    void operator()(char* buffer) const;
  };

  std::array<std::unique_ptr<char[], FreeBuffer>, kBuffers> buffers_;
  std::array<std::size_t, kBuffers> sizes_{};
};

}  // namespace verolin::crypto
