#include "automation/date.h"

#include <cmath>
#include <cstdio>

#include "automation/error.h"

namespace verolin::automation {
namespace {

// Days from 1970-01-01 for a proleptic Gregorian date (H. Hinnant's algorithm).
long daysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = static_cast<unsigned>((153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1);
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long>(doe) - 719468;
}

void civilFromDays(long z, int& y, int& m, int& d) {
  z += 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(static_cast<long>(yoe) + era * 400 + (m <= 2));
}

const long kOaEpoch = daysFromCivil(1899, 12, 30);

}  // namespace

double toOaDate(const DateTime& t) {
  const long days = daysFromCivil(t.year, t.month, t.day) - kOaEpoch;
  const double fraction = (t.hour * 3600.0 + t.minute * 60.0 + t.second) / 86400.0;
  // Before the epoch the fraction still counts forward in time, stored with the day's sign.
  return days >= 0 ? days + fraction : days - fraction;
}

DateTime fromOaDate(double oa) {
  double days = std::trunc(oa);
  double fraction = std::fabs(oa - days);
  long secs = std::lround(fraction * 86400.0);
  if (secs >= 86400) {
    secs -= 86400;
    days += oa >= 0 ? 1 : -1;
  }
  DateTime t;
  civilFromDays(static_cast<long>(days) + kOaEpoch, t.year, t.month, t.day);
  t.hour = static_cast<int>(secs / 3600);
  t.minute = static_cast<int>(secs / 60 % 60);
  t.second = static_cast<int>(secs % 60);
  return t;
}

bool isValidDateTime(const DateTime& t) {
  if (t.month < 1 || t.month > 12 || t.day < 1 || t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59 ||
      t.second < 0 || t.second > 59 || t.year < 100 || t.year > 9999)
    return false;
  int y, m, d;
  civilFromDays(daysFromCivil(t.year, t.month, t.day), y, m, d);
  return y == t.year && m == t.month && d == t.day;
}

std::string formatIso(const DateTime& t) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                t.second);
  return buf;
}

DateTime parseIso(const std::string& text) {
  DateTime t;
  char tail = 0;
  const int n = std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d%c", &t.year, &t.month, &t.day, &t.hour, &t.minute,
                            &t.second, &tail);
  if (n == 3) {
    t.hour = t.minute = t.second = 0;
  } else if (n != 6) {
    throw errorOf(err::kTypeMismatch);
  }
  if (!isValidDateTime(t)) throw errorOf(err::kTypeMismatch);
  return t;
}

std::string formatLocal(const DateTime& t) {
  char buf[48];
  if (t.hour == 0 && t.minute == 0 && t.second == 0) {
    std::snprintf(buf, sizeof buf, "%d/%d/%d", t.year, t.month, t.day);
  } else {
    std::snprintf(buf, sizeof buf, "%d/%d/%d %d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
  }
  return buf;
}

}  // namespace verolin::automation
