// Starting the word processor, embedding its main window in picBody, and quitting it.
#include "control/word_host.h"

namespace verolin::control {
namespace {

using automation::AutomationError;
using automation::Variant;

constexpr const char* kNoOffice = "本机器没有正确定装OFFICE软件,控件支持OFFICE2000以上的版本";
constexpr const char* kCaptionHint = "提示";
constexpr const char* kWindowNotOpen = "窗口没有打开";

// Runs one step whose failure the routine ignores, going on with the next.
template <class F>
void ignoring(F&& step) {
  try {
    step();
  } catch (const std::exception&) {
  }
}

void hideZoom(Control& c) {
  if (c.state().zoomPic) c.showChild(*c.state().zoomPic, false);
}

}  // namespace

bool StartWord(Control& c) {
  auto& s = c.state();
  try {
    if (s.wordApp.isEmpty()) {
      s.wordApp = Variant(c.platform().objects->create("Word.Application"));
      c.pump();
      s.wordVersion = s.wordApp.get("Version").toString();
      // Word 97 is refused, but the instance stays referenced; the callers' close step drops it.
      if (s.wordApp.get("Version").toString() == "8.0") return false;
      c.pump(12);
    }
    if (s.wordVersion == "11.0") hideZoom(c);
    return true;
  } catch (const AutomationError& e) {
    if (e.number() == automation::err::kCantCreateObject) {
      c.message(kNoOffice, platform::mb::kInformation, kCaptionHint);
    }
    return false;
  }
}

void AttachWordWindow(Control& c) {
  auto& s = c.state();
  const std::string title =
      s.wordApp.get("ActiveWindow").get("Caption").toString() + " - " + s.wordApp.get("Caption").toString();
  s.wordWindowHandle = c.platform().windows->findWindow(title);
  c.pump();
  if (s.wordWindowHandle > 0) EmbedWordWindow(c, c.picBody.hwnd, Variant(s.wordWindowHandle));
}

void EmbedWordWindow(Control& c, platform::WindowHandle parent, const Variant& child) {
  auto& windows = *c.platform().windows;
  const auto handle = child.toInt32();
  if (handle == 0) c.message(kWindowNotOpen, platform::mb::kInformation, "");
  c.state().wordWindowHandle = handle;
  windows.setParent(handle, parent);
  windows.setFocus(c.state().wordWindowHandle);
  windows.lockWindowUpdate(0);
  c.platform().host->trace("window", "embedded window " + std::to_string(handle) + " in picBody");
}

void DestroyWordWindow(Control& c) {
  // The platform refuses to destroy another thread's window; the result is not examined.
  c.platform().windows->destroy(c.state().wordWindowHandle);
}

bool QuitWord(Control& c, Variant& isSave, Variant& bDel) {
  auto& s = c.state();
  bool result = false;
  if (s.wordApp.isEmpty()) return false;
  bool word97 = false;
  ignoring([&] { word97 = s.wordApp.get("Version").toString() == "8.0"; });
  if (word97) {
    s.wordApp = Variant();
    return false;
  }
  // The save request is dropped for every supported version; page scripts see their variable turn false.
  isSave.assign(Variant(false));
  hideZoom(c);
  ignoring([&] { DestroyWordWindow(c); });
  c.pump(12);
  const auto idx = s.wordWindowIndex;
  ignoring([&] { s.wordApp.get("Windows", idx).call("Activate"); });
  c.pump();
  ignoring([&] {
    s.wordApp.get("Windows", idx).get("Application").get("CommandBars", "Menu Bar").put("Enabled", true);
  });
  c.pump(2);
  bool quit = false;
  ignoring([&] {
    s.wordApp.get("Windows", idx).get("Application").call("Quit", false);
    quit = true;
  });
  // With no document window left (after CloseDocument) the window way fails; the application itself
  // is still ours to quit, or its process would stay behind.
  if (!quit) ignoring([&] { s.wordApp.call("Quit", false); });
  c.pump();
  ignoring([&] { s.wordApp.get("Windows", idx).call("Close", isSave.value()); });
  c.pump();
  ignoring([&] { s.wordApp.get("Windows", idx).call("Quit", isSave.value()); });
  c.pump();
  s.wordApp = Variant();
  result = true;
  s.docOpen = false;
  bool remove = false;
  ignoring([&] { remove = bDel.toBool(); });
  ignoring([&] {
    if (remove && !s.localFile.empty() && c.files().fileExists(s.localFile)) {
      c.files().remove(s.localFile);
      c.pump();
    }
  });
  return result;
}

void WordClose(Control& c, Variant& isSave, Variant& bDel) {
  QuitWord(c, isSave, bDel);
}

}  // namespace verolin::control
