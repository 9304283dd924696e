// Picture bytes as RTF carries them: the blip kinds other readers know, a BMP file rebuilt from the
// bitmap RTF holds, and a GIF turned into a PNG for readers that know no GIF in RTF.
#pragma once

#include <optional>
#include <string>

#include "automation/variant.h"
#include "wordproc/model/picture.h"

namespace verolin::wordproc {

struct RtfBlip {
  std::string keyword;        // "\pngblip", "\jpegblip" or "\dibitmap0"
  automation::Bytes bytes;    // what follows the keyword
  bool keepOriginal = false;  // the picture's own bytes cannot be rebuilt from these
};

RtfBlip rtfBlip(const Picture& picture);

// The BMP file whose bitmap (without the 14-byte file header) is `dib`; nullopt when it is no bitmap.
std::optional<automation::Bytes> bmpFromDib(const automation::Bytes& dib);

// The first image of a GIF as an RGBA PNG; nullopt when the GIF cannot be decoded.
std::optional<automation::Bytes> gifToPng(const automation::Bytes& gif);

}  // namespace verolin::wordproc
