// Picture bytes: kinds and sizes read from headers, bitmaps rebuilt from what RTF carries, GIFs decoded
// into PNGs other readers show, and the protection password's key.
#include "word_fixture.h"
#include "wordproc/formats/picture_codec.h"
#include "wordproc/model/password_key.h"
#include "wordproc/model/picture.h"

namespace verolin::testing {
namespace {

std::uint32_t be32(const Bytes& b, std::size_t at) {
  return (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) | (std::uint32_t{b[at + 2]} << 8) |
         b[at + 3];
}

// The RGBA pixels of a PNG whose image data is in stored deflate blocks, as gifToPng writes them.
std::vector<std::uint8_t> storedPngPixels(const Bytes& png, int& width, int& height) {
  width = static_cast<int>(be32(png, 16));
  height = static_cast<int>(be32(png, 20));
  std::size_t at = 8;
  Bytes zlib;
  while (at + 8 <= png.size()) {
    const std::uint32_t length = be32(png, at);
    const std::string type(png.begin() + static_cast<std::ptrdiff_t>(at + 4),
                           png.begin() + static_cast<std::ptrdiff_t>(at + 8));
    if (type == "IDAT")
      zlib.insert(zlib.end(), png.begin() + static_cast<std::ptrdiff_t>(at + 8),
                  png.begin() + static_cast<std::ptrdiff_t>(at + 8 + length));
    at += 12 + length;
  }
  Bytes raw;
  std::size_t z = 2;
  for (;;) {
    const bool last = zlib[z] & 1;
    const std::size_t n = zlib[z + 1] | (zlib[z + 2] << 8);
    raw.insert(raw.end(), zlib.begin() + static_cast<std::ptrdiff_t>(z + 5),
               zlib.begin() + static_cast<std::ptrdiff_t>(z + 5 + n));
    z += 5 + n;
    if (last) break;
  }
  std::vector<std::uint8_t> pixels;
  for (int y = 0; y < height; ++y) {
    const auto row = raw.begin() + static_cast<std::ptrdiff_t>(y) * (width * 4 + 1);
    EXPECT_EQ(*row, 0);  // no filter
    pixels.insert(pixels.end(), row + 1, row + 1 + width * 4);
  }
  return pixels;
}

TEST(Pictures, KindsAndSizesComeFromTheHeaders) {
  EXPECT_EQ(wordproc::readPicture(pngPicture(7, 9))->pixelHeight, 9);
  const auto jpeg = wordproc::readPicture(jpegPicture(640, 480));
  ASSERT_TRUE(jpeg);
  EXPECT_EQ(jpeg->type, wordproc::PictureType::Jpeg);
  EXPECT_EQ(jpeg->pixelWidth, 640);
  EXPECT_EQ(wordproc::readPicture(bmpPicture(5, 3))->pixelWidth, 5);
  EXPECT_EQ(wordproc::readPicture(gifPicture())->type, wordproc::PictureType::Gif);
  EXPECT_FALSE(wordproc::readPicture(Bytes{'h', 'e', 'l', 'l', 'o'}));
  Bytes cut = jpegPicture();
  cut.resize(12);
  EXPECT_FALSE(wordproc::readPicture(cut));
  EXPECT_FALSE(wordproc::readPicture(pngPicture(0, 5)));
}

TEST(Pictures, BitmapsAreRebuiltFromTheirBitmapPart) {
  const Bytes bmp = bmpPicture(3, 2);
  EXPECT_EQ(*wordproc::bmpFromDib(Bytes(bmp.begin() + 14, bmp.end())), bmp);
  EXPECT_FALSE(wordproc::rtfBlip(*wordproc::readPicture(bmp)).keepOriginal);
  // A file whose header names a size it does not have keeps its own bytes beside the bitmap.
  Bytes odd = bmp;
  odd[2] = 0xEE;
  const auto blip = wordproc::rtfBlip(*wordproc::readPicture(odd));
  EXPECT_EQ(blip.keyword, "\\dibitmap0");
  EXPECT_TRUE(blip.keepOriginal);
  EXPECT_FALSE(wordproc::bmpFromDib(Bytes{1, 2, 3}));
}

TEST(Pictures, GifBecomesAPngWithTheSamePixels) {
  const auto png = wordproc::gifToPng(gifPicture());
  ASSERT_TRUE(png);
  ASSERT_TRUE(wordproc::readPicture(*png));
  int w = 0, h = 0;
  const auto px = storedPngPixels(*png, w, h);
  ASSERT_EQ(w, 2);
  ASSERT_EQ(h, 2);
  const std::vector<std::uint8_t> expected{255, 0,   0,   255, 255, 255, 255, 255,
                                           255, 255, 255, 255, 255, 0,   0,   255};
  EXPECT_EQ(px, expected);
}

TEST(Pictures, AGifPromisingMorePixelsThanAPngMayHoldIsWrittenAsItIs) {
  // 65535 x 65535 in the header: 16 GiB of pixels from 36 bytes.
  Bytes huge = gifPicture();
  huge[6] = huge[7] = huge[8] = huge[9] = 0xFF;
  EXPECT_FALSE(wordproc::gifToPng(huge));
  Bytes hugeFrame = gifPicture();
  hugeFrame[24] = hugeFrame[25] = hugeFrame[26] = hugeFrame[27] = 0xFF;  // the image's own size
  EXPECT_FALSE(wordproc::gifToPng(hugeFrame));

  const auto picture = wordproc::readPicture(huge);
  ASSERT_TRUE(picture);
  const wordproc::RtfBlip blip = wordproc::rtfBlip(*picture);
  EXPECT_EQ(blip.bytes, huge);
  EXPECT_TRUE(blip.keepOriginal);
}

TEST(Pictures, GifTransparencyBecomesAlpha) {
  // The same 2x2 picture with a graphic control extension making colour 1 (white) transparent.
  Bytes gif = gifPicture();
  const Bytes control{0x21, 0xF9, 4, 1, 0, 0, 1, 0};
  gif.insert(gif.begin() + 19, control.begin(), control.end());
  const auto png = wordproc::gifToPng(gif);
  ASSERT_TRUE(png);
  int w = 0, h = 0;
  const auto px = storedPngPixels(*png, w, h);
  EXPECT_EQ(px[3], 255);  // red stays
  EXPECT_EQ(px[7], 0);    // white is transparent
  EXPECT_FALSE(wordproc::gifToPng(Bytes{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x2C}));
}

TEST(PasswordKey, KeysTellPasswordsApartAndKeepNoMoreThanFifteenCharacters) {
  EXPECT_EQ(wordproc::passwordKey(""), 0u);
  EXPECT_NE(wordproc::passwordKey("fesu31"), wordproc::passwordKey("fesu32"));
  EXPECT_NE(wordproc::passwordKey("fesu31"), wordproc::passwordKey("Fesu31"));
  EXPECT_EQ(wordproc::passwordKey("fesu31"), wordproc::passwordKey("fesu31"));
  EXPECT_EQ(wordproc::passwordKey("abcdefghijklmnoXYZ"), wordproc::passwordKey("abcdefghijklmnoQRS"));
  EXPECT_NE(wordproc::passwordKey("密码"), wordproc::passwordKey("密吗"));
}

}  // namespace
}  // namespace verolin::testing
