#include <algorithm>
#include <stdexcept>

#include "platform/cookies.h"
#include "text/utf8.h"

namespace verolin::platform {
namespace {

bool isTokenCharacter(char c) {
  const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
  return alnum || std::string_view("!#$&'*+-.^_`|~").find(c) != std::string_view::npos;
}

bool isValueCharacter(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u > 0x20 && u < 0x7F && c != '"' && c != ',' && c != ';' && c != '\\';
}

}  // namespace

std::string hostOf(std::string_view url) {
  const auto scheme = url.find("://");
  if (scheme == std::string_view::npos) return {};
  std::string_view rest = url.substr(scheme + 3);
  rest = rest.substr(0, rest.find_first_of("/?#"));
  if (const auto at = rest.rfind('@'); at != std::string_view::npos) rest.remove_prefix(at + 1);
  if (!rest.empty() && rest.front() == '[') {
    const auto close = rest.find(']');
    rest = close == std::string_view::npos ? std::string_view() : rest.substr(1, close - 1);
  } else {
    rest = rest.substr(0, rest.find(':'));
  }
  return text::toLowerAscii(std::string(rest));
}

void MemoryCookieJar::set(const std::string& name, const std::string& value, const std::string& site) {
  if (name.empty() || !std::all_of(name.begin(), name.end(), isTokenCharacter)) {
    throw std::invalid_argument("\"" + name + "\" is not a cookie name");
  }
  if (!std::all_of(value.begin(), value.end(), isValueCharacter)) {
    throw std::invalid_argument("the value of cookie " + name +
                                " holds a blank, a quote, a comma, a semicolon, a backslash or a control "
                                "character");
  }
  const std::string host = text::toLowerAscii(site);
  std::lock_guard lock(mutex_);
  for (auto& e : entries_) {
    if (e.site == host && e.cookie.name == name) {
      e.cookie.value = value;
      return;
    }
  }
  entries_.push_back({host, {name, value}});
}

bool MemoryCookieJar::remove(const std::string& name, const std::string& site) {
  const std::string host = text::toLowerAscii(site);
  std::lock_guard lock(mutex_);
  const auto before = entries_.size();
  std::erase_if(entries_, [&](const Entry& e) { return e.site == host && e.cookie.name == name; });
  return entries_.size() != before;
}

void MemoryCookieJar::clear() {
  std::lock_guard lock(mutex_);
  entries_.clear();
}

std::vector<Cookie> MemoryCookieJar::cookiesFor(std::string_view url) const {
  const std::string host = hostOf(url);
  std::vector<Cookie> out;
  if (host.empty()) return out;
  std::lock_guard lock(mutex_);
  // A cookie of the site itself goes before one of the same name set for every site, as a browser
  // sends the more specific first.
  for (const auto& e : entries_) {
    if (e.site == host) out.push_back(e.cookie);
  }
  for (const auto& e : entries_) {
    if (e.site.empty()) out.push_back(e.cookie);
  }
  return out;
}

}  // namespace verolin::platform
