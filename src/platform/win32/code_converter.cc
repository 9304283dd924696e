// Code page conversion through the system's MultiByteToWideChar/WideCharToMultiByte, which is what the
// control's wire bytes are on Windows anyway: the same names the iconv build accepts map to the
// system's code page numbers.
#include <windows.h>

#include <cctype>
#include <stdexcept>
#include <string>
#include <string_view>

#include "text/code_converter.h"
#include "text/utf8.h"

namespace verolin::text {
namespace {

std::string upper(std::string_view name) {
  std::string out;
  for (char c : name) {
    if (c == '_') c = '-';
    out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return out;
}

// The code page number for a name, or 0 when the name is unknown.
UINT codePageNumber(std::string_view name) {
  const std::string n = upper(name);
  struct Alias {
    const char* name;
    UINT page;
  };
  static constexpr Alias kAliases[] = {
      {"UTF-8", CP_UTF8},    {"UTF8", CP_UTF8},     {"GBK", 936},           {"CP936", 936},
      {"GB2312", 936},       {"EUC-CN", 936},       {"GB18030", 54936},     {"BIG5", 950},
      {"CP950", 950},        {"SHIFT-JIS", 932},    {"SJIS", 932},          {"CP932", 932},
      {"EUC-KR", 949},       {"CP949", 949},        {"ISO-8859-1", 28591},  {"LATIN1", 28591},
      {"ASCII", 20127},      {"US-ASCII", 20127},   {"KOI8-R", 20866},      {"EUC-JP", 20932},
      {"ISO-8859-2", 28592}, {"ISO-8859-5", 28595}, {"ISO-8859-15", 28605}, {"CP874", 874},
      {"TIS-620", 874},      {"CP1258", 1258},
  };
  for (const auto& alias : kAliases)
    if (n == alias.name) return alias.page;
  // CP1250 .. CP1257 and WINDOWS-1250 .. WINDOWS-1258.
  for (std::string_view prefix : {"CP", "WINDOWS-"}) {
    if (n.size() > prefix.size() && n.compare(0, prefix.size(), prefix) == 0) {
      const std::string digits = n.substr(prefix.size());
      if (digits.find_first_not_of("0123456789") == std::string::npos && digits.size() <= 5) {
        const UINT page = static_cast<UINT>(std::stoul(digits));
        if (IsValidCodePage(page)) return page;
      }
    }
  }
  return 0;
}

UINT requirePage(const char* name) {
  const UINT page = codePageNumber(name);
  if (page == 0) throw std::invalid_argument(std::string("unknown code page: ") + name);
  return page;
}

// Bytes in a code page to UTF-16. An invalid lead or trail byte becomes U+FFFD, one per byte.
std::wstring toWide(std::string_view bytes, UINT page) {
  std::wstring out;
  std::size_t i = 0;
  while (i < bytes.size()) {
    // Whole valid runs convert at once; on failure fall back to one character at a time.
    const int whole = MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, bytes.data() + i,
                                          static_cast<int>(bytes.size() - i), nullptr, 0);
    if (whole > 0) {
      const std::size_t at = out.size();
      out.resize(at + static_cast<std::size_t>(whole));
      MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, bytes.data() + i, static_cast<int>(bytes.size() - i),
                          out.data() + at, whole);
      break;
    }
    std::size_t length = 1;
    if (IsDBCSLeadByteEx(page, static_cast<BYTE>(bytes[i])) && i + 1 < bytes.size()) length = 2;
    wchar_t unit[2];
    const int n =
        MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, bytes.data() + i, static_cast<int>(length), unit, 2);
    if (n > 0) {
      out.append(unit, static_cast<std::size_t>(n));
      i += length;
    } else {
      out += L'\xFFFD';
      ++i;
    }
  }
  return out;
}

// UTF-16 to a code page; a character the page cannot hold becomes '?', as the system's best fit does
// for the unmappable ones.
std::string fromWide(const std::wstring& wide, UINT page) {
  if (wide.empty()) return {};
  const bool unicode = page == CP_UTF8;
  const DWORD flags = unicode ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  const int n = WideCharToMultiByte(page, flags, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                    unicode ? nullptr : "?", unicode ? nullptr : &usedDefault);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0)
    WideCharToMultiByte(page, flags, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                        unicode ? nullptr : "?", unicode ? nullptr : &usedDefault);
  return out;
}

}  // namespace

std::string convertLenient(std::string_view input, const char* from, const char* to, bool fromUtf8) {
  const UINT fromPage = fromUtf8 ? CP_UTF8 : requirePage(from);
  const UINT toPage = requirePage(to);
  std::wstring wide;
  if (fromPage == CP_UTF8) {
    // Invalid UTF-8 costs one replacement per bad character, as in the iconv build.
    wide = toWide(input, CP_UTF8);
  } else {
    wide = toWide(input, fromPage);
  }
  return fromWide(wide, toPage);
}

bool codePageKnown(const std::string& name) {
  return codePageNumber(name) != 0;
}

}  // namespace verolin::text
