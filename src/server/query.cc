#include "server/query.h"

#include "text/codepage.h"

namespace verolin::server {
namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string percentDecode(std::string_view raw) {
  std::string out;
  out.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '%' && i + 2 < raw.size()) {
      const int hi = hexDigit(raw[i + 1]);
      const int lo = hexDigit(raw[i + 2]);
      if (hi >= 0 && lo >= 0) {
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
        continue;
      }
    }
    out += raw[i];
  }
  return out;
}

std::string decodeWireText(std::string_view raw) {
  return text::fromWire(percentDecode(raw));
}

Query Query::parse(std::string_view raw) {
  Query query;
  std::size_t start = 0;
  while (start <= raw.size()) {
    std::size_t end = raw.find('&', start);
    if (end == std::string_view::npos) end = raw.size();
    const std::string_view pair = raw.substr(start, end - start);
    if (!pair.empty()) {
      const std::size_t eq = pair.find('=');
      const std::string_view key = pair.substr(0, eq);
      const std::string_view value = eq == std::string_view::npos ? std::string_view() : pair.substr(eq + 1);
      query.pairs_.emplace_back(percentDecode(key), decodeWireText(value));
    }
    start = end + 1;
  }
  return query;
}

Query Query::parseOrdered(std::string_view raw, std::span<const std::string_view> order) {
  if (order.empty()) return parse(raw);
  const std::string first = std::string(order[0]) + "=";
  if (raw.substr(0, first.size()) != first) return parse(raw);
  Query query;
  std::size_t pos = first.size();
  for (std::size_t i = 1; i < order.size(); ++i) {
    const std::string delimiter = "&" + std::string(order[i]) + "=";
    const std::size_t found = raw.find(delimiter, pos);
    if (found == std::string_view::npos) return parse(raw);
    query.pairs_.emplace_back(std::string(order[i - 1]), decodeWireText(raw.substr(pos, found - pos)));
    pos = found + delimiter.size();
  }
  query.pairs_.emplace_back(std::string(order.back()), decodeWireText(raw.substr(pos)));
  return query;
}

std::optional<std::string> Query::find(std::string_view key) const {
  for (const auto& [k, v] : pairs_) {
    if (k == key) return v;
  }
  return std::nullopt;
}

}  // namespace verolin::server
