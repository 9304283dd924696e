// The services the stand-in word processor stands on when it runs as a COM server on Windows: its main
// window a real top-level window (user32), its dialogs and message boxes real modal windows, its
// files on the real drives, its clock the process's local time, its trace lines the program's
// transcript when the program keeps one.
#pragma once

#include <functional>
#include <memory>

#include "platform/platform.h"
#include "wordproc/model/document_model.h"

namespace verolin::com {

// One set of services per process, made on first use; every instance of the word processor uses it.
const platform::Platform& wordProcessorPlatform();

// The user32 window system on its own (the word processor's windows), for tests.
std::unique_ptr<platform::WindowSystem> makeUser32Windows();

// How a main window finds the document it shows (null: none). Its window procedure paints that
// document and looks for changes a few times a second; until a finder is set the window shows its bare
// background.
using DocumentFinder = std::function<const wordproc::DocumentModel*(platform::WindowHandle)>;
void setDocumentFinder(DocumentFinder finder);

}  // namespace verolin::com
