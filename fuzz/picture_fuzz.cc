// The picture readers (PNG, GIF, JPEG and BMP headers, GIF image data, bitmaps as RTF carries them) on
// arbitrary bytes, with the kind chosen by the first byte so that each reader is reached as often as
// the others. The platform's reader and the document's agree; a picture the document takes survives an
// RTF file with the same kind, size and bytes; a GIF decodes to a PNG the readers take, of its size.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "automation/variant.h"
#include "fuzz_check.h"
#include "platform/picture_info.h"
#include "wordproc/formats/picture_codec.h"
#include "wordproc/formats/rtf_reader.h"
#include "wordproc/formats/rtf_writer.h"
#include "wordproc/model/document_model.h"
#include "wordproc/model/picture.h"

namespace {

using namespace verolin;
using automation::Bytes;

// The signature of each kind, put in front of the input.
Bytes withSignature(std::uint8_t kind, const std::uint8_t* data, std::size_t size) {
  static const Bytes kSignatures[] = {{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'},
                                      {0xFF, 0xD8},
                                      {'B', 'M'},
                                      {'G', 'I', 'F', '8', '9', 'a'},
                                      {}};
  Bytes bytes = kSignatures[kind % 5];
  bytes.insert(bytes.end(), data, data + size);
  return bytes;
}

constexpr std::uint64_t kLargePicture = std::uint64_t{1} << 18;

void survivesRtf(const wordproc::Picture& picture) {
  wordproc::DocumentModel doc;
  // At the size the word processor gives a picture inserted without one.
  const wordproc::PointSize size = wordproc::naturalSize(picture);
  doc.insertPicture(0, wordproc::InlinePicture{picture, size.width, size.height}, 0);
  const std::string before = wordproc::describe(doc);
  const wordproc::DocumentModel back = wordproc::readRtf(wordproc::writeRtf(doc));
  if (wordproc::describe(back) != before) {
    std::fprintf(stderr, "picture differs after RTF:\n%s\n---\n%s\n", before.c_str(),
                 wordproc::describe(back).c_str());
    FUZZ_CHECK(false);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const Bytes bytes = withSignature(data[0], data + 1, size - 1);

  const auto info = platform::ReadPictureInfo(bytes);
  const auto picture = wordproc::readPicture(bytes);
  FUZZ_CHECK(info.has_value() == picture.has_value());
  if (picture) {
    FUZZ_CHECK(static_cast<int>(info->kind) == static_cast<int>(picture->type));
    FUZZ_CHECK(picture->pixelWidth == info->pixelWidth && picture->pixelHeight == info->pixelHeight);
    FUZZ_CHECK(picture->pixelWidth >= 1 && picture->pixelWidth <= 65535);
    FUZZ_CHECK(picture->pixelHeight >= 1 && picture->pixelHeight <= 65535);
    const wordproc::RtfBlip blip = wordproc::rtfBlip(*picture);
    if (picture->type == wordproc::PictureType::Bmp && !blip.keepOriginal) {
      FUZZ_CHECK(wordproc::bmpFromDib(blip.bytes) == picture->bytes);
    }
    // Large pictures are legitimate and slow (RTF holds their bytes as hexadecimal text); the size
    // limits are tested elsewhere, so the runs are spent on many small pictures.
    if (static_cast<std::uint64_t>(picture->pixelWidth) * static_cast<std::uint64_t>(picture->pixelHeight) >
        kLargePicture)
      return 0;
    survivesRtf(*picture);
  }

  // The same for what a GIF's header promises, whether or not the readers take it.
  const bool largeGif = bytes.size() >= 10 && static_cast<std::uint64_t>(bytes[6] | bytes[7] << 8) *
                                                      static_cast<std::uint64_t>(bytes[8] | bytes[9] << 8) >
                                                  kLargePicture;
  if (const auto png = largeGif ? std::nullopt : wordproc::gifToPng(bytes)) {
    // Only GIFs the readers take are ever converted (when a document is written as RTF).
    if (picture && picture->type == wordproc::PictureType::Gif) {
      const auto pngInfo = platform::ReadPictureInfo(*png);
      FUZZ_CHECK(pngInfo.has_value() && pngInfo->kind == platform::PictureKind::Png);
      FUZZ_CHECK(pngInfo->pixelWidth == picture->pixelWidth && pngInfo->pixelHeight == picture->pixelHeight);
    }
  }
  if (const auto bmp = wordproc::bmpFromDib(Bytes(data + 1, data + size))) {
    FUZZ_CHECK(bmp->size() == size - 1 + 14);
  }
  return 0;
}
