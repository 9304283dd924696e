#include "wordproc/model/text_format.h"

#include "wordproc/model/styles.h"

namespace verolin::wordproc {

ResolvedFormat resolve(const CharFormat& f, const ParaFormat& p) {
  const StyleDef* style = findStyle(p.style);
  if (!style) style = &normalStyle();
  ResolvedFormat r;
  r.font = f.font.empty() ? style->font : f.font;
  r.size = f.size > 0 ? f.size : style->size;
  r.color = f.color != kAutoColor ? f.color : style->color;
  r.bold = f.bold >= 0 ? f.bold != 0 : style->bold;
  r.italic = f.italic >= 0 ? f.italic != 0 : false;
  r.underline = f.underline >= 0 ? f.underline != 0 : style->underline;
  r.alignment = p.alignment >= 0 ? p.alignment : style->alignment;
  return r;
}

ResolvedFormat resolvedFormat(const DocumentModel& doc, int pos) {
  return resolve(doc.charFormat(pos), doc.paraFormatAt(pos));
}

}  // namespace verolin::wordproc
