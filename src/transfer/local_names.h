// Names of the local files a transfer makes in the working folder.
#pragma once

#include <string>
#include <string_view>

#include "control/control.h"

namespace verolin::transfer {

// The local time as year, month, day, hour, second and minute (seconds before minutes), unpadded
// decimal numbers run together: 2006-03-05 09:07:02 gives "200635927".
std::string TimeStampName(control::Control& c);

// `path` without its last four characters, then ".jia" (toContainer) or ".doc".
std::string SwapExtension(std::string_view path, bool toContainer);

// True when `name` can only name a file directly inside the working folder: not empty, no folder
// separators, drive colons or wildcard and quote characters, no control characters, no trailing dot
// or blank, and no device name. Names from the server or from a URL must pass before they are used.
bool IsPlainFileName(std::string_view name);

}  // namespace verolin::transfer
