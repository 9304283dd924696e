// Raster: the persistent image of a picture box that keeps what is drawn into it (the handwriting
// capture box): a background colour, pen strokes in the foreground colour, and the image as a PNG file
// for the clipboard.
#pragma once

#include <cstdint>
#include <vector>

#include "automation/variant.h"

namespace verolin::platform {

// Colours as the platform writes them: 0x00BBGGRR.
using Colour = std::uint32_t;
inline constexpr Colour kWindowColour = 0xFFFFFF;      // the system window colour (white)
inline constexpr Colour kWindowTextColour = 0x000000;  // the system window-text colour (black)

class Raster {
 public:
  // An image of `width` × `height` pixels (each at least 1), filled with `background`.
  Raster(int width, int height, Colour background = kWindowColour, Colour foreground = kWindowTextColour);

  int width() const { return width_; }
  int height() const { return height_; }

  // The pen: its width in pixels (at least 1) and its colour.
  void setPenWidth(int pixels);
  int penWidth() const { return penWidth_; }

  // A dot of the pen's width centred on (x, y); parts outside the image are cut off.
  void point(int x, int y);
  // A stroke from (x0, y0) to (x1, y1), both ends included, with the pen's width.
  void line(int x0, int y0, int x1, int y1);
  // Back to the background colour everywhere.
  void clear();

  Colour pixel(int x, int y) const;
  // How many pixels differ from the background.
  int inkedPixels() const;
  // The image as a PNG file (8-bit RGB, deflate-compressed); throws only when memory runs out.
  automation::Bytes png() const;

 private:
  void dab(int cx, int cy);

  int width_;
  int height_;
  Colour background_;
  Colour foreground_;
  int penWidth_ = 1;
  std::vector<Colour> pixels_;
};

}  // namespace verolin::platform
