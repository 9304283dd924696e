// Measures kept at the precision the files store them in, so that what a caller sets is what a saved
// and reopened document reads back: positions and sizes in twips, line weights in EMUs, transparency in
// 1/65536 steps and font sizes in half points.
#pragma once

#include <cmath>

namespace verolin::wordproc {

inline double inTwips(double points) {
  return std::round(points * 20) / 20;
}
inline double inEmus(double points) {
  return std::round(points * 12700) / 12700;
}
inline double inOpacitySteps(double transparency) {
  return 1 - std::round((1 - transparency) * 65536) / 65536;
}
inline double inHalfPoints(double points) {
  return std::round(points * 2) / 2;
}

// The largest position or size a shape or picture may have, either way (points).
inline constexpr double kMaxMeasure = 31680;
inline bool isMeasure(double points) {
  return std::isfinite(points) && std::fabs(points) <= kMaxMeasure;
}

}  // namespace verolin::wordproc
