// Calendar time as automation carries it: a day count from 1899-12-30 with the time as fraction.
#pragma once

#include <string>

namespace verolin::automation {

struct DateTime {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;

  friend bool operator==(const DateTime&, const DateTime&) = default;
};

// Days since 1899-12-30 (the automation date) and back. Seconds are rounded to the nearest.
double toOaDate(const DateTime& t);
DateTime fromOaDate(double oa);

// True when the fields name a real calendar time.
bool isValidDateTime(const DateTime& t);

// "YYYY-MM-DD hh:mm:ss" and back; parse throws AutomationError(13) on malformed text.
std::string formatIso(const DateTime& t);
DateTime parseIso(const std::string& text);

// The text the runtime gives a date under a Chinese locale: "2026/12/7 8:05:03" (no time part at midnight).
std::string formatLocal(const DateTime& t);

}  // namespace verolin::automation
