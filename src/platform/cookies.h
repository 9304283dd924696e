// The browser's cookies: what the sites a page talks to have handed the browser (a web application's
// sign-in session, for one), sent with every request to the site they belong to. The request object
// asks the jar at each exchange; the stand-in jar is filled by the page script or the command line.
#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace verolin::platform {

struct Cookie {
  std::string name;
  std::string value;
};

class CookieJar {
 public:
  CookieJar() = default;
  CookieJar(const CookieJar&) = delete;
  CookieJar& operator=(const CookieJar&) = delete;
  virtual ~CookieJar() = default;

  // The cookies to send with a request to `url`: those of its host (compared without regard to case)
  // and those set for every site. Never fails; nothing for a text that names no host.
  virtual std::vector<Cookie> cookiesFor(std::string_view url) const = 0;
};

// The host name of an absolute URL, lower case, without credentials, port or IPv6 brackets; "" when
// there is none.
std::string hostOf(std::string_view url);

// A jar in memory, as a page script or `verolin run --cookie` fills it. Safe to use from many threads.
class MemoryCookieJar final : public CookieJar {
 public:
  // Sets (or replaces) cookie `name` for `site` (a host name; "" for every site). Throws
  // std::invalid_argument for a name that is no cookie name or a value a Cookie header cannot carry
  // (blanks, '"', ',', ';', '\', control characters).
  void set(const std::string& name, const std::string& value, const std::string& site = "");
  // Removes cookie `name` of `site`; true when there was one.
  bool remove(const std::string& name, const std::string& site = "");
  void clear();

  std::vector<Cookie> cookiesFor(std::string_view url) const override;

 private:
  struct Entry {
    std::string site;
    Cookie cookie;
  };
  mutable std::mutex mutex_;
  std::vector<Entry> entries_;  // in the order they were first set
};

}  // namespace verolin::platform
