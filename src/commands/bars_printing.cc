#include "commands/bars_printing.h"

#include <cstdint>

#include "automation/variant.h"
#include "control/word_host.h"

namespace verolin::commands {
namespace {

using automation::Variant;

// The bars by the word processor's own names.
constexpr const char* kMenuBar = "Menu Bar";
constexpr const char* kReviewingBar = "Reviewing";
constexpr const char* kStandardBar = "Standard";
constexpr std::int16_t kPageSetupDialog = 178;  // wdDialogFilePageSetup

Variant commandBar(control::ControlState& s, const char* name) {
  return s.wordApp.get("Windows", s.wordWindowIndex).get("Application").get("commandbars", name);
}

}  // namespace

void Menu(control::Control& c, bool isShow) {
  if (!c.wordGuard()) return;
  commandBar(c.state(), kMenuBar).put("Enabled", isShow);
}

bool ReviewingBar(control::Control& c, bool isShow) {
  if (!c.wordGuard()) return false;
  commandBar(c.state(), kReviewingBar).put("Visible", isShow);
  return false;
}

bool StandardBar(control::Control& c, bool isShow) {
  if (!c.wordGuard()) return false;
  commandBar(c.state(), kStandardBar).put("Visible", isShow);
  return false;
}

void PrintView(control::Control& c) {
  if (!c.wordGuard()) return;
  auto& s = c.state();
  s.wordApp.put("PrintPreview", true);
  // Preview rearranges the word processor's main window; it is found by its title and embedded again.
  const platform::WindowHandle embedded = s.wordWindowHandle;
  control::AttachWordWindow(c);
  // A window still inside the control is no top-level window the title search can find; the control
  // keeps holding it rather than forget the window it embeds.
  if (s.wordWindowHandle == 0 && embedded != 0 && c.platform().windows->info(embedded)) {
    s.wordWindowHandle = embedded;
  }
}

void PrintSetPage(control::Control& c) {
  if (!c.wordGuard()) return;
  const Variant& word = c.state().wordApp;
  word.get("Selection").call("EndKey");
  word.get("Dialogs").call("Item", kPageSetupDialog).call("Display");
}

void Print_Out(control::Control& c) {
  if (!c.wordGuard()) return;
  auto& s = c.state();
  s.wordApp.get("Windows", s.wordWindowIndex).get("Application").get("ActiveDocument").call("PrintOut");
}

}  // namespace verolin::commands
