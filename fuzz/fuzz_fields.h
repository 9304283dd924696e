// Cuts a fuzz input into fields for the targets that form requests from several values.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

#include "text/codepage.h"

namespace verolin::fuzzing {

// 0x00 ends a field; a field that begins with an odd byte is UTF-8 as it stands (valid or not), any
// other is wire bytes.
class Fields {
 public:
  explicit Fields(std::string_view bytes) : bytes_(bytes) {}
  std::string next() {
    const std::size_t end = std::min(bytes_.find('\0'), bytes_.size());
    std::string raw(bytes_.substr(0, end));
    bytes_.remove_prefix(std::min(end + 1, bytes_.size()));
    if (raw.empty()) return raw;
    if (static_cast<unsigned char>(raw[0]) % 2 == 1) return raw.substr(1);
    return text::fromWire(raw.substr(1));
  }
  bool empty() const { return bytes_.empty(); }

 private:
  std::string_view bytes_;
};

}  // namespace verolin::fuzzing
