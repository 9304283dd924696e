#include "wordproc/model/password_key.h"

#include <vector>

#include "text/utf8.h"

namespace verolin::wordproc {

namespace {

// The published initial values (by password length) and the per-position XOR matrix of the key.
constexpr std::uint16_t kInitial[15] = {0xE1F0, 0x1D0F, 0xCC9C, 0x84C0, 0x110C, 0x0E10, 0xF1CE, 0x313E,
                                        0x1872, 0xE139, 0xD40F, 0x84F9, 0x280C, 0xA96A, 0x4EC3};

constexpr std::uint16_t kMatrix[15][7] = {{0xAEFC, 0x4DD9, 0x9BB2, 0x2745, 0x4E8A, 0x9D14, 0x2A09},
                                          {0x7B61, 0xF6C2, 0xFDA5, 0xEB6B, 0xC6F7, 0x9DCF, 0x2BBF},
                                          {0x4563, 0x8AC6, 0x05AD, 0x0B5A, 0x16B4, 0x2D68, 0x5AD0},
                                          {0x0375, 0x06EA, 0x0DD4, 0x1BA8, 0x3750, 0x6EA0, 0xDD40},
                                          {0xD849, 0xA0B3, 0x5147, 0xA28E, 0x553D, 0xAA7A, 0x44D5},
                                          {0x6F45, 0xDE8A, 0xAD35, 0x4A4B, 0x9496, 0x390D, 0x721A},
                                          {0xEB23, 0xC667, 0x9CEF, 0x29FF, 0x53FE, 0xA7FC, 0x5FD9},
                                          {0x47D3, 0x8FA6, 0x0F6D, 0x1EDA, 0x3DB4, 0x7B68, 0xF6D0},
                                          {0xB861, 0x60E3, 0xC1C6, 0x93AD, 0x377B, 0x6EF6, 0xDDEC},
                                          {0x45A0, 0x8B40, 0x06A1, 0x0D42, 0x1A84, 0x3508, 0x6A10},
                                          {0xAA51, 0x4483, 0x8906, 0x022D, 0x045A, 0x08B4, 0x1168},
                                          {0x76B4, 0xED68, 0xCAF1, 0x85C3, 0x1BA7, 0x374E, 0x6E9C},
                                          {0x3730, 0x6E60, 0xDCC0, 0xA9A1, 0x4363, 0x86C6, 0x1DAD},
                                          {0x3331, 0x6662, 0xCCC4, 0x89A9, 0x0373, 0x06E6, 0x0DCC},
                                          {0x1021, 0x2042, 0x4084, 0x8108, 0x1231, 0x2462, 0x48C4}};

}  // namespace

std::uint32_t passwordKey(std::string_view password) {
  std::u32string chars = text::toCodePoints(password);
  if (chars.empty()) return 0;
  if (chars.size() > 15) chars.resize(15);
  // Each character counts by its low byte, or its high byte when the low one is zero.
  std::vector<std::uint8_t> bytes;
  for (char32_t c : chars) {
    const auto low = static_cast<std::uint8_t>(c & 0xFF);
    bytes.push_back(low ? low : static_cast<std::uint8_t>((c >> 8) & 0xFF));
  }
  const std::size_t n = bytes.size();
  std::uint32_t high = kInitial[n - 1];
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t row = 15 - n + i;
    for (int bit = 0; bit < 7; ++bit) {
      if (bytes[i] & (1u << bit)) high ^= kMatrix[row][bit];
    }
  }
  std::uint32_t low = 0;
  for (std::size_t i = n; i-- > 0;) low = (((low >> 14) & 1u) | ((low << 1) & 0x7FFFu)) ^ bytes[i];
  low = (((low >> 14) & 1u) | ((low << 1) & 0x7FFFu)) ^ static_cast<std::uint32_t>(n) ^ 0xCE4Bu;
  return (high << 16) | low;
}

}  // namespace verolin::wordproc
