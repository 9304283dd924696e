// Paths as the UTF-8 text the control works in, and back. The filesystem library's plain narrow
// strings are in the system's code page on some systems, so names go through UTF-8 explicitly.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace verolin::crypto {

inline std::string utf8Of(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

inline std::filesystem::path pathOfUtf8(std::string_view text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

}  // namespace verolin::crypto
