#include "text/codepage.h"

#include <atomic>
#include <mutex>
#include <stdexcept>

#include "text/code_converter.h"
#include "text/utf8.h"

namespace verolin::text {
namespace {

std::mutex& pageMutex() {
  static std::mutex m;
  return m;
}

std::string& pageName() {
  static std::string name = "GBK";
  return name;
}

// Whether `page` writes every ASCII character as its own byte. Most code pages do, and a name, a
// query key or a number is then the same text on both sides; some (Shift_JIS's yen sign for the
// backslash, UTF-16) do not, and always go through the converter.
bool keepsAscii(const std::string& page) {
  std::string ascii(128, '\0');
  for (int c = 0; c < 128; ++c) ascii[static_cast<std::size_t>(c)] = static_cast<char>(c);
  try {
    return convertLenient(ascii, "UTF-8", page.c_str(), true) == ascii &&
           convertLenient(ascii, page.c_str(), "UTF-8", false) == ascii;
  } catch (const std::invalid_argument&) {
    return false;
  }
}

// Whether the wire code page keeps ASCII; written with the page's name.
std::atomic<bool>& pageKeepsAscii() {
  static std::atomic<bool> keeps{keepsAscii(pageName())};
  return keeps;
}

bool isAscii(std::string_view bytes) {
  for (const char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

}  // namespace

std::string wireCodePage() {
  std::lock_guard lock(pageMutex());
  return pageName();
}

void setWireCodePage(std::string_view name) {
  const std::string n(name);
  if (!codePageKnown(n)) throw std::invalid_argument("unknown code page: " + n);
  const bool keeps = keepsAscii(n);
  std::lock_guard lock(pageMutex());
  // Never the new name with the old page's answer: a reader that sees true meets a page that keeps ASCII.
  pageKeepsAscii() = false;
  pageName() = n;
  pageKeepsAscii() = keeps;
}

std::string convert(std::string_view input, const char* from, const char* to) {
  const bool fromUtf8 = std::string_view(from) == "UTF-8";
  return convertLenient(input, from, to, fromUtf8);
}

std::string toWire(std::string_view utf8) {
  if (isAscii(utf8) && pageKeepsAscii()) return std::string(utf8);
  const std::string page = wireCodePage();
  return convertLenient(utf8, "UTF-8", page.c_str(), true);
}

std::string fromWire(std::string_view bytes) {
  if (isAscii(bytes) && pageKeepsAscii()) return std::string(bytes);
  const std::string page = wireCodePage();
  return convertLenient(bytes, page.c_str(), "UTF-8", false);
}

std::int16_t ansiCode(std::string_view utf8Character) {
  if (utf8Character.empty()) return 0;
  const std::string first = left(utf8Character, 1);
  const std::string bytes = toWire(first);
  if (bytes.empty()) return 0;
  if (bytes.size() == 1) return static_cast<std::int16_t>(static_cast<unsigned char>(bytes[0]));
  const unsigned value = (static_cast<unsigned char>(bytes[0]) << 8) | static_cast<unsigned char>(bytes[1]);
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
}

}  // namespace verolin::text
