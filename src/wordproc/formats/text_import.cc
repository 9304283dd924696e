#include "wordproc/formats/text_import.h"

#include "text/codepage.h"
#include "text/utf8.h"

namespace verolin::wordproc {

namespace {

std::string fromUtf16(const automation::Bytes& b, std::size_t start, bool bigEndian) {
  std::u32string cps;
  for (std::size_t i = start; i + 1 < b.size(); i += 2) {
    char32_t u = bigEndian ? (b[i] << 8) | b[i + 1] : b[i] | (b[i + 1] << 8);
    if (u >= 0xD800 && u < 0xDC00 && i + 3 < b.size()) {
      const char32_t low = bigEndian ? (b[i + 2] << 8) | b[i + 3] : b[i + 2] | (b[i + 3] << 8);
      if (low >= 0xDC00 && low < 0xE000) {
        u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    cps.push_back(u);
  }
  std::string out;
  for (char32_t c : cps) out += text::fromCodePoint(c);
  return out;
}

// Bytes that text never holds: NUL and control characters other than tab, line ends, form feed and
// the end-of-file mark of old editors.
bool looksBinary(const automation::Bytes& b) {
  for (std::uint8_t c : b) {
    if (c < 0x20 && c != '\t' && c != '\r' && c != '\n' && c != '\f' && c != 0x0B && c != 0x1A) return true;
  }
  return false;
}

}  // namespace

std::optional<DocumentModel> readPlainText(const automation::Bytes& bytes, bool& unicode) {
  std::string text;
  unicode = false;
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    text = fromUtf16(bytes, 2, false);
    unicode = true;
  } else if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
    text = fromUtf16(bytes, 2, true);
    unicode = true;
  } else {
    if (looksBinary(bytes)) return std::nullopt;
    std::string raw(bytes.begin(), bytes.end());
    if (raw.size() >= 3 && raw.compare(0, 3, "\xEF\xBB\xBF") == 0) raw.erase(0, 3);
    text = text::isValid(raw) ? raw : text::convert(raw, "CP936", "UTF-8");
  }
  DocumentModel doc;
  std::u32string chars;
  const std::u32string in = text::toCodePoints(text);
  for (std::size_t i = 0; i < in.size(); ++i) {
    char32_t c = in[i];
    if (c == 0x1A) continue;
    if (c == U'\r' && i + 1 < in.size() && in[i + 1] == U'\n') ++i;
    if (c == U'\r' || c == U'\n') c = kParagraphMark;
    if (c == kParagraphMark || isPlainCharacter(c)) chars.push_back(c);
  }
  // A final line end closes the last line; it does not open another paragraph.
  if (!chars.empty() && chars.back() == kParagraphMark) chars.pop_back();
  doc.insert(0, chars, 0);
  return doc;
}

std::string plainText(const DocumentModel& doc) {
  std::string out;
  for (int i = 0; i + 1 < doc.size(); ++i) {
    const Char& c = doc.at(i);
    if (doc.format(c.format).delRev || c.cp == kPictureChar) continue;
    if (c.cp == kParagraphMark) {
      out += "\r\n";
    } else {
      out += c.cp == kCellMark ? std::string("\t") : text::fromCodePoint(c.cp);
    }
  }
  if (!out.empty()) out += "\r\n";
  return out;
}

}  // namespace verolin::wordproc
