// Document commands: short, guarded chains of the word processor's calls that the page asks for.
// Each public member of the control calls one routine here; none keeps state of its own.
//
//   revisions.h      revisions-only and form protection, revision marks, the revision list, accepting
//                    and rejecting, the user name
//   red_header.h     the red header of an official request
//   bars_printing.h  menu and toolbars, print preview, page setup, printing
//   save_insert.h    save-as (Word document or web page), text, the table, version and bookmark dialogs
#pragma once

#include "commands/bars_printing.h"
#include "commands/red_header.h"
#include "commands/revisions.h"
#include "commands/save_insert.h"
