// Edits on the document model as a user or a caller makes them: typing, deleting and formatting,
// recorded as revisions while changes are tracked, and accepting or rejecting those revisions.
#pragma once

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "automation/date.h"
#include "wordproc/model/document_model.h"

namespace verolin::wordproc {

// Who edits, and when; with `track` set, the edit is recorded as a revision under that name.
struct EditContext {
  bool track = false;
  std::string author;
  automation::DateTime now;
};

// One revision as the collection lists it: a stretch of characters carrying one revision mark.
struct RevisionSpan {
  int id = 0;
  RevisionKind kind = kRevisionInsert;
  int start = 0;
  int end = 0;
};

// Revisions in document order (an insertion before a deletion of the same text). Only those that meet
// [start, end) are listed; an empty range lists those that hold the position.
std::vector<RevisionSpan> listRevisions(const DocumentModel& doc, int start = 0, int end = INT_MAX);

// Inserts text at pos with the format `base` (its revision and link marks are dropped); returns the
// position after it.
int insertText(DocumentModel& doc, int pos, std::u32string_view text, const CharFormat& base,
               const EditContext& ctx);
// Inserts an inline picture; returns the position after it.
int insertInlinePicture(DocumentModel& doc, int pos, InlinePicture picture, const CharFormat& base,
                        const EditContext& ctx);
// Deletes [start, end). Tracked, the text stays marked as deleted, except text the same author inserted
// under tracking, which goes at once. Returns the position where the range collapses to.
int deleteText(DocumentModel& doc, int start, int end, const EditContext& ctx);
// Changes the character format of [start, end); tracked, the old format is kept for rejection.
void formatText(DocumentModel& doc, int start, int end, const std::function<void(CharFormat&)>& change,
                const EditContext& ctx);
// Sets paragraph properties of every paragraph that meets [start, end).
void formatParagraphs(DocumentModel& doc, int start, int end, const std::function<void(ParaFormat&)>& change);

void acceptRevision(DocumentModel& doc, const RevisionSpan& r);
void rejectRevision(DocumentModel& doc, const RevisionSpan& r);
// Every revision that meets the range (see listRevisions).
void acceptRevisions(DocumentModel& doc, int start = 0, int end = INT_MAX);
void rejectRevisions(DocumentModel& doc, int start = 0, int end = INT_MAX);

// Revision dates keep whole minutes, as the files store them.
automation::DateTime revisionTime(automation::DateTime t);

}  // namespace verolin::wordproc
