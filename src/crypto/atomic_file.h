// A result file that appears whole or not at all: written to a unique temporary file in the target's
// own folder, then renamed over the target. Two operations never share a scratch file, and no other
// folder is written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace verolin::crypto {

class AtomicFile {
 public:
  // Creates the temporary file beside `target`. Throws CipherError(kWriteFailed) when the folder
  // cannot take it.
  explicit AtomicFile(std::filesystem::path target);
  // Removes the temporary file unless commit() succeeded.
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Appends bytes. Throws CipherError(kWriteFailed) (a full disk, an I/O error).
  void write(const char* data, std::size_t size);

  // Closes the temporary file (forcing it to the disk first when `syncToDisk`) and renames it over the
  // target, which is replaced when it exists and `replace` is set. Throws CipherError(kWriteFailed; an
  // existing target kept because `replace` is off has the code file_exists); the target is then
  // untouched and the temporary file gone.
  void commit(bool syncToDisk, bool replace = true);

  const std::filesystem::path& temporaryPath() const { return temporary_; }

 private:
  void discard() noexcept;

  std::filesystem::path target_;
  std::filesystem::path temporary_;
  std::intptr_t file_ = -1;  // a system_file::Handle
  bool committed_ = false;
};

}  // namespace verolin::crypto
