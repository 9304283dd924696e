// The Basic runtime's pseudo-random generator, reproduced bit for bit: servers store seal passwords
// encoded with its sequence, so any other generator would make every stored password fail.
#pragma once

#include <cstdint>

namespace verolin::crypto {

class VbRandom {
 public:
  // A fresh process starts here.
  static constexpr std::uint32_t kInitialState = 0x50000;

  std::uint32_t state() const { return state_; }
  void setState(std::uint32_t state) { state_ = state & kMask; }

  // Rnd with a positive argument (or none): one step, then the new state as a fraction in [0, 1).
  float next();
  // Rnd(0): the last value again, without stepping.
  float current() const;
  // Rnd with a negative argument: restarts from the bits of `x` taken as a single, then steps.
  float restart(float x);
  // Rnd(x) with the runtime's choice among the three above.
  float rnd(float x);
  // Randomize n: bits 8 to 23 of the state from the upper word of `n` as a double; the low byte stays.
  void randomize(double n);

 private:
  static constexpr std::uint32_t kMask = 0xFFFFFF;
  std::uint32_t state_ = kInitialState;
};

}  // namespace verolin::crypto
