// The seal password encoding: a keyed substitution on printable ASCII driven by the Basic runtime's
// generator, reset and seeded from the key before every encoding.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace verolin::crypto {

// `PasswordSeed`: XOR of each character code shifted by two rotating amounts (0, 7, 14, ... mod 19 and
// 0, 13, 3, ... mod 23). Throws CipherError(kUnusablePassword) when a shifted code leaves the signed
// 32-bit range, as happens for characters that read negative in the wire code page.
std::int32_t passwordSeed(std::string_view key);

// `StringCipher`: resets the generator with -1, seeds it with passwordSeed(key), then replaces each
// printable ASCII character c of `text` by ((c - 32 + r) mod 95) + 32, r = (96 * state) >> 24 drawn
// afresh for each one; other characters are dropped without a draw.
std::string stringCipher(std::string_view text, std::string_view key);

}  // namespace verolin::crypto
