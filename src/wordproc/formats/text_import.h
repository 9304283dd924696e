// Plain text files as documents: one paragraph per line, in UTF-8, UTF-16 (with a byte order mark)
// or the Chinese ANSI code page; and the document as plain text for the text save formats.
#pragma once

#include <optional>
#include <string>

#include "automation/variant.h"
#include "wordproc/model/document_model.h"

namespace verolin::wordproc {

// The document, or nullopt when the bytes are no text (binary data, control characters).
std::optional<DocumentModel> readPlainText(const automation::Bytes& bytes, bool& unicode);

// The text as it reads without revision marks (deleted text left out), lines ending in CR LF.
std::string plainText(const DocumentModel& doc);

}  // namespace verolin::wordproc
