// The answers of the page. Every request names its operation in the query key "RequestType":
//
//   POST UPLOAD            the edited document (a container) under `path`, plus the new marks
//   GET  DOWN              the stored container named by `filename`
//   GET  GetHandWritdData  list answer: the document's signatures (names, identifiers, times)
//   GET  GetSignInfoData   list answer: the document's seals
//   GET  <seal list type>  list answer: owner names, encoded seal passwords, picture file names
//   GET  <seal picture>    the owner's seal picture, a container encrypted with the owner's password
//   POST UPLOADFILE        any client file, stored as sent under `SERVER`
//
// and, outside the page, plain GETs of stored documents and client files by name.
#pragma once

#include <httplib.h>

#include <string>
#include <string_view>

#include "server/exchange.h"
#include "server/server.h"
#include "server/store.h"

namespace verolin::server {

class PageRequests {
 public:
  PageRequests(Store& store, const ServerOptions& options, Exchanges& exchanges)
      : store_(store), options_(options), exchanges_(exchanges) {}

  void get(const httplib::Request& req, httplib::Response& res);
  void post(const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& reader);
  // Plain-URL mode: GET filesPath + "/" + document name, clientFilesPath + "/" + server path.
  void getDocumentFile(const httplib::Request& req, httplib::Response& res);
  void getClientFile(const httplib::Request& req, httplib::Response& res);

 private:
  void answerDown(Exchange& ex, const std::string& rawQuery, httplib::Response& res);
  void answerMarkList(Exchange& ex, const std::string& rawQuery, MarkKind kind, httplib::Response& res);
  void answerSealList(httplib::Response& res);
  void answerSealPicture(Exchange& ex, const std::string& rawQuery, httplib::Response& res);
  void receiveUpload(Exchange& ex, const httplib::Request& req, const std::string& rawQuery,
                     httplib::Response& res, const httplib::ContentReader& reader);
  void receiveClientFile(Exchange& ex, const httplib::Request& req, const std::string& rawQuery,
                         httplib::Response& res, const httplib::ContentReader& reader);

  // Sessions (access.cc). The exchange of `req`, with what the audit trail records of its request
  // type; `document` is what the request names, until the answer knows better.
  Exchange& note(const httplib::Request& req, const std::string& type, const std::string& document);
  // True when the request may go on: no secret is set, or it carries a valid session. Otherwise the
  // answer is 403 (an empty body for list requests; the connection closes when `bodyUnread`).
  bool admit(const httplib::Request& req, Exchange& ex, httplib::Response& res, bool emptyBody,
             bool bodyUnread = false);
  // True when the exchange's session may use `name`; otherwise refuses as admit does.
  bool covers(Exchange& ex, const std::string& name, httplib::Response& res, bool emptyBody,
              bool bodyUnread = false);

  Store& store_;
  const ServerOptions& options_;
  Exchanges& exchanges_;
};

// The request types of the control's catalogue with fixed names.
inline constexpr std::string_view kUpload = "UPLOAD";
inline constexpr std::string_view kDown = "DOWN";
inline constexpr std::string_view kSignatureList = "GetHandWritdData";
inline constexpr std::string_view kSealMarkList = "GetSignInfoData";
inline constexpr std::string_view kUploadFile = "UPLOADFILE";

// Header that carries the reason of a refusal; list answers keep their body empty even then, since
// the control would read any text of five characters or more as lists.
inline constexpr const char* kErrorHeader = "X-Verolin-Error";

// Version tags: every document answer names the stored version in ETag, and an upload may name the
// version it is based on in If-Match. An upload based on an older version is kept as a conflict
// copy and answered 409, with the copy's name (percent-encoded UTF-8) in this header.
inline constexpr const char* kVersionHeader = "ETag";
inline constexpr const char* kBasedOnHeader = "If-Match";
inline constexpr const char* kConflictCopyHeader = "X-Verolin-Conflict-Copy";

// Sets a refusal: status, reason header and (unless `emptyBody`) the reason as a text body.
void refuse(httplib::Response& res, int status, const std::string& reason, bool emptyBody = false);

// Answers with a stored body, streamed from the open file; `sent` (when given) counts the bytes that
// went out and must outlive the answer.
void sendBody(httplib::Response& res, std::shared_ptr<BodyReader> reader, const std::string& contentType,
              std::uint64_t* sent = nullptr);

// The text after "?" of the request target, as it came (still percent-encoded).
std::string rawQueryOf(const httplib::Request& req);

}  // namespace verolin::server
