#include "text/code_converter.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>
#include <string>
#include <vector>

#include "text/utf8.h"

namespace verolin::text {
namespace {

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

// Opening a converter loads and parses the system's tables, which costs more than converting a
// request's few words; each thread keeps the converters it opened, reset before every use.
class Converters {
 public:
  Converters() = default;
  Converters(const Converters&) = delete;
  Converters& operator=(const Converters&) = delete;
  ~Converters() {
    for (const auto& open : open_) iconv_close(open.cd);
  }

  // Throws std::invalid_argument when the system knows no such conversion.
  iconv_t get(const char* from, const char* to) {
    for (const auto& open : open_) {
      if (open.from == from && open.to == to) {
        iconv(open.cd, nullptr, nullptr, nullptr, nullptr);
        return open.cd;
      }
    }
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
      throw std::invalid_argument(std::string("unknown code page: ") + from + "/" + to);
    // Bounded: a program switching between many code pages opens afresh what fell out.
    if (open_.size() == kKept) {
      iconv_close(open_.front().cd);
      open_.erase(open_.begin());
    }
    open_.push_back({from, to, cd});
    return cd;
  }

 private:
  struct Open {
    std::string from;
    std::string to;
    iconv_t cd;
  };
  static constexpr std::size_t kKept = 8;
  std::vector<Open> open_;
};

// Converts one character at a time when the whole run fails, so one bad character costs one '?'.
std::string convertRun(std::string_view input, const char* from, const char* to, bool fromUtf8) {
  thread_local Converters converters;
  iconv_t cd = converters.get(from, to);
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
  return out;
}

}  // namespace

std::string convertLenient(std::string_view input, const char* from, const char* to, bool fromUtf8) {
  const std::string target = toLowerAscii(to);
  const bool unicodeTarget = target.starts_with("utf") || target.starts_with("ucs");
  if (fromUtf8 && !unicodeTarget && input.find("\xF3\xA0") != std::string_view::npos) {
    return convertRun(tagsAsQuestionMarks(input), from, to, true);
  }
  return convertRun(input, from, to, fromUtf8);
}

bool codePageKnown(const std::string& name) {
  iconv_t cd = iconv_open(name.c_str(), "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  iconv_close(cd);
  return true;
}

}  // namespace verolin::text
