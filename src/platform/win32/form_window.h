// The window of a modal form: a top-level window titled with the form's caption, shown while the form
// is open. Its own file, so that the drawing of the form's controls can grow here.
#pragma once

#include <windows.h>

#include "platform/form.h"

namespace verolin::platform::win32 {

// Shows `form` in a window owned by `owner` (disabled meanwhile) and runs the messages of the thread
// until the form closes, by its own code, by a timer's tick or by the window's close box. Returns
// false when the window could not be created (the form is then closed at once).
bool runFormWindow(Form& form, HWND owner);

}  // namespace verolin::platform::win32
