// Picture files and GDI bitmaps: what a picture box needs to show a picture file's bytes, and what a
// screenshot needs to keep a window's pixels, through the system's imaging component (WIC).
#pragma once

#include <windows.h>

#include "automation/variant.h"

namespace verolin::platform::win32 {

// Decodes a PNG, JPEG, BMP or GIF file's bytes (the first frame) into a 32-bit top-down DIB section
// and stores its size in `size`. Returns nullptr when the bytes are no picture the system can decode.
// The caller owns the bitmap (DeleteObject).
HBITMAP DecodePicture(const automation::Bytes& bytes, SIZE* size);

// The bitmap's pixels as a PNG file (8-bit RGB); empty when the bitmap cannot be read or encoded.
// The bitmap stays the caller's and must not be selected into a device context.
automation::Bytes EncodePng(HBITMAP bitmap);

}  // namespace verolin::platform::win32
