#include "server/backup.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "server/data_lock.h"
#include "server/sqlite.h"
#include "server/staged_body.h"

namespace verolin::server {
namespace {

namespace fs = std::filesystem;

// A bare connection: the backup needs two of them and SQLite's backup calls, which Database hides.
class Connection {
 public:
  Connection(const fs::path& file, int flags) {
    if (sqlite3_open_v2(file.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
      const std::string reason = db_ ? sqlite3_errmsg(db_) : "out of memory";
      sqlite3_close(db_);
      throw StoreError("cannot open the database " + file.string() + ": " + reason);
    }
    // A server's transaction holds the write lock for milliseconds.
    sqlite3_busy_timeout(db_, 10000);
  }
  ~Connection() { sqlite3_close(db_); }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  sqlite3* get() const { return db_; }
  void exec(const char* sql) const {
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) fail(sql);
  }
  [[noreturn]] void fail(const std::string& what) const {
    throw StoreError("backup: " + what + ": " + sqlite3_errmsg(db_));
  }

 private:
  sqlite3* db_ = nullptr;
};

// Removes a folder on every way out unless kept.
struct FolderGuard {
  fs::path path;
  bool keep = false;
  ~FolderGuard() {
    std::error_code ignored;
    if (!keep && !path.empty()) fs::remove_all(path, ignored);
  }
};

void copyDatabase(const Connection& from, const Connection& to) {
  sqlite3_backup* backup = sqlite3_backup_init(to.get(), "main", from.get(), "main");
  if (!backup) to.fail("cannot start the database copy");
  const int stepped = sqlite3_backup_step(backup, -1);
  const int finished = sqlite3_backup_finish(backup);
  if (stepped != SQLITE_DONE || finished != SQLITE_OK) to.fail("cannot copy the database");
}

std::uint64_t count(const Connection& db, const char* sql) {
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v2(db.get(), sql, -1, &s, nullptr) != SQLITE_OK) db.fail(sql);
  const std::uint64_t n =
      sqlite3_step(s) == SQLITE_ROW ? static_cast<std::uint64_t>(sqlite3_column_int64(s, 0)) : 0;
  sqlite3_finalize(s);
  return n;
}

std::vector<std::string> bodiesOf(const Connection& db) {
  const char* sql =
      "SELECT body FROM documents UNION SELECT body FROM owners UNION SELECT body FROM client_files";
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v2(db.get(), sql, -1, &s, nullptr) != SQLITE_OK) db.fail("cannot list the bodies");
  std::vector<std::string> bodies;
  while (sqlite3_step(s) == SQLITE_ROW) {
    bodies.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)),
                        static_cast<std::size_t>(sqlite3_column_bytes(s, 0)));
  }
  sqlite3_finalize(s);
  return bodies;
}

void checkTarget(const fs::path& from, const fs::path& to) {
  std::error_code error;
  if (fs::exists(to, error) && !(fs::is_directory(to, error) && fs::is_empty(to, error))) {
    throw StoreError(to.string() +
                     " already exists and is not an empty folder; a backup goes into a new one");
  }
  const fs::path source = fs::weakly_canonical(from, error);
  const fs::path target = fs::weakly_canonical(to, error);
  const auto mismatch = std::mismatch(source.begin(), source.end(), target.begin(), target.end());
  if (mismatch.first == source.end()) {
    throw StoreError("the backup folder " + to.string() + " lies inside the data folder " + from.string());
  }
}

void copyFile(const fs::path& from, const fs::path& to) {
  std::error_code error;
  fs::copy_file(from, to, error);
  if (error) throw StoreError("cannot copy " + from.string() + " to " + to.string() + ": " + error.message());
  const int fd = ::open(to.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 || ::fsync(fd) != 0) {
    const int e = errno;
    if (fd >= 0) ::close(fd);
    throw StoreError("cannot force " + to.string() + " to the disk: " + std::strerror(e));
  }
  ::close(fd);
}

std::string uniqueSuffix() {
  return std::to_string(::getpid()) + "-" + newBodyName().substr(0, 8);
}

}  // namespace

BackupReport backupStore(const fs::path& from, const fs::path& to) {
  std::error_code error;
  if (!fs::exists(from / "store.sqlite", error)) throw StoreError("no store in " + from.string());
  checkTarget(from, to);
  // A server that starts meanwhile then knows that someone else has the store open, and leaves the
  // links below alone.
  FileLock users(from / kStoreLockName);
  users.shared();

  const fs::path parent = to.has_parent_path() ? to.parent_path() : fs::path(".");
  FolderGuard partial{parent / ("." + to.filename().string() + ".partial-" + uniqueSuffix())};
  FolderGuard links{from / "staging" / ("backup-" + uniqueSuffix())};
  for (const fs::path& folder : {partial.path / "bodies", partial.path / "staging", links.path}) {
    fs::create_directories(folder, error);
    if (error) throw StoreError("cannot create " + folder.string() + ": " + error.message());
  }

  BackupReport report;
  std::vector<std::string> bodies;
  {
    Connection copy(partial.path / "store.sqlite", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    {
      // The write lock keeps every writer out from the database copy until the bodies are linked: a
      // body replaced in between would be removed before it could be copied. Bodies never change once
      // stored, so a link keeps this moment's bytes however long the copy below takes.
      Connection writeLock(from / "store.sqlite", SQLITE_OPEN_READWRITE);
      writeLock.exec("BEGIN IMMEDIATE");
      Connection source(from / "store.sqlite", SQLITE_OPEN_READONLY);
      copyDatabase(source, copy);
      bodies = bodiesOf(copy);
      for (const std::string& body : bodies) {
        const fs::path stored = from / "bodies" / body;
        if (::link(stored.c_str(), (links.path / body).c_str()) != 0) {
          throw StoreError("cannot link " + stored.string() + " for the backup: " + std::strerror(errno));
        }
      }
      writeLock.exec("ROLLBACK");
    }
    report.documents = count(copy, "SELECT COUNT(*) FROM documents");
    report.owners = count(copy, "SELECT COUNT(*) FROM owners");
    report.clientFiles = count(copy, "SELECT COUNT(*) FROM client_files");
  }
  for (const std::string& body : bodies) {
    copyFile(links.path / body, partial.path / "bodies" / body);
    report.files += 1;
    report.bytes += fs::file_size(links.path / body, error);
  }
  syncFolder(partial.path / "bodies");
  syncFolder(partial.path);
  if (fs::exists(to, error)) fs::remove(to, error);  // the empty folder the check allowed
  fs::rename(partial.path, to, error);
  if (error) throw StoreError("cannot move the backup into " + to.string() + ": " + error.message());
  partial.keep = true;
  syncFolder(parent);
  return report;
}

}  // namespace verolin::server
