// The word processor window's painter: a document with text, an inline picture and floating shapes
// painted into a memory bitmap, and the pixels read back where the layout says things are.
#include <windows.h>

#include <gtest/gtest.h>

#include "com/word_paint.h"
#include "com/word_platform.h"
#include "platform/raster.h"
#include "wordproc/model/text_format.h"

namespace verolin::com {
namespace {

using wordproc::DocumentModel;

constexpr COLORREF kRed = RGB(0xD0, 0x20, 0x20);
constexpr COLORREF kBlue = RGB(0x20, 0x20, 0xD0);

// A picture file: a square of one colour on white.
automation::Bytes squarePicture(COLORREF colour, int size = 40) {
  platform::Raster r(size, size, platform::kWindowColour, static_cast<platform::Colour>(colour));
  r.setPenWidth(size * 3);
  r.point(size / 2, size / 2);
  return r.png();
}

void type(DocumentModel& doc, const std::string& utf8, const wordproc::CharFormat& f = {}) {
  std::u32string text;
  for (unsigned char c : utf8) text.push_back(c);  // ASCII only here
  doc.insert(doc.size() - 1, text, doc.intern(f));
}

wordproc::ShapeData pictureShape(COLORREF colour, double left, double top, int anchor = 0) {
  wordproc::ShapeData s;
  s.number = 1;
  s.picture.bytes = squarePicture(colour);
  s.picture.pixelWidth = s.picture.pixelHeight = 40;
  s.left = left;
  s.top = top;
  s.width = s.height = 45;  // points: 60 pixels
  s.transparentBackground = true;
  s.wrapType = wordproc::wrap::kFront;
  s.anchor = anchor;
  return s;
}

// A painted client area of that size, kept as a bitmap for reading pixels.
class Canvas {
 public:
  Canvas(int width, int height) : area_{0, 0, width, height} {
    HDC screen = GetDC(nullptr);
    dc_ = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    bitmap_ = CreateDIBSection(screen, &info, DIB_RGB_COLORS, nullptr, nullptr, 0);
    ReleaseDC(nullptr, screen);
    old_ = SelectObject(dc_, bitmap_);
  }
  ~Canvas() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  void paint(const DocumentModel* doc) { paintDocument(dc_, area_, doc); }
  PageLayout layout(const DocumentModel& doc) { return layoutPage(dc_, area_, doc); }
  COLORREF at(int x, int y) const { return GetPixel(dc_, x, y); }
  // How many pixels of the rectangle are not `colour`.
  int countOther(const RECT& r, COLORREF colour) const {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) n += at(x, y) != colour;
    return n;
  }
  int count(const RECT& r, COLORREF colour) const {
    return (r.right - r.left) * (r.bottom - r.top) - countOther(r, colour);
  }

 private:
  RECT area_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

TEST(WordPaint, NoDocumentShowsTheBareBackgroundBelowTheMenuStrip) {
  Canvas canvas(400, 300);
  canvas.paint(nullptr);
  EXPECT_EQ(canvas.count({0, kMenuStripHeight, 400, 300}, RGB(128, 128, 128)),
            400 * (300 - kMenuStripHeight));
  // The menu strip has its labels.
  EXPECT_GT(canvas.countOther({0, 0, 400, kMenuStripHeight}, GetSysColor(COLOR_BTNFACE)), 20);
}

TEST(WordPaint, TextIsDrawnOnAWhitePageAndWrappedAtTheWindowsWidth) {
  DocumentModel doc;
  type(doc, "The quarterly report is attached for review and signature by the department heads.");
  Canvas wide(900, 400), narrow(300, 400);
  const PageLayout wideLayout = wide.layout(doc);
  const PageLayout narrowLayout = narrow.layout(doc);
  // The page fits the narrow window and the text takes more lines there.
  EXPECT_LE(narrowLayout.page.right, 300);
  EXPECT_GT(narrowLayout.bottom - narrowLayout.text.top, 2 * (wideLayout.bottom - wideLayout.text.top));

  narrow.paint(&doc);
  const RECT text{narrowLayout.text.left, narrowLayout.text.top, narrowLayout.text.right,
                  narrowLayout.bottom};
  EXPECT_GT(narrow.countOther(text, RGB(255, 255, 255)), 100);  // ink of the letters
  // Below the text the page stays white, and grey shows left of the page.
  EXPECT_EQ(narrow.countOther({text.left, text.bottom + 2, text.right, text.bottom + 40}, RGB(255, 255, 255)),
            0);
  EXPECT_EQ(narrow.at(narrowLayout.page.left - 3, narrowLayout.page.top + 5), RGB(128, 128, 128));
}

TEST(WordPaint, RunsKeepTheirColourAndCentredParagraphsSitInTheMiddle) {
  DocumentModel doc;
  wordproc::CharFormat blue;
  blue.color = static_cast<wordproc::Color>(kBlue);
  blue.size = 20;
  blue.bold = 1;
  type(doc, "NOTICE", blue);
  wordproc::ParaFormat centred;
  centred.alignment = 1;
  doc.setParaFormat(doc.size() - 1, doc.intern(centred));
  Canvas canvas(800, 300);
  const PageLayout layout = canvas.layout(doc);
  canvas.paint(&doc);
  const int middle = (layout.text.left + layout.text.right) / 2;
  const RECT line{layout.text.left, layout.text.top, layout.text.right, layout.bottom};
  EXPECT_GT(canvas.count(line, kBlue), 30);
  // Blue on both sides of the column's middle, none near its edges.
  EXPECT_GT(canvas.count({middle - 60, line.top, middle, line.bottom}, kBlue), 5);
  EXPECT_GT(canvas.count({middle, line.top, middle + 60, line.bottom}, kBlue), 5);
  EXPECT_EQ(canvas.count({line.left, line.top, line.left + 40, line.bottom}, kBlue), 0);
}

TEST(WordPaint, AFloatingPictureShowsAtItsPositionOverTheTextWithItsWhiteLeftOut) {
  DocumentModel doc;
  type(doc, "Signed and sealed: XXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXX");
  doc.shapes.push_back(pictureShape(kRed, 30, 0));
  Canvas canvas(800, 400);
  const PageLayout layout = canvas.layout(doc);
  ASSERT_EQ(layout.shapes.size(), 1u);
  const RECT& shape = layout.shapes[0];
  EXPECT_EQ(shape.left, layout.text.left + 40);  // 30 points from the column
  EXPECT_EQ(shape.top, layout.text.top);         // at its paragraph
  EXPECT_EQ(shape.right - shape.left, 60);
  canvas.paint(&doc);
  EXPECT_EQ(canvas.at((shape.left + shape.right) / 2, (shape.top + shape.bottom) / 2), kRed);
  EXPECT_GT(canvas.count(shape, kRed), 60 * 60 / 2);
}

TEST(WordPaint, ShapesFollowTheParagraphTheyAreAnchoredTo) {
  DocumentModel doc;
  type(doc, "first\rsecond\rthird");
  const int third = doc.paragraphMarks()[1] + 1;
  doc.shapes.push_back(pictureShape(kRed, 0, 0, 0));
  doc.shapes.push_back(pictureShape(kRed, 0, 0, third));
  Canvas canvas(600, 400);
  const PageLayout layout = canvas.layout(doc);
  ASSERT_EQ(layout.shapes.size(), 2u);
  EXPECT_GT(layout.shapes[1].top, layout.shapes[0].top + 20);  // two lines further down
}

TEST(WordPaint, AnInlinePictureTakesItsPlaceInTheLine) {
  DocumentModel doc;
  type(doc, "Picture: ");
  wordproc::InlinePicture picture;
  picture.picture.bytes = squarePicture(kBlue);
  picture.width = picture.height = 30;  // 40 pixels
  doc.insertPicture(doc.size() - 1, picture, 0);
  Canvas canvas(600, 300);
  const PageLayout layout = canvas.layout(doc);
  EXPECT_GE(layout.bottom - layout.text.top, 40);
  canvas.paint(&doc);
  EXPECT_GT(canvas.count({layout.text.left, layout.text.top, layout.text.right, layout.bottom}, kBlue), 1000);
}

TEST(WordPaint, AShapeBehindTheTextIsCoveredByItAndAPictureThatIsNoneLeavesAFrame) {
  DocumentModel doc;
  type(doc, "W");
  wordproc::ShapeData behind = pictureShape(kRed, 0, 0);
  behind.transparentBackground = false;
  behind.wrapType = wordproc::wrap::kBehind;
  doc.shapes.push_back(behind);
  wordproc::ShapeData broken = pictureShape(kRed, 200, 0);
  broken.picture.bytes = automation::Bytes{'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'};
  doc.shapes.push_back(broken);
  Canvas canvas(800, 300);
  const PageLayout layout = canvas.layout(doc);
  canvas.paint(&doc);
  const RECT& b = layout.shapes[0];
  // The letter's ink is drawn over the red square.
  EXPECT_LT(canvas.count(b, kRed), (b.right - b.left) * (b.bottom - b.top));
  EXPECT_GT(canvas.count(b, kRed), 1000);
  const RECT& f = layout.shapes[1];
  EXPECT_EQ(canvas.at(f.left, (f.top + f.bottom) / 2), RGB(0, 0, 0));
  EXPECT_EQ(canvas.at((f.left + f.right) / 2, (f.top + f.bottom) / 2), RGB(255, 255, 255));
}

TEST(WordPaint, TheFingerprintChangesWithTextAndShapesOnly) {
  DocumentModel doc;
  type(doc, "abc");
  const std::uint64_t before = paintFingerprint(&doc);
  EXPECT_EQ(paintFingerprint(&doc), before);
  doc.shapes.push_back(pictureShape(kRed, 10, 10));
  const std::uint64_t withShape = paintFingerprint(&doc);
  EXPECT_NE(withShape, before);
  doc.shapes[0].left = 50;
  EXPECT_NE(paintFingerprint(&doc), withShape);
  const std::uint64_t moved = paintFingerprint(&doc);
  type(doc, "d");
  EXPECT_NE(paintFingerprint(&doc), moved);
  EXPECT_EQ(paintFingerprint(nullptr), 0u);
}

// Lets only timer messages through for a while, so that a pending paint stays pending.
void runTimers(int ms) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(ms);
  while (GetTickCount64() < end) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(10);
  }
}

bool needsPaint(HWND window) {
  RECT r{};
  return GetUpdateRect(window, &r, FALSE) != FALSE;
}

TEST(WordWindow, RepaintsWhenItsDocumentChangesAndNotOtherwise) {
  DocumentModel doc;
  type(doc, "abc");
  setDocumentFinder([&doc](platform::WindowHandle) { return &doc; });
  auto windows = makeUser32Windows();
  platform::WindowInfo info;
  info.title = "Microsoft Word";
  info.rect = {0, 0, 400, 300};
  info.visible = true;
  const HWND window = reinterpret_cast<HWND>(static_cast<INT_PTR>(windows->create(info)));
  ASSERT_TRUE(IsWindow(window));
  UpdateWindow(window);
  runTimers(400);  // the first look takes note of the document
  UpdateWindow(window);
  runTimers(400);
  EXPECT_FALSE(needsPaint(window));

  type(doc, "d");
  runTimers(400);
  EXPECT_TRUE(needsPaint(window));
  UpdateWindow(window);
  EXPECT_FALSE(needsPaint(window));

  doc.shapes.push_back(pictureShape(kRed, 10, 10));
  runTimers(400);
  EXPECT_TRUE(needsPaint(window));
  UpdateWindow(window);
  setDocumentFinder(nullptr);
  DestroyWindow(window);
}

}  // namespace
}  // namespace verolin::com
