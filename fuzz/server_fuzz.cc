// The server page's request handling on a real store: arbitrary queries for every RequestType, uploads
// whose mark lists come from arbitrary values, and seal owners with arbitrary names. Every answer keeps
// the page's promises: a known status, an empty body on a refused list request, nothing stored under a
// name the checks refuse, and every list answer read by the control's own parser gives back exactly the
// items the store holds, which are the items the upload sent.
#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "control/state.h"
#include "crypto/crypto.h"
#include "fuzz_check.h"
#include "fuzz_fields.h"
#include "platform/curl_http.h"
#include "server/list_answer.h"
#include "server/names.h"
#include "server/page_requests.h"
#include "server/query.h"
#include "server/server.h"
#include "server/store.h"
#include "text/codepage.h"
#include "text/utf8.h"
#include "transfer/list_answer.h"
#include "transfer/protocol.h"

namespace {

namespace fs = std::filesystem;
using namespace verolin;

constexpr std::string_view kPage = "http://127.0.0.1:8080/page";

struct Page {
  fs::path folder;
  server::ServerOptions options;
  std::unique_ptr<server::Store> store;
  std::unique_ptr<server::Exchanges> exchanges;
  std::unique_ptr<server::PageRequests> requests;
  std::string container = crypto::encryptBytes("a document", "doc");
};

Page& page() {
  static Page* p = [] {
    auto* made = new Page;
    // Memory-backed when possible: the store forces every write to the disk.
    const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    made->folder = base / ("verolin-server-fuzz-" + std::to_string(::getpid()));
    made->options.dataDir = made->folder;
    made->store = std::make_unique<server::Store>(made->folder);
    made->exchanges = std::make_unique<server::Exchanges>(*made->store, made->options);
    made->requests = std::make_unique<server::PageRequests>(*made->store, made->options, *made->exchanges);
    std::atexit([] { fs::remove_all(page().folder); });
    return made;
  }();
  return *p;
}

// Each input starts from an empty store, so that what one input stored cannot hide what the next does.
void emptyStore() {
  server::Store& store = *page().store;
  for (const auto& doc : store.documents()) store.removeDocument(doc.name);
  for (const auto& owner : store.owners()) store.removeOwner(owner.name);
}

using fuzzing::Fields;

httplib::Response get(const std::string& rawQuery) {
  httplib::Request req;
  req.method = "GET";
  req.target = "/page?" + rawQuery;
  httplib::Response res;
  page().exchanges->begin(req);
  page().requests->get(req, res);
  page().exchanges->finish(req, res);
  return res;
}

httplib::Response post(const std::string& rawQuery, const std::string& body) {
  httplib::Request req;
  req.method = "POST";
  req.target = "/page?" + rawQuery;
  req.headers.emplace("Content-Length", std::to_string(body.size()));
  httplib::Response res;
  const httplib::ContentReader reader(
      [&body](const httplib::ContentReceiver& receiver) { return receiver(body.data(), body.size()); },
      [](const httplib::MultipartContentHeader&, const httplib::ContentReceiver&) { return false; });
  page().exchanges->begin(req);
  page().requests->post(req, res, reader);
  page().exchanges->finish(req, res);
  return res;
}

void checkStatus(const httplib::Response& res) {
  static const std::set<int> known = {200, 400, 404, 405, 409, 413, 415, 428};
  FUZZ_CHECK(known.count(res.status) == 1);
}

std::string escaped(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : bytes) {
    const auto u = static_cast<unsigned char>(c);
    out += '%';
    out += kHex[u >> 4];
    out += kHex[u & 15];
  }
  return out;
}

std::vector<std::string> itemsOf(const std::string& list, const std::string& terminator) {
  std::vector<std::string> items = text::split(list, terminator);
  FUZZ_CHECK(!items.empty() && items.back().empty());
  items.pop_back();
  return items;
}

std::vector<std::string> carried(const std::vector<std::string>& items) {
  std::vector<std::string> out;
  for (const auto& item : items) out.push_back(text::fromWire(text::toWire(item)));
  return out;
}

// A list answer, read as the control reads it, holds exactly `groups`.
void expectListAnswer(const httplib::Response& res, const std::array<std::vector<std::string>, 3>& groups) {
  FUZZ_CHECK(res.status == 200);
  std::array<std::string, 3> lists;
  std::string link = "L";
  std::string split = "S";
  const bool used = transfer::ApplyListAnswer(res.body, link, split, {&lists[0], &lists[1], &lists[2]});
  FUZZ_CHECK(used == !(groups[0].empty() && groups[1].empty() && groups[2].empty()));
  if (!used) return;
  for (std::size_t g = 0; g < 3; ++g) {
    if (itemsOf(lists[g], split) != carried(groups[g])) {
      std::fprintf(stderr, "list group %zu differs from the store; answer: %s\n", g,
                   text::fromWire(res.body).c_str());
      FUZZ_CHECK(false);
    }
  }
}

// After an upload: what the store holds for each kind is what the page answers, and (when the upload
// was stored) what the upload sent.
void checkMarksOf(const std::string& rawQuery, const httplib::Response& uploaded) {
  constexpr std::string_view kOrder[] = {"Dn",      "Dt",       "Di",       "Sn",          "St",  "Si",
                                         "linkstr", "splitstr", "savetype", "RequestType", "path"};
  const server::Query query = server::Query::parseOrdered(rawQuery, kOrder);
  const std::string path = query.value("path");
  if (uploaded.status != 200) {
    FUZZ_CHECK(page().store->documents().empty());
    return;
  }
  FUZZ_CHECK(server::nameProblem(path).empty());
  FUZZ_CHECK(page().store->document(path).has_value());
  const std::string terminator = query.find("splitstr").value_or(std::string(server::kDefaultSplitStr));
  for (const auto kind : {server::MarkKind::kSeal, server::MarkKind::kSign}) {
    const server::MarkLists stored = page().store->marks(path, kind);
    const bool seal = kind == server::MarkKind::kSeal;
    FUZZ_CHECK(stored.names == server::splitList(query.value(seal ? "Dn" : "Sn"), terminator));
    FUZZ_CHECK(stored.ids == server::splitList(query.value(seal ? "Di" : "Si"), terminator));
    FUZZ_CHECK(stored.times == server::splitList(query.value(seal ? "Dt" : "St"), terminator));
    // Asked for by the last segment of the path, as the control does after a download (escaped
    // throughout, since a name may hold what the control's own URLs cannot carry).
    const std::string name = transfer::LastPathSegment(path);
    if (text::fromWire(text::toWire(name)) != name) continue;
    const std::string query = std::string("filetype=1&filename=") + escaped(text::toWire(name)) +
                              "&RequestType=" + (seal ? "GetSignInfoData" : "GetHandWritdData");
    expectListAnswer(get(query), {stored.names, stored.ids, stored.times});
  }
}

void rawUpload(std::string_view raw) {
  const std::string query(raw);
  const httplib::Response res = post(query, page().container);
  checkStatus(res);
  checkMarksOf(query, res);
}

// An upload as the control forms it, from mark items, separators and a path.
void controlUpload(Fields& f) {
  control::ControlState s;
  s.activeForm = kPage;
  if (const std::string split = f.next(); text::length(split) == 1) s.splitStr = split;
  std::string* lists[6] = {&s.newSealNameList, &s.newSealTimeList, &s.newSealIdList,
                           &s.newSignNameList, &s.newSignTimeList, &s.newSignIdList};
  for (auto* list : lists) {
    const std::size_t count = f.next().size() % 4;
    for (std::size_t k = 0; k < count; ++k) *list += f.next() + s.splitStr;
  }
  const std::string path = f.next();
  const std::string wire = platform::wireUrl(s.activeForm + transfer::UploadQuery(s, path));
  rawUpload(wire.substr(wire.find('?') + 1));
}

void anyGet(std::string_view raw) {
  const httplib::Response res = get(std::string(raw));
  checkStatus(res);
  const auto type = server::Query::parse(raw).find("RequestType");
  const bool list = type && (*type == "GetHandWritdData" || *type == "GetSignInfoData");
  if (list && res.status != 200) FUZZ_CHECK(res.body.empty());
}

// Seal owners with arbitrary names, passwords and picture names: the owner list gives them back.
void sealOwners(Fields& f) {
  server::Store& store = *page().store;
  std::array<std::vector<std::string>, 3> groups;
  while (!f.empty() && groups[0].size() < 8) {
    const std::string name = f.next();
    const std::string password = f.next();
    const std::string picture = f.next();
    if (name.empty() || !text::isValid(name) || !text::isValid(password) ||
        !server::nameProblem(picture).empty())
      continue;
    server::StagedBody body = store.stage();
    body.write("picture", 7);
    if (store.saveOwner(name, password, picture, std::move(body), false) ==
        server::Store::OwnerResult::kAdded) {
      groups[0].push_back(name);
      groups[1].push_back(password);
      groups[2].push_back(picture);
    }
  }
  expectListAnswer(get("RequestType=" + page().options.sealListType), groups);
}

// Names the checks accept stay inside the folder they are joined to.
void nameChecks(std::string_view name) {
  const std::string problem = server::nameProblem(name);
  if (!problem.empty()) return;
  const fs::path root = "/data/store";
  const fs::path joined = (root / fs::path(std::string(name))).lexically_normal();
  const auto [end, ignored] = std::mismatch(root.begin(), root.end(), joined.begin(), joined.end());
  FUZZ_CHECK(end == root.end() && joined != root);
  FUZZ_CHECK(text::isValid(name) && name.find('\\') == std::string_view::npos);
  FUZZ_CHECK(!server::lastSegment(name).empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  emptyStore();
  Fields fields(bytes);
  switch (data[0] % 5) {
    case 0:
      rawUpload(bytes);
      break;
    case 1:
      controlUpload(fields);
      break;
    case 2:
      anyGet(bytes);
      break;
    case 3:
      sealOwners(fields);
      break;
    default:
      nameChecks(bytes);
      break;
  }
  return 0;
}
