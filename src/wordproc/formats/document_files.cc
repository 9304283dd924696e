#include "wordproc/formats/document_files.h"

#include "text/codepage.h"
#include "text/utf8.h"
#include "wordproc/formats/html_reader.h"
#include "wordproc/formats/html_writer.h"
#include "wordproc/formats/rtf_reader.h"
#include "wordproc/formats/rtf_writer.h"
#include "wordproc/formats/text_import.h"

namespace verolin::wordproc {

namespace {

automation::Bytes bytesOf(const std::string& s) {
  return automation::Bytes(s.begin(), s.end());
}

automation::Bytes utf16(const std::string& utf8) {
  automation::Bytes out{0xFF, 0xFE};
  for (char32_t c : text::toCodePoints(utf8)) {
    auto unit = [&](unsigned u) {
      out.push_back(static_cast<std::uint8_t>(u & 0xFF));
      out.push_back(static_cast<std::uint8_t>(u >> 8));
    };
    if (c > 0xFFFF) {
      unit(0xD800 + ((c - 0x10000) >> 10));
      unit(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      unit(c);
    }
  }
  return out;
}

bool startsWith(const automation::Bytes& b, std::initializer_list<std::uint8_t> magic) {
  if (b.size() < magic.size()) return false;
  std::size_t i = 0;
  for (auto m : magic) {
    if (b[i++] != m) return false;
  }
  return true;
}

}  // namespace

EncodedFile encodeDocument(const DocumentModel& doc, int format, std::string_view fileName) {
  EncodedFile file;
  switch (format) {
    case fileformat::kText:
      file.bytes = bytesOf(text::convert(plainText(doc), "UTF-8", "CP936"));
      break;
    case fileformat::kUnicodeText:
      file.bytes = utf16(plainText(doc));
      break;
    case fileformat::kHtml:
    case fileformat::kFilteredHtml: {
      HtmlPage page = writeHtml(doc, fileName);
      file.bytes = bytesOf(page.html);
      file.companions = std::move(page.files);
      break;
    }
    default:
      file.bytes = bytesOf(writeRtf(doc));
      break;
  }
  return file;
}

std::optional<DecodedFile> decodeRtf(std::istream& in) {
  char head[8];
  in.read(head, sizeof head);
  const std::string_view start(head, static_cast<std::size_t>(in.gcount()));
  in.clear();
  in.seekg(0);
  if (!in) throw FileFormatError("the file could not be read");
  if (!looksLikeRtf(start)) return std::nullopt;
  DecodedFile out;
  out.model = readRtf(in);
  out.format = fileformat::kDocument;
  return out;
}

bool savedAsRtf(int format) {
  return format != fileformat::kText && format != fileformat::kUnicodeText && format != fileformat::kHtml &&
         format != fileformat::kFilteredHtml;
}

DecodedFile decodeDocument(const automation::Bytes& bytes, const PictureLoader& pictures) {
  const std::string_view view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  DecodedFile out;
  if (looksLikeRtf(view)) {
    out.model = readRtf(view);
    out.format = fileformat::kDocument;
    return out;
  }
  if (startsWith(bytes, {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1})) {
    throw FileFormatError("the file is a binary Word document, which this program cannot read");
  }
  if (startsWith(bytes, {'P', 'K', 0x03, 0x04})) {
    throw FileFormatError("the file is a packaged (zip) document, which this program cannot read");
  }
  const std::string raw(bytes.begin(), bytes.end());
  if (looksLikeHtml(raw)) {
    out.model = readHtml(text::isValid(raw) ? raw : text::convert(raw, "CP936", "UTF-8"), pictures);
    out.format = fileformat::kHtml;
    return out;
  }
  bool unicode = false;
  auto text = readPlainText(bytes, unicode);
  if (!text) throw FileFormatError("the file is not in a format this program reads");
  out.model = std::move(*text);
  out.format = unicode ? fileformat::kUnicodeText : fileformat::kText;
  return out;
}

}  // namespace verolin::wordproc
