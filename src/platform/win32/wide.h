// The control's UTF-8 text and the system's UTF-16 text.
#pragma once

#include <string>
#include <string_view>

namespace verolin::platform::win32 {

// Invalid UTF-8 or UTF-16 becomes U+FFFD; never fails.
std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);

}  // namespace verolin::platform::win32
