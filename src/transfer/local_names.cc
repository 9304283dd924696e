#include "transfer/local_names.h"

#include <array>

#include "text/utf8.h"

namespace verolin::transfer {
namespace {

constexpr std::string_view kForbidden = "\\/:*?\"<>|";
constexpr std::array<std::string_view, 22> kDevices = {
    "con",  "prn",  "aux",  "nul",  "com1", "com2", "com3", "com4", "com5", "com6", "com7",
    "com8", "com9", "lpt1", "lpt2", "lpt3", "lpt4", "lpt5", "lpt6", "lpt7", "lpt8", "lpt9"};

}  // namespace

std::string TimeStampName(control::Control& c) {
  const auto t = c.host().now();
  return std::to_string(t.year) + std::to_string(t.month) + std::to_string(t.day) + std::to_string(t.hour) +
         std::to_string(t.second) + std::to_string(t.minute);
}

std::string SwapExtension(std::string_view path, bool toContainer) {
  const std::size_t n = text::length(path);
  return text::left(path, n >= 4 ? n - 4 : 0) + (toContainer ? ".jia" : ".doc");
}

bool IsPlainFileName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F || kForbidden.find(static_cast<char>(c)) != std::string_view::npos)
      return false;
  }
  if (name.back() == '.' || name.back() == ' ') return false;
  const std::string stem = text::toLowerAscii(name.substr(0, name.find('.')));
  for (std::string_view device : kDevices) {
    if (stem == device) return false;
  }
  return true;
}

}  // namespace verolin::transfer
