// The key kept for a protection password: the 32-bit value the word processor's files store in place
// of the password (the legacy key of its binary format), so a file never holds the password itself.
#pragma once

#include <cstdint>
#include <string_view>

namespace verolin::wordproc {

// The key of a UTF-8 password; the empty password has key 0. Only the first 15 characters count.
std::uint32_t passwordKey(std::string_view password);

}  // namespace verolin::wordproc
