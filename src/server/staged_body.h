// A body on its way into the store. It is written to a fresh file in the staging folder, then forced
// to the disk and renamed into the bodies folder under a name of its own; only after that does the
// store record it in the database. A body that never gets that far is removed, so a failed or broken
// write leaves the stored version as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace verolin::server {

class StagedBody {
 public:
  // Creates an empty staging file. Throws StoreError when the folder cannot take it.
  StagedBody(std::filesystem::path stagingDir, std::filesystem::path bodiesDir);
  // Removes the staging file unless place() succeeded.
  ~StagedBody();
  StagedBody(StagedBody&& other) noexcept;
  StagedBody(const StagedBody&) = delete;
  StagedBody& operator=(const StagedBody&) = delete;
  StagedBody& operator=(StagedBody&&) = delete;

  // Appends bytes. Throws StoreError (a full disk, an I/O error).
  void write(const char* data, std::size_t size);

  // Bytes written so far (after place(): the size of the placed file).
  std::uint64_t size() const { return size_; }

  // The staging file. A writer that makes whole files itself (the container cipher) may replace it
  // before place(); write() must not be used then.
  const std::filesystem::path& path() const { return staging_; }

  // Closes the file, forces it and its new folder entry to the disk, renames it into the bodies folder
  // and returns its file name there. From then on the caller owns the file. Throws StoreError; the
  // staging file is then still removed by the destructor.
  std::string place();

 private:
  void closeFile() noexcept;

  std::filesystem::path staging_;
  std::filesystem::path bodiesDir_;
  int fd_ = -1;
  std::uint64_t size_ = 0;
  bool placed_ = false;
};

// A new file name for a body, unique across processes sharing the data folder.
std::string newBodyName();

// Forces a folder's entries (a rename into it) to the disk. Failures are ignored: the data itself is
// already on the disk, only the name could be lost to a power failure.
void syncFolder(const std::filesystem::path& folder) noexcept;

}  // namespace verolin::server
