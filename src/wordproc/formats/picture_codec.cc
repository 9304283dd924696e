#include "wordproc/formats/picture_codec.h"

#include <array>
#include <cstdint>
#include <vector>

namespace verolin::wordproc {

namespace {

using automation::Bytes;

std::uint32_t le16(const Bytes& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8);
}
std::uint32_t le32(const Bytes& b, std::size_t at) {
  return le16(b, at) | (le16(b, at + 2) << 16);
}
void put32le(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void put32be(Bytes& b, std::uint32_t v) {
  for (int i = 3; i >= 0; --i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

const std::array<std::uint32_t, 256>& crcTable() {
  static const auto table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  return table;
}

std::uint32_t crc32(const std::uint8_t* data, std::size_t n) {
  std::uint32_t c = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < n; ++i) c = crcTable()[(c ^ data[i]) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

void chunk(Bytes& png, const char* type, const Bytes& data) {
  put32be(png, static_cast<std::uint32_t>(data.size()));
  const std::size_t start = png.size();
  png.insert(png.end(), type, type + 4);
  png.insert(png.end(), data.begin(), data.end());
  put32be(png, crc32(png.data() + start, png.size() - start));
}

// A PNG of RGBA pixels, its image data in stored (uncompressed) deflate blocks.
Bytes encodePng(int width, int height, const std::vector<std::uint8_t>& rgba) {
  Bytes raw;
  raw.reserve(static_cast<std::size_t>(height) * (static_cast<std::size_t>(width) * 4 + 1));
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);
    const auto row = rgba.begin() + static_cast<std::ptrdiff_t>(y) * width * 4;
    raw.insert(raw.end(), row, row + width * 4);
  }
  Bytes z{0x78, 0x01};
  std::size_t at = 0;
  do {
    const std::size_t n = std::min<std::size_t>(65535, raw.size() - at);
    z.push_back(at + n == raw.size() ? 1 : 0);
    z.push_back(static_cast<std::uint8_t>(n & 0xFF));
    z.push_back(static_cast<std::uint8_t>(n >> 8));
    z.push_back(static_cast<std::uint8_t>(~n & 0xFF));
    z.push_back(static_cast<std::uint8_t>((~n >> 8) & 0xFF));
    z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
             raw.begin() + static_cast<std::ptrdiff_t>(at + n));
    at += n;
  } while (at < raw.size());
  std::uint32_t a = 1, b = 0;
  for (std::uint8_t c : raw) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  put32be(z, (b << 16) | a);

  Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes ihdr;
  put32be(ihdr, static_cast<std::uint32_t>(width));
  put32be(ihdr, static_cast<std::uint32_t>(height));
  ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});
  chunk(png, "IHDR", ihdr);
  chunk(png, "IDAT", z);
  chunk(png, "IEND", {});
  return png;
}

// The most pixels a GIF is turned into a PNG with (64 MiB of RGBA). Its header may promise 65535 × 65535
// in a few dozen bytes; a larger one is written as it is instead.
constexpr std::uint64_t kMaxGifPixels = std::uint64_t{1} << 24;

class GifReader {
 public:
  explicit GifReader(const Bytes& b) : b_(b) {}

  std::optional<Bytes> decode() {
    if (b_.size() < 13) return std::nullopt;
    width_ = static_cast<int>(le16(b_, 6));
    height_ = static_cast<int>(le16(b_, 8));
    if (static_cast<std::uint64_t>(width_) * static_cast<std::uint64_t>(height_) > kMaxGifPixels)
      return std::nullopt;
    const std::uint8_t flags = b_[10];
    at_ = 13;
    if (flags & 0x80 && !palette(global_, 2 << (flags & 7))) return std::nullopt;
    int transparent = -1;
    while (at_ < b_.size()) {
      const std::uint8_t block = b_[at_++];
      if (block == 0x3B) break;
      if (block == 0x21) {
        if (at_ >= b_.size()) return std::nullopt;
        const std::uint8_t label = b_[at_++];
        if (label == 0xF9 && at_ + 5 < b_.size() && b_[at_] == 4) {
          if (b_[at_ + 1] & 1) transparent = b_[at_ + 4];
        }
        if (!skipSubBlocks()) return std::nullopt;
        continue;
      }
      if (block != 0x2C) return std::nullopt;
      return image(transparent);
    }
    return std::nullopt;
  }

 private:
  bool palette(std::vector<std::uint8_t>& p, int entries) {
    const std::size_t n = static_cast<std::size_t>(entries) * 3;
    if (at_ + n > b_.size()) return false;
    p.assign(b_.begin() + static_cast<std::ptrdiff_t>(at_),
             b_.begin() + static_cast<std::ptrdiff_t>(at_ + n));
    at_ += n;
    return true;
  }

  bool skipSubBlocks() {
    while (at_ < b_.size()) {
      const std::uint8_t n = b_[at_++];
      if (n == 0) return true;
      at_ += n;
    }
    return false;
  }

  std::optional<Bytes> image(int transparent) {
    if (at_ + 9 > b_.size()) return std::nullopt;
    const int left = static_cast<int>(le16(b_, at_));
    const int top = static_cast<int>(le16(b_, at_ + 2));
    const int w = static_cast<int>(le16(b_, at_ + 4));
    const int h = static_cast<int>(le16(b_, at_ + 6));
    const std::uint8_t flags = b_[at_ + 8];
    at_ += 9;
    if (static_cast<std::uint64_t>(w) * static_cast<std::uint64_t>(h) > kMaxGifPixels) return std::nullopt;
    std::vector<std::uint8_t> local;
    if (flags & 0x80 && !palette(local, 2 << (flags & 7))) return std::nullopt;
    const auto& colors = flags & 0x80 ? local : global_;
    if (at_ >= b_.size()) return std::nullopt;
    const int minCode = b_[at_++];
    if (minCode < 2 || minCode > 8) return std::nullopt;
    Bytes data;
    while (at_ < b_.size()) {
      const std::uint8_t n = b_[at_++];
      if (n == 0) break;
      if (at_ + n > b_.size()) return std::nullopt;
      data.insert(data.end(), b_.begin() + static_cast<std::ptrdiff_t>(at_),
                  b_.begin() + static_cast<std::ptrdiff_t>(at_ + n));
      at_ += n;
    }
    const std::vector<std::uint8_t> indices = lzw(data, minCode, static_cast<std::size_t>(w) * h);
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width_) * height_ * 4, 0);
    // Interlaced rows arrive in four passes.
    std::vector<int> rows;
    if (flags & 0x40) {
      for (int pass = 0; pass < 4; ++pass) {
        static const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
        for (int y = start[pass]; y < h; y += step[pass]) rows.push_back(y);
      }
    } else {
      for (int y = 0; y < h; ++y) rows.push_back(y);
    }
    for (std::size_t i = 0; i < indices.size(); ++i) {
      const int x = left + static_cast<int>(i % static_cast<std::size_t>(w));
      const int y = top + rows[i / static_cast<std::size_t>(w)];
      if (x >= width_ || y >= height_) continue;
      const int c = indices[i];
      if (c == transparent || static_cast<std::size_t>(c) * 3 + 2 >= colors.size()) continue;
      std::uint8_t* px = &rgba[(static_cast<std::size_t>(y) * width_ + x) * 4];
      px[0] = colors[c * 3];
      px[1] = colors[c * 3 + 1];
      px[2] = colors[c * 3 + 2];
      px[3] = 255;
    }
    return encodePng(width_, height_, rgba);
  }

  static std::vector<std::uint8_t> lzw(const Bytes& data, int minCode, std::size_t limit) {
    std::vector<std::uint8_t> out;
    const int clear = 1 << minCode;
    const int end = clear + 1;
    std::vector<int> prefix(4096, -1);
    std::vector<std::uint8_t> suffix(4096), first(4096);
    for (int i = 0; i < clear; ++i) {
      suffix[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
      first[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    }
    int size = minCode + 1;
    int next = end + 1;
    int previous = -1;
    std::uint32_t bits = 0;
    int count = 0;
    std::vector<std::uint8_t> stack;
    for (std::size_t i = 0; i < data.size() && out.size() < limit;) {
      while (count < size && i < data.size()) {
        bits |= static_cast<std::uint32_t>(data[i++]) << count;
        count += 8;
      }
      if (count < size) break;
      const int code = static_cast<int>(bits & ((1u << size) - 1));
      bits >>= size;
      count -= size;
      if (code == clear) {
        size = minCode + 1;
        next = end + 1;
        previous = -1;
        continue;
      }
      if (code == end) break;
      if (code > next || (code == next && previous < 0)) break;
      int c = code == next ? previous : code;
      stack.clear();
      while (c >= clear) {
        stack.push_back(suffix[static_cast<std::size_t>(c)]);
        c = prefix[static_cast<std::size_t>(c)];
      }
      stack.push_back(static_cast<std::uint8_t>(c));
      const std::uint8_t head = stack.back();
      if (code == next) stack.insert(stack.begin(), head);
      out.insert(out.end(), stack.rbegin(), stack.rend());
      if (previous >= 0 && next < 4096) {
        prefix[static_cast<std::size_t>(next)] = previous;
        suffix[static_cast<std::size_t>(next)] = head;
        ++next;
        if (next == (1 << size) && size < 12) ++size;
      }
      previous = code;
    }
    if (out.size() > limit) out.resize(limit);
    out.resize(limit, 0);
    return out;
  }

  const Bytes& b_;
  std::size_t at_ = 0;
  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint8_t> global_;
};

}  // namespace

std::optional<Bytes> bmpFromDib(const Bytes& dib) {
  if (dib.size() < 12) return std::nullopt;
  const std::uint32_t header = le32(dib, 0);
  std::uint32_t paletteBytes = 0;
  if (header == 12) {
    const std::uint32_t bpp = le16(dib, 10);
    paletteBytes = bpp <= 8 ? (1u << bpp) * 3 : 0;
  } else if (header >= 40 && dib.size() >= 40) {
    const std::uint32_t bpp = le16(dib, 14);
    const std::uint32_t compression = le32(dib, 16);
    const std::uint32_t used = le32(dib, 32);
    paletteBytes = (used ? used : (bpp <= 8 ? 1u << bpp : 0)) * 4;
    if (header == 40 && compression == 3) paletteBytes += 12;
    if (header == 40 && compression == 6) paletteBytes += 16;
  } else {
    return std::nullopt;
  }
  Bytes bmp{'B', 'M'};
  put32le(bmp, static_cast<std::uint32_t>(14 + dib.size()));
  put32le(bmp, 0);
  put32le(bmp, 14 + header + paletteBytes);
  bmp.insert(bmp.end(), dib.begin(), dib.end());
  return bmp;
}

std::optional<Bytes> gifToPng(const Bytes& gif) {
  return GifReader(gif).decode();
}

RtfBlip rtfBlip(const Picture& p) {
  switch (p.type) {
    case PictureType::Png:
      return {"\\pngblip", p.bytes, false};
    case PictureType::Jpeg:
      return {"\\jpegblip", p.bytes, false};
    case PictureType::Bmp: {
      Bytes dib(p.bytes.begin() + 14, p.bytes.end());
      const auto rebuilt = bmpFromDib(dib);
      return {"\\dibitmap0", std::move(dib), !rebuilt || *rebuilt != p.bytes};
    }
    case PictureType::Gif: {
      auto png = gifToPng(p.bytes);
      return {"\\pngblip", png ? std::move(*png) : p.bytes, true};
    }
  }
  return {"\\pngblip", p.bytes, false};
}

}  // namespace verolin::wordproc
