#include "platform/raster.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace verolin::platform {

namespace {

using automation::Bytes;

void put32be(Bytes& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void chunk(Bytes& png, const char* type, const Bytes& data) {
  put32be(png, static_cast<std::uint32_t>(data.size()));
  const std::size_t start = png.size();
  png.insert(png.end(), type, type + 4);
  png.insert(png.end(), data.begin(), data.end());
  const uLong crc = crc32(crc32(0L, Z_NULL, 0), png.data() + start, static_cast<uInt>(png.size() - start));
  put32be(png, static_cast<std::uint32_t>(crc));
}

}  // namespace

Raster::Raster(int width, int height, Colour background, Colour foreground)
    : width_(std::max(width, 1)),
      height_(std::max(height, 1)),
      background_(background),
      foreground_(foreground),
      pixels_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), background) {}

void Raster::setPenWidth(int pixels) {
  penWidth_ = std::max(pixels, 1);
}

// The pen's footprint: a disc of the pen's width around (cx, cy), cut to the image.
void Raster::dab(int cx, int cy) {
  const int lo = -(penWidth_ - 1) / 2;
  const int hi = penWidth_ / 2;
  const double centre = (lo + hi) / 2.0;
  const double radius2 = (penWidth_ / 2.0) * (penWidth_ / 2.0);
  const int y0 = std::max(cy + lo, 0);
  const int y1 = std::min(cy + hi, height_ - 1);
  const int x0 = std::max(cx + lo, 0);
  const int x1 = std::min(cx + hi, width_ - 1);
  for (int y = y0; y <= y1; ++y) {
    const double dy = (y - cy) - centre;
    for (int x = x0; x <= x1; ++x) {
      const double dx = (x - cx) - centre;
      if (dx * dx + dy * dy <= radius2 || penWidth_ <= 2) {
        pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                static_cast<std::size_t>(x)] = foreground_;
      }
    }
  }
}

void Raster::point(int x, int y) {
  dab(x, y);
}

void Raster::line(int x0, int y0, int x1, int y1) {
  // Bresenham's walk, one dab of the pen per step.
  const long dx = std::labs(static_cast<long>(x1) - x0);
  const long dy = -std::labs(static_cast<long>(y1) - y0);
  const int sx = x0 < x1 ? 1 : -1;
  const int sy = y0 < y1 ? 1 : -1;
  long err = dx + dy;
  for (;;) {
    dab(x0, y0);
    if (x0 == x1 && y0 == y1) break;
    const long e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x0 += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y0 += sy;
    }
  }
}

void Raster::clear() {
  std::fill(pixels_.begin(), pixels_.end(), background_);
}

Colour Raster::pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) throw std::out_of_range("Raster::pixel");
  return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                 static_cast<std::size_t>(x)];
}

int Raster::inkedPixels() const {
  return static_cast<int>(
      std::count_if(pixels_.begin(), pixels_.end(), [&](Colour c) { return c != background_; }));
}

Bytes Raster::png() const {
  // Each row: filter byte 0, then R, G, B per pixel.
  Bytes raw;
  raw.reserve(static_cast<std::size_t>(height_) * (1 + 3 * static_cast<std::size_t>(width_)));
  for (int y = 0; y < height_; ++y) {
    raw.push_back(0);
    for (int x = 0; x < width_; ++x) {
      const Colour c = pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                               static_cast<std::size_t>(x)];
      raw.push_back(static_cast<std::uint8_t>(c & 0xFF));
      raw.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
      raw.push_back(static_cast<std::uint8_t>((c >> 16) & 0xFF));
    }
  }
  uLongf zsize = compressBound(static_cast<uLong>(raw.size()));
  Bytes z(zsize);
  if (compress2(z.data(), &zsize, raw.data(), static_cast<uLong>(raw.size()), Z_BEST_SPEED) != Z_OK) {
    throw std::runtime_error("Raster::png: deflate failed");  // only when memory runs out
  }
  z.resize(zsize);

  Bytes ihdr;
  put32be(ihdr, static_cast<std::uint32_t>(width_));
  put32be(ihdr, static_cast<std::uint32_t>(height_));
  ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter method, no interlace
  Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  chunk(png, "IHDR", ihdr);
  chunk(png, "IDAT", z);
  chunk(png, "IEND", {});
  return png;
}

}  // namespace verolin::platform
