// Pictures as the document keeps them: the file's own bytes, their kind and their size in pixels.
#pragma once

#include <optional>
#include <string_view>

#include "automation/variant.h"

namespace verolin::wordproc {

// In the order of platform::PictureKind, which reads them.
enum class PictureType { Png, Jpeg, Bmp, Gif };

struct Picture {
  PictureType type = PictureType::Png;
  automation::Bytes bytes;
  int pixelWidth = 0;
  int pixelHeight = 0;

  friend bool operator==(const Picture&, const Picture&) = default;
};

// Reads the kind and size from the bytes; nullopt when they are not a PNG, JPEG, BMP or GIF picture
// whose header can be read.
std::optional<Picture> readPicture(automation::Bytes bytes);

// Points a picture takes at its natural size (pixels at 96 per inch).
inline double pixelsToPoints(int pixels) {
  return pixels * 0.75;
}

// The size a picture takes when inserted without one, in points: its natural size, scaled down with
// its proportions kept where a side would pass the largest measure a file can hold (a picture may have
// up to 65535 pixels a side), so that the size survives saving.
struct PointSize {
  double width = 0;
  double height = 0;
};
PointSize naturalSize(const Picture& picture);

// "png", "jpg", "bmp", "gif": the file extension of a picture of that kind.
std::string_view pictureExtension(PictureType type);

}  // namespace verolin::wordproc
