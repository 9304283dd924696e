// The audit trail: one row per document upload and download, client-file upload, seal list and seal
// picture answer, and per request refused for want of a session: who (the session's user), from where,
// what and with which outcome. Kept in the store beside the documents, written by the server and read
// by `verolin audit`.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace verolin::server {

struct AuditRecord {
  std::int64_t time = 0;     // seconds since 1970 UTC
  std::string user = "-";    // from the session; "-" when the request carried none that holds
  std::string client;        // the client's address (the forwarded one behind a trusted proxy)
  std::string type;          // the RequestType, or "GET" for a document fetched by its plain URL
  std::string document;      // document, client file or seal owner the request named
  std::int64_t version = 0;  // the version served or stored; 0 when none
  std::uint64_t bytes = 0;   // body bytes sent (downloads) or received (uploads)
  int status = 0;            // the HTTP status answered
};

struct AuditFilter {
  std::string document;    // only rows of this document; empty: all
  std::int64_t since = 0;  // only rows at or after this time
  std::size_t limit = 0;   // only the newest this many (still listed oldest first); 0: all
};

// "2026-12-07T20:56:23Z": the form the audit lists times in.
std::string utcText(std::int64_t seconds);

// Seconds since 1970 UTC for "YYYY-MM-DD", "YYYY-MM-DDThh:mm[:ss][Z]" (also with a blank for "T"),
// all read as UTC, or a duration back from `now` ("24h", "7d"). Nothing for anything else.
std::optional<std::int64_t> parseSince(const std::string& text, std::int64_t now);

// One row as a JSON object on one line.
std::string auditJson(const AuditRecord& record);

}  // namespace verolin::server
