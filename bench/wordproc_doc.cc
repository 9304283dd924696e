// Large documents for the word processor's paired figures, and the word processor's side of them.
//
//   wordproc_doc make text|pictures MIB FILE   an RTF document of about MIB MiB: paragraphs of Chinese
//                                              and Latin text in formatted runs, or the same with a
//                                              picture (a real PNG of about 512 KiB) every few paragraphs
//   wordproc_doc open ROOT PATH                Documents.Open of PATH ("c:\\doc.rtf" is ROOT/c/doc.rtf)
//   wordproc_doc edit ROOT PATH                the same, then one typed line at the end, Save and Close
//
// open and edit go through the automation surface on the real file layer, as the control drives it.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "automation/automation.h"
#include "platform/standin.h"
#include "wordproc/wordproc.h"

namespace {

using namespace verolin;

std::uint32_t crc32(const std::uint8_t* p, std::size_t n, std::uint32_t crc = 0) {
  static const auto table = [] {
    std::vector<std::uint32_t> t(256);
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  crc = ~crc;
  for (std::size_t i = 0; i < n; ++i) crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

void be32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<std::uint8_t>(v >> s));
}

void chunk(std::vector<std::uint8_t>& png, const char* type, const std::vector<std::uint8_t>& data) {
  be32(png, static_cast<std::uint32_t>(data.size()));
  std::vector<std::uint8_t> body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  png.insert(png.end(), body.begin(), body.end());
  be32(png, crc32(body.data(), body.size()));
}

// A valid RGB PNG of noise (so that no compressor shrinks it), its image data in stored deflate blocks.
std::vector<std::uint8_t> noisePng(int width, int height, std::mt19937& rng) {
  std::vector<std::uint8_t> raw;
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);  // no filter
    for (int x = 0; x < width * 3; ++x) raw.push_back(static_cast<std::uint8_t>(rng()));
  }
  std::vector<std::uint8_t> z{0x78, 0x01};
  for (std::size_t i = 0; i < raw.size(); i += 65535) {
    const std::size_t n = std::min<std::size_t>(65535, raw.size() - i);
    z.push_back(i + n == raw.size() ? 1 : 0);
    z.push_back(static_cast<std::uint8_t>(n));
    z.push_back(static_cast<std::uint8_t>(n >> 8));
    z.push_back(static_cast<std::uint8_t>(~n));
    z.push_back(static_cast<std::uint8_t>(~n >> 8));
    z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(i),
             raw.begin() + static_cast<std::ptrdiff_t>(i + n));
  }
  std::uint32_t a = 1, b = 0;
  for (std::uint8_t c : raw) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  be32(z, (b << 16) | a);
  std::vector<std::uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<std::uint8_t> ihdr;
  be32(ihdr, static_cast<std::uint32_t>(width));
  be32(ihdr, static_cast<std::uint32_t>(height));
  ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
  chunk(png, "IHDR", ihdr);
  chunk(png, "IDAT", z);
  chunk(png, "IEND", {});
  return png;
}

int make(const std::string& kind, double mib, const std::string& file) {
  std::ofstream out(file, std::ios::binary);
  const auto target = static_cast<std::uint64_t>(mib * 1024 * 1024);
  out << "{\\rtf1\\ansi\\ansicpg936\\uc1\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 SimSun;}{\\f1\\fswiss "
         "Arial;}}\n"
         "{\\colortbl;\\red255\\green0\\blue0;}\n\\paperw11906\\paperh16838\n";
  // Chinese as \uN? (what the word processor writes), Latin as it is, runs bold, red and large.
  const char32_t hanzi[] = U"关于进一步加强文档安全管理工作的通知各单位要认真落实";
  std::mt19937 rng(7);
  std::uint64_t written = 0;
  std::vector<std::uint8_t> picture;
  for (int para = 0; written < target; ++para) {
    std::string p = "\\pard\\plain\\f0\\fs24 ";
    for (int run = 0; run < 6; ++run) {
      p += run % 3 == 0 ? "{\\b " : run % 3 == 1 ? "{\\cf1\\fs28 " : "{\\f1 ";
      for (int k = 0; k < 20; ++k) {
        p += "\\u" + std::to_string(static_cast<int>(hanzi[(para * 7 + run * 3 + k) % 26])) + "?";
      }
      p += " The quick brown fox jumps over the lazy dog, 0123456789.}";
    }
    p += "\\par\n";
    out << p;
    written += p.size();
    if (kind == "pictures" && para % 4 == 3) {
      if (picture.empty() || para % 16 == 3) picture = noisePng(300, 580, rng);  // about 510 KiB
      static const char* digits = "0123456789abcdef";
      std::string pict = "{\\pict\\pngblip\\picw300\\pich580\\picwgoal4500\\pichgoal8700";
      for (std::size_t i = 0; i < picture.size(); ++i) {
        if (i % 64 == 0) pict += '\n';
        pict += digits[picture[i] >> 4];
        pict += digits[picture[i] & 15];
      }
      pict += "}\\par\n";
      out << pict;
      written += pict.size();
    }
  }
  out << "}\n";
  return out ? 0 : 1;
}

int drive(bool edit, const std::string& root, const std::string& path) {
  platform::StandInPlatform standIn(root);
  wordproc::registerWordApplication(standIn.platform());
  automation::Variant app(standIn.objects.create("Word.Application"));
  automation::Variant doc = app.get("Documents").call("Open", path);
  if (edit) {
    automation::Variant selection = app.get("Selection");
    selection.call("EndKey", 6);  // wdStory
    selection.call("TypeParagraph");
    selection.call("TypeText", "已阅，同意。");
    doc.call("Save");
  }
  doc.call("Close", false);
  app.call("Quit", false);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> a(argv + 1, argv + argc);
  try {
    if (a.size() == 4 && a[0] == "make" && (a[1] == "text" || a[1] == "pictures")) {
      return make(a[1], std::stod(a[2]), a[3]);
    }
    if (a.size() == 3 && (a[0] == "open" || a[0] == "edit")) return drive(a[0] == "edit", a[1], a[2]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "wordproc_doc: %s\n", e.what());
    return 1;
  }
  std::fprintf(stderr, "usage: wordproc_doc make text|pictures MIB FILE | open ROOT PATH | edit ROOT PATH\n");
  return 2;
}
