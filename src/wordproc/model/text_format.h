// Formats as they show: a character's own formatting over its paragraph style's.
#pragma once

#include <string>

#include "wordproc/model/document_model.h"

namespace verolin::wordproc {

struct ResolvedFormat {
  std::string font;
  double size = 10.5;
  Color color = kAutoColor;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  int alignment = 3;
};

ResolvedFormat resolve(const CharFormat& f, const ParaFormat& p);
// The format of the character at pos, in its paragraph.
ResolvedFormat resolvedFormat(const DocumentModel& doc, int pos);

}  // namespace verolin::wordproc
