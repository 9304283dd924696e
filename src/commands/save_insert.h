// Save-as and insertions: the document saved as a Word document or as a web page, text typed at the
// end of the current line, and four of the word processor's own dialogs. Pictures are inserted by the
// transfer routine InsertPicture, which the network picture shares.
#pragma once

#include <cstdint>
#include <string>

#include "automation/variant.h"
#include "control/control.h"

namespace verolin::commands {

// Type 0 saves a Word document through SaveLocalCopy (which sets localFile); any other type saves a web
// page, under "temp.htm" in the working folder when `fileName` is empty (written back to the caller).
// Failing steps are passed over; nothing is reported.
void FileSaveAs(control::Control& c, std::int16_t documentType, automation::Variant& fileName);
// Types `text` at the end of the current line; silent without text or word processor.
void InsertUserText(control::Control& c, const std::string& text);
// The insert-table dialog; True once it was shown, whatever the user chose.
bool InsertTable(control::Control& c);
// The save-version, versions and bookmark dialogs; each answers False on every path.
bool FileSaveVersion(control::Control& c);
bool VersionManage(control::Control& c);
bool Bookmark(control::Control& c);
// Shows dialog `dialogId` of the word processor; errors reach the caller.
void ShowWordDialog(control::Control& c, std::int16_t dialogId);

}  // namespace verolin::commands
