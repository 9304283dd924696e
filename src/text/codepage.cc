#include "text/codepage.h"

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

}  // namespace

std::string wireCodePage() {
  std::lock_guard lock(pageMutex());
  return pageName();
}

void setWireCodePage(std::string_view name) {
  const std::string n(name);
  if (!codePageKnown(n)) throw std::invalid_argument("unknown code page: " + n);
  std::lock_guard lock(pageMutex());
  pageName() = n;
}

std::string convert(std::string_view input, const char* from, const char* to) {
  const bool fromUtf8 = std::string_view(from) == "UTF-8";
  return convertLenient(input, from, to, fromUtf8);
}

std::string toWire(std::string_view utf8) {
  const std::string page = wireCodePage();
  return convertLenient(utf8, "UTF-8", page.c_str(), true);
}

std::string fromWire(std::string_view bytes) {
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
