#include "seal/revision_log.h"

#include "automation/error.h"

namespace verolin::seal {
namespace {

using automation::Variant;

constexpr const char* kLabelText = "操作日志(双击查看内容)";
constexpr const char* kOkCaption = "确  定";

}  // namespace

FrmOpMsg::FrmOpMsg() : Form(kRevisionLogName, kRevisionLogCaption) {
  add("lblmsg", "label").set("Caption", Variant(kLabelText));
  add("libmsg", "list").set("ListIndex", Variant(std::int32_t{-1}));
  add("cmdok", "button").set("Caption", Variant(kOkCaption));
  control("cmdok").onClick = [this] { close(); };
  control("libmsg").onDblClick = [this] { showSelectedRevision(); };
}

void FrmOpMsg::clear() {
  control("libmsg").items().clear();
  control("libmsg").set("ListIndex", Variant(std::int32_t{-1}));
}

void FrmOpMsg::addLine(std::string line) {
  control("libmsg").items().push_back(std::move(line));
}

const std::vector<std::string>& FrmOpMsg::lines() {
  return control("libmsg").items();
}

void FrmOpMsg::showFor(control::Control& c) {
  control_ = &c;
  try {
    c.host().showModal(*this);
  } catch (...) {
    control_ = nullptr;
    throw;
  }
  control_ = nullptr;
}

void FrmOpMsg::showSelectedRevision() {
  if (!control_) return;
  const Variant index = control("libmsg").get("ListIndex");
  // A double click beside the lines selects none; there is no revision to show then.
  if (index.isEmpty()) return;
  const std::int32_t k = index.toInt32();
  if (k < 0 || k >= static_cast<std::int32_t>(lines().size())) return;
  std::string text;
  try {
    text = RevisionText(*control_, k);
  } catch (const automation::AutomationError& e) {
    // An error left to escape a window's event would end the page's whole browser; the user reads it.
    text = e.description();
  }
  control_->message(text, platform::mb::kOk, "");
}

FrmOpMsg& RevisionLog(control::Control& c) {
  return c.apartment().instance<FrmOpMsg>();
}

std::string RevisionText(control::Control& c, std::int32_t k) {
  auto& s = c.state();
  if (!s.wordStarted()) return {};
  return s.wordApp.get("Windows", s.wordWindowIndex)
      .get("Application")
      .get("ActiveDocument")
      .get("Revisions")
      .call("Item", k + 1)
      .get("Range")
      .get("Text")
      .toString();
}

}  // namespace verolin::seal
