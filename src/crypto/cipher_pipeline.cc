#include "crypto/cipher_pipeline.h"

#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <new>
#include <thread>

namespace verolin::crypto {

// Buffers are used round-robin: piece k lives in buffer k % kBuffers. The reader may fill a buffer
// only once the writer has finished with the piece kBuffers before it.
struct CipherPipeline::Shared {
  std::mutex mutex;
  std::condition_variable changed;
  std::uint64_t filled = 0;   // pieces read and enciphered
  std::uint64_t written = 0;  // pieces written
  bool ended = false;         // the reader has seen the end of the input or failed
  bool stop = false;          // the writer failed: the reader gives up
  std::exception_ptr readError;
};

namespace {
// Buffers start on a page, so that the kernel copies whole pages between them and the page cache.
constexpr std::size_t kPageSize = 4096;
static_assert(CipherPipeline::kBufferSize % kPageSize == 0);
}  // namespace

void CipherPipeline::FreeBuffer::operator()(char* buffer) const {
  ::operator delete[](buffer, std::align_val_t{kPageSize});
}

CipherPipeline::CipherPipeline(const Keystream& keystream) : keystream_(keystream) {
  for (auto& buffer : buffers_) {
    buffer.reset(static_cast<char*>(::operator new[](kBufferSize, std::align_val_t{kPageSize})));
  }
}

void CipherPipeline::run(std::size_t prefixSize, std::size_t firstSize, const Reader& read,
                         const Writer& write, std::uint64_t total, const Progress& progress) {
  if (firstSize == 0) return;
  keystream_.apply(buffers_[0].get() + prefixSize, firstSize, 0);
  sizes_[0] = prefixSize + firstSize;

  Shared shared;
  shared.filled = 1;
  const auto readAhead = [&] {
    std::uint64_t offset = firstSize;
    try {
      for (std::uint64_t piece = 1;; ++piece) {
        {
          std::unique_lock lock(shared.mutex);
          shared.changed.wait(lock, [&] { return shared.stop || piece - shared.written < kBuffers; });
          if (shared.stop) return;
        }
        char* buffer = buffers_[piece % kBuffers].get();
        const std::size_t size = read(buffer, kBufferSize);
        if (size == 0) break;
        keystream_.apply(buffer, size, offset);
        offset += size;
        sizes_[piece % kBuffers] = size;
        {
          const std::lock_guard lock(shared.mutex);
          shared.filled = piece + 1;
        }
        shared.changed.notify_all();
      }
    } catch (...) {
      const std::lock_guard lock(shared.mutex);
      shared.readError = std::current_exception();
    }
    {
      const std::lock_guard lock(shared.mutex);
      shared.ended = true;
    }
    shared.changed.notify_all();
  };

  std::thread reader(readAhead);
  // Joined on every way out, so the worker never outlives the buffers or the callbacks it uses.
  struct Join {
    std::thread& thread;
    Shared& shared;
    ~Join() {
      {
        const std::lock_guard lock(shared.mutex);
        shared.stop = true;
      }
      shared.changed.notify_all();
      thread.join();
    }
  } join{reader, shared};

  // Body bytes written: the prefix is not part of the body.
  std::uint64_t done = 0;
  std::size_t skip = prefixSize;
  for (std::uint64_t piece = 0;; ++piece) {
    {
      std::unique_lock lock(shared.mutex);
      shared.changed.wait(lock, [&] { return shared.filled > piece || shared.ended; });
      if (shared.filled <= piece) {
        if (shared.readError) std::rethrow_exception(shared.readError);
        return;
      }
    }
    const std::size_t size = sizes_[piece % kBuffers];
    write(buffers_[piece % kBuffers].get(), size);
    done += size - skip;
    skip = 0;
    {
      const std::lock_guard lock(shared.mutex);
      shared.written = piece + 1;
    }
    shared.changed.notify_all();
    if (progress) progress(done, total);
  }
}

}  // namespace verolin::crypto
