// The web-page reader on arbitrary pages, as Documents.Open hands them over (text made valid first),
// with the pictures a page names answered from a small set. Whatever it reads is a sound document:
// ending in a paragraph mark, the same after an RTF file, and written as a web page it reads back
// with the same visible text.
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "automation/variant.h"
#include "fuzz_check.h"
#include "text/codepage.h"
#include "text/utf8.h"
#include "wordproc/formats/html_reader.h"
#include "wordproc/formats/html_writer.h"
#include "wordproc/formats/rtf_reader.h"
#include "wordproc/formats/rtf_writer.h"
#include "wordproc/model/document_model.h"

namespace {

using namespace verolin;
using automation::Bytes;

const Bytes kPng = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0,   0,   0,   13,   'I',  'H',  'D',
                    'R',  0,   0,   0,   4,    0,    0,    0,    3,   8,   2,   0,    0,    0,    1,
                    2,    3,   4,   0,   0,    0,    0,    'I',  'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
const Bytes kGif = {'G',  'I',  'F', '8', '9', 'a', 2, 0, 2, 0, 0x80, 0, 0, 0xFF, 0,    0,    0xFF, 0xFF,
                    0xFF, 0x2C, 0,   0,   0,   0,   2, 0, 2, 0, 0,    2, 3, 0x44, 0x02, 0x05, 0,    0x3B};

// The text a reader sees, without the blanks a web page writes for tabs, cell ends and empty
// paragraphs (which a page cannot hold as they are).
std::string visible(const std::string& text) {
  std::string out;
  for (const char32_t c : text::toCodePoints(text)) {
    if (c == U' ' || c == U'\t' || c == U'\v' || c == U'\f' || c == wordproc::kCellMark || c == 0xA0 ||
        c == 0x2003)
      continue;
    out += text::fromCodePoint(c);
  }
  return out;
}

void check(bool condition, const char* what, const wordproc::DocumentModel& a,
           const wordproc::DocumentModel& b) {
  if (condition) return;
  std::fprintf(stderr, "%s:\n%s\n---\n%s\n", what, wordproc::describe(a).c_str(),
               wordproc::describe(b).c_str());
  FUZZ_CHECK(false);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string raw(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::string page = text::isValid(raw) ? raw : text::convert(raw, "CP936", "UTF-8");
  const std::uint8_t pictures = data[0];
  const wordproc::PictureSource source = [pictures](const std::string& src) -> std::optional<Bytes> {
    if (src.empty()) return std::nullopt;
    switch ((pictures + static_cast<unsigned char>(src.back())) % 4) {
      case 0:
        return kPng;
      case 1:
        return kGif;
      case 2:
        return Bytes(src.begin(), src.end());  // not a picture
      default:
        return std::nullopt;
    }
  };
  const wordproc::DocumentModel doc = wordproc::readHtml(page, source);
  FUZZ_CHECK(doc.size() >= 1 && doc.at(doc.size() - 1).cp == wordproc::kParagraphMark);

  const wordproc::DocumentModel fromRtf = wordproc::readRtf(wordproc::writeRtf(doc));
  check(wordproc::describe(fromRtf) == wordproc::describe(doc), "differs after RTF", doc, fromRtf);

  const wordproc::HtmlPage written = wordproc::writeHtml(doc, "page.htm");
  FUZZ_CHECK(wordproc::looksLikeHtml(written.html));
  std::map<std::string, Bytes> files(written.files.begin(), written.files.end());
  const wordproc::DocumentModel again =
      wordproc::readHtml(written.html, [&files](const std::string& src) -> std::optional<Bytes> {
        std::string path = src;
        for (auto& c : path) c = c == '/' ? '\\' : c;
        const auto found = files.find(path);
        if (found == files.end()) return std::nullopt;
        return found->second;
      });
  check(visible(again.text(0, again.size())) == visible(doc.text(0, doc.size())),
        "text differs after a web page", doc, again);
  return 0;
}
