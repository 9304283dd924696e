// The control's own windows on the Windows platform: its child controls as real child windows of the
// control's window (parents, classes, sizes, colours, z-order), their layout when the container resizes
// the control, the status strip, and the word processor's main window embedded in picBody, fitted, and
// put back by the timer after the user minimises it. The word processor part registers wordproc.dll, so
// the executable runs in a prefix of its own.
#include <objbase.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "control/control.h"
#include "control/word_host.h"
#include "platform/win32/wide.h"
#include "platform/win32/windows_platform.h"

namespace verolin::control {
namespace {

using automation::Variant;
using platform::win32::narrow;
using platform::win32::widen;

HWND hwndOf(platform::WindowHandle h) {
  return reinterpret_cast<HWND>(static_cast<std::intptr_t>(h));
}

std::string classOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return narrow(name);
}

std::string textOf(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return narrow(text);
}

// The window's rectangle in its parent's client coordinates.
RECT placeOf(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// A child's rectangle as the control computes it, in pixels.
RECT expectedPlace(const ChildControl& child) {
  const int t = platform::kTwipsPerPixel;
  const LONG left = child.rect.left / t, top = child.rect.top / t;
  return {left, top, left + child.rect.width / t, top + child.rect.height / t};
}

void expectPlaced(const ChildControl& child) {
  const RECT actual = placeOf(hwndOf(child.hwnd));
  const RECT expected = expectedPlace(child);
  EXPECT_EQ(actual.left, expected.left) << child.name;
  EXPECT_EQ(actual.top, expected.top) << child.name;
  EXPECT_EQ(actual.right, expected.right) << child.name;
  EXPECT_EQ(actual.bottom, expected.bottom) << child.name;
}

// Lets window messages (and so the control's timer) run until `done` holds or `ms` have passed.
template <class Done>
bool pumpUntil(Done done, DWORD ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  while (GetTickCount64() < end) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (done()) return true;
    Sleep(20);
  }
  return done();
}

// The page: a top-level window the control is created in, as a container sites it.
class ControlWindows : public ::testing::Test {
 protected:
  ControlWindows() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VerolinControlTestPage";
    RegisterClassW(&wc);
    page_ = CreateWindowExW(0, wc.lpszClassName, L"page", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 900,
                            700, nullptr, nullptr, wc.hInstance, nullptr);
    ShowWindow(page_, SW_SHOWNOACTIVATE);
    apartment_ = std::make_unique<Apartment>(services_.platform());
    control_ = std::make_unique<Control>(
        *apartment_, static_cast<platform::WindowHandle>(reinterpret_cast<std::intptr_t>(page_)));
  }
  ~ControlWindows() override {
    control_.reset();
    DestroyWindow(page_);
  }

  Control& control() { return *control_; }
  platform::WindowInfo infoOf(const ChildControl& child) { return *services_.windows->info(child.hwnd); }

  platform::win32::WindowsPlatform services_;
  std::unique_ptr<Apartment> apartment_;
  HWND page_ = nullptr;
  std::unique_ptr<Control> control_;
};

TEST_F(ControlWindows, ChildControlsAreWindowsWithTheirParentsClassesColoursAndSizes) {
  Control& c = control();
  const HWND self = hwndOf(c.hwnd());
  ASSERT_TRUE(IsWindow(self));
  EXPECT_EQ(GetParent(self), page_);
  for (const ChildControl* child : {&c.picBody, &c.picConvert, &c.picNobg, &c.piczoom, &c.cmdMsg}) {
    ASSERT_TRUE(IsWindow(hwndOf(child->hwnd))) << child->name;
    EXPECT_EQ(GetParent(hwndOf(child->hwnd)), self) << child->name;
  }
  ASSERT_TRUE(IsWindow(hwndOf(c.lblTitle.hwnd)));
  EXPECT_EQ(GetParent(hwndOf(c.lblTitle.hwnd)), hwndOf(c.picConvert.hwnd));

  EXPECT_EQ(classOf(hwndOf(c.picConvert.hwnd)), "VerolinPicture");
  EXPECT_EQ(classOf(hwndOf(c.picNobg.hwnd)), "VerolinPicture");
  EXPECT_EQ(classOf(hwndOf(c.piczoom.hwnd)), "VerolinPicture");
  EXPECT_STRCASEEQ(classOf(hwndOf(c.lblTitle.hwnd)).c_str(), "Static");
  EXPECT_STRCASEEQ(classOf(hwndOf(c.cmdMsg.hwnd)).c_str(), "Button");

  EXPECT_EQ(infoOf(c.picConvert).backColor, platform::kColorWhite);
  EXPECT_EQ(infoOf(c.picNobg).backColor, platform::kColorWhite);
  EXPECT_EQ(infoOf(c.piczoom).backColor, platform::kColorInactiveBorder);
  EXPECT_EQ(infoOf(c.lblTitle).foreColor, platform::kColorRed);
  EXPECT_EQ(textOf(hwndOf(c.lblTitle.hwnd)), "");
  EXPECT_EQ(infoOf(c.cmdMsg).font, (platform::Font{"宋体", 9}));

  // 375 x 255 and 2535 x 615 twips at 15 twips a pixel.
  RECT zoom = placeOf(hwndOf(c.piczoom.hwnd));
  EXPECT_EQ(zoom.right - zoom.left, 25);
  EXPECT_EQ(zoom.bottom - zoom.top, 17);
  RECT strip = placeOf(hwndOf(c.cmdMsg.hwnd));
  EXPECT_EQ(strip.right - strip.left, 169);
  EXPECT_EQ(strip.bottom - strip.top, 41);
  EXPECT_TRUE(IsWindowVisible(hwndOf(c.piczoom.hwnd)));
  EXPECT_FALSE(IsWindowVisible(hwndOf(c.cmdMsg.hwnd)));
  for (const ChildControl* child : {&c.picBody, &c.picConvert, &c.lblTitle, &c.picNobg, &c.piczoom})
    expectPlaced(*child);
}

TEST_F(ControlWindows, StripsLieAbovePicBodyAndTheStatusStripAboveAll) {
  Control& c = control();
  std::vector<HWND> order;  // top first
  for (HWND w = GetWindow(hwndOf(c.hwnd()), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) order.push_back(w);
  auto rank = [&](const ChildControl& child) {
    for (std::size_t i = 0; i < order.size(); ++i) {
      if (order[i] == hwndOf(child.hwnd)) return static_cast<int>(i);
    }
    return -1;
  };
  ASSERT_EQ(order.size(), 5u);
  EXPECT_EQ(rank(c.cmdMsg), 0);
  EXPECT_EQ(rank(c.picBody), 4);
  EXPECT_LT(rank(c.picConvert), rank(c.picBody));
  EXPECT_LT(rank(c.picNobg), rank(c.picBody));
  EXPECT_LT(rank(c.piczoom), rank(c.picBody));
}

TEST_F(ControlWindows, ResizeLaysTheWindowsOutAgain) {
  Control& c = control();
  c.resize(9000, 6000);
  RECT self{};
  GetClientRect(hwndOf(c.hwnd()), &self);
  EXPECT_EQ(self.right, 600);
  EXPECT_EQ(self.bottom, 400);
  // piczoom keeps 14 twips inside picBody's lower-right corner; picNobg is 17 twips shorter than
  // picConvert, the strip over the embedded window's caption bar.
  EXPECT_EQ(c.piczoom.rect.left + c.piczoom.rect.width, c.picBody.rect.width - 14);
  EXPECT_EQ(c.piczoom.rect.top + c.piczoom.rect.height, c.picBody.rect.height - 14);
  EXPECT_EQ(c.picNobg.rect.height, c.picConvert.rect.height - 17);
  EXPECT_GT(c.picConvert.rect.height, 0);
  const RECT zoom = placeOf(hwndOf(c.piczoom.hwnd));
  EXPECT_EQ(zoom.left, (9000 - 375 - 14) / 15);
  EXPECT_EQ(zoom.top, (6000 - 255 - 14) / 15);
  for (const ChildControl* child : {&c.picBody, &c.picConvert, &c.lblTitle, &c.picNobg, &c.piczoom})
    expectPlaced(*child);
  RECT convert{};
  GetClientRect(hwndOf(c.picConvert.hwnd), &convert);
  EXPECT_EQ(convert.right, 600);
}

TEST_F(ControlWindows, ShowMessageCentresShowsCaptionsAndHidesTheStatusStrip) {
  Control& c = control();
  c.resize(9000, 6000);
  const HWND strip = hwndOf(c.cmdMsg.hwnd);
  c.showMessage("正在打开文档,请稍候...", true);
  EXPECT_TRUE(IsWindowVisible(strip));
  EXPECT_EQ(textOf(strip), "正在打开文档,请稍候...");
  const RECT r = placeOf(strip);
  EXPECT_EQ(r.left, (9000 - 2535) / 2 / 15);
  EXPECT_EQ(r.top, (6000 - 615) / 2 / 15);
  EXPECT_EQ(r.right - r.left, 169);
  c.showMessage("完成", false);
  EXPECT_FALSE(IsWindowVisible(strip));
  EXPECT_EQ(textOf(strip), "完成");
}

TEST_F(ControlWindows, ZoomPictureShowsAndHidesItsWindow) {
  Control& c = control();
  c.showChild(c.piczoom, false);
  EXPECT_FALSE(IsWindowVisible(hwndOf(c.piczoom.hwnd)));
  c.showChild(c.piczoom, true);
  EXPECT_TRUE(IsWindowVisible(hwndOf(c.piczoom.hwnd)));
}

// wordproc.dll, from the environment (a Unix path is on drive Z:) or beside the build's tests.
std::wstring wordServerPath() {
  const char* path = std::getenv("VEROLIN_WORD_SERVER");
  std::string p = path ? path : "";
  if (p.empty()) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring dir(self);
    for (int up = 0; up < 3; ++up) dir.resize(dir.find_last_of(L'\\'));
    return dir + L"\\wordproc.dll";
  }
  if (p[0] == '/') p = "Z:" + p;
  for (char& ch : p) {
    if (ch == '/') ch = '\\';
  }
  return widen(p);
}

using Entry = HRESULT(STDAPICALLTYPE*)();

class EmbeddedWord : public ControlWindows {
 protected:
  EmbeddedWord() : server_(LoadLibraryW(wordServerPath().c_str())) {}
  ~EmbeddedWord() override {
    control_.reset();  // quits the word processor first
    if (server_) call("DllUnregisterServer");
  }
  HRESULT call(const char* entry) {
    auto f = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(server_, entry)));
    return f ? f() : E_NOTIMPL;
  }
  HWND openDocument() {
    Variant fileName(""), user("张三"), initials("ZS"), demo("");
    AddNewDocument(control(), fileName, user, initials, demo);
    return hwndOf(control().state().wordWindowHandle);
  }

  HMODULE server_;
};

TEST_F(EmbeddedWord, DocumentWindowIsFoundEmbeddedInPicBodyAndFilled) {
  ASSERT_TRUE(server_) << "set VEROLIN_WORD_SERVER to wordproc.dll";
  ASSERT_EQ(call("DllRegisterServer"), S_OK);
  Control& c = control();
  c.resize(9000, 6000);
  const HWND word = openDocument();
  ASSERT_TRUE(IsWindow(word));
  ASSERT_TRUE(c.state().docOpen);
  EXPECT_EQ(GetParent(word), hwndOf(c.picBody.hwnd));
  EXPECT_TRUE(GetWindowLongW(word, GWL_STYLE) & WS_CHILD);
  EXPECT_TRUE(IsWindowVisible(word));
  // Fitted: its client area covers picBody; its caption bar lies under the strips.
  EXPECT_TRUE(IsZoomed(word));
  RECT body{}, client{};
  GetClientRect(hwndOf(c.picBody.hwnd), &body);
  GetClientRect(word, &client);
  MapWindowPoints(word, hwndOf(c.picBody.hwnd), reinterpret_cast<POINT*>(&client), 2);
  // (Wine puts a maximised child's frame, rather than its client area, at the parent's origin.)
  EXPECT_LE(placeOf(word).left, 0);
  EXPECT_GE(client.right - client.left, body.right);
  EXPECT_LE(client.top, body.bottom / 4);
  EXPECT_GE(client.bottom, body.bottom);
  // The status strip went away when the document was open.
  EXPECT_FALSE(IsWindowVisible(hwndOf(c.cmdMsg.hwnd)));
}

TEST_F(EmbeddedWord, ApplicationGeometryMovesAndSizesTheRealWindow) {
  ASSERT_TRUE(server_) << "set VEROLIN_WORD_SERVER to wordproc.dll";
  ASSERT_EQ(call("DllRegisterServer"), S_OK);
  Control& c = control();
  c.resize(9000, 6000);
  const HWND word = openDocument();
  ASSERT_TRUE(IsWindow(word));
  Variant app = c.state().wordApp;
  // The fitting of the other versions: normal state, picBody's size plus 8 by 6 points, 3 points up
  // and to the left.
  app.put("WindowState", 0);
  EXPECT_FALSE(IsZoomed(word));
  app.call("Resize", static_cast<float>(c.picBodyScaleWidth() + 8),
           static_cast<float>(c.picBodyScaleHeight() + 6));
  app.call("Move", -3.0f, -3.0f);
  const RECT r = placeOf(word);
  EXPECT_EQ(r.left, -4);
  EXPECT_EQ(r.top, -4);
  EXPECT_EQ(r.right - r.left, 611);  // 458 points
  EXPECT_EQ(r.bottom - r.top, 408);  // 306 points
  EXPECT_DOUBLE_EQ(app.get("Left").toDouble(), -3.0);
  EXPECT_NEAR(app.get("Width").toDouble(), 458.0, 0.75);
  // What the user does to the window is what the word processor reports.
  ShowWindow(word, SW_MAXIMIZE);
  EXPECT_EQ(app.get("WindowState").toInt32(), 1);
  ShowWindow(word, SW_RESTORE);
  EXPECT_EQ(app.get("WindowState").toInt32(), 0);
}

TEST_F(EmbeddedWord, TimerPutsBackAWindowTheUserMinimised) {
  ASSERT_TRUE(server_) << "set VEROLIN_WORD_SERVER to wordproc.dll";
  ASSERT_EQ(call("DllRegisterServer"), S_OK);
  Control& c = control();
  const HWND word = openDocument();
  ASSERT_TRUE(IsWindow(word));
  ShowWindow(word, SW_MINIMIZE);
  ASSERT_TRUE(IsIconic(word));
  EXPECT_TRUE(pumpUntil([&] { return !IsIconic(word) && IsZoomed(word); }, 3500));
  EXPECT_EQ(GetParent(word), hwndOf(c.picBody.hwnd));
}

}  // namespace
}  // namespace verolin::control
