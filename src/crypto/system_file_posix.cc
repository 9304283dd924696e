#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "crypto/system_file.h"

namespace verolin::crypto::system_file {
namespace {

std::error_code lastError() {
  return std::error_code(errno, std::generic_category());
}

int fd(Handle file) {
  return static_cast<int>(file);
}

}  // namespace

Handle createNew(const std::filesystem::path& path, std::error_code& error) {
  const int created = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  error = created < 0 ? lastError() : std::error_code();
  return created < 0 ? kClosed : created;
}

std::error_code writeAll(Handle file, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd(file), data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return lastError();
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return {};
}

std::error_code flushToDisk(Handle file) {
  return ::fsync(fd(file)) != 0 ? lastError() : std::error_code();
}

std::error_code close(Handle file) {
  return ::close(fd(file)) != 0 ? lastError() : std::error_code();
}

std::error_code rename(const std::filesystem::path& from, const std::filesystem::path& to, bool replace) {
  const int renamed = replace ? ::rename(from.c_str(), to.c_str())
                              : ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
  return renamed != 0 ? lastError() : std::error_code();
}

void removeQuietly(const std::filesystem::path& path) noexcept {
  ::unlink(path.c_str());
}

Handle openForReading(const std::filesystem::path& path, std::uint64_t& size, std::error_code& error) {
  // Non-blocking, so that a named pipe given by mistake is refused instead of waiting for a writer;
  // reads of regular files do not heed the flag.
  const int opened = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (opened < 0) {
    error = lastError();
    return kClosed;
  }
  struct stat info {};
  const int fault = ::fstat(opened, &info) != 0 ? errno
                    : S_ISDIR(info.st_mode)     ? EISDIR
                    : S_ISREG(info.st_mode)     ? 0
                                                : EINVAL;
  if (fault != 0) {
    ::close(opened);
    error = std::error_code(fault, std::generic_category());
    return kClosed;
  }
  size = static_cast<std::uint64_t>(info.st_size);
  ::posix_fadvise(opened, 0, 0, POSIX_FADV_SEQUENTIAL);
  error.clear();
  return opened;
}

std::size_t readSome(Handle file, char* buffer, std::size_t capacity, std::error_code& error) {
  for (;;) {
    const ssize_t got = ::read(fd(file), buffer, capacity);
    if (got >= 0) {
      error.clear();
      return static_cast<std::size_t>(got);
    }
    if (errno != EINTR) {
      error = lastError();
      return 0;
    }
  }
}

std::size_t readAt(Handle file, char* buffer, std::size_t capacity, std::uint64_t offset,
                   std::error_code& error) {
  for (;;) {
    const ssize_t got = ::pread(fd(file), buffer, capacity, static_cast<off_t>(offset));
    if (got >= 0) {
      error.clear();
      return static_cast<std::size_t>(got);
    }
    if (errno != EINTR) {
      error = lastError();
      return 0;
    }
  }
}

std::uint64_t processId() noexcept {
  return static_cast<std::uint64_t>(::getpid());
}

}  // namespace verolin::crypto::system_file
