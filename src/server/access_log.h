// The access log: one line per exchange in the combined log format that log analysers read, with the
// time in UTC, followed by the exchange's duration in seconds and, for a refusal, its reason:
//
//   10.0.0.7 - 张三 [07/Dec/2026:20:56:23 +0000] "GET /page?...&RequestType=DOWN HTTP/1.1" 200 5120 "-"
//   "curl/7.88.1" 0.004
//
// Written to standard error or to a file that log rotation may move away (reopen() then starts a new
// one under the old name).
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>

namespace verolin::server {

struct AccessEntry {
  std::string client;
  std::string user;       // "-" when unknown
  std::int64_t time = 0;  // seconds since 1970 UTC
  std::string method;
  std::string target;
  std::string version;  // "HTTP/1.1"
  int status = 0;
  std::uint64_t bytes = 0;  // body bytes sent
  std::string referer;
  std::string userAgent;
  double seconds = -1;  // duration; negative when unknown
  std::string reason;   // why it was refused; empty otherwise
};

std::string combinedLine(const AccessEntry& entry);

// A log file, appended to; safe to write from many threads.
class AccessLogFile {
 public:
  // Opens (creating) `file` for appending. Throws std::runtime_error when it cannot.
  explicit AccessLogFile(std::filesystem::path file);
  ~AccessLogFile();
  AccessLogFile(const AccessLogFile&) = delete;
  AccessLogFile& operator=(const AccessLogFile&) = delete;

  void write(const std::string& line);
  // Closes the file and opens its name again, after rotation moved it away. Keeps writing to the old
  // file (and returns false) when the name cannot be opened.
  bool reopen();

 private:
  std::filesystem::path path_;
  std::mutex mutex_;
  std::FILE* file_ = nullptr;
};

}  // namespace verolin::server
