#include "server/versions.h"

#include <ctime>

#include "server/names.h"

namespace verolin::server {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";

// Splits `name` into the part before the first "." of its last segment and the rest.
std::pair<std::string, std::string> splitAtFirstDot(const std::string& name) {
  const auto slash = name.rfind('/');
  const std::size_t leafStart = slash == std::string::npos ? 0 : slash + 1;
  const auto dot = name.find('.', leafStart);
  if (dot == std::string::npos) return {name, ""};
  return {name.substr(0, dot), name.substr(dot)};
}

std::string localStamp(std::int64_t time) {
  const auto t = static_cast<std::time_t>(time);
  std::tm parts{};
  localtime_r(&t, &parts);
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &parts);
  return text;
}

// A user name as part of a file name the control puts into URLs unescaped.
std::string safeUserPart(const std::string& user) {
  std::string out;
  for (const char c : user) {
    const auto u = static_cast<unsigned char>(c);
    const bool unsafe =
        u < 0x20 || u == 0x7F || std::string_view("./\\:#%&?=+ \"<>|*").find(c) != std::string_view::npos;
    out += unsafe ? '_' : c;
  }
  return out;
}

std::string copyName(const std::string& document, const std::string& what, std::int64_t time) {
  const auto [stem, rest] = splitAtFirstDot(document);
  std::string name = stem + "-" + what + "-" + localStamp(time) + rest;
  // A document name near the length limit: the copy keeps its folder and extension, not its stem.
  if (!nameProblem(name).empty()) {
    const auto slash = stem.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : stem.substr(0, slash + 1);
    name = folder + what + "-" + localStamp(time) + rest;
  }
  return name;
}

}  // namespace

std::string versionTag(const DocumentInfo& document) {
  const auto dot = document.body.find('.');
  return "\"" + std::to_string(document.version) + "-" + document.body.substr(0, dot) + "\"";
}

bool ifMatchNames(std::string_view ifMatch, std::string_view currentTag) {
  std::size_t start = 0;
  while (start <= ifMatch.size()) {
    auto end = ifMatch.find(',', start);
    if (end == std::string_view::npos) end = ifMatch.size();
    std::string_view item = ifMatch.substr(start, end - start);
    while (!item.empty() && (item.front() == ' ' || item.front() == '\t')) item.remove_prefix(1);
    while (!item.empty() && (item.back() == ' ' || item.back() == '\t')) item.remove_suffix(1);
    if (item == "*" || item == currentTag) return true;
    start = end + 1;
  }
  return false;
}

std::string conflictCopyName(const std::string& document, const std::string& user, std::int64_t time) {
  const std::string who = safeUserPart(user);
  return copyName(document, who.empty() ? "conflict" : "conflict-" + who, time);
}

std::string previousVersionName(const std::string& document, std::int64_t time) {
  return copyName(document, "previous", time);
}

std::string numberedName(const std::string& name, int number) {
  const auto [stem, rest] = splitAtFirstDot(name);
  return stem + "-" + std::to_string(number) + rest;
}

std::string headerText(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u >= 0x7F || c == '%') {
      out += '%';
      out += kHex[u >> 4];
      out += kHex[u & 15];
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace verolin::server
