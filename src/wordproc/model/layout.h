// Lines of text as the window shows them, for moving the selection by line and by screen: each
// paragraph breaks into lines that fit the page's text column, East Asian characters taking the full
// font size in width and others half of it.
#pragma once

#include <vector>

#include "wordproc/model/document_model.h"

namespace verolin::wordproc {

struct TextLine {
  int start = 0;
  int end = 0;  // after the line's last character (a paragraph's last line ends after its mark)
};

std::vector<TextLine> layoutLines(const DocumentModel& doc);

// Index of the line that holds pos.
int lineOf(const std::vector<TextLine>& lines, int pos);

// How many lines of the default size fit in a window of that height (points): one screen.
int linesPerScreen(double windowHeight);

}  // namespace verolin::wordproc
