// Reading RTF into the document model: this word processor's own files exactly, and other word
// processors' files with their text, paragraphs, pictures (PNG, JPEG, bitmaps) and what else of
// the above they hold. Groups and words the model has no place for are never read as text: they are
// kept in DocumentModel::kept and on the formats, with the part of the document they belong to.
#pragma once

#include <cstddef>
#include <istream>
#include <string_view>

#include "wordproc/model/document_model.h"

namespace verolin::wordproc {

// True when the bytes begin as RTF does ("{\rtf").
bool looksLikeRtf(std::string_view bytes);

// The document; FileFormatError (formats.h) when the bytes are not readable RTF.
DocumentModel readRtf(std::string_view bytes);
// The same, read from a stream a piece at a time: what is held of the file is the part the reader may
// still keep whole (an open group, a picture), not the file. A read failure is a FileFormatError.
// `piece` is how much is read at a time.
DocumentModel readRtf(std::istream& in, std::size_t piece = std::size_t{1} << 20);

}  // namespace verolin::wordproc
