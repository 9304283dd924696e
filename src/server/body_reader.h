// Read access to one stored body. The file is held open, so a newer version that replaces it while an
// answer is still being sent does not cut the answer short.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace verolin::server {

class BodyReader {
 public:
  // Opens `path`; nullptr when it does not exist (a concurrent replacement removed it). Throws
  // StoreError for any other failure.
  static std::shared_ptr<BodyReader> open(const std::filesystem::path& path);
  ~BodyReader();
  BodyReader(const BodyReader&) = delete;
  BodyReader& operator=(const BodyReader&) = delete;

  std::uint64_t size() const { return size_; }
  // The open file, for sending it without reading it here; it stays this reader's.
  int fd() const { return fd_; }
  // Reads up to `size` bytes at `offset`; returns how many. Throws StoreError.
  std::size_t read(char* out, std::size_t size, std::uint64_t offset) const;
  // The whole body (for small ones: seal pictures, tests).
  std::string readAll() const;

 private:
  BodyReader(int fd, std::uint64_t size, std::filesystem::path path)
      : fd_(fd), size_(size), path_(std::move(path)) {}

  int fd_;
  std::uint64_t size_;
  std::filesystem::path path_;
};

}  // namespace verolin::server
