// Seals and signatures: what a page reaches through the control's seal and signature members.
//
//   marks.h           the mark: list texts, identifiers, time texts, the mark's look, valid marks
//   mark_list.h       the mark list window and CheckElectronSeal, CheckSign, ListValidSeals, ListValidSigns
//   seal_window.h     the seal window FrmMySign and its buttons
//   seal_placement.h  ElectronSeal, ShowSealChooser, FetchSealPicture, InsertSealPicture
//   handwriting.h     HandWrite, ShowHandwriting, MakeWindowTopmost and the handwriting window
//   highlight.h       ShowElectronSealInfo, ShowSignInfo, MarkValidSeals, MarkValidSigns
//   revision_log.h    the revision log window FrmOpMsg and RevisionText
//   modal_window.h    showing a window modally, closed on every way out
#pragma once

#include "seal/handwriting.h"
#include "seal/highlight.h"
#include "seal/mark_list.h"
#include "seal/marks.h"
#include "seal/revision_log.h"
#include "seal/seal_placement.h"
#include "seal/seal_window.h"
