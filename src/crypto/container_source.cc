#include "crypto/container_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "crypto/container_names.h"

namespace verolin::crypto {
namespace {

[[noreturn]] void accessFailed(const std::filesystem::path& path, int error) {
  const std::error_code code(error, std::generic_category());
  throw CipherError(CipherFault::kFileAccess, "cannot read " + path.string() + ": " + code.message(), code);
}

int openSource(const std::filesystem::path& path, std::uint64_t& size) {
  // Non-blocking, so that a named pipe is refused instead of waiting for a writer.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) accessFailed(path, errno);
  struct stat info {};
  const int error = ::fstat(fd, &info) != 0 ? errno
                    : S_ISDIR(info.st_mode) ? EISDIR
                    : S_ISREG(info.st_mode) ? 0
                                            : EINVAL;
  if (error != 0) {
    ::close(fd);
    accessFailed(path, error);
  }
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  size = static_cast<std::uint64_t>(info.st_size);
  return fd;
}

}  // namespace

ContainerSource::ContainerSource(const std::filesystem::path& source, std::string_view password)
    : path_(source), fd_(openSource(source, sourceSize_)), keystream_(FileKeys{}) {
  try {
    const FileKeys keys = deriveFileKeys(password);
    keystream_ = Keystream(keys);
    char leading[kMarker.size()] = {};
    const std::size_t got = static_cast<std::size_t>(std::min<std::uint64_t>(sourceSize_, sizeof leading));
    readSource(leading, got, 0);
    if (isContainer(std::string_view(leading, got))) {
      throw CipherError(CipherFault::kAlreadyContainer,
                        source.string() + " is already an encrypted container");
    }
    if (sourceSize_ == 0) throw CipherError(CipherFault::kEmptySource, source.string() + " is empty");
    header_ = buildHeader(keys, sourceExtension(source.filename().string()));
  } catch (...) {
    ::close(fd_);
    throw;
  }
}

ContainerSource::~ContainerSource() {
  ::close(fd_);
}

void ContainerSource::readSource(char* buffer, std::size_t size, std::uint64_t offset) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t got = ::pread(fd_, buffer + done, size - done, static_cast<off_t>(offset + done));
    if (got < 0) {
      if (errno == EINTR) continue;
      accessFailed(path_, errno);
    }
    if (got == 0) {
      throw CipherError(CipherFault::kFileAccess, path_.string() + " became shorter while it was being read",
                        std::make_error_code(std::errc::io_error));
    }
    done += static_cast<std::size_t>(got);
  }
}

std::size_t ContainerSource::read(char* buffer, std::size_t capacity) {
  std::size_t filled = 0;
  if (position_ < kHeaderSize) {
    filled = std::min(capacity, static_cast<std::size_t>(kHeaderSize - position_));
    std::copy_n(header_.data() + position_, filled, buffer);
    position_ += filled;
  }
  const std::uint64_t left = size() - position_;
  const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(capacity - filled, left));
  if (take == 0) return filled;
  const std::uint64_t offset = position_ - kHeaderSize;
  readSource(buffer + filled, take, offset);
  keystream_.apply(buffer + filled, take, offset);
  position_ += take;
  return filled + take;
}

}  // namespace verolin::crypto
