#include "server/body_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "server/sqlite.h"

namespace verolin::server {

std::shared_ptr<BodyReader> BodyReader::open(const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return nullptr;
    throw StoreError("cannot open " + path.string() + ": " + std::strerror(errno));
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    const int error = errno;
    ::close(fd);
    throw StoreError("cannot read " + path.string() + ": " + std::strerror(error));
  }
  return std::shared_ptr<BodyReader>(new BodyReader(fd, static_cast<std::uint64_t>(st.st_size), path));
}

BodyReader::~BodyReader() {
  ::close(fd_);
}

std::size_t BodyReader::read(char* out, std::size_t size, std::uint64_t offset) const {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pread(fd_, out + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      throw StoreError("cannot read " + path_.string() + ": " + std::strerror(errno));
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

std::string BodyReader::readAll() const {
  std::string bytes(size_, '\0');
  bytes.resize(read(bytes.data(), bytes.size(), 0));
  return bytes;
}

}  // namespace verolin::server
