#include "server/change_counter.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "server/sqlite.h"

namespace verolin::server {
namespace {

// The count is shared with other processes through the mapping, so its atomic operations must work
// on the memory itself, without a lock inside this process.
static_assert(std::atomic_ref<std::uint64_t>::is_always_lock_free);

[[noreturn]] void fail(const std::string& what, const std::filesystem::path& file, int error) {
  throw StoreError(what + " " + file.string() + ": " + std::strerror(error));
}

}  // namespace

ChangeCounter::ChangeCounter(const std::filesystem::path& file) {
  const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) fail("cannot open the change counter", file, errno);
  struct stat st {};
  // Two processes may create it at once: growing a file to the size it has already is harmless.
  if (::fstat(fd, &st) != 0 || (st.st_size < static_cast<off_t>(sizeof(std::uint64_t)) &&
                                ::ftruncate(fd, sizeof(std::uint64_t)) != 0)) {
    const int error = errno;
    ::close(fd);
    fail("cannot size the change counter", file, error);
  }
  void* mapped = ::mmap(nullptr, sizeof(std::uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  const int error = errno;
  ::close(fd);
  if (mapped == MAP_FAILED) fail("cannot map the change counter", file, error);
  counter_ = static_cast<std::uint64_t*>(mapped);
}

ChangeCounter::~ChangeCounter() {
  ::munmap(counter_, sizeof(std::uint64_t));
}

std::uint64_t ChangeCounter::value() const {
  return std::atomic_ref<std::uint64_t>(*counter_).load(std::memory_order_acquire);
}

void ChangeCounter::advance() {
  std::atomic_ref<std::uint64_t>(*counter_).fetch_add(1, std::memory_order_acq_rel);
}

}  // namespace verolin::server
