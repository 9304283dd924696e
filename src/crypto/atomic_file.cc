#include "crypto/atomic_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <random>
#include <string>

#include "crypto/cipher_error.h"

namespace verolin::crypto {
namespace {

[[noreturn]] void writeFailed(const std::filesystem::path& path, const char* what, int error) {
  const std::error_code code(error, std::generic_category());
  throw CipherError(CipherFault::kWriteFailed,
                    std::string(what) + " " + path.string() + ": " + code.message(), code);
}

// A name no other operation of this or another process picks: random bits plus a process-wide counter.
std::string uniqueSuffix() {
  static std::atomic<unsigned> counter{0};
  thread_local std::mt19937_64 bits{std::random_device{}() ^ static_cast<std::uint64_t>(::getpid()) << 32};
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%012llx%04x",
                static_cast<unsigned long long>(bits() & 0xFFFFFFFFFFFFull), counter.fetch_add(1) & 0xFFFFu);
  return buffer;
}

// The most one write() hands the kernel. Larger writes make the page cache take the file in large
// folios, which on the virtual machines measured cost several times the system time to fill (1 GiB
// in 256 KiB writes: 1.4-1.6 s, in 32 KiB writes: 0.3 s). A multiple of the page size, so that writes
// that start on a page boundary go on starting on one.
constexpr std::size_t kWritePiece = 32 * 1024;

}  // namespace

AtomicFile::AtomicFile(std::filesystem::path target) : target_(std::move(target)) {
  std::filesystem::path folder = target_.parent_path();
  if (folder.empty()) folder = ".";
  const std::string base = "." + target_.filename().string() + ".";
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary_ = folder / (base + uniqueSuffix() + ".tmp");
    fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ >= 0) return;
    if (errno != EEXIST) writeFailed(target_, "cannot create a temporary file for", errno);
  }
  writeFailed(target_, "cannot create a temporary file for", EEXIST);
}

AtomicFile::~AtomicFile() {
  if (!committed_) discard();
}

void AtomicFile::discard() noexcept {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  temporary_.clear();
}

void AtomicFile::write(const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd_, data, std::min(size, kWritePiece));
    if (written < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      discard();
      writeFailed(target_, "cannot write", error);
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
}

void AtomicFile::commit(bool syncToDisk, bool replace) {
  if (syncToDisk && ::fsync(fd_) != 0) {
    const int error = errno;
    discard();
    writeFailed(target_, "cannot flush", error);
  }
  // close reports the write errors that some file systems defer until then.
  const int closed = ::close(fd_);
  fd_ = -1;
  if (closed != 0) {
    const int error = errno;
    discard();
    writeFailed(target_, "cannot write", error);
  }
  // Without `replace`, a target that appeared while the result was written is kept as well.
  const int renamed =
      replace ? ::rename(temporary_.c_str(), target_.c_str())
              : ::renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, target_.c_str(), RENAME_NOREPLACE);
  if (renamed != 0) {
    const int error = errno;
    discard();
    writeFailed(target_, error == EEXIST ? "will not replace" : "cannot replace", error);
  }
  committed_ = true;
}

}  // namespace verolin::crypto
