#include "commands/revisions.h"

#include "automation/date.h"
#include "automation/error.h"
#include "seal/revision_log.h"

namespace verolin::commands {
namespace {

using automation::AutomationError;
using automation::Variant;
using control::kCaptionInfo;
namespace mb = platform::mb;

constexpr const char* kEmptyUserName = "用户名不能为空字符.";
constexpr const char* kOpenFirst = "请首先打开一篇文档.";
constexpr const char* kInserted = "增加";
constexpr const char* kDeleted = "删除";
constexpr const char* kOtherChange = "其它操作";

// Word's protection types and revision types.
constexpr std::int16_t kAllowOnlyRevisions = 0;
constexpr std::int16_t kAllowOnlyFormFields = 2;
constexpr std::int32_t kRevisionInsert = 1;
constexpr std::int32_t kRevisionDelete = 2;

// The application of the window that holds the control's document.
Variant windowApp(control::ControlState& s) {
  return s.wordApp.get("Windows", s.wordWindowIndex).get("Application");
}

void showError(control::Control& c, const AutomationError& e) {
  c.message(e.description(), mb::kInformation, kCaptionInfo);
}

}  // namespace

void AllowOnlyRevisions(control::Control& c, bool displayTisp, Variant& pass) {
  if (!c.wordGuard()) return;
  auto& s = c.state();
  try {
    s.wordApp.get("ActiveWindow").put("DisplayScreenTips", displayTisp);
    s.wordApp.get("ActiveDocument").call("Protect", kAllowOnlyRevisions, false, Variant::ref(pass));
    Variant doc = s.wordApp.get("ActiveDocument");
    doc.put("TrackRevisions", true);
    doc.put("PrintRevisions", true);
    doc.put("ShowRevisions", true);
  } catch (const AutomationError&) {
    // The page asked for a protection the document may already have; the remaining steps are left.
  }
}

void UnlockOnlyRevisions(control::Control& c, const std::string& pass) {
  if (!c.wordGuard()) return;
  try {
    c.state().wordApp.get("ActiveDocument").call("Unprotect", pass);
    ShowRevisions(c, false);
  } catch (const AutomationError& e) {
    showError(c, e);
  }
}

void ShowRevisions(control::Control& c, bool isShow) {
  if (!c.wordGuard()) return;
  try {
    c.state().wordApp.get("ActiveDocument").put("ShowRevisions", isShow);
  } catch (const AutomationError& e) {
    showError(c, e);
  }
}

void DocProtect(control::Control& c, Variant& pass) {
  if (!c.wordGuard()) return;
  try {
    c.state().wordApp.get("ActiveDocument").call("Protect", kAllowOnlyFormFields, false, Variant::ref(pass));
  } catch (const AutomationError& e) {
    showError(c, e);
  }
}

void RevisionsAction(control::Control& c, bool op) {
  if (!c.wordGuard()) return;
  Variant revisions = windowApp(c.state()).get("Selection").get("Range").get("Revisions");
  revisions.call(op ? "AcceptAll" : "RejectAll");
}

void RevisionsAll(control::Control& c, bool op) {
  if (!c.wordGuard()) return;
  windowApp(c.state()).get("ActiveDocument").call(op ? "AcceptAllRevisions" : "RejectAllRevisions");
}

bool ChangeUserName(control::Control& c, const std::string& userName) {
  if (userName.empty()) {
    c.message(kEmptyUserName, mb::kInformation, kCaptionInfo);
    return false;
  }
  if (!c.wordGuard()) return false;
  try {
    windowApp(c.state()).put("UserName", userName);
    return true;
  } catch (const AutomationError&) {
    return false;
  }
}

void RevisionsInfo(control::Control& c) {
  ShowRevisionList(c);
}

std::string RevisionLine(std::int32_t number, const std::string& author, const automation::DateTime& date,
                         std::int32_t type) {
  const char* operation = type == kRevisionInsert   ? kInserted
                          : type == kRevisionDelete ? kDeleted
                                                    : kOtherChange;
  return std::to_string(number) + "." + author + " " + automation::formatLocal(date) + operation;
}

std::string ShowRevisionList(control::Control& c) {
  if (!c.documentGuard(kOpenFirst, kCaptionInfo)) return {};
  auto& s = c.state();
  if (!s.wordStarted()) return {};
  seal::FrmOpMsg& log = seal::RevisionLog(c);
  log.clear();
  // Counted wide: a long, much-edited document may hold more revisions than a 16-bit count can.
  const std::int32_t count = windowApp(s).get("ActiveDocument").get("Revisions").get("Count").toInt32();
  std::string line;
  for (std::int32_t i = 1; i <= count; ++i) {
    auto revision = [&] { return windowApp(s).get("ActiveDocument").get("Revisions").call("Item", i); };
    const std::int32_t type = revision().get("Type").toInt32();
    const std::string author = revision().get("Author").toString();
    line = RevisionLine(i, author, revision().get("Date").toDate(), type);
    log.addLine(line);
  }
  log.showFor(c);
  return line;
}

}  // namespace verolin::commands
