#include "wordproc/objects/command_bar_set.h"

#include <algorithm>
#include <map>

#include "text/utf8.h"

namespace verolin::wordproc {

namespace {

const std::map<int, std::string>& captions() {
  static const std::map<int, std::string> table = {
      {2520, "新建空白文档"},
      {23, "打开(&O)..."},
      {3, "保存(&S)"},
      {4, "打印(&P)..."},
      {2521, "打印"},
      {109, "打印预览(&V)"},
      {2566, "拼写和语法(&S)..."},
      {21, "剪切(&T)"},
      {19, "复制(&C)"},
      {22, "粘贴(&P)"},
      {108, "格式刷"},
      {128, "撤消(&U)"},
      {129, "恢复(&R)"},
      {1576, "超链接(&I)..."},
      {330, "插入表格"},
      {204, "绘图(&D)"},
      {119, "显示/隐藏编辑标记"},
      {1733, "显示比例(&Z)..."},
      {984, "Microsoft Office Word 帮助(&H)"},
      {247, "页面设置(&U)..."},
      {1612, "关闭(&C)"},
      {1714, "文档结构图(&D)"},
      {30002, "文件(&F)"},
      {30003, "编辑(&E)"},
      {30004, "视图(&V)"},
      {30005, "插入(&I)"},
      {30006, "格式(&O)"},
      {30007, "工具(&T)"},
      {30094, "表格(&A)"},
      {30009, "窗口(&W)"},
      {30010, "帮助(&H)"},
      {1732, "全屏显示(&U)"},
      {2045, "接受所选修订"},
      {2046, "拒绝所选修订"},
      {1715, "修订(&T)"},
      {1589, "插入批注"},
      {113, "加粗"},
      {114, "倾斜"},
      {115, "下划线"},
      {120, "两端对齐"},
      {122, "居中"},
      {121, "右对齐"},
      {1849, "字体"},
  };
  return table;
}

std::shared_ptr<BarControl> builtin(int id, int type = kControlButton) {
  auto c = std::make_shared<BarControl>();
  c->id = id;
  c->type = type;
  c->caption = builtinControlCaption(id);
  return c;
}

std::shared_ptr<CommandBar> bar(std::string name, std::string local, int type, bool visible,
                                std::initializer_list<int> ids, int controlType = kControlButton) {
  auto b = std::make_shared<CommandBar>();
  b->name = std::move(name);
  b->nameLocal = std::move(local);
  b->type = type;
  b->visible = visible;
  for (int id : ids) b->controls.push_back(builtin(id, controlType));
  return b;
}

}  // namespace

std::string builtinControlCaption(int id) {
  auto it = captions().find(id);
  return it == captions().end() ? std::string() : it->second;
}

std::shared_ptr<BarControl> CommandBar::find(int id) const {
  for (const auto& c : controls) {
    if (c->id == id) return c;
  }
  return nullptr;
}

std::shared_ptr<BarControl> CommandBar::add(BarControl control, int before) {
  auto c = std::make_shared<BarControl>(std::move(control));
  const int size = static_cast<int>(controls.size());
  const int at = before >= 1 && before <= size ? before - 1 : size;
  controls.insert(controls.begin() + at, c);
  return c;
}

CommandBarSet::CommandBarSet() {
  // The menu bar is known by its English name and, in this installation, as "菜单".
  bars_.push_back(bar("Menu Bar", "菜单", kBarMenuBar, true,
                      {30002, 30003, 30004, 30005, 30006, 30007, 30094, 30009, 30010}, kControlPopup));
  bars_.push_back(
      bar("Standard", "常用", kBarNormal, true,
          {2520, 23, 3, 2521, 4, 109, 2566, 21, 19, 22, 108, 128, 129, 1576, 330, 204, 119, 1733, 984}));
  bars_.push_back(bar("Formatting", "格式", kBarNormal, true, {1849, 113, 114, 115, 120, 122, 121}));
  bars_.push_back(bar("Reviewing", "审阅", kBarNormal, false, {1715, 1589, 2045, 2046}));
  bars_.push_back(bar("Print Preview", "打印预览", kBarNormal, false, {2521, 1733, 1714, 1732, 1612, 984}));
}

std::shared_ptr<CommandBar> CommandBarSet::find(std::string_view name) const {
  for (const auto& b : bars_) {
    if (b->deleted) continue;
    if (text::equalsIgnoreCase(b->name, name) || b->nameLocal == name) return b;
  }
  return nullptr;
}

std::shared_ptr<CommandBar> CommandBarSet::add(std::string name) {
  auto b = std::make_shared<CommandBar>();
  b->name = name;
  b->nameLocal = std::move(name);
  b->builtIn = false;
  bars_.push_back(b);
  return b;
}

}  // namespace verolin::wordproc
