// The audit trail's rows in the store, and the texts `verolin audit` shows them in.
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>

#include "server/session.h"
#include "server/store.h"

namespace verolin::server {
namespace {

// How long the writer gathers rows after the first of a batch, and how many end the gathering at once.
constexpr std::chrono::milliseconds kAuditGather{5};
constexpr std::size_t kAuditBatch = 512;

std::string jsonString(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace

std::string utcText(std::int64_t seconds) {
  const auto t = static_cast<std::time_t>(seconds);
  std::tm parts{};
  gmtime_r(&t, &parts);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
  return text;
}

std::optional<std::int64_t> parseSince(const std::string& text, std::int64_t now) {
  if (const auto back = parseSeconds(text)) return now - *back;
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  char separator = 0, zone = 0;
  int consumed = 0;
  const char* s = text.c_str();
  if (std::sscanf(s, "%4d-%2d-%2d%n", &year, &month, &day, &consumed) != 3) return std::nullopt;
  std::string rest = text.substr(static_cast<std::size_t>(consumed));
  if (!rest.empty()) {
    int more = 0;
    const int read = std::sscanf(rest.c_str(), "%c%2d:%2d%n", &separator, &hour, &minute, &more);
    if (read != 3 || (separator != 'T' && separator != ' ')) return std::nullopt;
    rest.erase(0, static_cast<std::size_t>(more));
    if (!rest.empty() && rest[0] == ':') {
      if (std::sscanf(rest.c_str(), ":%2d%n", &second, &more) != 1) return std::nullopt;
      rest.erase(0, static_cast<std::size_t>(more));
    }
    if (!rest.empty()) {
      zone = rest[0];
      if (rest.size() != 1 || zone != 'Z') return std::nullopt;
    }
  }
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
    return std::nullopt;
  std::tm parts{};
  parts.tm_year = year - 1900;
  parts.tm_mon = month - 1;
  parts.tm_mday = day;
  parts.tm_hour = hour;
  parts.tm_min = minute;
  parts.tm_sec = second;
  return static_cast<std::int64_t>(timegm(&parts));
}

std::string auditJson(const AuditRecord& r) {
  return "{\"time\":" + jsonString(utcText(r.time)) + ",\"user\":" + jsonString(r.user) +
         ",\"client\":" + jsonString(r.client) + ",\"type\":" + jsonString(r.type) +
         ",\"document\":" + jsonString(r.document) + ",\"version\":" + std::to_string(r.version) +
         ",\"bytes\":" + std::to_string(r.bytes) + ",\"status\":" + std::to_string(r.status) + "}";
}

Database& Store::auditDatabase() {
  if (!auditDb_) {
    auditDb_ = std::make_unique<Database>(dir_ / kStoreDatabase);
    auditDb_->exec("PRAGMA synchronous = NORMAL");
    // Rows are only appended, touching the last pages of the table and its indexes: a small cache
    // holds them, where the default would grow to 2 MiB as the trail does.
    auditDb_->exec("PRAGMA cache_size = -512");
  }
  return *auditDb_;
}

Store::~Store() {
  {
    std::lock_guard lock(pendingMutex_);
    stopAudit_ = true;
  }
  pendingArrived_.notify_all();
  if (auditWriter_.joinable()) auditWriter_.join();
}

void Store::reportAuditFailures(std::function<void(const std::string&)> report) {
  std::lock_guard lock(pendingMutex_);
  reportAuditFailure_ = std::move(report);
}

void Store::recordAudit(const AuditRecord& r) {
  bool wake = false;
  {
    std::lock_guard lock(pendingMutex_);
    pendingAudit_.push_back(r);
    if (!auditWriter_.joinable()) auditWriter_ = std::thread([this] { writeAudit(); });
    // The writer waits for the first row of a batch, and then for a full batch; waking it for every
    // row would cost each exchange a system call.
    wake = pendingAudit_.size() == 1 || pendingAudit_.size() == kAuditBatch;
  }
  if (wake) pendingArrived_.notify_one();
}

void Store::writeAudit() {
  std::vector<AuditRecord> batch;
  std::unique_lock lock(pendingMutex_);
  for (;;) {
    pendingArrived_.wait(lock, [this] { return !pendingAudit_.empty() || stopAudit_; });
    // On stop, what is still waiting is committed first.
    if (pendingAudit_.empty()) return;
    // A commit costs about as much as a hundred rows: a busy server gathers the rows of a moment into
    // one, and a reader of the trail or a stop cuts the gathering short.
    pendingArrived_.wait_for(lock, kAuditGather, [this] {
      return pendingAudit_.size() >= kAuditBatch || stopAudit_ || auditWanted_ > 0;
    });
    batch.clear();
    batch.swap(pendingAudit_);
    committingAudit_ = true;
    const auto report = reportAuditFailure_;
    lock.unlock();
    try {
      commitAudit(batch);
    } catch (const std::exception& e) {
      if (report) report(e.what());
    }
    lock.lock();
    committingAudit_ = false;
    pendingDone_.notify_all();
  }
}

void Store::commitAudit(const std::vector<AuditRecord>& rows) {
  // Rows go in by groups in one statement each: besides the statement's own cost, the table's
  // AUTOINCREMENT counter is then written once per group rather than once per row.
  constexpr std::size_t kGroup = 32;
  constexpr std::string_view one = "(?, ?, ?, ?, ?, ?, ?, ?)";
  constexpr std::string_view head =
      "INSERT INTO audit(time, user, client, type, document, version, bytes, status) VALUES";
  // Built once and never destroyed: this thread may still be committing while the process exits and
  // runs the destructors of statics.
  static const std::string& group = *new std::string([&] {
    std::string values = std::string(head) + std::string(one);
    for (std::size_t i = 1; i < kGroup; ++i) (values += ", ") += one;
    return values;
  }());
  std::lock_guard lock(auditMutex_);
  Database& db = auditDatabase();
  Transaction transaction(db);
  const auto bindRow = [](Statement& insert, int first, const AuditRecord& row) {
    insert.bind(first + 1, row.time).bind(first + 2, row.user).bind(first + 3, row.client);
    insert.bind(first + 4, row.type).bind(first + 5, row.document).bind(first + 6, row.version);
    insert.bind(first + 7, static_cast<std::int64_t>(row.bytes)).bind(first + 8, std::int64_t{row.status});
  };
  std::size_t next = 0;
  if (rows.size() >= kGroup) {
    auto insert = db.prepare(group);
    for (; rows.size() - next >= kGroup; next += kGroup) {
      insert.reset();
      for (std::size_t i = 0; i < kGroup; ++i) bindRow(insert, static_cast<int>(8 * i), rows[next + i]);
      insert.run();
    }
  }
  if (next < rows.size()) {
    auto insert = db.prepare(std::string(head) + std::string(one));
    for (; next < rows.size(); ++next) {
      insert.reset();
      bindRow(insert, 0, rows[next]);
      insert.run();
    }
  }
  transaction.commit();
}

std::vector<AuditRecord> Store::auditRecords(const AuditFilter& filter) {
  {
    // Rows recorded before this call are listed: wait for the commit that has them.
    std::unique_lock lock(pendingMutex_);
    ++auditWanted_;
    pendingArrived_.notify_one();
    pendingDone_.wait(lock, [this] { return !committingAudit_ && pendingAudit_.empty(); });
    --auditWanted_;
  }
  std::lock_guard lock(auditMutex_);
  std::string sql =
      "SELECT time, user, client, type, document, version, bytes, status FROM audit WHERE time >= ?";
  if (!filter.document.empty()) sql += " AND document = ?";
  sql += " ORDER BY id DESC";
  if (filter.limit > 0) sql += " LIMIT " + std::to_string(filter.limit);
  auto s = auditDatabase().prepare(sql);
  s.bind(1, filter.since);
  if (!filter.document.empty()) s.bind(2, filter.document);
  std::vector<AuditRecord> rows;
  while (s.step()) {
    rows.push_back({s.integer(0), s.text(1), s.text(2), s.text(3), s.text(4), s.integer(5),
                    static_cast<std::uint64_t>(s.integer(6)), static_cast<int>(s.integer(7))});
  }
  return {rows.rbegin(), rows.rend()};
}

}  // namespace verolin::server
