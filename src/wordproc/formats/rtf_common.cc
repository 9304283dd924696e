#include "wordproc/formats/rtf_common.h"

#include <cctype>

namespace verolin::wordproc::rtf {

namespace {

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
long long daysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - static_cast<int>(era * 400);
  const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

}  // namespace

std::uint32_t packDate(const automation::DateTime& t) {
  // No date (or one the 9 year bits cannot hold) packs as 0, which reads back as no date.
  if (!automation::isValidDateTime(t) || t.year < 1900 || t.year > 2411) return 0;
  const long long days = daysFromCivil(t.year, t.month, t.day);
  const int weekday = static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday (4); Sunday is 0
  std::uint32_t v = static_cast<std::uint32_t>(t.minute & 0x3F);
  v |= static_cast<std::uint32_t>(t.hour & 0x1F) << 6;
  v |= static_cast<std::uint32_t>(t.day & 0x1F) << 11;
  v |= static_cast<std::uint32_t>(t.month & 0x0F) << 16;
  v |= static_cast<std::uint32_t>((t.year - 1900) & 0x1FF) << 20;
  v |= static_cast<std::uint32_t>(weekday & 0x07) << 29;
  return v;
}

automation::DateTime unpackDate(std::uint32_t v) {
  automation::DateTime t;
  t.minute = static_cast<int>(v & 0x3F);
  t.hour = static_cast<int>((v >> 6) & 0x1F);
  t.day = static_cast<int>((v >> 11) & 0x1F);
  t.month = static_cast<int>((v >> 16) & 0x0F);
  t.year = static_cast<int>((v >> 20) & 0x1FF) + 1900;
  t.second = 0;
  if (!automation::isValidDateTime(t)) return automation::DateTime{};
  return t;
}

std::vector<int> cellEdges(std::string_view rtf) {
  std::vector<int> edges;
  for (std::size_t k = rtf.find("\\cellx"); k != std::string_view::npos; k = rtf.find("\\cellx", k + 1)) {
    std::size_t j = k + 6;
    const bool negative = j < rtf.size() && rtf[j] == '-';
    if (negative) ++j;
    long long v = 0;
    while (j < rtf.size() && std::isdigit(static_cast<unsigned char>(rtf[j])) && v < kMaxTwips * 10)
      v = v * 10 + (rtf[j++] - '0');
    edges.push_back(static_cast<int>(clampTwips(negative ? -v : v)));
  }
  return edges;
}

}  // namespace verolin::wordproc::rtf
