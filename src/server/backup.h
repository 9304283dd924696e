// A copy of a store taken while a server may be writing to it: the database through SQLite's online
// backup, and the bodies the copied database points at, both as of one moment.
#pragma once

#include <cstdint>
#include <filesystem>

namespace verolin::server {

struct BackupReport {
  std::uint64_t documents = 0;  // conflict copies and previous versions included
  std::uint64_t owners = 0;
  std::uint64_t clientFiles = 0;
  std::uint64_t files = 0;  // bodies copied
  std::uint64_t bytes = 0;  // their size
};

// Copies the store in `from` into `to`, which must not exist yet or be an empty folder, and which
// appears only once the copy is whole. Writers of `from` wait only while the database is copied and
// the bodies are linked aside (no byte is copied meanwhile). Throws StoreError.
BackupReport backupStore(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace verolin::server
