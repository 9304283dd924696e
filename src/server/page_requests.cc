#include "server/page_requests.h"

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "server/connections.h"
#include "server/list_answer.h"
#include "server/names.h"
#include "server/query.h"
#include "server/versions.h"
#include "text/codepage.h"
#include "text/utf8.h"

namespace verolin::server {
namespace {

constexpr const char* kContainerType = "application/octet-stream";

// Stands for file bytes the connection sent by itself when they are counted through the library's
// writes; never read, so its pages are never touched.
char sentAheadStandIn[4 << 20];

// Key orders of the GET requests, as the control writes them.
constexpr std::string_view kDownOrder[] = {"filetype", "RequestType", "filename"};
constexpr std::string_view kListOrder[] = {"filetype", "filename", "RequestType"};
constexpr std::string_view kPictureOrder[] = {"RequestType", "userName", "fileName"};

std::string listContentType() {
  return "text/plain; charset=" + text::wireCodePage();
}

// Header values must stay on one line and in ASCII.
std::string headerSafe(std::string_view reason) {
  std::string out;
  for (const char c : reason) {
    const auto u = static_cast<unsigned char>(c);
    out += (u < 0x20 || u >= 0x7F) ? '?' : c;
  }
  return out;
}

// A path of a plain-URL GET, after the prefix. Browsers send paths percent-encoded UTF-8, the
// control's component may send the wire code page: the first reading that names something wins.
template <typename Find>
auto findByPath(std::string_view rawRest, Find find) -> decltype(find(std::string())) {
  const std::string bytes = percentDecode(rawRest);
  if (text::isValid(bytes)) {
    if (auto found = find(bytes)) return found;
  }
  const std::string wire = text::fromWire(bytes);
  if (wire != bytes) return find(wire);
  return {};
}

std::string rawPathAfter(const httplib::Request& req, const std::string& prefix) {
  std::string target = req.target.substr(0, req.target.find('?'));
  const std::string head = prefix + "/";
  return target.compare(0, head.size(), head) == 0 ? target.substr(head.size()) : std::string();
}

}  // namespace

void refuse(httplib::Response& res, int status, const std::string& reason, bool emptyBody) {
  res.status = status;
  res.set_header(kErrorHeader, headerSafe(reason));
  if (emptyBody) {
    res.set_content("", listContentType());
  } else {
    res.set_content(reason + "\n", "text/plain; charset=utf-8");
  }
}

void sendBody(httplib::Response& res, std::shared_ptr<BodyReader> reader, const std::string& contentType,
              std::uint64_t* sent) {
  const auto size = static_cast<std::size_t>(reader->size());
  // The status is left to the library: 200, or 206 when the request asked for a range of the body.
  res.status = -1;
  ConnectionStream* stream = ConnectionStream::current();
  if (stream && stream->canSendFile()) {
    // Plain TCP: the kernel moves the file's pages to the socket, without a copy through here.
    res.set_content_provider(
        size, contentType,
        [reader, sent, stream](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
          const std::size_t piece = std::min(length, sizeof sentAheadStandIn);
          if (stream->sendFile(reader->fd(), offset, piece) <= 0) return false;
          // The library counts the answer's bytes by its writes; these are dropped as sent already.
          if (!sink.write(sentAheadStandIn, piece)) return false;
          if (sent) *sent += piece;
          return true;
        });
    return;
  }
  // One buffer for the whole answer, left uninitialised: the reads fill it. A typical document
  // (up to this size) leaves in one read and one write.
  constexpr std::size_t kChunk = 128 * 1024;
  const std::size_t capacity = std::min(std::max<std::size_t>(size, 1), kChunk);
  std::shared_ptr<char[]> buffer(new char[capacity]);
  res.set_content_provider(
      size, contentType,
      [reader, sent, buffer, capacity](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
        const std::size_t n = reader->read(buffer.get(), std::min(length, capacity), offset);
        if (n == 0 || !sink.write(buffer.get(), n)) return false;
        if (sent) *sent += n;
        return true;
      });
}

std::string rawQueryOf(const httplib::Request& req) {
  const auto mark = req.target.find('?');
  return mark == std::string::npos ? std::string() : req.target.substr(mark + 1);
}

void PageRequests::get(const httplib::Request& req, httplib::Response& res) {
  const std::string raw = rawQueryOf(req);
  const Query plain = Query::parse(raw);
  const auto type = plain.find("RequestType");
  if (!type) return refuse(res, 400, "the request names no RequestType");
  const bool list = *type == kSignatureList || *type == kSealMarkList || *type == options_.sealListType;
  Exchange& ex = note(req, *type, plain.value(*type == options_.sealPictureType ? "userName" : "filename"));
  if (!admit(req, ex, res, list)) return;
  if (*type == kDown) return answerDown(ex, raw, res);
  if (*type == kSignatureList) return answerMarkList(ex, raw, MarkKind::kSign, res);
  if (*type == kSealMarkList) return answerMarkList(ex, raw, MarkKind::kSeal, res);
  if (*type == options_.sealListType) return answerSealList(res);
  if (*type == options_.sealPictureType) return answerSealPicture(ex, raw, res);
  if (*type == kUpload || *type == kUploadFile) {
    res.set_header("Allow", "POST");
    return refuse(res, 405, "RequestType " + *type + " needs a POST with the file as the body");
  }
  refuse(res, 400, "unknown RequestType \"" + *type + "\"");
}

void PageRequests::answerDown(Exchange& ex, const std::string& rawQuery, httplib::Response& res) {
  const Query query = Query::parseOrdered(rawQuery, kDownOrder);
  const std::string name = query.value("filename");
  if (const std::string problem = nameProblem(name); !problem.empty()) {
    return refuse(res, 400, "filename: " + problem);
  }
  ex.audit.document = name;
  const Store::Resolved resolved = store_.resolveDocument(name);
  if (!covers(ex, resolved.document ? resolved.document->name : name, res, false)) return;
  if (!resolved.document) {
    return refuse(res, 404,
                  resolved.candidates > 1 ? "more than one folder holds a document named " + name
                                          : "no document named " + name);
  }
  auto opened = store_.openDocument(*resolved.document);
  if (!opened) return refuse(res, 404, "no document named " + name);
  ex.audit.document = opened->info.name;
  ex.audit.version = opened->info.version;
  res.set_header(kVersionHeader, versionTag(opened->info));
  sendBody(res, opened->reader, kContainerType, &ex.sent);
}

void PageRequests::answerMarkList(Exchange& ex, const std::string& rawQuery, MarkKind kind,
                                  httplib::Response& res) {
  const Query query = Query::parseOrdered(rawQuery, kListOrder);
  const std::string name = query.value("filename");
  if (const std::string problem = nameProblem(name); !problem.empty()) {
    return refuse(res, 400, "filename: " + problem, true);
  }
  const Store::Resolved resolved = store_.resolveDocument(name);
  if (!covers(ex, resolved.document ? resolved.document->name : name, res, true)) return;
  if (!resolved.document) {
    return refuse(res, 404,
                  resolved.candidates > 1 ? "more than one folder holds a document named " + name
                                          : "no document named " + name,
                  true);
  }
  MarkLists lists = store_.marks(resolved.document->name, kind);
  res.status = 200;
  res.set_content(
      text::toWire(listAnswer({std::move(lists.names), std::move(lists.ids), std::move(lists.times)})),
      listContentType());
}

void PageRequests::answerSealList(httplib::Response& res) {
  std::array<std::vector<std::string>, 3> groups;
  for (auto& owner : store_.owners()) {
    groups[0].push_back(std::move(owner.name));
    groups[1].push_back(std::move(owner.encodedPassword));
    groups[2].push_back(std::move(owner.pictureName));
  }
  res.status = 200;
  res.set_content(text::toWire(listAnswer(groups)), listContentType());
}

void PageRequests::answerSealPicture(Exchange& ex, const std::string& rawQuery, httplib::Response& res) {
  const Query query = Query::parseOrdered(rawQuery, kPictureOrder);
  const std::string owner = query.value("userName");
  const std::string file = query.value("fileName");
  if (owner.empty()) return refuse(res, 400, "userName is missing");
  if (const std::string problem = nameProblem(file); !problem.empty()) {
    return refuse(res, 400, "fileName: " + problem);
  }
  auto opened = store_.openOwnerPicture(owner);
  if (!opened) return refuse(res, 404, "no seal owner named " + owner);
  if (opened->info.pictureName != file) return refuse(res, 404, owner + " has no seal picture named " + file);
  ex.audit.document = owner;
  sendBody(res, opened->reader, kContainerType, &ex.sent);
}

void PageRequests::getDocumentFile(const httplib::Request& req, httplib::Response& res) {
  const std::string rest = rawPathAfter(req, options_.filesPath);
  Exchange& ex = note(req, "GET", text::fromWire(percentDecode(rest)));
  if (!admit(req, ex, res, false)) return;
  auto opened = findByPath(rest, [&](const std::string& name) -> std::optional<OpenedBody<DocumentInfo>> {
    if (!nameProblem(name).empty()) return std::nullopt;
    return store_.openDocument(name);
  });
  if (!opened) {
    const std::string name = text::fromWire(percentDecode(rest));
    const std::string problem = nameProblem(name);
    if (!problem.empty()) return refuse(res, 400, problem);
    if (!covers(ex, name, res, false)) return;
    return refuse(res, 404, "no document named " + name);
  }
  ex.audit.document = opened->info.name;
  if (!covers(ex, opened->info.name, res, false)) return;
  ex.audit.version = opened->info.version;
  res.set_header(kVersionHeader, versionTag(opened->info));
  sendBody(res, opened->reader, kContainerType, &ex.sent);
}

void PageRequests::getClientFile(const httplib::Request& req, httplib::Response& res) {
  const std::string rest = rawPathAfter(req, options_.clientFilesPath);
  Exchange& ex = exchanges_.of(req);
  ex.audit.type = "GET";
  ex.audit.document = text::fromWire(percentDecode(rest));
  if (!admit(req, ex, res, false)) return;
  auto opened = findByPath(rest, [&](const std::string& name) -> std::optional<OpenedBody<ClientFileInfo>> {
    if (!nameProblem(name).empty()) return std::nullopt;
    return store_.openClientFile(name);
  });
  if (!opened) {
    const std::string name = text::fromWire(percentDecode(rest));
    const std::string problem = nameProblem(name);
    if (!problem.empty()) return refuse(res, 400, problem);
    if (!covers(ex, name, res, false)) return;
    return refuse(res, 404, "no client file named " + name);
  }
  if (!covers(ex, opened->info.serverPath, res, false)) return;
  sendBody(res, opened->reader, "application/octet-stream", &ex.sent);
}

}  // namespace verolin::server
