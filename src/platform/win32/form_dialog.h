// The control's forms as real modal dialogs: one child window per named control of a platform::Form
// (labels, buttons, check boxes, text boxes, combo and list boxes, picture boxes), placed in twips by
// form_layout.h, and kept in step with the model both ways: what the user does goes into the model
// (Form::click, FormControl::set("Text"), "ListIndex", Form::mouse, Form::key), and what the model's
// code changes (Caption, Text, Value, Visible, Enabled, the items, the selection, the picture) shows.
#pragma once

#include <windows.h>

#include <string_view>

#include "platform/form.h"

namespace verolin::platform::win32 {

// The window property of a form dialog holding its platform::Form*: a page-script runner built from
// the same sources answers the form through its model, as on Linux.
inline constexpr wchar_t kFormObjectProperty[] = L"VerolinFormObject";

// Shows `form` as a modal dialog owned by `owner` (null: no owner; otherwise the owner is disabled
// while the dialog is up): marks the form shown and returns when it has closed, by its own code, a
// button or the close box. A form whose layout says so stays topmost (SetWindowPos, HWND_TOPMOST).
// Returns 0; -1 when the window could not be created, after closing the form so that nothing waits on
// a window nobody sees. A WM_QUIT met meanwhile closes the form and is posted again for the outer
// loop. An exception thrown by the form's code while it handles the user's action closes the form
// and leaves this function once the window is gone.
int runFormDialog(Form& form, HWND owner);

// The dialog window showing `form` now, or null. Any thread may ask (tests drive the dialog from a
// thread of their own).
HWND formDialogWindow(const Form& form);

// The dialog of this thread shown last and still up (the innermost of nested forms), or null. A
// message box or input box that a form's code shows belongs above it: owned by it, the box stays in
// front of a topmost form and leaves the form disabled, not its owner, when it ends.
HWND currentFormDialog();

// The child window of `form`'s control `controlName` inside `dialog`, or null.
HWND formControlWindow(HWND dialog, const Form& form, std::string_view controlName);

}  // namespace verolin::platform::win32
