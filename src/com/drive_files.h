// Files on the real drive paths ("c:\temp\a.doc"), as a person at the machine and the word processor
// reach them. Holding a file (lock) keeps a handle open that denies writing (or everything), so the
// system itself refuses other programs, the control among them, what the hold forbids.
#pragma once

#include <memory>

#include "platform/files.h"

namespace verolin::com {

// Failures throw AutomationError with the runtime's file-error numbers: 52 bad name, 53 missing, 58 the
// target exists, 70 held by another program, 76 no such folder, 75 anything else.
std::unique_ptr<platform::FileSystem> makeDriveFiles();

}  // namespace verolin::com
