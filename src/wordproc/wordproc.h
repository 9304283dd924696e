// The stand-in word processor: a small word processor of our own that answers the automation names
// of "Word.Application" over a real document model, saves RTF that other word processors open and
// fails the way its model fails. Each created application is a new instance with its own documents
// and windows.
//
//   wordproc.h            this table of contents: options and registration
//   word_app.h            the application instance: documents, main window, user, command bars
//   doc_session.h         one open document: its model, file, window settings and selection
//   document_model.h      the document model (text, formats, pictures, shapes, tables, revisions, protection)
//   editing.h             typing, deleting, formatting and revisions on the model
//   text_format.h         formats as they show (run formatting over the paragraph style)
//   layout.h              lines of text, for moving by line and by screen
//   styles.h              the built-in styles with a Chinese installation's names
//   units.h               measures kept at the precision files store
//   picture.h             picture bytes, kinds and sizes; picture_codec.h: bitmaps and GIFs for RTF
//   document_files.h      files: which format, then rtf_writer.h, rtf_reader.h (rtf_common.h),
//                         html_writer.h, html_reader.h, text_import.h
//   password_key.h        the protection password's key
//   command_bar_set.h     menu bar and toolbars with their control IDs
//   objects.h             the automation objects, one file each (application.cc, documents.cc, ...),
//                         and user_actions.cc, what a person does in the window
//   word_errors.h         the errors with their numbers and descriptions
#pragma once

#include <functional>
#include <string>

#include "platform/platform.h"

namespace verolin::wordproc {

struct WordOptions {
  std::string version = "11.0";  // what Application.Version reports ("8.0", "9.0", "10.0", "11.0", ...)
  bool installed = true;         // false: no word processor is registered and creation fails with 429
  std::string userName = "Administrator";
  std::string userInitials = "A";
};

// Registers "Word.Application" with the platform's object factory (or removes it when not installed).
// The services the platform points at must outlive every application created.
void registerWordApplication(const platform::Platform& platform, WordOptions options = {});

// A new application instance, as the factory creates it.
automation::ObjectRef createWordApplication(const platform::Platform& platform, const WordOptions& options);
// The same, with `onQuit` called once the instance has quit (its process ends), as a server that lists
// the running instances needs.
automation::ObjectRef createWordApplication(const platform::Platform& platform, const WordOptions& options,
                                            std::function<void()> onQuit);

}  // namespace verolin::wordproc
