#include "server/access_log.h"

#include <ctime>
#include <stdexcept>
#include <system_error>

namespace verolin::server {
namespace {

// Quotes, backslashes, blanks and bytes outside printable ASCII become \xNN, so that every field stays
// one field; a user's name (UTF-8) keeps its letters.
std::string escaped(const std::string& text, bool keepUtf8) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F || c == '"' || c == '\\' || (u >= 0x80 && !keepUtf8)) {
      out += "\\x";
      out += kHex[u >> 4];
      out += kHex[u & 15];
    } else {
      out += c;
    }
  }
  return out;
}

std::string orDash(const std::string& text, bool keepUtf8 = false) {
  return text.empty() ? "-" : escaped(text, keepUtf8);
}

std::string userField(const std::string& user) {
  std::string out = orDash(user, true);
  for (char& c : out) {
    if (c == ' ') c = '_';
  }
  return out;
}

}  // namespace

std::string combinedLine(const AccessEntry& e) {
  const auto t = static_cast<std::time_t>(e.time);
  std::tm parts{};
  gmtime_r(&t, &parts);
  char stamp[40];
  std::strftime(stamp, sizeof stamp, "[%d/%b/%Y:%H:%M:%S +0000]", &parts);
  std::string line = orDash(e.client) + " - " + userField(e.user) + " " + stamp + " \"" +
                     escaped(e.method, false) + " " + escaped(e.target, false) + " " +
                     escaped(e.version, false) + "\" " + std::to_string(e.status) + " " +
                     (e.bytes ? std::to_string(e.bytes) : "-") + " \"" + orDash(e.referer) + "\" \"" +
                     orDash(e.userAgent) + "\"";
  if (e.seconds >= 0) {
    char duration[32];
    std::snprintf(duration, sizeof duration, " %.3f", e.seconds);
    line += duration;
  } else {
    line += " -";
  }
  if (!e.reason.empty()) line += " \"" + escaped(e.reason, true) + "\"";
  return line;
}

AccessLogFile::AccessLogFile(std::filesystem::path file) : path_(std::move(file)) {
  file_ = std::fopen(path_.c_str(), "a");
  if (!file_) {
    throw std::runtime_error("cannot open the access log " + path_.string() + ": " +
                             std::generic_category().message(errno));
  }
}

AccessLogFile::~AccessLogFile() {
  if (file_) std::fclose(file_);
}

void AccessLogFile::write(const std::string& line) {
  std::lock_guard lock(mutex_);
  std::fputs(line.c_str(), file_);
  std::fputc('\n', file_);
  std::fflush(file_);
}

bool AccessLogFile::reopen() {
  std::FILE* fresh = std::fopen(path_.c_str(), "a");
  if (!fresh) return false;
  std::lock_guard lock(mutex_);
  std::fclose(file_);
  file_ = fresh;
  return true;
}

}  // namespace verolin::server
