#include "crypto/atomic_file.h"

#include <atomic>
#include <cstdio>
#include <random>
#include <string>

#include "crypto/cipher_error.h"
#include "crypto/system_file.h"

namespace verolin::crypto {
namespace {

[[noreturn]] void writeFailed(const std::filesystem::path& path, const char* what, std::error_code code) {
  throw CipherError(CipherFault::kWriteFailed,
                    std::string(what) + " " + path.string() + ": " + code.message(), code);
}

// A name no other operation of this or another process picks: random bits plus a process-wide counter.
std::string uniqueSuffix() {
  static std::atomic<unsigned> counter{0};
  thread_local std::mt19937_64 bits{std::random_device{}() ^ system_file::processId() << 32};
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%012llx%04x",
                static_cast<unsigned long long>(bits() & 0xFFFFFFFFFFFFull), counter.fetch_add(1) & 0xFFFFu);
  return buffer;
}

}  // namespace

AtomicFile::AtomicFile(std::filesystem::path target) : target_(std::move(target)) {
  std::filesystem::path folder = target_.parent_path();
  if (folder.empty()) folder = ".";
  const std::string base = "." + target_.filename().string() + ".";
  const std::error_code exists = std::make_error_code(std::errc::file_exists);
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary_ = folder / (base + uniqueSuffix() + ".tmp");
    std::error_code error;
    file_ = system_file::createNew(temporary_, error);
    if (file_ != system_file::kClosed) return;
    if (error != std::errc::file_exists) writeFailed(target_, "cannot create a temporary file for", error);
  }
  writeFailed(target_, "cannot create a temporary file for", exists);
}

AtomicFile::~AtomicFile() {
  if (!committed_) discard();
}

void AtomicFile::discard() noexcept {
  if (file_ != system_file::kClosed) system_file::close(file_);
  file_ = system_file::kClosed;
  if (!temporary_.empty()) system_file::removeQuietly(temporary_);
  temporary_.clear();
}

void AtomicFile::write(const char* data, std::size_t size) {
  if (const std::error_code error = system_file::writeAll(file_, data, size)) {
    discard();
    writeFailed(target_, "cannot write", error);
  }
}

void AtomicFile::commit(bool syncToDisk, bool replace) {
  if (syncToDisk) {
    if (const std::error_code error = system_file::flushToDisk(file_)) {
      discard();
      writeFailed(target_, "cannot flush", error);
    }
  }
  const std::error_code closed = system_file::close(file_);
  file_ = system_file::kClosed;
  if (closed) {
    discard();
    writeFailed(target_, "cannot write", closed);
  }
  // Without `replace`, a target that appeared while the result was written is kept as well.
  if (const std::error_code error = system_file::rename(temporary_, target_, replace)) {
    discard();
    writeFailed(target_, error == std::errc::file_exists ? "will not replace" : "cannot replace", error);
  }
  committed_ = true;
}

}  // namespace verolin::crypto
