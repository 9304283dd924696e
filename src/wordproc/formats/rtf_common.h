// What the RTF writer and reader share: packed revision dates, colours, units and the names of this
// word processor's own control words (which other readers skip, as RTF asks of unknown words).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "automation/date.h"
#include "wordproc/model/document_model.h"

namespace verolin::wordproc::rtf {

// The packed date of \revdttm and \crdate: minute, hour, day, month, year - 1900 and weekday in 32 bits.
std::uint32_t packDate(const automation::DateTime& t);
automation::DateTime unpackDate(std::uint32_t packed);

// Measures a file may hold: positions and sizes up to 44 feet either way, in twips.
inline constexpr long long kMaxTwips = 633600;
inline long long clampTwips(long long v) {
  return v < -kMaxTwips ? -kMaxTwips : v > kMaxTwips ? kMaxTwips : v;
}

inline int toTwips(double points) {
  const double t = points * 20 + (points >= 0 ? 0.5 : -0.5);
  return static_cast<int>(t < -kMaxTwips ? -kMaxTwips : t > kMaxTwips ? kMaxTwips : t);
}
inline double fromTwips(long long twips) {
  return static_cast<double>(twips) / 20;
}
inline constexpr int kEmuPerPoint = 12700;

// The right edges of the cells a row definition (\trowd ... \cellxN ...) gives.
std::vector<int> cellEdges(std::string_view rowRtf);

// Our own control words: which run properties were set on the run itself (the rest come from the
// paragraph style), which paragraph properties were, and the revision view settings.
inline constexpr const char* kRunExplicit = "verolinx";
inline constexpr const char* kParagraphExplicit = "verolinpx";
inline constexpr const char* kPrintRevisions = "verolinrevprint";
inline constexpr const char* kShowRevisions = "verolinrevshow";
inline constexpr const char* kVersion = "verolinversion";
inline constexpr const char* kNextShapeVariable = "VerolinNextShape";
inline constexpr const char* kGenerator = "Verolin Word";
inline constexpr const char* kOriginalBlip = "verolinblip";

enum ExplicitBits {
  kFontBit = 1,
  kSizeBit = 2,
  kColorBit = 4,
  kBoldBit = 8,
  kItalicBit = 16,
  kUnderlineBit = 32
};

// Shape types (escher) and the offset of \shplid over a shape's number.
inline constexpr int kShapeTypePicture = 75;
inline constexpr int kShapeTypeLine = 20;
inline constexpr int kShapeIdBase = 1024;

// Shape properties of our own (a shape's hyperlink and dash style, which RTF shapes have no
// property for that other readers use).
inline constexpr const char* kLinkAddress = "verolinLinkAddress";
inline constexpr const char* kLinkSubAddress = "verolinLinkSubAddress";
inline constexpr const char* kLinkScreenTip = "verolinLinkScreenTip";
inline constexpr const char* kLinkTarget = "verolinLinkTarget";
inline constexpr const char* kDashStyle = "verolinDashStyle";
inline constexpr const char* kTransparentBackground = "verolinTransparentBackground";

// wdColor (BGR) parts.
inline int red(Color c) {
  return c & 0xFF;
}
inline int green(Color c) {
  return (c >> 8) & 0xFF;
}
inline int blue(Color c) {
  return (c >> 16) & 0xFF;
}
inline Color rgb(int r, int g, int b) {
  return r | (g << 8) | (b << 16);
}

// Opacity in 1/65536 and the transparency the model keeps.
inline int opacity(double transparency) {
  const double t = transparency < 0 ? 0 : transparency > 1 ? 1 : transparency;
  return static_cast<int>((1 - t) * 65536 + 0.5);
}
inline double transparencyOf(long long opacity) {
  const long long o = opacity < 0 ? 0 : opacity > 65536 ? 65536 : opacity;
  return 1 - static_cast<double>(o) / 65536;
}

}  // namespace verolin::wordproc::rtf
