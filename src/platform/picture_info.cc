#include "platform/picture_info.h"

#include <cstdint>
#include <limits>
#include <string_view>

namespace verolin::platform {

namespace {

std::uint32_t be16(const automation::Bytes& b, std::size_t at) {
  return (b[at] << 8) | b[at + 1];
}
std::uint32_t be32(const automation::Bytes& b, std::size_t at) {
  return (be16(b, at) << 16) | be16(b, at + 2);
}
std::uint32_t le16(const automation::Bytes& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8);
}
std::int32_t le32(const automation::Bytes& b, std::size_t at) {
  return static_cast<std::int32_t>(le16(b, at) | (le16(b, at + 2) << 16));
}

bool startsWith(const automation::Bytes& b, std::string_view magic) {
  if (b.size() < magic.size()) return false;
  for (std::size_t i = 0; i < magic.size(); ++i) {
    if (b[i] != static_cast<std::uint8_t>(magic[i])) return false;
  }
  return true;
}

// The frame header (SOFn) carries the size; the markers before it are skipped by their lengths.
bool jpegSize(const automation::Bytes& b, int& w, int& h) {
  std::size_t at = 2;
  while (at + 4 <= b.size()) {
    if (b[at] != 0xFF) return false;
    const std::uint8_t marker = b[at + 1];
    if (marker == 0xFF) {
      ++at;
      continue;
    }
    if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
      at += 2;
      continue;
    }
    const std::size_t length = be16(b, at + 2);
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame) {
      if (at + 9 > b.size()) return false;
      h = static_cast<int>(be16(b, at + 5));
      w = static_cast<int>(be16(b, at + 7));
      return true;
    }
    if (marker == 0xD9 || marker == 0xDA || length < 2) return false;
    at += 2 + length;
  }
  return false;
}

}  // namespace

std::optional<PictureInfo> ReadPictureInfo(const automation::Bytes& bytes) {
  PictureInfo p;
  if (startsWith(bytes, "\x89PNG\r\n\x1a\n") && bytes.size() >= 24 &&
      startsWith({bytes.begin() + 12, bytes.begin() + 16}, "IHDR")) {
    p.kind = PictureKind::Png;
    p.pixelWidth = static_cast<int>(be32(bytes, 16));
    p.pixelHeight = static_cast<int>(be32(bytes, 20));
  } else if (bytes.size() >= 4 && bytes[0] == 0xFF && bytes[1] == 0xD8) {
    p.kind = PictureKind::Jpeg;
    if (!jpegSize(bytes, p.pixelWidth, p.pixelHeight)) return std::nullopt;
  } else if (startsWith(bytes, "BM") && bytes.size() >= 26) {
    p.kind = PictureKind::Bmp;
    const std::uint32_t headerSize = static_cast<std::uint32_t>(le32(bytes, 14));
    if (headerSize == 12) {
      p.pixelWidth = static_cast<int>(le16(bytes, 18));
      p.pixelHeight = static_cast<int>(le16(bytes, 20));
    } else {
      p.pixelWidth = le32(bytes, 18);
      // A negative height means top-down rows; the most negative one has no positive twin and is no size.
      const std::int32_t h = le32(bytes, 22);
      p.pixelHeight = h == std::numeric_limits<std::int32_t>::min() ? 0 : h < 0 ? -h : h;
    }
  } else if ((startsWith(bytes, "GIF87a") || startsWith(bytes, "GIF89a")) && bytes.size() >= 10) {
    p.kind = PictureKind::Gif;
    p.pixelWidth = static_cast<int>(le16(bytes, 6));
    p.pixelHeight = static_cast<int>(le16(bytes, 8));
  } else {
    return std::nullopt;
  }
  if (p.pixelWidth <= 0 || p.pixelHeight <= 0 || p.pixelWidth > 65535 || p.pixelHeight > 65535)
    return std::nullopt;
  return p;
}

}  // namespace verolin::platform
