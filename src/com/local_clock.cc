#include "com/local_clock.h"

#include <windows.h>

#include <cstdint>
#include <cwchar>
#include <string>

namespace verolin::com {
namespace {

std::int64_t clockShift() {
  wchar_t value[32] = {};
  if (GetEnvironmentVariableW(kClockShiftVariable, value, 32) == 0) return 0;
  return _wtoi64(value);
}

std::int64_t toMs(const SYSTEMTIME& t) {
  FILETIME file;
  SystemTimeToFileTime(&t, &file);
  ULARGE_INTEGER v;
  v.LowPart = file.dwLowDateTime;
  v.HighPart = file.dwHighDateTime;
  return static_cast<std::int64_t>(v.QuadPart / 10'000);
}

SYSTEMTIME fromMs(std::int64_t ms) {
  ULARGE_INTEGER v;
  v.QuadPart = static_cast<std::uint64_t>(ms) * 10'000;
  FILETIME file{v.LowPart, v.HighPart};
  SYSTEMTIME t;
  FileTimeToSystemTime(&file, &t);
  return t;
}

}  // namespace

automation::DateTime localNow() {
  SYSTEMTIME local;
  GetLocalTime(&local);
  const SYSTEMTIME t = fromMs(toMs(local) + clockShift());
  return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

void setLocalNow(const automation::DateTime& t) {
  SYSTEMTIME wanted{};
  wanted.wYear = static_cast<WORD>(t.year);
  wanted.wMonth = static_cast<WORD>(t.month);
  wanted.wDay = static_cast<WORD>(t.day);
  wanted.wHour = static_cast<WORD>(t.hour);
  wanted.wMinute = static_cast<WORD>(t.minute);
  wanted.wSecond = static_cast<WORD>(t.second);
  SYSTEMTIME local;
  GetLocalTime(&local);
  SetEnvironmentVariableW(kClockShiftVariable, std::to_wstring(toMs(wanted) - toMs(local)).c_str());
}

}  // namespace verolin::com
