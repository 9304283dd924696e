// A thin owner of an SQLite connection and its statements: the store's only door to the database.
#pragma once

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

namespace verolin::server {

// Any failure of the database: the message names the statement's purpose and SQLite's own text.
class StoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Database;

class Statement {
 public:
  Statement(sqlite3* db, std::string_view sql);
  // Borrows a statement of `cache`'s, which gets it back, reset, when this one ends.
  Statement(sqlite3* db, sqlite3_stmt* borrowed, Database* cache);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  // Parameters are numbered from 1, as in SQL.
  Statement& bind(int index, std::string_view text);
  Statement& bind(int index, std::int64_t value);

  // Advances; true when a row is ready. Throws StoreError.
  bool step();
  // Steps to the end (statements without rows).
  void run();
  // Makes the statement ready to run again with new parameters.
  void reset();

  // Columns are numbered from 0.
  std::string text(int column) const;
  std::int64_t integer(int column) const;

 private:
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
  Database* cache_ = nullptr;
};

class Database {
 public:
  // Opens or creates the file. Throws StoreError.
  explicit Database(const std::filesystem::path& file);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  void exec(std::string_view sql);
  // A statement compiled once per connection and reused: a request's few lookups would otherwise
  // spend most of their time compiling SQL. A statement still in use is compiled afresh.
  Statement prepare(std::string_view sql);
  // Rows changed by the last statement.
  int changes() const;

 private:
  friend class Statement;
  struct Cached {
    sqlite3_stmt* stmt = nullptr;
    bool inUse = false;
  };
  void giveBack(sqlite3_stmt* stmt);

  sqlite3* db_ = nullptr;
  std::mutex cacheMutex_;
  // Bounded: texts built with varying parts would otherwise pile up.
  std::unordered_map<std::string, Cached> cache_;
  std::unordered_map<sqlite3_stmt*, Cached*> lent_;
};

// BEGIN IMMEDIATE on construction; rolled back by the destructor unless committed, so that an
// exception anywhere in between leaves the database as it was.
class Transaction {
 public:
  explicit Transaction(Database& db);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  void commit();

 private:
  Database& db_;
  bool done_ = false;
};

}  // namespace verolin::server
