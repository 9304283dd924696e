// Form: a modal window of the control (seal window, handwriting window, mark list, revision log) as a
// model of named controls with properties and events, so that a person, a page script or a test can
// drive it the same way.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "automation/variant.h"

namespace verolin::platform {

enum class MouseAction { Down, Move, Up };

class FormControl {
 public:
  FormControl(std::string name, std::string kind) : name_(std::move(name)), kind_(std::move(kind)) {}
  const std::string& name() const { return name_; }
  const std::string& kind() const { return kind_; }  // "button", "text", "list", "label", "picture", ...

  // Properties by name, case-insensitively ("Caption", "Text", "Visible", "ListIndex", ...).
  // A list or combo box ("list", "combo") keeps "ListIndex" (-1: no selection) and "ListCount" with
  // its items: setting ListIndex outside -1 .. ListCount - 1 fails with error 380 and otherwise
  // selects that item (a combo's Text becomes it; onClick fires when the selection changed); setting
  // Text selects the item equal to it, or none.
  automation::Variant get(std::string_view property) const;
  void set(std::string_view property, automation::Variant value);  // fires onChange for "Text"
  bool has(std::string_view property) const;
  // Items of a list control.
  std::vector<std::string>& items() { return items_; }
  const std::vector<std::string>& items() const { return items_; }
  // Adds an item at the end; removes all items and the selection (a combo's Text too).
  void addItem(std::string item);
  void clearItems();
  // The selected item; "" without a selection.
  std::string selectedItem() const;

  // Event handlers, set by the form's own code.
  std::function<void()> onClick;
  std::function<void()> onDblClick;
  std::function<void()> onChange;
  std::function<void(MouseAction, int button, int shift, double x, double y)> onMouse;
  std::function<void(int keyCode, int shift)> onKey;
  // Properties the form's code works out when they are read (a picture box's image); nullopt leaves
  // the property to the stored value.
  std::function<std::optional<automation::Variant>(std::string_view property)> onRead;

 private:
  void select(int index);

  std::string name_;
  std::string kind_;
  std::map<std::string, automation::Variant> properties_;  // keys in lower case
  std::vector<std::string> items_;
  int listIndex_ = -1;
};

class Form {
 public:
  Form(std::string name, std::string caption);
  virtual ~Form() = default;
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  const std::string& name() const { return name_; }
  const std::string& caption() const { return caption_; }
  void setCaption(std::string caption) { caption_ = std::move(caption); }

  FormControl& add(std::string controlName, std::string kind);
  // The control of that name (case-insensitive); throws AutomationError(438) when absent.
  FormControl& control(std::string_view controlName);
  bool hasControl(std::string_view controlName) const;
  std::vector<std::string> controlNames() const;

  // What the user does.
  void click(std::string_view controlName);
  void dblclick(std::string_view controlName);
  void mouse(std::string_view controlName, MouseAction action, int button, int shift, double x, double y);
  void key(std::string_view controlName, int keyCode, int shift);
  // The close box (or the form's own code unloading it): runs onClose once, then the form is closed.
  void close();
  bool isOpen() const { return open_; }
  // Called by the host when it shows the form.
  void markShown() { open_ = true; }

  std::function<void()> onClose;

 private:
  std::string name_;
  std::string caption_;
  std::vector<std::unique_ptr<FormControl>> controls_;
  bool open_ = false;
};

}  // namespace verolin::platform
