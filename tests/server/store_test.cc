// The store on its own: what a killed writer leaves behind, and records that replace each other.
#include <gtest/gtest.h>

#include <map>
#include <thread>
#include <vector>

#include "server/sqlite.h"
#include "server/store.h"
#include "server_fixture.h"

namespace verolin::server::testing {
namespace {

namespace fs = std::filesystem;

TEST(Database, ReusedStatementsStartAfreshAndTheSameTextMayRunTwiceAtOnce) {
  const DataFolder data;
  fs::create_directories(data.path());
  Database db(data.path() / "d.sqlite");
  db.exec("CREATE TABLE t(n INTEGER)");
  for (std::int64_t n = 1; n <= 3; ++n) db.prepare("INSERT INTO t(n) VALUES(?)").bind(1, n).run();
  const std::string count = "SELECT COUNT(*) FROM t WHERE n >= ?";
  {
    // Left on a row: handed back reset, with its parameter cleared.
    auto outer = db.prepare("SELECT n FROM t ORDER BY n");
    ASSERT_TRUE(outer.step());
    auto inner = db.prepare("SELECT n FROM t ORDER BY n");  // the same text while the first is in use
    ASSERT_TRUE(inner.step());
    ASSERT_TRUE(inner.step());
    EXPECT_EQ(inner.integer(0), 2);
    EXPECT_EQ(outer.integer(0), 1);
    auto first = db.prepare(count);
    first.bind(1, std::int64_t{3});
    ASSERT_TRUE(first.step());
  }
  auto again = db.prepare(count);
  ASSERT_TRUE(again.step());
  EXPECT_EQ(again.integer(0), 0);  // an unbound parameter is NULL, which no row matches
  // More distinct texts than are kept: each still runs.
  for (int i = 0; i < 100; ++i) {
    auto s = db.prepare("SELECT COUNT(*) + " + std::to_string(i) + " FROM t");
    ASSERT_TRUE(s.step());
    EXPECT_EQ(s.integer(0), 3 + i);
  }
  {
    Transaction transaction(db);
    db.prepare("DELETE FROM t").run();
  }  // rolled back
  auto all = db.prepare("SELECT COUNT(*) FROM t");
  ASSERT_TRUE(all.step());
  EXPECT_EQ(all.integer(0), 3);
}

StagedBody bodyOf(Store& store, const std::string& bytes) {
  StagedBody body = store.stage();
  body.write(bytes.data(), bytes.size());
  return body;
}

void age(const fs::path& file) {
  fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::hours(1));
}

TEST(Store, SweepRemovesOnlyOldLeftoversOfKilledWritesWhileAnotherProcessHasTheStoreOpen) {
  DataFolder data;
  Store store(data.path());
  Store administration(data.path());  // has its own hold on the store, as another process would
  store.saveDocument("a.jia", bodyOf(store, "kept"));
  const fs::path stale = data.path() / "staging" / "x.body.part";
  const fs::path orphan = data.path() / "bodies" / "y.body";
  const fs::path young = data.path() / "bodies" / "z.body";
  for (const auto& f : {stale, orphan, young}) std::ofstream(f) << "left";
  age(stale);
  age(orphan);
  age(store.bodyPath(store.document("a.jia")->body));

  EXPECT_EQ(store.sweepLeftovers(std::chrono::minutes(5)), 2u);
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_FALSE(fs::exists(orphan));
  EXPECT_TRUE(fs::exists(young));  // may be a write in progress in another process
  EXPECT_EQ(store.openDocument("a.jia")->reader->readAll(), "kept");
}

TEST(Store, SweepRemovesEveryLeftoverWhenNoOtherProcessHasTheStoreOpen) {
  DataFolder data;
  Store store(data.path());
  store.saveDocument("a.jia", bodyOf(store, "kept"));
  const fs::path staged = data.path() / "staging" / "x.body.part";
  const fs::path orphan = data.path() / "bodies" / "y.body";
  const fs::path links = data.path() / "staging" / "backup-1-x";
  fs::create_directories(links);
  for (const auto& f : {staged, orphan, links / "z.body"}) std::ofstream(f) << "left";

  EXPECT_EQ(store.sweepLeftovers(std::chrono::minutes(5)), 3u);
  EXPECT_FALSE(fs::exists(staged));
  EXPECT_FALSE(fs::exists(orphan));
  EXPECT_FALSE(fs::exists(links));
  EXPECT_EQ(store.openDocument("a.jia")->reader->readAll(), "kept");
  // The store is still held: another opening beside it makes the next sweep careful again.
  Store other(data.path());
  std::ofstream(staged) << "left";
  EXPECT_EQ(store.sweepLeftovers(std::chrono::minutes(5)), 0u);
}

TEST(Store, DroppedStagedBodyLeavesNothing) {
  DataFolder data;
  Store store(data.path());
  { StagedBody body = bodyOf(store, "half"); }
  EXPECT_EQ(data.filesIn("staging"), 0u);
  EXPECT_EQ(data.filesIn("bodies"), 0u);
}

TEST(Store, ReplacingRemovesTheOldBodyOnlyAfterTheNewRowIsIn) {
  DataFolder data;
  Store store(data.path());
  store.saveDocument("a.jia", bodyOf(store, "one"));
  auto reader = store.openDocument("a.jia")->reader;  // an answer still being sent
  store.saveDocument("a.jia", bodyOf(store, "two"));
  EXPECT_EQ(reader->readAll(), "one");
  EXPECT_EQ(store.openDocument("a.jia")->reader->readAll(), "two");
  EXPECT_EQ(store.document("a.jia")->version, 2);
  EXPECT_EQ(data.filesIn("bodies"), 1u);
}

TEST(Store, ExistingOwnerIsKeptUnlessReplaced) {
  DataFolder data;
  Store store(data.path());
  EXPECT_EQ(store.saveOwner("a", "enc1", "a.jia", bodyOf(store, "p1"), false), Store::OwnerResult::kAdded);
  EXPECT_EQ(store.saveOwner("b", "enc2", "b.jia", bodyOf(store, "p2"), false), Store::OwnerResult::kAdded);
  EXPECT_EQ(store.saveOwner("a", "encX", "x.jia", bodyOf(store, "pX"), false), Store::OwnerResult::kExists);
  EXPECT_EQ(store.owner("a")->encodedPassword, "enc1");
  EXPECT_EQ(store.saveOwner("a", "enc3", "a.jia", bodyOf(store, "p3"), true), Store::OwnerResult::kReplaced);
  EXPECT_EQ(store.owners().front().encodedPassword, "enc3");  // keeps its place in the list
  EXPECT_EQ(data.filesIn("bodies"), 2u);
  EXPECT_TRUE(store.removeOwner("a"));
  EXPECT_FALSE(store.removeOwner("a"));
  EXPECT_EQ(data.filesIn("bodies"), 1u);
}

TEST(Store, ReadCommandsDoNotCreateAStore) {
  DataFolder data;
  EXPECT_THROW(Store(data.path(), Store::Open::kExisting), StoreError);
  EXPECT_FALSE(fs::exists(data.path()));
}

TEST(Store, AuditRowsStillWaitingWhenTheStoreClosesAreCommitted) {
  DataFolder data;
  constexpr int kRows = 2000;
  {
    Store store(data.path());
    for (int i = 0; i < kRows; ++i) {
      AuditRecord row;
      row.time = 1;
      row.type = "DOWN";
      row.version = i;
      store.recordAudit(row);
    }
  }
  Store reopened(data.path());
  const auto rows = reopened.auditRecords();
  ASSERT_EQ(rows.size(), static_cast<std::size_t>(kRows));
  EXPECT_EQ(rows.back().version, kRows - 1);
}

TEST(Store, AuditRowsRecordedByManyThreadsAtOnceAreAllKeptInEachThreadsOrder) {
  DataFolder data;
  Store store(data.path());
  constexpr int kThreads = 8;
  constexpr int kRows = 200;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&store, t] {
      for (int i = 0; i < kRows; ++i) {
        AuditRecord row;
        row.time = 1;
        row.type = "DOWN";
        row.client = "thread" + std::to_string(t);
        row.version = i;
        store.recordAudit(row);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  // Listed at once: rows left to another thread's commit are in by the time the list is read.
  const auto rows = store.auditRecords();
  ASSERT_EQ(rows.size(), static_cast<std::size_t>(kThreads * kRows));
  std::map<std::string, std::int64_t> next;
  for (const auto& row : rows) EXPECT_EQ(row.version, next[row.client]++) << row.client;
  // And they are in the database itself, for `verolin audit` in another process.
  Store other(data.path());
  EXPECT_EQ(other.auditRecords().size(), rows.size());
}

TEST(Store, AuditRowsCommittedTogetherKeepEveryFieldOfEachRow) {
  DataFolder data;
  Store store(data.path());
  // Enough rows for several statements of many rows and some left over.
  constexpr int kRows = 32 * 3 + 7;
  const auto rowOf = [](int i) {
    AuditRecord row;
    row.time = 1000 + i;
    row.user = "用户" + std::to_string(i);
    row.client = "10.0.0." + std::to_string(i);
    row.type = i % 2 ? "DOWN" : "UPLOAD";
    row.document = "文档/" + std::to_string(i) + ".jia";
    row.version = i * 7;
    row.bytes = static_cast<std::uint64_t>(i) << 33;
    row.status = 200 + i;
    return row;
  };
  for (int i = 0; i < kRows; ++i) store.recordAudit(rowOf(i));
  const auto rows = store.auditRecords();
  ASSERT_EQ(rows.size(), static_cast<std::size_t>(kRows));
  for (int i = 0; i < kRows; ++i) {
    const AuditRecord want = rowOf(i);
    EXPECT_EQ(auditJson(rows[static_cast<std::size_t>(i)]), auditJson(want)) << i;
    EXPECT_EQ(rows[static_cast<std::size_t>(i)].bytes, want.bytes);
  }
}

}  // namespace
}  // namespace verolin::server::testing
