#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>

#include "platform/standin_system.h"

namespace verolin::platform::standin_system {

std::error_code writeNew(const std::filesystem::path& file, const std::uint8_t* data, std::size_t size) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return std::error_code(errno, std::generic_category());
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      // A write that takes nothing is a full disk.
      const int saved = n < 0 ? errno : ENOSPC;
      ::close(fd);
      ::unlink(file.c_str());
      return std::error_code(saved, std::generic_category());
    }
    done += static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0) {
    const int saved = errno;
    ::unlink(file.c_str());
    return std::error_code(saved, std::generic_category());
  }
  return {};
}

std::error_code replace(const std::filesystem::path& from, const std::filesystem::path& to) {
  return ::rename(from.c_str(), to.c_str()) != 0 ? std::error_code(errno, std::generic_category())
                                                 : std::error_code();
}

void removeQuietly(const std::filesystem::path& file) noexcept {
  ::unlink(file.c_str());
}

std::uint64_t processId() noexcept {
  return static_cast<std::uint64_t>(::getpid());
}

std::tm localTime(std::time_t t) noexcept {
  std::tm tm{};
  ::localtime_r(&t, &tm);
  return tm;
}

}  // namespace verolin::platform::standin_system
