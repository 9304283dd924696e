// What the stand-in word processor's main window shows, painted with GDI: a menu strip along the top
// (which the control's own strips cover once the window sits in it), a grey background and a white page
// holding the active document's text, wrapped at the window's width, its inline pictures and the floating
// shapes over or behind the text.
#pragma once

#include <windows.h>

#include <vector>

#include "wordproc/model/document_model.h"

namespace verolin::com {

// Where things land in a window of a given size, in client pixels.
struct PageLayout {
  RECT page{};     // the white sheet (it runs past the window's bottom when the text does)
  RECT text{};     // the text column
  int bottom = 0;  // below the last line
  // Each floating shape's rectangle, in the model's order of shapes.
  std::vector<RECT> shapes;
};

// Lays out `doc` for a window whose client area is `area`, measuring text with `dc`'s fonts.
PageLayout layoutPage(HDC dc, const RECT& area, const wordproc::DocumentModel& doc);

// Paints the window's client area `area` into `dc`; `doc` is null when no document is open (the bare
// background). Never fails: pictures the system cannot decode show as an empty frame.
void paintDocument(HDC dc, const RECT& area, const wordproc::DocumentModel* doc);

// Changes whenever what paintDocument shows of `doc` would change (text, formats, shapes, page).
std::uint64_t paintFingerprint(const wordproc::DocumentModel* doc);

// The menu strip's height in pixels.
inline constexpr int kMenuStripHeight = 22;

}  // namespace verolin::com
