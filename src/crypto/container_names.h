// Names of containers and of decrypted files, formed from a file name alone (never from the folders
// above it, whose dots must not matter). The same rules serve native and Windows-style paths.
#pragma once

#include <string>
#include <string_view>

namespace verolin::crypto {

// The text after the first "." of `fileName`; "" when it has none.
std::string sourceExtension(std::string_view fileName);

// `fileName` up to its first ".", then ".jia": "a.doc" gives "a.jia", "a.b.doc" gives "a.jia",
// "a" gives "a.jia".
std::string containerName(std::string_view fileName);

// `containerFileName` up to its first ".", then "." and `extension`; without the "." and extension when
// the extension is empty: "a.jia" with "doc" gives "a.doc", "a" with "doc" gives "a.doc".
std::string plainName(std::string_view containerFileName, std::string_view extension);

}  // namespace verolin::crypto
