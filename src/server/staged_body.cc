#include "server/staged_body.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <random>
#include <utility>

#include "server/sqlite.h"

namespace verolin::server {
namespace {

[[noreturn]] void fail(const std::string& what, const std::filesystem::path& path, int error) {
  throw StoreError(what + " " + path.string() + ": " + std::strerror(error));
}

}  // namespace

std::string newBodyName() {
  static std::atomic<std::uint64_t> counter{0};
  thread_local std::mt19937_64 random{std::random_device{}() ^
                                      (static_cast<std::uint64_t>(::getpid()) << 32)};
  static constexpr char kHex[] = "0123456789abcdef";
  std::string name;
  for (std::uint64_t part : {random(), random() ^ counter.fetch_add(1)}) {
    for (int shift = 60; shift >= 0; shift -= 4) name += kHex[(part >> shift) & 0xF];
  }
  return name + ".body";
}

void syncFolder(const std::filesystem::path& folder) noexcept {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

StagedBody::StagedBody(std::filesystem::path stagingDir, std::filesystem::path bodiesDir)
    : bodiesDir_(std::move(bodiesDir)) {
  for (int attempt = 0; attempt < 8 && fd_ < 0; ++attempt) {
    staging_ = stagingDir / (newBodyName() + ".part");
    fd_ = ::open(staging_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd_ < 0 && errno != EEXIST) fail("cannot create", staging_, errno);
  }
  if (fd_ < 0) fail("cannot create", staging_, EEXIST);
}

StagedBody::StagedBody(StagedBody&& other) noexcept
    : staging_(std::move(other.staging_)),
      bodiesDir_(std::move(other.bodiesDir_)),
      fd_(std::exchange(other.fd_, -1)),
      size_(other.size_),
      placed_(std::exchange(other.placed_, true)) {}

StagedBody::~StagedBody() {
  closeFile();
  if (!placed_) {
    std::error_code ignored;
    std::filesystem::remove(staging_, ignored);
  }
}

void StagedBody::closeFile() noexcept {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void StagedBody::write(const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd_, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail("cannot write", staging_, errno);
    }
    data += n;
    size -= static_cast<std::size_t>(n);
    size_ += static_cast<std::uint64_t>(n);
  }
}

std::string StagedBody::place() {
  // The file may have been replaced by another writer since we opened it, so sync it by name.
  closeFile();
  const int fd = ::open(staging_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) fail("cannot open", staging_, errno);
  struct stat st {};
  if (::fsync(fd) != 0 || ::fstat(fd, &st) != 0) {
    const int error = errno;
    ::close(fd);
    fail("cannot force to disk", staging_, error);
  }
  ::close(fd);
  const std::string name = newBodyName();
  const std::filesystem::path target = bodiesDir_ / name;
  if (::rename(staging_.c_str(), target.c_str()) != 0) fail("cannot move into place", staging_, errno);
  placed_ = true;
  size_ = static_cast<std::uint64_t>(st.st_size);
  syncFolder(bodiesDir_);
  return name;
}

}  // namespace verolin::server
