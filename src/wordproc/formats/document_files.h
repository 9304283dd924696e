// Documents to file bytes and back, choosing the format: RTF for the word processor's own documents,
// plain text, and web pages (written only).
#pragma once

#include <functional>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "automation/variant.h"
#include "wordproc/formats/formats.h"
#include "wordproc/model/document_model.h"

namespace verolin::wordproc {

struct EncodedFile {
  automation::Bytes bytes;
  // Files that go beside it (a web page's pictures): a path relative to the file's folder, and bytes.
  std::vector<std::pair<std::string, automation::Bytes>> companions;
};

// The bytes of `doc` in a fileformat (see formats.h); `fileName` names the file being written,
// so that a web page can name its picture folder after it.
EncodedFile encodeDocument(const DocumentModel& doc, int format, std::string_view fileName);

struct DecodedFile {
  DocumentModel model;
  int format = 0;  // the fileformat the bytes were in
};

// Reads a picture a web page names, relative to the page; nullopt when there is none.
using PictureLoader = std::function<std::optional<automation::Bytes>(const std::string& relativePath)>;

// Reads RTF (this word processor's own or another's), a web page or plain text; FileFormatError for
// anything else.
DecodedFile decodeDocument(const automation::Bytes& bytes, const PictureLoader& pictures = {});

// Reads the stream as RTF when it begins as RTF, a piece at a time; nullopt (the stream back at its
// start) when it does not, for decodeDocument to read it whole. FileFormatError as decodeDocument.
std::optional<DecodedFile> decodeRtf(std::istream& in);

// True for the formats saved as RTF, which writeRtf can stream to the file.
bool savedAsRtf(int format);

}  // namespace verolin::wordproc
