#include "word_fixture.h"

#include <fstream>

namespace verolin::testing {

namespace {

std::filesystem::path freshRoot() {
  std::random_device rd;
  auto dir = std::filesystem::temp_directory_path() /
             ("verolin-wordproc-" + std::to_string(rd()) + std::to_string(rd()));
  std::filesystem::create_directories(dir);
  return dir;
}

void put32be(Bytes& b, std::uint32_t v) {
  for (int i = 3; i >= 0; --i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void put16le(Bytes& b, std::uint32_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32le(Bytes& b, std::uint32_t v) {
  put16le(b, v & 0xFFFF);
  put16le(b, v >> 16);
}

}  // namespace

// A PNG header with an IHDR for the size and one (empty, uncompressed) IDAT: enough for every reader
// here, which takes the size from IHDR.
Bytes pngPicture(int width, int height) {
  Bytes b{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  put32be(b, 13);
  for (char c : std::string("IHDR")) b.push_back(static_cast<std::uint8_t>(c));
  put32be(b, static_cast<std::uint32_t>(width));
  put32be(b, static_cast<std::uint32_t>(height));
  for (std::uint8_t v : {8, 2, 0, 0, 0}) b.push_back(v);
  put32be(b, 0x12345678);  // the readers here do not check chunk CRCs
  put32be(b, 0);
  for (char c : std::string("IEND")) b.push_back(static_cast<std::uint8_t>(c));
  put32be(b, 0xAE426082);
  return b;
}

Bytes jpegPicture(int width, int height) {
  Bytes b{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
  b.insert(b.end(), {0xFF, 0xC0, 0x00, 0x0B, 0x08});
  b.push_back(static_cast<std::uint8_t>(height >> 8));
  b.push_back(static_cast<std::uint8_t>(height));
  b.push_back(static_cast<std::uint8_t>(width >> 8));
  b.push_back(static_cast<std::uint8_t>(width));
  b.insert(b.end(), {0x01, 0x01, 0x11, 0x00, 0xFF, 0xD9});
  return b;
}

Bytes bmpPicture(int width, int height) {
  const int stride = (width * 3 + 3) / 4 * 4;
  Bytes b{'B', 'M'};
  put32le(b, static_cast<std::uint32_t>(54 + stride * height));
  put32le(b, 0);
  put32le(b, 54);
  put32le(b, 40);
  put32le(b, static_cast<std::uint32_t>(width));
  put32le(b, static_cast<std::uint32_t>(height));
  put16le(b, 1);
  put16le(b, 24);
  for (int i = 0; i < 6; ++i) put32le(b, 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < stride; ++x) b.push_back(static_cast<std::uint8_t>(x * 40 + y));
  }
  return b;
}

// A 2x2 GIF with a 2-colour palette (red, white), pixels red, white, white, red.
Bytes gifPicture() {
  return Bytes{'G',  'I',  'F', '8', '9', 'a', 2, 0, 2, 0, 0x80, 0, 0, 0xFF, 0,    0,    0xFF, 0xFF,
               0xFF, 0x2C, 0,   0,   0,   0,   2, 0, 2, 0, 0,    2, 3, 0x44, 0x02, 0x05, 0,    0x3B};
}

WordFixture::WordFixture()
    : root_(freshRoot()), standIn_(std::make_unique<platform::StandInPlatform>(root_)) {
  standIn_->host.freezeClock(true);
  standIn_->host.setClock({2026, 12, 7, 9, 5, 3});
  auto trace = trace_;
  standIn_->host.onTrace = [trace](std::string_view category, std::string_view line) {
    if (category == "word") trace->emplace_back(line);
  };
  platform_ = standIn_->platform();
}

WordFixture::~WordFixture() {
  standIn_.reset();
  std::error_code ec;
  std::filesystem::remove_all(root_, ec);
}

Variant WordFixture::startWord(const std::string& version) {
  wordproc::WordOptions options;
  options.version = version;
  wordproc::registerWordApplication(platform_, options);
  return Variant(platform_.objects->create("Word.Application"));
}

void WordFixture::writeFile(const std::string& winPath, const Bytes& bytes) {
  std::filesystem::create_directories(native(winPath).parent_path());
  std::ofstream out(native(winPath), std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void WordFixture::writeFile(const std::string& winPath, const std::string& text) {
  writeFile(winPath, Bytes(text.begin(), text.end()));
}

Bytes WordFixture::readFile(const std::string& winPath) {
  std::ifstream in(native(winPath), std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

}  // namespace verolin::testing
