// The server's embedded store: one folder holding an SQLite database (documents, their known marks,
// seal owners, client files) and the bodies of all stored files.
//
// Every write follows one road: the bytes go to a staging file, which is forced to the disk and
// renamed into the bodies folder under a fresh name; then one transaction points the database row at
// it (and appends marks, for an upload); only after the commit is the previous body removed. A write
// broken off at any point therefore leaves the previous version whole, and two writers of the same
// name leave one of them whole. Safe to use from many threads; other processes may share the folder.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "server/audit.h"
#include "server/body_reader.h"
#include "server/change_counter.h"
#include "server/data_lock.h"
#include "server/sqlite.h"
#include "server/staged_body.h"

namespace verolin::server {

// The database file inside a data folder.
inline constexpr const char* kStoreDatabase = "store.sqlite";

enum class MarkKind { kSeal = 0, kSign = 1 };

// The three parallel lists of one group of marks, items as the control sent them. Nothing forces the
// three to the same length (the control does not either); they are kept exactly as sent.
struct MarkLists {
  std::vector<std::string> names;
  std::vector<std::string> ids;
  std::vector<std::string> times;
  bool empty() const { return names.empty() && ids.empty() && times.empty(); }
};

struct DocumentInfo {
  std::string name;
  std::string body;  // file name inside the bodies folder
  std::uint64_t size = 0;
  std::int64_t updated = 0;  // seconds since the epoch
  std::int64_t version = 0;  // how many times it was stored
};

// A document kept beside another so that nothing is lost: an upload based on a version that was no
// longer current (a conflict copy), or the version a resolve replaced. Each is also a stored
// document of its own name, which the control can download.
enum class CopyKind { kConflict = 0, kPrevious = 1 };

struct CopyInfo {
  std::string name;
  std::string document;  // the document it is a copy of
  CopyKind kind = CopyKind::kConflict;
  std::string user;  // who uploaded it, when known
  std::int64_t created = 0;
};

// What became of an upload that named the version it was based on.
struct UploadOutcome {
  DocumentInfo stored;               // the version now current (the upload's own, unless conflict)
  std::optional<CopyInfo> conflict;  // set when the upload was kept as a conflict copy instead
};

struct OwnerInfo {
  std::string name;
  std::string encodedPassword;
  std::string pictureName;  // the file name the control asks for
  std::string body;
  std::uint64_t size = 0;
};

struct ClientFileInfo {
  std::string serverPath;
  std::string clientPath;
  std::string body;
  std::uint64_t size = 0;
  std::int64_t updated = 0;
};

// What the store holds, for a health check.
struct StoreCounts {
  std::uint64_t documents = 0;  // conflict copies and previous versions included
  std::uint64_t copies = 0;
  std::uint64_t owners = 0;
  std::uint64_t clientFiles = 0;
  std::uint64_t bytes = 0;  // of all stored bodies
};

template <typename Info>
struct OpenedBody {
  Info info;
  std::shared_ptr<BodyReader> reader;
};

class Store {
 public:
  enum class Open { kCreate, kExisting };

  // Opens the store in `dataDir`; kCreate makes the folder and the database when missing. Throws
  // StoreError (also for kExisting when there is no store there).
  explicit Store(std::filesystem::path dataDir, Open mode = Open::kCreate);
  // Commits the audit rows still waiting.
  ~Store();
  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;

  const std::filesystem::path& folder() const { return dir_; }
  std::filesystem::path bodyPath(const std::string& body) const { return dir_ / "bodies" / body; }

  // A new, empty body to write into and then hand to one of the save functions.
  StagedBody stage() const;

  // Documents. saveDocument stores `body` as the new version of `name` and appends the marks to the
  // document's known ones (or, with `clearMarks`, replaces them), all in one transaction.
  void saveDocument(const std::string& name, StagedBody body, const MarkLists& newSeals = {},
                    const MarkLists& newSigns = {}, bool clearMarks = false);
  // The upload of a control: stored like saveDocument when `ifMatch` is empty, names the current
  // version, or there is no document `name` yet; otherwise the body and the marks are kept whole as a
  // conflict copy (named after the document, `user` and the time) and the document stays as it was.
  // The comparison and the write are one transaction, so of two uploads based on one version only
  // the first replaces it.
  UploadOutcome saveUpload(const std::string& name, StagedBody body, const MarkLists& newSeals,
                           const MarkLists& newSigns, const std::string& ifMatch, const std::string& user);
  // Conflict copies and previous versions, of one document or (when empty) of all, oldest first.
  std::vector<CopyInfo> copies(const std::string& document = "");
  // Makes the copy `copy` of `document` its current version, appending the copy's marks to the
  // document's; the replaced version is kept as a previous version, whose name is returned. Throws
  // StoreError when either is missing or the copy is not one of `document`.
  std::string takeCopy(const std::string& document, const std::string& copy);

  std::optional<DocumentInfo> document(const std::string& name);
  std::vector<DocumentInfo> documents();
  MarkLists marks(const std::string& document, MarkKind kind);
  bool removeDocument(const std::string& name);

  // The document a request's file name means: the document of that exact name, else the only one whose
  // last path segment it is. `candidates` tells how many last-segment matches there were.
  struct Resolved {
    std::optional<DocumentInfo> document;
    std::size_t candidates = 0;
  };
  Resolved resolveDocument(const std::string& fileName);

  // Seal owners, in the order they were added (a replaced owner keeps its place).
  enum class OwnerResult { kAdded, kReplaced, kExists };
  OwnerResult saveOwner(const std::string& name, const std::string& encodedPassword,
                        const std::string& pictureName, StagedBody picture, bool replace);
  std::vector<OwnerInfo> owners();
  std::optional<OwnerInfo> owner(const std::string& name);
  bool removeOwner(const std::string& name);

  // Files the control uploaded from the client, by their server path.
  void saveClientFile(const std::string& serverPath, const std::string& clientPath, StagedBody body);
  std::optional<ClientFileInfo> clientFile(const std::string& serverPath);
  std::vector<ClientFileInfo> clientFiles();

  // Looks the record up and opens its body, looking again when a concurrent write replaced the body in
  // between. Nothing when there is no such record.
  std::optional<OpenedBody<DocumentInfo>> openDocument(const std::string& name);
  // openDocument for a row just read (resolveDocument): its body is opened without a second look-up,
  // unless a replacement removed it meanwhile.
  std::optional<OpenedBody<DocumentInfo>> openDocument(const DocumentInfo& found);
  std::optional<OpenedBody<OwnerInfo>> openOwnerPicture(const std::string& owner);
  std::optional<OpenedBody<ClientFileInfo>> openClientFile(const std::string& serverPath);

  // Removes what a process killed mid-write left: the files in the staging folder and the bodies no
  // record points at. When no other process has the store open, all of them (and folders left in
  // staging by a killed backup); otherwise only those older than `minAge`, since the other process may
  // be writing them right now. Returns how many files and folders were removed.
  std::size_t sweepLeftovers(std::chrono::seconds minAge);

  StoreCounts counts();
  // The audit trail (audit.cc): appends one row; lists rows oldest first. A thread of the store's
  // commits the rows: whatever arrived while it committed goes in its next transaction, so an exchange
  // spends no time on the trail and a busy server commits many rows at once. A row is in the database
  // moments after this returns (auditRecords() waits for it); a failed commit is reported to the
  // function given to reportAuditFailures(), and its rows are lost.
  void recordAudit(const AuditRecord& record);
  void reportAuditFailures(std::function<void(const std::string&)> report);
  std::vector<AuditRecord> auditRecords(const AuditFilter& filter = {});

 private:
  template <typename Info, typename Find>
  std::optional<OpenedBody<Info>> openBody(Find find);
  void removeBody(const std::string& body) const noexcept;
  void appendMarks(const std::string& document, MarkKind kind, const MarkLists& lists);
  // Inside a transaction: points `name` at `bodyName` and adds the marks; returns the replaced body.
  std::string writeDocument(const std::string& name, const std::string& bodyName, std::uint64_t size,
                            const MarkLists& newSeals, const MarkLists& newSigns, bool clearMarks);
  // Inside a transaction: a name derived by `derive` that no document holds yet.
  template <typename Derive>
  std::string freeName(Derive derive);
  std::optional<DocumentInfo> documentLocked(const std::string& name);
  Resolved resolveLocked(const std::string& fileName);
  // The audit trail's own connection, opened at first use; the caller holds auditMutex_.
  Database& auditDatabase();
  // The committing thread's loop, and one of its transactions.
  void writeAudit();
  void commitAudit(const std::vector<AuditRecord>& rows);
  // marks() for a caller that holds the lock already.
  MarkLists marksLocked(const std::string& document, MarkKind kind);

  // The remembered answers of document() and resolveDocument() (the caller holds lookupMutex_), valid
  // while the change counter stays at what it was when they were looked up.
  template <typename Value, typename Find>
  Value remembered(std::unordered_map<std::string, Value>& answers, const std::string& key, Find find);
  // After a commit that changed documents: every process forgets its remembered lookups.
  void documentsChanged() { changes_->advance(); }
  // The stored body `body`, open; nullptr when it is gone. A body's file never changes under its
  // name (a new version is a new file), so readers stay open for the next answers, until the
  // documents change and a removed body's space must be given back.
  std::shared_ptr<BodyReader> openBodyFile(const std::string& body);

  std::filesystem::path dir_;
  std::unique_ptr<FileLock> users_;  // held shared while the store is open
  std::unique_ptr<ChangeCounter> changes_;
  // A busy server looks the same few names up for every download; the answers are kept until any
  // process changes the documents, and bounded in number.
  std::mutex lookupMutex_;
  std::uint64_t lookupsAt_ = 0;
  std::unordered_map<std::string, std::optional<DocumentInfo>> documentLookups_;
  std::unordered_map<std::string, Resolved> resolveLookups_;
  std::unordered_map<std::string, std::shared_ptr<BodyReader>> openBodies_;
  std::mutex mutex_;  // one connection, so one statement sequence at a time
  std::unique_ptr<Database> db_;
  // The audit trail writes through a connection of its own that leaves each row to the next checkpoint
  // instead of flushing it to the disk under the store's lock (audit.cc): a row then costs microseconds,
  // survives a killed server, and only a crash of the machine may lose the last few.
  std::mutex auditMutex_;
  std::unique_ptr<Database> auditDb_;
  // Rows waiting for a commit, whether they are being committed, and the thread that commits them,
  // started with the first row (guarded by pendingMutex_).
  std::mutex pendingMutex_;
  std::condition_variable pendingDone_;
  std::condition_variable pendingArrived_;
  std::vector<AuditRecord> pendingAudit_;
  bool committingAudit_ = false;
  bool stopAudit_ = false;
  int auditWanted_ = 0;  // readers of the trail waiting for the rows before them
  std::function<void(const std::string&)> reportAuditFailure_;
  std::thread auditWriter_;
};

}  // namespace verolin::server
