#include "commands/save_insert.h"

#include <functional>

#include "automation/error.h"
#include "control/word_host.h"

namespace verolin::commands {
namespace {

using automation::AutomationError;
using automation::Variant;

constexpr const char* kWebPageName = "temp.htm";

// Word's file format and dialog numbers.
constexpr std::int16_t kFormatHtml = 8;
constexpr std::int16_t kTableInsertTableDialog = 129;
constexpr std::int16_t kFileSaveVersionDialog = 1007;
constexpr std::int16_t kFileVersionsDialog = 945;
constexpr std::int16_t kInsertBookmarkDialog = 168;

// One step of a routine whose failing steps are passed over.
void skipOnError(const std::function<void()>& step) {
  try {
    step();
  } catch (const AutomationError&) {
  }
}

}  // namespace

void FileSaveAs(control::Control& c, std::int16_t documentType, Variant& fileName) {
  auto& s = c.state();
  // The application's value is its name; without a word processor the comparison itself fails.
  bool noWord = true;
  skipOnError([&] { noWord = s.wordApp.toString().empty(); });
  if (noWord) return;
  if (documentType == 0) {
    skipOnError([&] {
      // An empty name makes a fresh one, which reaches the caller only through localFile.
      std::string name = fileName.toString();
      control::SaveLocalCopy(c, name);
    });
    return;
  }
  skipOnError([&] {
    if (fileName.toString().empty()) fileName.assign(Variant(s.tempDir + kWebPageName));
  });
  skipOnError([&] {
    s.wordApp.get("ActiveDocument")
        .call("SaveAs", Variant::ref(fileName), kFormatHtml, false, "", true, "", false, false, false, false,
              false);
  });
}

void InsertUserText(control::Control& c, const std::string& text) {
  if (text.empty()) return;
  auto& s = c.state();
  if (!s.wordStarted()) return;
  s.wordApp.get("Selection").call("EndKey");
  s.wordApp.get("Selection").call("TypeText", text);
}

bool InsertTable(control::Control& c) {
  if (!c.wordGuard()) return false;
  auto& s = c.state();
  try {
    s.wordApp.get("Windows", s.wordWindowIndex)
        .get("Application")
        .get("Dialogs", kTableInsertTableDialog)
        .call("Show");
    return true;
  } catch (const AutomationError&) {
    return false;
  }
}

bool FileSaveVersion(control::Control& c) {
  ShowWordDialog(c, kFileSaveVersionDialog);
  return false;
}

bool VersionManage(control::Control& c) {
  ShowWordDialog(c, kFileVersionsDialog);
  return false;
}

bool Bookmark(control::Control& c) {
  ShowWordDialog(c, kInsertBookmarkDialog);
  return false;
}

void ShowWordDialog(control::Control& c, std::int16_t dialogId) {
  if (!c.wordGuard()) return;
  auto& s = c.state();
  Variant id(dialogId);
  s.wordApp.get("Windows", s.wordWindowIndex)
      .get("Application")
      .get("Dialogs")
      .call("Item", Variant::ref(id))
      .call("Show");
}

}  // namespace verolin::commands
