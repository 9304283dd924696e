// The application's command bars (menu bar and toolbars) with their controls, as a fresh
// installation has them: built-in controls carry the word processor's control IDs.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace verolin::wordproc {

// Control types (msoControlType) and bar types (msoBarType).
inline constexpr int kControlButton = 1;
inline constexpr int kControlPopup = 10;
inline constexpr int kBarNormal = 0;
inline constexpr int kBarMenuBar = 1;

struct BarControl {
  int id = 1;  // built-in control ID; 1 for a custom control
  int type = kControlButton;
  std::string caption;
  std::string parameter;
  std::string tag;
  bool enabled = true;
  bool visible = true;
  bool builtIn = true;
  bool deleted = false;
};

struct CommandBar {
  std::string name;       // the name every installation knows ("Standard")
  std::string nameLocal;  // the installation's own name ("常用")
  int type = kBarNormal;
  bool enabled = true;
  bool visible = false;
  bool builtIn = true;
  bool deleted = false;
  std::vector<std::shared_ptr<BarControl>> controls;

  // The first control with that ID (bars here hold no nested popups' contents).
  std::shared_ptr<BarControl> find(int id) const;
  // Inserts a control before the 1-based position `before` (at the end when 0 or past the end).
  std::shared_ptr<BarControl> add(BarControl control, int before);
};

class CommandBarSet {
 public:
  CommandBarSet();  // the built-in bars

  const std::vector<std::shared_ptr<CommandBar>>& bars() const { return bars_; }
  // By name or local name, case-insensitively; nullptr when there is none.
  std::shared_ptr<CommandBar> find(std::string_view name) const;
  std::shared_ptr<CommandBar> add(std::string name);

 private:
  std::vector<std::shared_ptr<CommandBar>> bars_;
};

// The caption a built-in control has ("打开(&O)..." for 23); "" for IDs not known here.
std::string builtinControlCaption(int id);

}  // namespace verolin::wordproc
