#include "text/utf8.h"

#include <stdexcept>

namespace verolin::text {
namespace {

// Length in bytes of the character starting at s[i]; a malformed sequence counts as one byte.
std::size_t charLength(std::string_view s, std::size_t i) {
  const auto c = static_cast<unsigned char>(s[i]);
  std::size_t n = 1;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
  } else {
    return 1;
  }
  if (i + n > s.size()) return 1;
  for (std::size_t k = 1; k < n; ++k) {
    if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 1;
  }
  // Overlong forms, encoded surrogates and values past U+10FFFF are not characters.
  const auto second = static_cast<unsigned char>(s[i + 1]);
  if ((c == 0xE0 && second < 0xA0) || (c == 0xED && second >= 0xA0) || (c == 0xF0 && second < 0x90) ||
      (c == 0xF4 && second >= 0x90))
    return 1;
  return n;
}

}  // namespace

std::size_t length(std::string_view s) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < s.size(); i += charLength(s, i)) ++count;
  return count;
}

std::size_t byteOffset(std::string_view s, std::size_t pos) {
  std::size_t i = 0;
  for (std::size_t k = 1; k < pos && i < s.size(); ++k) i += charLength(s, i);
  return i;
}

std::string left(std::string_view s, std::size_t n) { return std::string(s.substr(0, byteOffset(s, n + 1))); }

std::string right(std::string_view s, std::size_t n) {
  const std::size_t len = length(s);
  if (n >= len) return std::string(s);
  return std::string(s.substr(byteOffset(s, len - n + 1)));
}

std::string mid(std::string_view s, std::size_t start, std::size_t n) {
  if (start == 0) start = 1;
  const std::size_t from = byteOffset(s, start);
  if (from >= s.size()) return {};
  std::string_view rest = s.substr(from);
  if (n == std::string_view::npos) return std::string(rest);
  return std::string(rest.substr(0, byteOffset(rest, n + 1)));
}

std::size_t find(std::string_view s, std::string_view needle, std::size_t start) {
  if (start == 0) start = 1;
  const std::size_t len = length(s);
  if (start > len + 1) return 0;
  const std::size_t from = byteOffset(s, start);
  const std::size_t at = s.find(needle, from);
  if (at == std::string_view::npos) return 0;
  return length(s.substr(0, at)) + 1;
}

std::size_t findLast(std::string_view s, std::string_view needle) {
  const std::size_t at = s.rfind(needle);
  if (at == std::string_view::npos) return 0;
  return length(s.substr(0, at)) + 1;
}

std::vector<std::string> split(std::string_view s, std::string_view separator) {
  if (separator.empty()) throw std::invalid_argument("split: empty separator");
  std::vector<std::string> parts;
  std::size_t from = 0;
  for (;;) {
    const std::size_t at = s.find(separator, from);
    if (at == std::string_view::npos) {
      parts.emplace_back(s.substr(from));
      return parts;
    }
    parts.emplace_back(s.substr(from, at - from));
    from = at + separator.size();
  }
}

std::u32string toCodePoints(std::string_view s) {
  std::u32string out;
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t n = charLength(s, i);
    const auto c = static_cast<unsigned char>(s[i]);
    char32_t cp;
    if (n == 1) {
      cp = c < 0x80 ? c : 0xFFFD;
    } else {
      cp = c & (0xFF >> (n + 1));
      for (std::size_t k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
      // Overlong or surrogate forms are not characters.
      if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF))
        cp = 0xFFFD;
    }
    out.push_back(cp);
    i += n;
  }
  return out;
}

std::string fromCodePoint(char32_t cp) {
  std::string out;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
  return out;
}

bool isValid(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t n = charLength(s, i);
    if (n == 1 && static_cast<unsigned char>(s[i]) >= 0x80) return false;
    i += n;
  }
  return true;
}

std::string toLowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace verolin::text
