// Advisory locks on files of the data folder. They are flock(2) locks, so the system drops them when
// the process ends, however it ends: a killed server never leaves its folder locked.
//
//   serving.lock  held exclusively by the one server of the folder (its process id is written in it)
//   store.lock    held shared by every process that has the store open (servers and administration
//                 commands); whoever gets it exclusively knows that no other process is writing
#pragma once

#include <filesystem>
#include <string>

#include "server/sqlite.h"

namespace verolin::server {

class FileLock {
 public:
  // Opens `file`, creating it when missing. Throws StoreError.
  explicit FileLock(const std::filesystem::path& file);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Takes the lock exclusively, or returns false at once when another holder has it. A held shared
  // lock is converted; when that fails, it may have been dropped (call shared() again).
  bool tryExclusive();
  // Takes the lock shared, waiting while another holder has it exclusively. Throws StoreError.
  void shared();

  // Replaces the file's contents (a note for whoever finds it locked).
  void write(const std::string& text) const;
  std::string read() const;

 private:
  std::filesystem::path file_;
  int fd_ = -1;
};

// Another server already serves the data folder.
class DataFolderBusy : public StoreError {
 public:
  using StoreError::StoreError;
};

// Held while a server serves `dataDir` (created when missing). Throws DataFolderBusy when another
// process holds it, StoreError when the folder cannot take the lock file.
class ServingLock {
 public:
  explicit ServingLock(const std::filesystem::path& dataDir);

 private:
  static std::filesystem::path fileIn(const std::filesystem::path& dataDir);
  FileLock lock_;
};

inline constexpr const char* kServingLockName = "serving.lock";
inline constexpr const char* kStoreLockName = "store.lock";

}  // namespace verolin::server
