// The raster behind a drawing picture box: pen footprints, strokes, clearing and the PNG it hands out.
#include <gtest/gtest.h>
#include <zlib.h>

#include "platform/picture_info.h"
#include "platform/raster.h"

namespace verolin::platform {
namespace {

constexpr Colour kInk = 0x000000;

TEST(Raster, PenWidthSetsTheDotAndIsCutAtTheEdges) {
  Raster r(20, 20);
  r.point(10, 10);
  EXPECT_EQ(r.inkedPixels(), 1);
  r.clear();
  r.setPenWidth(3);
  r.point(10, 10);
  EXPECT_EQ(r.inkedPixels(), 9);
  r.clear();
  r.point(0, 0);  // a quarter of the dot lies outside
  EXPECT_EQ(r.inkedPixels(), 4);
  r.setPenWidth(0);
  EXPECT_EQ(r.penWidth(), 1);
}

TEST(Raster, StrokesIncludeBothEndsAndStayInside) {
  Raster r(20, 10);
  r.line(2, 3, 11, 3);
  EXPECT_EQ(r.inkedPixels(), 10);
  EXPECT_EQ(r.pixel(2, 3), kInk);
  EXPECT_EQ(r.pixel(11, 3), kInk);
  EXPECT_EQ(r.pixel(12, 3), kWindowColour);
  r.line(-50, 5, 100, 5);  // from outside to outside
  EXPECT_EQ(r.inkedPixels(), 30);
  r.clear();
  EXPECT_EQ(r.inkedPixels(), 0);
}

// A bitmap's height is negative for top-down rows; the most negative height has no positive twin and
// names no size (negating it was undefined).
TEST(PictureInfo, BitmapHeightsOfEitherSignAndTheOneWithoutATwin) {
  auto bmp = [](std::uint32_t height) {
    automation::Bytes b(54, 0);
    b[0] = 'B';
    b[1] = 'M';
    b[14] = 40;  // the common header size
    b[18] = 7;   // width
    for (int i = 0; i < 4; ++i) b[22 + i] = static_cast<unsigned char>(height >> (8 * i));
    return b;
  };
  EXPECT_EQ(ReadPictureInfo(bmp(9))->pixelHeight, 9);
  EXPECT_EQ(ReadPictureInfo(bmp(static_cast<std::uint32_t>(-9)))->pixelHeight, 9);
  EXPECT_FALSE(ReadPictureInfo(bmp(0x80000000u)).has_value());
}

TEST(Raster, PngCarriesTheSizeAndThePixels) {
  Raster r(5, 3);
  r.point(1, 2);
  const automation::Bytes png = r.png();
  const auto info = ReadPictureInfo(png);
  ASSERT_TRUE(info.has_value());
  EXPECT_EQ(info->kind, PictureKind::Png);
  EXPECT_EQ(info->pixelWidth, 5);
  EXPECT_EQ(info->pixelHeight, 3);
  // The one IDAT chunk follows the 8-byte signature and the 25-byte IHDR chunk.
  const std::size_t at = 8 + 25;
  const std::size_t length = (png[at] << 24) | (png[at + 1] << 16) | (png[at + 2] << 8) | png[at + 3];
  ASSERT_EQ(std::string(png.begin() + at + 4, png.begin() + at + 8), "IDAT");
  std::vector<std::uint8_t> raw(3 * (1 + 5 * 3));
  uLongf rawSize = raw.size();
  ASSERT_EQ(uncompress(raw.data(), &rawSize, png.data() + at + 8, length), Z_OK);
  ASSERT_EQ(rawSize, raw.size());
  const std::size_t inkAt = 2 * 16 + 1 + 1 * 3;  // row 2, after its filter byte, pixel 1
  EXPECT_EQ(raw[inkAt], 0);
  EXPECT_EQ(raw[inkAt + 3], 255);
  EXPECT_EQ(raw[0], 0);  // no filter
}

}  // namespace
}  // namespace verolin::platform
