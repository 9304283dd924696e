#include "server/sqlite.h"

#include <sqlite3.h>

namespace verolin::server {
namespace {

[[noreturn]] void fail(sqlite3* db, std::string_view what) {
  throw StoreError(std::string(what) + ": " + (db ? sqlite3_errmsg(db) : "out of memory"));
}

}  // namespace

Statement::Statement(sqlite3* db, std::string_view sql) : db_(db) {
  if (sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr) != SQLITE_OK) {
    fail(db, "database statement");
  }
}

Statement::Statement(sqlite3* db, sqlite3_stmt* borrowed, Database* cache)
    : db_(db), stmt_(borrowed), cache_(cache) {}

Statement::~Statement() {
  if (cache_) {
    reset();
    cache_->giveBack(stmt_);
  } else {
    sqlite3_finalize(stmt_);
  }
}

Statement& Statement::bind(int index, std::string_view text) {
  if (sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT) !=
      SQLITE_OK) {
    fail(db_, "database parameter");
  }
  return *this;
}

Statement& Statement::bind(int index, std::int64_t value) {
  if (sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK) fail(db_, "database parameter");
  return *this;
}

bool Statement::step() {
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  fail(db_, "database");
}

void Statement::run() {
  while (step()) {
  }
}

void Statement::reset() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

std::string Statement::text(int column) const {
  const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
  return p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column))) : std::string();
}

std::int64_t Statement::integer(int column) const {
  return sqlite3_column_int64(stmt_, column);
}

Database::Database(const std::filesystem::path& file) {
  if (sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                      nullptr) != SQLITE_OK) {
    std::string message = "cannot open the database " + file.string();
    if (db_) message += std::string(": ") + sqlite3_errmsg(db_);
    sqlite3_close(db_);
    throw StoreError(message);
  }
  // Another process (an administration command beside a running server) may hold the write lock briefly.
  sqlite3_busy_timeout(db_, 10000);
}

Database::~Database() {
  for (auto& [sql, cached] : cache_) sqlite3_finalize(cached.stmt);
  sqlite3_close(db_);
}

Statement Database::prepare(std::string_view sql) {
  constexpr std::size_t kMostCached = 64;
  std::lock_guard lock(cacheMutex_);
  auto it = cache_.find(std::string(sql));
  if (it == cache_.end()) {
    if (cache_.size() >= kMostCached) return Statement(db_, sql);
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v3(db_, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, &stmt,
                           nullptr) != SQLITE_OK) {
      sqlite3_finalize(stmt);
      fail(db_, "database statement");
    }
    it = cache_.emplace(std::string(sql), Cached{stmt, false}).first;
    lent_[stmt] = &it->second;
  }
  if (it->second.inUse) return Statement(db_, sql);
  it->second.inUse = true;
  return Statement(db_, it->second.stmt, this);
}

void Database::giveBack(sqlite3_stmt* stmt) {
  std::lock_guard lock(cacheMutex_);
  if (auto it = lent_.find(stmt); it != lent_.end()) it->second->inUse = false;
}

void Database::exec(std::string_view sql) {
  char* error = nullptr;
  if (sqlite3_exec(db_, std::string(sql).c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    std::string message = std::string("database: ") + (error ? error : "failed");
    sqlite3_free(error);
    throw StoreError(message);
  }
}

int Database::changes() const {
  return sqlite3_changes(db_);
}

Transaction::Transaction(Database& db) : db_(db) {
  db_.prepare("BEGIN IMMEDIATE").run();
}

Transaction::~Transaction() {
  if (!done_) {
    try {
      db_.prepare("ROLLBACK").run();
    } catch (const StoreError&) {
      // Nothing more to undo: SQLite has already rolled back after the failure that brought us here.
    }
  }
}

void Transaction::commit() {
  db_.prepare("COMMIT").run();
  done_ = true;
}

}  // namespace verolin::server
