#include "platform/http_wire.h"

#include <algorithm>

#include "text/codepage.h"
#include "text/utf8.h"

namespace verolin::platform {
namespace {

constexpr const char* kHexDigits = "0123456789ABCDEF";

bool isHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

void appendEscaped(std::string& out, unsigned char byte) {
  out += '%';
  out += kHexDigits[byte >> 4];
  out += kHexDigits[byte & 0x0F];
}

// Bytes of the UTF-8 sequence that `lead` starts (1 for anything that starts none).
std::size_t sequenceLength(unsigned char lead) {
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
  if (lead >= 0xC2) return 2;
  return 1;
}

}  // namespace

std::string withoutCredentials(std::string_view url) {
  const auto scheme = url.find("://");
  if (scheme == std::string_view::npos) return std::string(url);
  const auto start = scheme + 3;
  const auto end = url.find_first_of("/?#", start);
  const auto at = url.substr(start, end == std::string_view::npos ? end : end - start).rfind('@');
  if (at == std::string_view::npos) return std::string(url);
  return std::string(url.substr(0, start)) + "***" + std::string(url.substr(start + at));
}

std::string wireUrl(std::string_view url) {
  std::string out;
  out.reserve(url.size());
  std::size_t i = 0;
  while (i < url.size()) {
    const auto byte = static_cast<unsigned char>(url[i]);
    if (byte >= 0x80) {
      const std::size_t n = std::min(sequenceLength(byte), url.size() - i);
      const std::string_view character = url.substr(i, n);
      if (n > 1 && text::isValid(character)) {
        for (unsigned char b : text::toWire(character)) appendEscaped(out, b);
        i += n;
      } else {
        appendEscaped(out, byte);
        ++i;
      }
      continue;
    }
    const bool escapeStart = byte == '%' && i + 2 < url.size() && isHex(url[i + 1]) && isHex(url[i + 2]);
    if (byte < 0x20 || byte == 0x7F || byte == ' ' || byte == '#' || byte == '"' || byte == '<' ||
        byte == '>' || (byte == '%' && !escapeStart)) {
      appendEscaped(out, byte);
    } else {
      out += static_cast<char>(byte);
    }
    ++i;
  }
  return out;
}

}  // namespace verolin::platform
