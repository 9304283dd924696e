#include "server/store.h"

#include <ctime>
#include <set>
#include <system_error>

#include "server/versions.h"

namespace verolin::server {
namespace {

namespace fs = std::filesystem;

constexpr const char* kDatabaseName = kStoreDatabase;

// Every statement is idempotent, so a folder written by an older server gains what it lacks when it
// is opened (version 2 added the audit trail).
constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS documents(
  name TEXT PRIMARY KEY, leaf TEXT NOT NULL, body TEXT NOT NULL, size INTEGER NOT NULL,
  updated INTEGER NOT NULL, version INTEGER NOT NULL);
CREATE INDEX IF NOT EXISTS documents_leaf ON documents(leaf);
CREATE TABLE IF NOT EXISTS marks(
  document TEXT NOT NULL, kind INTEGER NOT NULL, field INTEGER NOT NULL, seq INTEGER NOT NULL,
  item TEXT NOT NULL, PRIMARY KEY(document, kind, field, seq));
CREATE TABLE IF NOT EXISTS owners(
  position INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT NOT NULL UNIQUE, password TEXT NOT NULL,
  picture TEXT NOT NULL, body TEXT NOT NULL, size INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS client_files(
  path TEXT PRIMARY KEY, client TEXT NOT NULL, body TEXT NOT NULL, size INTEGER NOT NULL,
  updated INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS copies(
  name TEXT PRIMARY KEY, document TEXT NOT NULL, kind INTEGER NOT NULL, user TEXT NOT NULL,
  created INTEGER NOT NULL);
CREATE INDEX IF NOT EXISTS copies_document ON copies(document);
CREATE TABLE IF NOT EXISTS audit(
  id INTEGER PRIMARY KEY AUTOINCREMENT, time INTEGER NOT NULL, user TEXT NOT NULL, client TEXT NOT NULL,
  type TEXT NOT NULL, document TEXT NOT NULL, version INTEGER NOT NULL, bytes INTEGER NOT NULL,
  status INTEGER NOT NULL);
CREATE INDEX IF NOT EXISTS audit_document ON audit(document, time);
CREATE INDEX IF NOT EXISTS audit_time ON audit(time);
PRAGMA user_version = 2;
)sql";

std::string leafOf(const std::string& name) {
  const auto slash = name.rfind('/');
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

DocumentInfo documentRow(const Statement& s) {
  return {s.text(0), s.text(1), static_cast<std::uint64_t>(s.integer(2)), s.integer(3), s.integer(4)};
}
constexpr const char* kDocumentColumns = "SELECT name, body, size, updated, version FROM documents ";

CopyInfo copyRow(const Statement& s) {
  return {s.text(0), s.text(1), static_cast<CopyKind>(s.integer(2)), s.text(3), s.integer(4)};
}
constexpr const char* kCopyColumns = "SELECT name, document, kind, user, created FROM copies ";

OwnerInfo ownerRow(const Statement& s) {
  return {s.text(0), s.text(1), s.text(2), s.text(3), static_cast<std::uint64_t>(s.integer(4))};
}
constexpr const char* kOwnerColumns = "SELECT name, password, picture, body, size FROM owners ";

ClientFileInfo clientRow(const Statement& s) {
  return {s.text(0), s.text(1), s.text(2), static_cast<std::uint64_t>(s.integer(3)), s.integer(4)};
}
constexpr const char* kClientColumns = "SELECT path, client, body, size, updated FROM client_files ";

std::int64_t now() {
  return static_cast<std::int64_t>(std::time(nullptr));
}

}  // namespace

Store::Store(fs::path dataDir, Open mode) : dir_(std::move(dataDir)) {
  std::error_code error;
  if (mode == Open::kExisting && !fs::exists(dir_ / kDatabaseName, error)) {
    throw StoreError("no store in " + dir_.string() + " (serve or put something there first)");
  }
  for (const fs::path& folder : {dir_, dir_ / "bodies", dir_ / "staging"}) {
    fs::create_directories(folder, error);
    if (error) throw StoreError("cannot create " + folder.string() + ": " + error.message());
  }
  users_ = std::make_unique<FileLock>(dir_ / kStoreLockName);
  users_->shared();
  changes_ = std::make_unique<ChangeCounter>(dir_ / kChangeCounterName);
  db_ = std::make_unique<Database>(dir_ / kDatabaseName);
  db_->exec("PRAGMA journal_mode = WAL");
  db_->exec("PRAGMA synchronous = FULL");
  db_->exec(kSchema);
}

StagedBody Store::stage() const {
  return StagedBody(dir_ / "staging", dir_ / "bodies");
}

void Store::removeBody(const std::string& body) const noexcept {
  if (body.empty()) return;
  std::error_code ignored;
  fs::remove(bodyPath(body), ignored);
}

void Store::appendMarks(const std::string& document, MarkKind kind, const MarkLists& lists) {
  const std::vector<std::string>* fields[] = {&lists.names, &lists.ids, &lists.times};
  for (int field = 0; field < 3; ++field) {
    if (fields[field]->empty()) continue;
    auto next = db_->prepare(
        "SELECT COALESCE(MAX(seq) + 1, 0) FROM marks WHERE document = ? AND kind = ? AND field = ?");
    next.bind(1, document).bind(2, static_cast<std::int64_t>(kind)).bind(3, std::int64_t{field});
    next.step();
    std::int64_t seq = next.integer(0);
    for (const auto& item : *fields[field]) {
      auto insert = db_->prepare("INSERT INTO marks(document, kind, field, seq, item) VALUES(?, ?, ?, ?, ?)");
      insert.bind(1, document).bind(2, static_cast<std::int64_t>(kind)).bind(3, std::int64_t{field});
      insert.bind(4, seq++).bind(5, item).run();
    }
  }
}

std::string Store::writeDocument(const std::string& name, const std::string& bodyName, std::uint64_t size,
                                 const MarkLists& newSeals, const MarkLists& newSigns, bool clearMarks) {
  std::string previous;
  auto old = db_->prepare("SELECT body FROM documents WHERE name = ?");
  old.bind(1, name);
  if (old.step()) previous = old.text(0);
  auto upsert = db_->prepare(
      "INSERT INTO documents(name, leaf, body, size, updated, version) VALUES(?, ?, ?, ?, ?, 1) "
      "ON CONFLICT(name) DO UPDATE SET body = excluded.body, size = excluded.size, "
      "updated = excluded.updated, version = version + 1");
  upsert.bind(1, name).bind(2, leafOf(name)).bind(3, bodyName);
  upsert.bind(4, static_cast<std::int64_t>(size)).bind(5, now()).run();
  if (clearMarks) {
    auto clear = db_->prepare("DELETE FROM marks WHERE document = ?");
    clear.bind(1, name).run();
  }
  appendMarks(name, MarkKind::kSeal, newSeals);
  appendMarks(name, MarkKind::kSign, newSigns);
  return previous;
}

void Store::saveDocument(const std::string& name, StagedBody body, const MarkLists& newSeals,
                         const MarkLists& newSigns, bool clearMarks) {
  const std::string bodyName = body.place();
  std::string previous;
  try {
    std::lock_guard lock(mutex_);
    Transaction transaction(*db_);
    previous = writeDocument(name, bodyName, body.size(), newSeals, newSigns, clearMarks);
    transaction.commit();
    documentsChanged();
  } catch (...) {
    removeBody(bodyName);
    throw;
  }
  removeBody(previous);
}

std::optional<DocumentInfo> Store::documentLocked(const std::string& name) {
  auto s = db_->prepare(std::string(kDocumentColumns) + "WHERE name = ?");
  s.bind(1, name);
  if (!s.step()) return std::nullopt;
  return documentRow(s);
}

template <typename Derive>
std::string Store::freeName(Derive derive) {
  const std::string first = derive();
  std::string name = first;
  for (int number = 2; documentLocked(name); ++number) name = numberedName(first, number);
  return name;
}

UploadOutcome Store::saveUpload(const std::string& name, StagedBody body, const MarkLists& newSeals,
                                const MarkLists& newSigns, const std::string& ifMatch,
                                const std::string& user) {
  const std::string bodyName = body.place();
  std::string previous;
  UploadOutcome outcome;
  try {
    std::lock_guard lock(mutex_);
    Transaction transaction(*db_);
    const auto current = documentLocked(name);
    if (ifMatch.empty() || !current || ifMatchNames(ifMatch, versionTag(*current))) {
      previous = writeDocument(name, bodyName, body.size(), newSeals, newSigns, false);
    } else {
      const std::int64_t created = now();
      CopyInfo copy{freeName([&] { return conflictCopyName(name, user, created); }), name,
                    CopyKind::kConflict, user, created};
      writeDocument(copy.name, bodyName, body.size(), newSeals, newSigns, false);
      auto insert =
          db_->prepare("INSERT INTO copies(name, document, kind, user, created) VALUES(?, ?, ?, ?, ?)");
      insert.bind(1, copy.name).bind(2, name).bind(3, static_cast<std::int64_t>(copy.kind));
      insert.bind(4, user).bind(5, created).run();
      outcome.conflict = std::move(copy);
    }
    outcome.stored = *documentLocked(name);
    transaction.commit();
    documentsChanged();
  } catch (...) {
    removeBody(bodyName);
    throw;
  }
  removeBody(previous);
  return outcome;
}

std::vector<CopyInfo> Store::copies(const std::string& document) {
  std::lock_guard lock(mutex_);
  auto s = db_->prepare(std::string(kCopyColumns) + (document.empty()
                                                         ? "ORDER BY created, name"
                                                         : "WHERE document = ? ORDER BY created, name"));
  if (!document.empty()) s.bind(1, document);
  std::vector<CopyInfo> all;
  while (s.step()) all.push_back(copyRow(s));
  return all;
}

std::string Store::takeCopy(const std::string& document, const std::string& copy) {
  std::lock_guard lock(mutex_);
  Transaction transaction(*db_);
  const auto current = documentLocked(document);
  if (!current) throw StoreError("no document named " + document);
  auto find = db_->prepare(std::string(kCopyColumns) + "WHERE name = ?");
  find.bind(1, copy);
  if (!find.step() || find.text(1) != document) {
    throw StoreError(copy + " is not a conflict copy or previous version of " + document);
  }
  const auto taken = documentLocked(copy);
  if (!taken) throw StoreError("the copy " + copy + " is no longer stored");

  // The replaced version becomes a document of its own name, so that it stays reachable.
  const std::int64_t created = now();
  const std::string previousName = freeName([&] { return previousVersionName(document, created); });
  writeDocument(previousName, current->body, current->size, {}, {}, false);
  auto record =
      db_->prepare("INSERT INTO copies(name, document, kind, user, created) VALUES(?, ?, ?, '', ?)");
  record.bind(1, previousName).bind(2, document).bind(3, static_cast<std::int64_t>(CopyKind::kPrevious));
  record.bind(4, created).run();

  writeDocument(document, taken->body, taken->size, marksLocked(copy, MarkKind::kSeal),
                marksLocked(copy, MarkKind::kSign), false);
  for (const char* sql : {"DELETE FROM documents WHERE name = ?", "DELETE FROM marks WHERE document = ?",
                          "DELETE FROM copies WHERE name = ?"}) {
    auto remove = db_->prepare(sql);
    remove.bind(1, copy).run();
  }
  transaction.commit();
  documentsChanged();
  return previousName;
}

template <typename Value, typename Find>
Value Store::remembered(std::unordered_map<std::string, Value>& answers, const std::string& key, Find find) {
  // Read before looking up: a change committed meanwhile leaves the answer marked as older than it
  // is, so it is looked up again next time rather than served stale.
  const std::uint64_t at = changes_->value();
  {
    std::lock_guard lock(lookupMutex_);
    if (at == lookupsAt_) {
      if (auto it = answers.find(key); it != answers.end()) return it->second;
    }
  }
  Value found = find();
  std::lock_guard lock(lookupMutex_);
  if (at != lookupsAt_) {
    if (at != changes_->value()) return found;  // changed again meanwhile: not worth keeping
    documentLookups_.clear();
    resolveLookups_.clear();
    openBodies_.clear();
    lookupsAt_ = at;
  }
  // Names that a client makes up must not grow the memory without end.
  constexpr std::size_t kRemembered = 1024;
  if (answers.size() >= kRemembered) answers.clear();
  answers.emplace(key, found);
  return found;
}

std::shared_ptr<BodyReader> Store::openBodyFile(const std::string& body) {
  const std::uint64_t at = changes_->value();
  {
    std::lock_guard lock(lookupMutex_);
    if (auto it = openBodies_.find(body); it != openBodies_.end()) return it->second;
  }
  auto reader = BodyReader::open(bodyPath(body));
  std::lock_guard lock(lookupMutex_);
  if (reader && at == lookupsAt_) {
    // Each holds a descriptor: few are kept.
    constexpr std::size_t kOpenBodies = 64;
    if (openBodies_.size() >= kOpenBodies) openBodies_.clear();
    openBodies_.emplace(body, reader);
  }
  return reader;
}

std::optional<DocumentInfo> Store::document(const std::string& name) {
  return remembered(documentLookups_, name, [&] {
    std::lock_guard lock(mutex_);
    return documentLocked(name);
  });
}

std::vector<DocumentInfo> Store::documents() {
  std::lock_guard lock(mutex_);
  auto s = db_->prepare(std::string(kDocumentColumns) + "ORDER BY name");
  std::vector<DocumentInfo> all;
  while (s.step()) all.push_back(documentRow(s));
  return all;
}

Store::Resolved Store::resolveDocument(const std::string& fileName) {
  return remembered(resolveLookups_, fileName, [&] { return resolveLocked(fileName); });
}

Store::Resolved Store::resolveLocked(const std::string& fileName) {
  std::lock_guard lock(mutex_);
  if (auto exact = documentLocked(fileName)) return {std::move(exact), 1};
  auto s = db_->prepare(std::string(kDocumentColumns) + "WHERE leaf = ? ORDER BY name");
  s.bind(1, fileName);
  Resolved resolved;
  while (s.step()) {
    if (++resolved.candidates == 1) resolved.document = documentRow(s);
  }
  // Two folders holding the same file name: guessing could hand one document's marks to the other.
  if (resolved.candidates > 1) resolved.document.reset();
  return resolved;
}

MarkLists Store::marks(const std::string& document, MarkKind kind) {
  std::lock_guard lock(mutex_);
  return marksLocked(document, kind);
}

MarkLists Store::marksLocked(const std::string& document, MarkKind kind) {
  auto s = db_->prepare("SELECT field, item FROM marks WHERE document = ? AND kind = ? ORDER BY field, seq");
  s.bind(1, document).bind(2, static_cast<std::int64_t>(kind));
  MarkLists lists;
  std::vector<std::string>* fields[] = {&lists.names, &lists.ids, &lists.times};
  while (s.step()) {
    const auto field = s.integer(0);
    if (field >= 0 && field < 3) fields[field]->push_back(s.text(1));
  }
  return lists;
}

bool Store::removeDocument(const std::string& name) {
  std::string body;
  {
    std::lock_guard lock(mutex_);
    Transaction transaction(*db_);
    auto s = db_->prepare("SELECT body FROM documents WHERE name = ?");
    s.bind(1, name);
    if (!s.step()) return false;
    body = s.text(0);
    auto remove = db_->prepare("DELETE FROM documents WHERE name = ?");
    remove.bind(1, name).run();
    auto marks = db_->prepare("DELETE FROM marks WHERE document = ?");
    marks.bind(1, name).run();
    auto copy = db_->prepare("DELETE FROM copies WHERE name = ?");
    copy.bind(1, name).run();
    transaction.commit();
    documentsChanged();
  }
  removeBody(body);
  return true;
}

Store::OwnerResult Store::saveOwner(const std::string& name, const std::string& encodedPassword,
                                    const std::string& pictureName, StagedBody picture, bool replace) {
  const std::string bodyName = picture.place();
  std::string previous;
  OwnerResult result = OwnerResult::kAdded;
  try {
    std::lock_guard lock(mutex_);
    Transaction transaction(*db_);
    auto old = db_->prepare("SELECT body FROM owners WHERE name = ?");
    old.bind(1, name);
    if (old.step()) {
      if (!replace) {
        removeBody(bodyName);
        return OwnerResult::kExists;
      }
      previous = old.text(0);
      result = OwnerResult::kReplaced;
    }
    auto upsert = db_->prepare(
        "INSERT INTO owners(name, password, picture, body, size) VALUES(?, ?, ?, ?, ?) "
        "ON CONFLICT(name) DO UPDATE SET password = excluded.password, picture = excluded.picture, "
        "body = excluded.body, size = excluded.size");
    upsert.bind(1, name).bind(2, encodedPassword).bind(3, pictureName).bind(4, bodyName);
    upsert.bind(5, static_cast<std::int64_t>(picture.size())).run();
    transaction.commit();
  } catch (...) {
    removeBody(bodyName);
    throw;
  }
  removeBody(previous);
  return result;
}

std::vector<OwnerInfo> Store::owners() {
  std::lock_guard lock(mutex_);
  auto s = db_->prepare(std::string(kOwnerColumns) + "ORDER BY position");
  std::vector<OwnerInfo> all;
  while (s.step()) all.push_back(ownerRow(s));
  return all;
}

std::optional<OwnerInfo> Store::owner(const std::string& name) {
  std::lock_guard lock(mutex_);
  auto s = db_->prepare(std::string(kOwnerColumns) + "WHERE name = ?");
  s.bind(1, name);
  if (!s.step()) return std::nullopt;
  return ownerRow(s);
}

bool Store::removeOwner(const std::string& name) {
  std::string body;
  {
    std::lock_guard lock(mutex_);
    Transaction transaction(*db_);
    auto s = db_->prepare("SELECT body FROM owners WHERE name = ?");
    s.bind(1, name);
    if (!s.step()) return false;
    body = s.text(0);
    auto remove = db_->prepare("DELETE FROM owners WHERE name = ?");
    remove.bind(1, name).run();
    transaction.commit();
  }
  removeBody(body);
  return true;
}

void Store::saveClientFile(const std::string& serverPath, const std::string& clientPath, StagedBody body) {
  const std::string bodyName = body.place();
  std::string previous;
  try {
    std::lock_guard lock(mutex_);
    Transaction transaction(*db_);
    auto old = db_->prepare("SELECT body FROM client_files WHERE path = ?");
    old.bind(1, serverPath);
    if (old.step()) previous = old.text(0);
    auto upsert = db_->prepare(
        "INSERT INTO client_files(path, client, body, size, updated) VALUES(?, ?, ?, ?, ?) "
        "ON CONFLICT(path) DO UPDATE SET client = excluded.client, body = excluded.body, "
        "size = excluded.size, updated = excluded.updated");
    upsert.bind(1, serverPath).bind(2, clientPath).bind(3, bodyName);
    upsert.bind(4, static_cast<std::int64_t>(body.size())).bind(5, now()).run();
    transaction.commit();
  } catch (...) {
    removeBody(bodyName);
    throw;
  }
  removeBody(previous);
}

std::optional<ClientFileInfo> Store::clientFile(const std::string& serverPath) {
  std::lock_guard lock(mutex_);
  auto s = db_->prepare(std::string(kClientColumns) + "WHERE path = ?");
  s.bind(1, serverPath);
  if (!s.step()) return std::nullopt;
  return clientRow(s);
}

std::vector<ClientFileInfo> Store::clientFiles() {
  std::lock_guard lock(mutex_);
  auto s = db_->prepare(std::string(kClientColumns) + "ORDER BY path");
  std::vector<ClientFileInfo> all;
  while (s.step()) all.push_back(clientRow(s));
  return all;
}

template <typename Info, typename Find>
std::optional<OpenedBody<Info>> Store::openBody(Find find) {
  // A replacement commits before it removes the old body, so a second look finds the new one.
  for (int attempt = 0; attempt < 5; ++attempt) {
    std::optional<Info> info = find();
    if (!info) return std::nullopt;
    if (auto reader = openBodyFile(info->body)) return OpenedBody<Info>{std::move(*info), reader};
  }
  throw StoreError("a stored body is missing from " + (dir_ / "bodies").string());
}

std::optional<OpenedBody<DocumentInfo>> Store::openDocument(const std::string& name) {
  return openBody<DocumentInfo>([&] { return document(name); });
}

std::optional<OpenedBody<DocumentInfo>> Store::openDocument(const DocumentInfo& found) {
  if (auto reader = openBodyFile(found.body)) return OpenedBody<DocumentInfo>{found, reader};
  return openDocument(found.name);
}

std::optional<OpenedBody<OwnerInfo>> Store::openOwnerPicture(const std::string& name) {
  return openBody<OwnerInfo>([&] { return owner(name); });
}

std::optional<OpenedBody<ClientFileInfo>> Store::openClientFile(const std::string& serverPath) {
  return openBody<ClientFileInfo>([&] { return clientFile(serverPath); });
}

std::size_t Store::sweepLeftovers(std::chrono::seconds minAge) {
  // Holding the store lock exclusively, nobody else can be writing, and nobody can open the store
  // until the sweep is over.
  const bool alone = users_->tryExclusive();
  std::set<std::string> referenced;
  {
    std::lock_guard lock(mutex_);
    for (const char* sql :
         {"SELECT body FROM documents", "SELECT body FROM owners", "SELECT body FROM client_files"}) {
      auto s = db_->prepare(sql);
      while (s.step()) referenced.insert(s.text(0));
    }
  }
  const auto cutoff = fs::file_time_type::clock::now() - minAge;
  std::size_t removed = 0;
  std::error_code error;
  for (const fs::path& folder : {dir_ / "staging", dir_ / "bodies"}) {
    for (const auto& entry : fs::directory_iterator(folder, error)) {
      std::error_code ignored;
      if (alone && folder.filename() == "staging" && entry.is_directory(ignored)) {
        removed += fs::remove_all(entry.path(), ignored) > 0;
        continue;
      }
      if (!entry.is_regular_file(ignored) || (!alone && entry.last_write_time(ignored) > cutoff)) continue;
      if (folder.filename() == "bodies" && referenced.count(entry.path().filename().string())) continue;
      if (fs::remove(entry.path(), ignored)) ++removed;
    }
  }
  users_->shared();
  return removed;
}

StoreCounts Store::counts() {
  std::lock_guard lock(mutex_);
  auto s = db_->prepare(
      "SELECT (SELECT COUNT(*) FROM documents), (SELECT COUNT(*) FROM copies), (SELECT COUNT(*) FROM "
      "owners), "
      "(SELECT COUNT(*) FROM client_files), (SELECT COALESCE(SUM(size), 0) FROM documents) + "
      "(SELECT COALESCE(SUM(size), 0) FROM owners) + (SELECT COALESCE(SUM(size), 0) FROM client_files)");
  s.step();
  StoreCounts counts;
  std::uint64_t* fields[] = {&counts.documents, &counts.copies, &counts.owners, &counts.clientFiles,
                             &counts.bytes};
  for (int i = 0; i < 5; ++i) *fields[i] = static_cast<std::uint64_t>(s.integer(i));
  return counts;
}

}  // namespace verolin::server
