// The document model and its editing: what a document is, apart from any file or window. It depends on
// nothing else of the word processor; the formats and the automation objects build on it.
//
//   model.h             this table of contents
//   document_model.h    the document (text, formats, pictures, shapes, tables, revisions, protection)
//   editing.h           typing, deleting, formatting and revisions on the model
//   text_format.h       formats as they show (run formatting over the paragraph style)
//   layout.h            lines of text, for moving by line and by screen
//   styles.h            the built-in styles with a Chinese installation's names
//   text_store.h        the characters, stored compactly (UTF-8 with runs of formats)
//   units.h             measures kept at the precision files store
//   picture.h           picture bytes, kinds and sizes
//   password_key.h      the protection password's key
#pragma once

#include "wordproc/model/document_model.h"
#include "wordproc/model/editing.h"
