#include "wordproc/model/editing.h"

#include <algorithm>

namespace verolin::wordproc {

namespace {

int markOf(const CharFormat& f, RevisionKind kind) {
  switch (kind) {
    case kRevisionInsert:
      return f.insRev;
    case kRevisionDelete:
      return f.delRev;
    case kRevisionProperty:
      return f.fmtRev;
  }
  return 0;
}

CharFormat plain(CharFormat f) {
  f.insRev = f.delRev = f.fmtRev = 0;
  f.oldFormat = -1;
  f.link = 0;
  return f;
}

// The insertion revision that typing at pos continues: the same author's insertion just before it or,
// at its start, just after it, so that one author's adjacent typing stays one revision.
int continuedInsertion(const DocumentModel& doc, int pos, const std::string& author) {
  for (int at : {pos - 1, pos}) {
    if (at < 0 || at >= doc.size()) continue;
    const CharFormat& f = doc.charFormat(at);
    if (!f.insRev || f.delRev) continue;
    const RevisionInfo* r = doc.revision(f.insRev);
    if (r && r->author == author) return f.insRev;
  }
  return 0;
}

CharFormat typedFormat(DocumentModel& doc, int pos, const CharFormat& base, const EditContext& ctx) {
  CharFormat f = plain(base);
  if (ctx.track) {
    f.insRev = continuedInsertion(doc, pos, ctx.author);
    if (!f.insRev) f.insRev = doc.addRevision(kRevisionInsert, ctx.author, revisionTime(ctx.now));
  }
  return f;
}

// Erases the given [start, end) stretches, last first, so earlier positions stay valid.
void eraseAll(DocumentModel& doc, std::vector<std::pair<int, int>> parts) {
  std::sort(parts.begin(), parts.end());
  for (auto it = parts.rbegin(); it != parts.rend(); ++it) doc.erase(it->first, it->second);
}

std::vector<std::pair<int, int>> charsOf(const std::vector<RevisionSpan>& spans, RevisionKind kind) {
  std::vector<std::pair<int, int>> parts;
  for (const auto& s : spans) {
    if (s.kind == kind) parts.emplace_back(s.start, s.end);
  }
  return parts;
}

void clearMark(DocumentModel& doc, const RevisionSpan& r) {
  for (int i = r.start; i < r.end && i < doc.size(); ++i) {
    CharFormat f = doc.charFormat(i);
    if (markOf(f, r.kind) != r.id) continue;
    if (r.kind == kRevisionInsert) f.insRev = 0;
    if (r.kind == kRevisionDelete) f.delRev = 0;
    if (r.kind == kRevisionProperty) {
      f.fmtRev = 0;
      f.oldFormat = -1;
    }
    doc.setFormat(i, doc.intern(f));
  }
}

void restoreOldFormat(DocumentModel& doc, const RevisionSpan& r) {
  for (int i = r.start; i < r.end && i < doc.size(); ++i) {
    const CharFormat& now = doc.charFormat(i);
    if (now.fmtRev != r.id) continue;
    CharFormat f = now.oldFormat >= 0 ? doc.format(static_cast<std::uint32_t>(now.oldFormat)) : CharFormat{};
    f.insRev = now.insRev;
    f.delRev = now.delRev;
    f.link = now.link;
    f.fmtRev = 0;
    f.oldFormat = -1;
    doc.setFormat(i, doc.intern(f));
  }
}

void applyAll(DocumentModel& doc, int start, int end, bool accept) {
  const auto spans = listRevisions(doc, start, end);
  for (const auto& s : spans) {
    if (s.kind == kRevisionInsert || s.kind == kRevisionDelete) continue;
    accept ? clearMark(doc, s) : restoreOldFormat(doc, s);
  }
  for (const auto& s : spans) {
    if (s.kind == (accept ? kRevisionInsert : kRevisionDelete)) clearMark(doc, s);
  }
  eraseAll(doc, charsOf(spans, accept ? kRevisionDelete : kRevisionInsert));
}

}  // namespace

automation::DateTime revisionTime(automation::DateTime t) {
  t.second = 0;
  return t;
}

std::vector<RevisionSpan> listRevisions(const DocumentModel& doc, int start, int end) {
  std::vector<RevisionSpan> all;
  RevisionSpan open[4] = {};
  auto close = [&](RevisionKind k) {
    if (open[k].id) all.push_back(open[k]);
    open[k] = RevisionSpan{};
  };
  for (int i = 0; i < doc.size(); ++i) {
    const CharFormat& f = doc.charFormat(i);
    for (RevisionKind k : {kRevisionInsert, kRevisionDelete, kRevisionProperty}) {
      const int id = markOf(f, k);
      if (open[k].id && open[k].id == id) {
        open[k].end = i + 1;
        continue;
      }
      close(k);
      if (id) open[k] = RevisionSpan{id, k, i, i + 1};
    }
  }
  for (RevisionKind k : {kRevisionInsert, kRevisionDelete, kRevisionProperty}) close(k);
  std::stable_sort(all.begin(), all.end(), [](const RevisionSpan& a, const RevisionSpan& b) {
    return a.start != b.start ? a.start < b.start : a.kind < b.kind;
  });
  std::vector<RevisionSpan> out;
  for (const auto& r : all) {
    const bool meets = start == end ? (r.start <= start && start < r.end) : (r.start < end && start < r.end);
    if (meets) out.push_back(r);
  }
  return out;
}

int insertText(DocumentModel& doc, int pos, std::u32string_view text, const CharFormat& base,
               const EditContext& ctx) {
  if (text.empty()) return pos;
  // Nothing goes after the final mark; the model puts it before, and the position returned says so.
  pos = std::clamp(pos, 0, doc.size() - 1);
  const std::uint32_t format = doc.intern(typedFormat(doc, pos, base, ctx));
  doc.insert(pos, text, format);
  return pos + static_cast<int>(text.size());
}

int insertInlinePicture(DocumentModel& doc, int pos, InlinePicture picture, const CharFormat& base,
                        const EditContext& ctx) {
  pos = std::clamp(pos, 0, doc.size() - 1);
  const std::uint32_t format = doc.intern(typedFormat(doc, pos, base, ctx));
  doc.insertPicture(pos, std::move(picture), format);
  return pos + 1;
}

int deleteText(DocumentModel& doc, int start, int end, const EditContext& ctx) {
  end = std::min(end, doc.size() - 1);
  if (start >= end) return start;
  if (!ctx.track) {
    doc.erase(start, end);
    return start;
  }
  int deletion = 0;
  std::vector<std::pair<int, int>> own;
  for (int i = start; i < end; ++i) {
    CharFormat f = doc.charFormat(i);
    if (f.delRev) continue;
    const RevisionInfo* ins = f.insRev ? doc.revision(f.insRev) : nullptr;
    if (ins && ins->author == ctx.author) {
      if (!own.empty() && own.back().second == i) {
        own.back().second = i + 1;
      } else {
        own.emplace_back(i, i + 1);
      }
      continue;
    }
    if (!deletion) deletion = doc.addRevision(kRevisionDelete, ctx.author, revisionTime(ctx.now));
    f.delRev = deletion;
    doc.setFormat(i, doc.intern(f));
  }
  eraseAll(doc, own);
  return start;
}

void formatText(DocumentModel& doc, int start, int end, const std::function<void(CharFormat&)>& change,
                const EditContext& ctx) {
  end = std::min(end, doc.size());
  int revision = 0;
  for (int i = start; i < end; ++i) {
    const std::uint32_t before = doc.at(i).format;
    CharFormat f = doc.format(before);
    change(f);
    if (f == doc.format(before)) continue;
    if (ctx.track && !f.insRev && !f.fmtRev) {
      if (!revision) revision = doc.addRevision(kRevisionProperty, ctx.author, revisionTime(ctx.now));
      CharFormat old = doc.format(before);
      old.insRev = old.delRev = old.link = 0;
      f.fmtRev = revision;
      f.oldFormat = static_cast<int>(doc.intern(old));
    }
    doc.setFormat(i, doc.intern(f));
  }
}

void formatParagraphs(DocumentModel& doc, int start, int end,
                      const std::function<void(ParaFormat&)>& change) {
  int pos = doc.paragraphStart(start);
  while (pos < doc.size()) {
    const int mark = doc.paragraphEnd(pos);
    ParaFormat p = doc.paraFormat(doc.at(mark).extra);
    change(p);
    doc.setParaFormat(mark, doc.intern(p));
    pos = mark + 1;
    if (pos >= end) break;
  }
}

void acceptRevision(DocumentModel& doc, const RevisionSpan& r) {
  if (r.kind == kRevisionDelete) {
    doc.erase(r.start, r.end);
  } else {
    clearMark(doc, r);
  }
}

void rejectRevision(DocumentModel& doc, const RevisionSpan& r) {
  if (r.kind == kRevisionInsert) {
    doc.erase(r.start, r.end);
  } else if (r.kind == kRevisionDelete) {
    clearMark(doc, r);
  } else {
    restoreOldFormat(doc, r);
  }
}

void acceptRevisions(DocumentModel& doc, int start, int end) {
  applyAll(doc, start, end, true);
}
void rejectRevisions(DocumentModel& doc, int start, int end) {
  applyAll(doc, start, end, false);
}

}  // namespace verolin::wordproc
