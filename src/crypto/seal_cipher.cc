#include "crypto/seal_cipher.h"

#include <limits>

#include "crypto/ansi_codes.h"
#include "crypto/cipher_error.h"
#include "crypto/crypto.h"
#include "crypto/vb_random.h"

namespace verolin::crypto {
namespace {

// A product computed in double precision and converted to a 32-bit integer, which the original
// does with an overflow check. c * 2^s is exact in a double for every 16-bit c and s < 23.
std::int32_t shifted(std::int32_t code, int shift) {
  const std::int64_t value = static_cast<std::int64_t>(code) * (std::int64_t{1} << shift);
  if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max()) {
    throw CipherError(CipherFault::kUnusablePassword,
                      "the key holds a character the generator cannot be seeded from");
  }
  return static_cast<std::int32_t>(value);
}

}  // namespace

std::int32_t passwordSeed(std::string_view key) {
  std::int32_t seed = 0;
  int s1 = 0;
  int s2 = 0;
  for (std::int16_t code : ansiCodes(key)) {
    seed ^= shifted(code, s1) ^ shifted(code, s2);
    s1 = (s1 + 7) % 19;
    s2 = (s2 + 13) % 23;
  }
  return seed;
}

std::string stringCipher(std::string_view text, std::string_view key) {
  VbRandom generator;
  generator.restart(-1.0f);
  generator.randomize(static_cast<double>(passwordSeed(key)));
  std::string out;
  for (std::int16_t code : ansiCodes(text)) {
    if (code < 32 || code > 126) continue;
    generator.next();
    const auto r = static_cast<std::int32_t>((std::uint64_t{96} * generator.state()) >> 24);
    out.push_back(static_cast<char>((code - 32 + r) % 95 + 32));
  }
  return out;
}

std::string encodeSealPassword(std::string_view text, std::string_view key) {
  return stringCipher(text, key);
}

}  // namespace verolin::crypto
