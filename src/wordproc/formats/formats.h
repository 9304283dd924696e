// The file formats: documents to bytes and back, and the pieces each format is made of. Everything
// here works on the document model (model/) and knows nothing of the automation objects above it.
//
//   formats.h           this table of contents: the fileformat numbers and the error for unreadable bytes
//   document_files.h    files: which format, then to bytes and back through one of these:
//   rtf_writer.h        the RTF this word processor saves
//   rtf_reader.h        RTF into the model (its own files exactly, other programs' with what they hold)
//   rtf_common.h        what the RTF writer and reader share
//   picture_codec.h     picture bytes as RTF carries them (bitmaps, GIFs)
//   html_writer.h       the document as a web page, pictures in a folder beside it
//   html_reader.h       web pages as documents
//   text_import.h       plain text files as documents, and the document as plain text
#pragma once

#include <stdexcept>

namespace verolin::wordproc {

// File formats of SaveAs and Open (wdSaveFormat / wdOpenFormat values that this word processor knows).
namespace fileformat {
inline constexpr int kDocument = 0;
inline constexpr int kText = 2;
inline constexpr int kRtf = 6;
inline constexpr int kUnicodeText = 7;
inline constexpr int kHtml = 8;
inline constexpr int kFilteredHtml = 10;
}  // namespace fileformat

// Bytes that are no document this word processor can read; what() says why, for the error text.
class FileFormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace verolin::wordproc
