// The RTF this word processor saves its documents in: every paragraph with its style, alignment and
// runs (font, size, colour), inline pictures, floating pictures and lines as RTF shapes, tracked
// insertions, deletions and format changes with author and time, text hyperlinks as HYPERLINK fields,
// bookmarks, page setup and protection, and what the reader kept of another program's file, as that
// file had it. Other word processors read it; rtf_reader.h reads it back exactly (what RTF has no word
// for travels in control words other readers skip).
#pragma once

#include <ostream>
#include <string>

#include "wordproc/model/document_model.h"

namespace verolin::wordproc {

std::string writeRtf(const DocumentModel& doc);
// The same RTF, written to `out` as it is made (the file being saved): nothing of it is held whole.
// Failures show in the stream's state.
void writeRtf(const DocumentModel& doc, std::ostream& out);

}  // namespace verolin::wordproc
