// The two POSTs of the page: the edited document with its new marks, and any client file.
#include <string>

#include "crypto/container_format.h"
#include "crypto/crypto.h"
#include "server/list_answer.h"
#include "server/names.h"
#include "server/page_requests.h"
#include "server/query.h"
#include "server/versions.h"

namespace verolin::server {
namespace {

constexpr std::string_view kUploadOrder[] = {"Dn",      "Dt",       "Di",       "Sn",          "St",  "Si",
                                             "linkstr", "splitstr", "savetype", "RequestType", "path"};
constexpr std::string_view kUploadFileOrder[] = {"RequestType", "CLIENT", "SERVER"};

// A refusal sent before the body was read: the connection cannot carry another request after it.
void refuseUnread(httplib::Response& res, int status, const std::string& reason) {
  res.set_header("Connection", "close");
  refuse(res, status, reason);
}

// Reads the request body into `body`, keeping its first bytes in `head`. False when the answer is
// already set: too large (413), a form instead of the file's bytes (415), a broken-off body (400), a
// full disk (500).
bool receiveBody(const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& reader,
                 std::size_t maxBytes, StagedBody& body, std::string& head) {
  if (req.has_header("Content-Length") && req.get_header_value<std::uint64_t>("Content-Length") > maxBytes) {
    refuseUnread(res, 413, "the body is larger than " + std::to_string(maxBytes) + " bytes");
    return false;
  }
  if (req.is_multipart_form_data()) {
    refuseUnread(res, 415, "send the file's bytes as the body, not a form");
    return false;
  }
  bool tooLarge = false;
  std::string writeError;
  const bool complete = reader([&](const char* data, std::size_t size) {
    if (body.size() + size > maxBytes) {
      tooLarge = true;
      return false;
    }
    if (head.size() < crypto::kHeaderSize) {
      head.append(data, std::min(size, crypto::kHeaderSize - head.size()));
    }
    try {
      body.write(data, size);
    } catch (const StoreError& e) {
      writeError = e.what();
      return false;
    }
    return true;
  });
  if (complete) return true;
  if (tooLarge || res.status == 413) {
    refuseUnread(res, 413, "the body is larger than " + std::to_string(maxBytes) + " bytes");
  } else if (!writeError.empty()) {
    refuseUnread(res, 500, writeError);
  } else {
    refuseUnread(res, 400, "the body was broken off; nothing was stored");
  }
  return false;
}

MarkLists markLists(const Query& query, std::string_view names, std::string_view times, std::string_view ids,
                    const std::string& terminator) {
  return {splitList(query.value(names), terminator), splitList(query.value(ids), terminator),
          splitList(query.value(times), terminator)};
}

}  // namespace

void PageRequests::post(const httplib::Request& req, httplib::Response& res,
                        const httplib::ContentReader& reader) {
  const std::string raw = rawQueryOf(req);
  const Query plain = Query::parse(raw);
  const auto type = plain.find("RequestType");
  if (!type) return refuseUnread(res, 400, "the request names no RequestType");
  Exchange& ex = note(req, *type, plain.value(*type == kUploadFile ? "SERVER" : "path"));
  if (!admit(req, ex, res, false, true)) return;
  if (*type == kUpload) return receiveUpload(ex, req, raw, res, reader);
  if (*type == kUploadFile) return receiveClientFile(ex, req, raw, res, reader);
  if (*type == kDown || *type == kSignatureList || *type == kSealMarkList || *type == options_.sealListType ||
      *type == options_.sealPictureType) {
    res.set_header("Allow", "GET");
    return refuseUnread(res, 405, "RequestType " + *type + " is a GET");
  }
  refuseUnread(res, 400, "unknown RequestType \"" + *type + "\"");
}

void PageRequests::receiveUpload(Exchange& ex, const httplib::Request& req, const std::string& rawQuery,
                                 httplib::Response& res, const httplib::ContentReader& reader) {
  const Query query = Query::parseOrdered(rawQuery, kUploadOrder);
  const std::string path = query.value("path");
  ex.audit.document = path;
  if (const std::string problem = nameProblem(path); !problem.empty()) {
    return refuseUnread(res, 400, "path: " + problem);
  }
  if (!covers(ex, path, res, false, true)) return;
  const std::string terminator = query.find("splitstr").value_or(std::string(kDefaultSplitStr));
  const MarkLists seals = markLists(query, "Dn", "Dt", "Di", terminator);
  const MarkLists signs = markLists(query, "Sn", "St", "Si", terminator);
  if (terminator.empty() && !(seals.empty() && signs.empty())) {
    return refuseUnread(res, 400, "splitstr is empty, so the mark lists cannot be split");
  }

  const std::string basedOn = req.get_header_value(kBasedOnHeader);
  if (basedOn.empty() && options_.requireVersion) {
    return refuseUnread(res, 428,
                        "this server stores only uploads that name the version they are based on (If-Match)");
  }

  StagedBody body = store_.stage();
  std::string head;
  if (!receiveBody(req, res, reader, options_.maxBodyBytes, body, head)) return;
  // Anything but a container the control can open would replace a good document with a lost one.
  try {
    crypto::verifyHeader(head, crypto::deriveFileKeys(crypto::kTransferPassword));
    if (body.size() <= crypto::kHeaderSize)
      throw crypto::CipherError(crypto::CipherFault::kNoBody, "no body");
  } catch (const crypto::CipherError& e) {
    return refuse(res, 400,
                  std::string("the body is not a document container of the transfer password (") + e.what() +
                      "); nothing was stored");
  }
  const auto size = body.size();
  ex.audit.bytes = size;
  // Without sessions the page knows no users; a copy is then named after the document and the time.
  const UploadOutcome outcome =
      store_.saveUpload(path, std::move(body), seals, signs, basedOn, ex.session ? ex.session->user : "");
  if (outcome.conflict) {
    const std::string& copy = outcome.conflict->name;
    refuse(res, 409,
           path + " changed since the version this upload is based on; the upload was kept whole as " + copy);
    res.set_header(kConflictCopyHeader, headerText(copy));
    return;
  }
  ex.audit.version = outcome.stored.version;
  res.status = 200;
  res.set_header(kVersionHeader, versionTag(outcome.stored));
  res.set_content("OK stored " + path + " (" + std::to_string(size) + " bytes)\n",
                  "text/plain; charset=utf-8");
}

void PageRequests::receiveClientFile(Exchange& ex, const httplib::Request& req, const std::string& rawQuery,
                                     httplib::Response& res, const httplib::ContentReader& reader) {
  const Query query = Query::parseOrdered(rawQuery, kUploadFileOrder);
  const std::string serverPath = query.value("SERVER");
  ex.audit.document = serverPath;
  if (const std::string problem = nameProblem(serverPath); !problem.empty()) {
    return refuseUnread(res, 400, "SERVER: " + problem);
  }
  if (!covers(ex, serverPath, res, false, true)) return;
  StagedBody body = store_.stage();
  std::string head;
  if (!receiveBody(req, res, reader, options_.maxBodyBytes, body, head)) return;
  const auto size = body.size();
  ex.audit.bytes = size;
  store_.saveClientFile(serverPath, query.value("CLIENT"), std::move(body));
  res.status = 200;
  res.set_content("OK stored " + serverPath + " (" + std::to_string(size) + " bytes)\n",
                  "text/plain; charset=utf-8");
}

}  // namespace verolin::server
