// Opening a local document and creating a new one in the embedded word processor.
#include <string>

#include "control/word_host.h"
#include "platform/file_errors.h"

namespace verolin::control {
namespace {

using automation::AutomationError;
using automation::Variant;
using automation::named;

constexpr const char* kOpening = "正在打开文件请稍后..";
constexpr const char* kAdding = "正在添加新文档请稍后..";
constexpr const char* kFailed = "操作失败请稍后..";
constexpr const char* kDone = "操作完成";
constexpr const char* kDoneAdd = "操作完成请稍后..";
constexpr const char* kNoSuchDocument = "找不到指定打开的文档.";
constexpr const char* kDocumentMissing = "找不到要打开的文档.";
constexpr const char* kFileOpenRefused = "文件已打开拒绝读取.";

void setUser(Variant& app, Variant& name, Variant& initials, Variant& demo) {
  if (name.toString().empty()) return;
  app.put("UserName", name.toString());
  app.put("UserInitials", initials.toString());
  app.put("UserAddress", demo.toString());
}

// Binds wordApp to the application of the window that holds the control's document.
void bindToActiveWindow(Control& c) {
  auto& s = c.state();
  s.wordWindowIndex = s.wordApp.get("ActiveWindow").get("Index").toInt16();
  s.wordApp = s.wordApp.get("Windows", s.wordWindowIndex).get("Application");
}

}  // namespace

std::string WorkingCopyName(Control& c, const std::string& folder) {
  const auto t = c.host().now();
  const std::string stem = std::to_string(t.year) + std::to_string(t.month) + std::to_string(t.day) +
                           std::to_string(t.hour) + std::to_string(t.second) + std::to_string(t.minute);
  std::string name = stem + ".doc";
  for (int n = 2; c.files().fileExists(platform::joinPath(folder, name)); ++n) {
    name = stem + "-" + std::to_string(n) + ".doc";
  }
  return name;
}

bool CanOpenFile(Control& c, const std::string& path) {
  if (!c.files().fileExists(path)) return false;
  c.pump();
  for (;;) {
    try {
      c.files().openRead(path);
      return true;
    } catch (const AutomationError& e) {
      if (platform::reportFileError(c.host(), e) != platform::FileErrorReaction::Retry) return false;
    }
  }
}

void SaveLocalCopy(Control& c, std::string& path) {
  auto& s = c.state();
  if (s.wordApp.isEmpty()) return;
  if (!c.files().dirExists(s.tempDir)) c.files().createDir(s.tempDir);
  c.pump(3);
  if (path.empty()) path = s.tempDir + WorkingCopyName(c, s.tempDir);
  s.localFile = path;
  s.wordApp.get("ActiveDocument").call("SaveAs", path, 0, false, "", true, "", false, false, false, false);
  c.pump();
}

void SetupCommandBars(Control& c) {
  auto& s = c.state();
  try {
    Variant app = s.wordApp.get("Windows", s.wordWindowIndex).get("Application");
    app.get("CommandBars", "Menu Bar").put("Enabled", false);
    app.get("CommandBars", "Print Preview").call("FindControl", named("Id", 1612)).put("Enabled", false);
    Variant standard = app.get("CommandBars", "Standard");
    standard.put("Enabled", true);
    standard.put("Visible", true);
    c.pump();
    Variant found = standard.call("FindControl", named("Id", 247));
    if (found.isNothing()) {
      standard.get("Controls").call("Add", 1, 247, Variant::missing(), 3);
    }
    Variant controls = standard.get("Controls");
    const int count = controls.get("Count").toInt32();
    for (int i = 1; i <= count; ++i) {
      Variant control = controls.get("Item", i);
      const int id = control.get("ID").toInt32();
      if (id == 247 || id == 23 || id == 109 || id == 4 || id == 2521 || id == 2520) control.put("Enabled", false);
    }
    c.pump(6);
    app.get("CommandBars", "Formatting").put("Visible", true);
    c.pump(6);
    app.get("CommandBars", "菜单").put("Enabled", false);
    c.pump(6);
  } catch (const std::exception&) {
    // The command bars stay as far as they got.
  }
}

void OpenWord(Control& c, const std::string& fileNameIn, Variant& userName, Variant& userInitials,
              Variant& userDemo) {
  auto& s = c.state();
  c.showMessage(kOpening, true);
  if (s.isBusy) return;
  BusyScope busy(s);
  std::string fileName = fileNameIn;
  auto failureEnd = [&] { c.showMessage(kFailed, false); };
  try {
    if (!c.files().dirExists(s.tempDir)) {
      c.files().createDir(s.tempDir);
      c.pump();
    }
    if (!c.files().fileExists(fileName)) {
      c.message(kNoSuchDocument, platform::mb::kInformation, kCaptionInfo);
      c.showMessage(kFailed, false);
      return;
    }
    const std::string copyName = WorkingCopyName(c, s.tempDir);
    if (!CanOpenFile(c, fileName)) return failureEnd();
    c.pump();
    if (fileName.find(s.tempDir) == std::string::npos) {
      const std::string copy = s.tempDir + copyName;
      c.files().copy(fileName, copy);
      c.pump(16);
      fileName = copy;
    }
    s.localFile = fileName;
    if (!c.files().fileExists(s.localFile)) {
      c.message(kDocumentMissing, platform::mb::kInformation, kCaptionInfo);
      return failureEnd();
    }
    c.pump();
    Variant noSave(false), keep(false);
    QuitWord(c, noSave, keep);
    c.pump();
    if (!StartWord(c)) return failureEnd();
    c.pump();
    s.wordApp.get("Documents").call("Open", s.localFile, false, false, false, "", "", false, "", "", 0);
    c.pump();
    bindToActiveWindow(c);
    c.pump();
    AttachWordWindow(c);
    c.pump();
    SetWordStyleTemp(c);
    c.pump();
    SetupCommandBars(c);
    c.pump();
    s.docOpen = true;
    setUser(s.wordApp, userName, userInitials, userDemo);
    SetWordStyleTemp(c);
    c.pump();
    s.wordApp.put("Visible", true);
    s.wordApp.get("CommandBars", "Standard").put("Enabled", true);
    s.wordApp.get("CommandBars", "Standard").put("Visible", true);
    c.showMessage(kDone, false);
  } catch (const AutomationError& e) {
    c.showMessage(kFailed, false);
    c.message(std::to_string(e.number()), platform::mb::kOk, "");
    c.message(e.number() == automation::err::kPermissionDenied ? std::string(kFileOpenRefused) : e.description(),
              platform::mb::kInformation, kCaptionInfo);
  }
}

void AddNewDocument(Control& c, Variant& fileName, Variant& userName, Variant& userInitials, Variant& userDemo) {
  auto& s = c.state();
  c.showMessage(kAdding, true);
  c.pump();
  if (s.isBusy) {
    c.showMessage(kFailed, false);
    return;
  }
  Variant noSave(false);
  CloseObject(c, noSave);
  if (!StartWord(c)) {
    c.showMessage(kFailed, false);
    return;
  }
  c.pump();
  // The word processor's errors reach the script; isBusy is released on that way out too.
  BusyScope busy(s);
  if (!fileName.toString().empty()) s.localFile = fileName.toString();
  s.wordApp.get("Documents").call("Add", Variant::missing(), Variant::missing(), 0);
  c.pump();
  s.docOpen = true;
  setUser(s.wordApp, userName, userInitials, userDemo);
  std::string path;
  SaveLocalCopy(c, path);
  bindToActiveWindow(c);
  s.wordWindowCaption = s.wordApp.get("ActiveWindow").get("Caption").toString();
  AttachWordWindow(c);
  c.pump();
  SetWordStyleTemp(c);
  c.pump();
  SetupCommandBars(c);
  c.pump();
  if (s.wordApp.get("Version").toString() == "10.0") SetWordStyleTemp(c);
  c.pump();
  s.wordApp.put("Visible", true);
  Variant view = s.wordApp.get("ActiveWindow").get("View");
  if (view.get("FullScreen").toBool()) view.put("FullScreen", false);
  Variant standard = s.wordApp.get("Windows", s.wordWindowIndex).get("Application").get("CommandBars", "Standard");
  standard.put("Enabled", true);
  standard.put("Visible", true);
  s.docOpen = true;
  c.showMessage(kDoneAdd, false);
}

}  // namespace verolin::control
