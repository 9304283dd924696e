// Pictures as the platform loads them: the kind and the pixel size read from a picture file's bytes
// (PNG, JPEG, BMP or GIF), as a picture box or the clipboard needs them before showing one.
#pragma once

#include <optional>

#include "automation/variant.h"

namespace verolin::platform {

enum class PictureKind { Png, Jpeg, Bmp, Gif };

struct PictureInfo {
  PictureKind kind = PictureKind::Png;
  int pixelWidth = 0;
  int pixelHeight = 0;
};

// nullopt when the bytes are not a PNG, JPEG, BMP or GIF picture whose header can be read, or when its
// size is not 1 to 65535 pixels each way.
std::optional<PictureInfo> ReadPictureInfo(const automation::Bytes& bytes);

}  // namespace verolin::platform
