#include "server/data_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace verolin::server {
namespace {

[[noreturn]] void fail(const std::string& what, const std::filesystem::path& file, int error) {
  throw StoreError(what + " " + file.string() + ": " + std::strerror(error));
}

}  // namespace

FileLock::FileLock(const std::filesystem::path& file) : file_(file) {
  fd_ = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ < 0) fail("cannot open the lock file", file, errno);
}

FileLock::~FileLock() {
  if (fd_ >= 0) ::close(fd_);
}

bool FileLock::tryExclusive() {
  for (;;) {
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno != EINTR) return false;
  }
}

void FileLock::shared() {
  for (;;) {
    if (::flock(fd_, LOCK_SH) == 0) return;
    if (errno != EINTR) fail("cannot lock", file_, errno);
  }
}

void FileLock::write(const std::string& text) const {
  if (::ftruncate(fd_, 0) != 0 || ::pwrite(fd_, text.data(), text.size(), 0) < 0) {
    fail("cannot write", file_, errno);
  }
}

std::string FileLock::read() const {
  char buffer[64];
  const ssize_t n = ::pread(fd_, buffer, sizeof buffer, 0);
  return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

std::filesystem::path ServingLock::fileIn(const std::filesystem::path& dataDir) {
  std::error_code error;
  std::filesystem::create_directories(dataDir, error);
  if (error) throw StoreError("cannot create " + dataDir.string() + ": " + error.message());
  return dataDir / kServingLockName;
}

ServingLock::ServingLock(const std::filesystem::path& dataDir) : lock_(fileIn(dataDir)) {
  if (!lock_.tryExclusive()) {
    std::string holder = lock_.read();
    while (!holder.empty() && (holder.back() == '\n' || holder.back() == ' ')) holder.pop_back();
    throw DataFolderBusy("another server" + (holder.empty() ? std::string() : " (process " + holder + ")") +
                         " is already serving the data folder " +
                         std::filesystem::absolute(dataDir).string() +
                         "; two servers on one folder would overwrite each other's uploads");
  }
  lock_.write(std::to_string(::getpid()) + "\n");
}

}  // namespace verolin::server
