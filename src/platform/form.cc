#include "platform/form.h"

#include <algorithm>
#include <stdexcept>

#include "automation/error.h"
#include "text/utf8.h"

namespace verolin::platform {
namespace {

constexpr std::int32_t kInvalidPropertyValue = 380;

bool isListKind(const FormControl& c) {
  return c.kind() == "list" || c.kind() == "combo";
}

// A control the user cannot reach (disabled or hidden) takes no clicks, keys or mouse input.
bool reachable(const FormControl& c) {
  for (const char* p : {"Enabled", "Visible"}) {
    if (c.has(p) && !c.get(p).toBool()) return false;
  }
  return true;
}

}  // namespace

automation::Variant FormControl::get(std::string_view property) const {
  if (onRead) {
    if (auto computed = onRead(property)) return *computed;
  }
  const std::string key = text::toLowerAscii(property);
  if (isListKind(*this)) {
    if (key == "listcount") return automation::Variant(static_cast<std::int32_t>(items_.size()));
    if (key == "listindex") return automation::Variant(static_cast<std::int32_t>(listIndex_));
  }
  const auto it = properties_.find(key);
  return it == properties_.end() ? automation::Variant() : it->second;
}

void FormControl::set(std::string_view property, automation::Variant value) {
  const std::string key = text::toLowerAscii(property);
  if (isListKind(*this)) {
    if (key == "listcount") throw automation::errorOf(automation::err::kWrongArgCount, name_ + ".ListCount");
    if (key == "listindex") return select(value.toInt32());
    if (key == "text") {
      const std::string t = value.toString();
      const auto found = std::find(items_.begin(), items_.end(), t);
      listIndex_ = found == items_.end() ? -1 : static_cast<int>(found - items_.begin());
    }
  }
  auto& slot = properties_[key];
  // As a text box does, Change fires only when the text really changes.
  const bool changed = !(slot == value);
  slot = value.value();
  if (key == "text" && changed && onChange) onChange();
}

bool FormControl::has(std::string_view property) const {
  const std::string key = text::toLowerAscii(property);
  if (isListKind(*this) && (key == "listindex" || key == "listcount")) return true;
  return properties_.count(key) != 0;
}

void FormControl::addItem(std::string item) {
  items_.push_back(std::move(item));
}

void FormControl::clearItems() {
  items_.clear();
  listIndex_ = -1;
  if (kind_ == "combo") properties_["text"] = automation::Variant(std::string());
}

std::string FormControl::selectedItem() const {
  return listIndex_ >= 0 && listIndex_ < static_cast<int>(items_.size())
             ? items_[static_cast<std::size_t>(listIndex_)]
             : std::string();
}

void FormControl::select(int index) {
  if (index < -1 || index >= static_cast<int>(items_.size())) {
    throw automation::AutomationError(kInvalidPropertyValue, "Invalid property value", name_ + ".ListIndex");
  }
  const bool changed = index != listIndex_;
  listIndex_ = index;
  if (kind_ == "combo") properties_["text"] = automation::Variant(selectedItem());
  if (changed && onClick) onClick();
}

Form::Form(std::string name, std::string caption) : name_(std::move(name)), caption_(std::move(caption)) {}

FormControl& Form::add(std::string controlName, std::string kind) {
  if (hasControl(controlName))
    throw std::logic_error("form " + name_ + " already has a control " + controlName);
  controls_.push_back(std::make_unique<FormControl>(std::move(controlName), std::move(kind)));
  return *controls_.back();
}

FormControl& Form::control(std::string_view controlName) {
  for (auto& c : controls_) {
    if (text::equalsIgnoreCase(c->name(), controlName)) return *c;
  }
  throw automation::errorOf(automation::err::kMemberNotFound, name_ + "." + std::string(controlName));
}

bool Form::hasControl(std::string_view controlName) const {
  for (const auto& c : controls_) {
    if (text::equalsIgnoreCase(c->name(), controlName)) return true;
  }
  return false;
}

std::vector<std::string> Form::controlNames() const {
  std::vector<std::string> names;
  for (const auto& c : controls_) names.push_back(c->name());
  return names;
}

void Form::click(std::string_view controlName) {
  FormControl& c = control(controlName);
  if (reachable(c) && c.onClick) c.onClick();
}

void Form::dblclick(std::string_view controlName) {
  FormControl& c = control(controlName);
  if (reachable(c) && c.onDblClick) c.onDblClick();
}

void Form::mouse(std::string_view controlName, MouseAction action, int button, int shift, double x,
                 double y) {
  FormControl& c = control(controlName);
  if (reachable(c) && c.onMouse) c.onMouse(action, button, shift, x, y);
}

void Form::key(std::string_view controlName, int keyCode, int shift) {
  FormControl& c = control(controlName);
  if (reachable(c) && c.onKey) c.onKey(keyCode, shift);
}

void Form::close() {
  if (!open_) return;
  // Closed before the handler runs, so a handler that unloads the form again does not recurse.
  open_ = false;
  if (onClose) {
    auto handler = onClose;
    handler();
  }
}

}  // namespace verolin::platform
