// The stand-in word processor: a small word processor of our own that answers the automation names
// of "Word.Application" over a real document model, saves RTF that other word processors open and
// fails the way its model fails. Each created application is a new instance with its own documents
// and windows.
//
//   wordproc.h            this table of contents: options and registration
//   objects/objects.h     the automation objects a caller reaches by name, over the application and its
//                         open documents (word_app.h, doc_session.h)
//   formats/formats.h     files: RTF, web pages and plain text, and pictures as RTF carries them
//   model/model.h         the document model and its editing
//
// objects/ implements this header's options and registration. Below it, includes point only down the
// list: objects use formats and the model, formats use the model, the model uses neither.
#pragma once

#include <functional>
#include <string>

#include "platform/platform.h"

namespace verolin::wordproc {

class DocumentModel;

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

// What an instance's main window shows, for whoever paints it: the window and the active document's model
// (null when none is open or the instance has quit; valid until the instance's next call). Empty for an
// object that is no application of this word processor.
struct WindowContent {
  platform::WindowHandle window = 0;
  const DocumentModel* document = nullptr;
};
WindowContent windowContent(const automation::ObjectRef& application);

}  // namespace verolin::wordproc
