// Command bars and printing: the main menu and two toolbars switched on the page's request, print
// preview, the page-setup dialog and printing. Errors of the word processor reach the caller.
#pragma once

#include "control/control.h"

namespace verolin::commands {

void Menu(control::Control& c, bool isShow);
// Both answer False on every path, the bar switched or not.
bool ReviewingBar(control::Control& c, bool isShow);
bool StandardBar(control::Control& c, bool isShow);
// Print preview, with the word processor's window found and embedded again.
void PrintView(control::Control& c);
// The page-setup dialog, displayed only: what the user confirms there is not carried out.
void PrintSetPage(control::Control& c);
// The whole document to the current printer, without a dialog.
void Print_Out(control::Control& c);

}  // namespace verolin::commands
