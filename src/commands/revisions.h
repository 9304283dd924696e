// Revision control and protection: revisions-only and form-field protection, revision marks, the
// revision list in the log window, accepting and rejecting, and the user name revisions are made under.
#pragma once

#include <string>

#include "automation/variant.h"
#include "control/control.h"

namespace verolin::commands {

// Protects the document for revisions only with `pass` (passed on by reference) and switches tracking,
// printing and showing of revisions on. A step the word processor refuses ends it silently.
void AllowOnlyRevisions(control::Control& c, bool displayTisp, automation::Variant& pass);
// Lifts the protection and hides the revision marks; tracking stays as it is. A refusal (a wrong
// password) is shown with the word processor's description.
void UnlockOnlyRevisions(control::Control& c, const std::string& pass);
void ShowRevisions(control::Control& c, bool isShow);
// Protects the document for form fields with `pass` (passed on by reference).
void DocProtect(control::Control& c, automation::Variant& pass);
// Accepts (op true) or rejects the revisions in the selection; errors reach the caller.
void RevisionsAction(control::Control& c, bool op);
// Accepts (op true) or rejects every revision of the document; errors reach the caller.
void RevisionsAll(control::Control& c, bool op);
// True when the word processor took the name.
bool ChangeUserName(control::Control& c, const std::string& userName);

// Lists the revisions in the log window and shows it; errors of the word processor reach the caller.
void RevisionsInfo(control::Control& c);
// Fills the log window and shows it modally; the last line built ("" for none or when refused).
std::string ShowRevisionList(control::Control& c);
// The log line of one revision: "2.张三 2026/12/7 9:05:03删除".
std::string RevisionLine(std::int32_t number, const std::string& author, const automation::DateTime& date,
                         std::int32_t type);

}  // namespace verolin::commands
