#include "text/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <mutex>
#include <stdexcept>

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

// glibc's iconv drops the Unicode tag characters (U+E0000 to U+E007F) that a code page cannot hold
// without an error; like every other such character, each becomes '?' instead of vanishing.
std::string tagsAsQuestionMarks(std::string_view utf8) {
  std::string out;
  std::size_t from = 0;
  for (std::size_t at = utf8.find("\xF3\xA0"); at != std::string_view::npos;
       at = utf8.find("\xF3\xA0", at + 1)) {
    if (at + 3 >= utf8.size()) break;
    const auto third = static_cast<unsigned char>(utf8[at + 2]);
    const auto fourth = static_cast<unsigned char>(utf8[at + 3]);
    if ((third != 0x80 && third != 0x81) || fourth < 0x80 || fourth > 0xBF) continue;
    out.append(utf8.substr(from, at - from));
    out += '?';
    from = at + 4;
  }
  out.append(utf8.substr(from));
  return out;
}

// Converts one character at a time when the whole run fails, so one bad character costs one '?'.
std::string convertRun(std::string_view input, const char* from, const char* to, bool fromUtf8) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1))
    throw std::invalid_argument(std::string("unknown code page: ") + from + "/" + to);
  std::string out;
  out.reserve(input.size() * 2);
  std::size_t i = 0;
  char buffer[64];
  while (i < input.size()) {
    char* in = const_cast<char*>(input.data() + i);
    std::size_t inLeft = input.size() - i;
    char* o = buffer;
    std::size_t oLeft = sizeof buffer;
    const std::size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
    out.append(buffer, static_cast<std::size_t>(o - buffer));
    i = input.size() - inLeft;
    if (r == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL: replace one input character and go on.
      out += fromUtf8 ? std::string("?") : std::string("\xEF\xBF\xBD");
      if (fromUtf8) {
        i += byteOffset(input.substr(i), 2);
      } else {
        ++i;
      }
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  // Converters that wait for combining marks (Hebrew, Vietnamese) give the last character only now.
  char* o = buffer;
  std::size_t oLeft = sizeof buffer;
  if (iconv(cd, nullptr, nullptr, &o, &oLeft) != static_cast<std::size_t>(-1))
    out.append(buffer, static_cast<std::size_t>(o - buffer));
  iconv_close(cd);
  return out;
}

std::string convertLenient(std::string_view input, const char* from, const char* to, bool fromUtf8) {
  const std::string target = toLowerAscii(to);
  const bool unicodeTarget = target.starts_with("utf") || target.starts_with("ucs");
  if (fromUtf8 && !unicodeTarget && input.find("\xF3\xA0") != std::string_view::npos) {
    return convertRun(tagsAsQuestionMarks(input), from, to, true);
  }
  return convertRun(input, from, to, fromUtf8);
}

}  // namespace

std::string wireCodePage() {
  std::lock_guard lock(pageMutex());
  return pageName();
}

void setWireCodePage(std::string_view name) {
  const std::string n(name);
  iconv_t cd = iconv_open(n.c_str(), "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::invalid_argument("unknown code page: " + n);
  iconv_close(cd);
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
