#include "server/limits.h"

#include <cctype>
#include <charconv>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace verolin::server {
namespace {

using std::chrono::milliseconds;

struct Unit {
  std::string_view suffix;
  std::int64_t ms;
};
// Longest suffix first, so that "ms" is not read as "m" followed by garbage.
constexpr Unit kUnits[] = {{"ms", 1}, {"s", 1000}, {"m", 60'000}, {"h", 3'600'000}};

}  // namespace

void checkLimits(const Limits& limits) {
  if (limits.threads < 2 || limits.threads > 4096) {
    throw std::invalid_argument("the number of threads must be 2 to 4096");
  }
  const std::pair<const char*, milliseconds> positive[] = {
      {"the header timeout", limits.headerTimeout},
      {"the stall timeout", limits.stallTimeout},
      {"the request timeout", limits.requestTimeout},
      {"the keep-alive timeout", limits.keepAliveTimeout}};
  for (const auto& [what, value] : positive) {
    if (value <= milliseconds::zero()) throw std::invalid_argument(std::string(what) + " must be above zero");
  }
  if (limits.drain < milliseconds::zero()) throw std::invalid_argument("the drain time cannot be negative");
}

milliseconds parseDuration(std::string_view text) {
  const auto bad = [&] {
    return std::invalid_argument("\"" + std::string(text) +
                                 "\" is not a duration (a number followed by ms, s, m or h)");
  };
  std::int64_t number = 0;
  const char* end = text.data() + text.size();
  const auto [rest, error] = std::from_chars(text.data(), end, number);
  if (error != std::errc() || number < 0) throw bad();
  const std::string_view suffix(rest, static_cast<std::size_t>(end - rest));
  if (suffix.empty()) return std::chrono::seconds(number);
  for (const auto& unit : kUnits) {
    if (suffix == unit.suffix) {
      if (number > INT64_MAX / unit.ms) throw bad();
      return milliseconds(number * unit.ms);
    }
  }
  throw bad();
}

std::string formatDuration(milliseconds d) {
  const std::int64_t ms = d.count();
  for (auto unit = std::rbegin(kUnits); unit != std::rend(kUnits); ++unit) {
    if (ms != 0 && ms % unit->ms == 0) return std::to_string(ms / unit->ms) + std::string(unit->suffix);
  }
  return std::to_string(ms) + "ms";
}

}  // namespace verolin::server
