// The query text of a request to the page. The control builds it by plain concatenation, values
// unescaped, in a fixed order of keys per request; its HTTP component then sends non-ASCII characters
// in the wire code page, usually percent-encoded. So values are percent-decoded to bytes and converted
// from the wire code page, keys are compared exactly (case matters), and when the keys stand in the
// control's order a value may even hold "&" or "=".
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace verolin::server {

class Query {
 public:
  // Splits `raw` (the text after "?") at "&" and each pair at its first "=".
  static Query parse(std::string_view raw);

  // When `raw` holds exactly the keys of `order`, in that order (each "key=" after the first preceded
  // by "&"), each value runs up to "&" + next key + "="; otherwise the same as parse(raw).
  static Query parseOrdered(std::string_view raw, std::span<const std::string_view> order);

  // The first value of `key` (UTF-8), or nothing when the key is absent.
  std::optional<std::string> find(std::string_view key) const;
  // The first value of `key`, "" when absent.
  std::string value(std::string_view key) const { return find(key).value_or(std::string()); }

 private:
  std::vector<std::pair<std::string, std::string>> pairs_;
};

// "%" and two hexadecimal digits become that byte; everything else, "+" included, stays as it is
// (the control never writes a blank as "+").
std::string percentDecode(std::string_view raw);

// A raw query value or path as text: percent-decoded, then converted from the wire code page.
std::string decodeWireText(std::string_view raw);

}  // namespace verolin::server
