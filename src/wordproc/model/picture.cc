#include "wordproc/model/picture.h"

#include <algorithm>

#include "platform/picture_info.h"
#include "wordproc/model/units.h"

namespace verolin::wordproc {

std::optional<Picture> readPicture(automation::Bytes bytes) {
  const auto info = platform::ReadPictureInfo(bytes);
  if (!info) return std::nullopt;
  Picture p;
  p.type = static_cast<PictureType>(info->kind);
  p.pixelWidth = info->pixelWidth;
  p.pixelHeight = info->pixelHeight;
  p.bytes = std::move(bytes);
  return p;
}

PointSize naturalSize(const Picture& picture) {
  PointSize size{pixelsToPoints(picture.pixelWidth), pixelsToPoints(picture.pixelHeight)};
  const double larger = std::max(size.width, size.height);
  if (larger > kMaxMeasure) {
    size.width = std::min(inTwips(size.width * kMaxMeasure / larger), kMaxMeasure);
    size.height = std::min(inTwips(size.height * kMaxMeasure / larger), kMaxMeasure);
  }
  return size;
}

std::string_view pictureExtension(PictureType type) {
  switch (type) {
    case PictureType::Png:
      return "png";
    case PictureType::Jpeg:
      return "jpg";
    case PictureType::Bmp:
      return "bmp";
    case PictureType::Gif:
      return "gif";
  }
  return "png";
}

}  // namespace verolin::wordproc
