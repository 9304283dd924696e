#include "crypto/vb_random.h"

#include <bit>

namespace verolin::crypto {
namespace {

constexpr std::uint32_t kMultiplier = 0x43FD43FD;
constexpr std::uint32_t kIncrement = 0xC39EC3;
constexpr float kScale = 1.0f / 16777216.0f;  // 2^-24: every 24-bit state is exact as a single

}  // namespace

float VbRandom::next() {
  state_ = (state_ * kMultiplier + kIncrement) & kMask;  // 32-bit wrap-around keeps the low 24 bits exact
  return current();
}

float VbRandom::current() const {
  return static_cast<float>(state_) * kScale;
}

float VbRandom::restart(float x) {
  const std::uint32_t bits = std::bit_cast<std::uint32_t>(x);
  state_ = (bits + (bits >> 24)) & kMask;
  return next();
}

float VbRandom::rnd(float x) {
  if (x < 0.0f) return restart(x);
  if (x == 0.0f) return current();
  return next();
}

void VbRandom::randomize(double n) {
  const auto high = static_cast<std::uint32_t>(std::bit_cast<std::uint64_t>(n) >> 32);
  const std::uint32_t mixed = ((high & 0xFFFF) ^ (high >> 16)) & 0xFFFF;
  state_ = (state_ & 0xFF) | (mixed << 8);
}

}  // namespace verolin::crypto
