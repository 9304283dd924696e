// The one conversion between code pages under the wire code page: iconv on Linux, the system's own
// conversion on Windows (the build picks the source file). Not for callers outside text/.
#pragma once

#include <string>
#include <string_view>

namespace verolin::text {

// Converts between two code pages by name. A character that fails costs one '?' (into a code page) or
// one U+FFFD (into UTF-8), so nothing fails halfway. Throws std::invalid_argument for an unknown name.
std::string convertLenient(std::string_view input, const char* from, const char* to, bool fromUtf8);

// Whether the name is a code page this system converts to and from UTF-8.
bool codePageKnown(const std::string& name);

}  // namespace verolin::text
