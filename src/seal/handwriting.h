// Handwritten signatures: the window in which the user draws a signature with the mouse or pastes a
// tablet's picture, and the routine that puts it into the document as a mark.
//
//   handwriting.cc         HandWrite, ShowHandwriting, MakeWindowTopmost
//   handwriting_window.*   the window FrmHandWritd and its events
//   handwriting_insert.cc  InsertSignature, what "确 定" does with the signature
#pragma once

#include "automation/variant.h"
#include "control/control.h"
#include "platform/windows.h"

namespace verolin::seal {

// The public method: the document guard, then the handwriting window.
void HandWrite(control::Control& c);

// Shows the handwriting window modally; returns when it has closed. A page that calls it again while
// the window is open gets error 400, as a form shown modally twice does.
void ShowHandwriting(control::Control& c);

// Puts `form` above all other windows (SetWindowPos with HWND_TOPMOST, neither moved nor sized) and
// returns the system error code it records: 0, or 1400 (invalid window handle) when the window is unknown.
int MakeWindowTopmost(platform::WindowSystem& windows, platform::WindowHandle form);

// "确 定" once a signature is there: the picture through the clipboard into the document at the
// insertion point, floated, given the mark's look and recorded in the six signature lists under the
// word processor's user name. False, after a message, when Word is not running or refuses the paste or
// the conversion; the lists are then unchanged.
bool InsertSignature(control::Control& c, const automation::Bytes& signature);

}  // namespace verolin::seal
