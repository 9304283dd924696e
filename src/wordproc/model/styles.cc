#include "wordproc/model/styles.h"

namespace verolin::wordproc {

namespace {

constexpr std::int32_t kAuto = -16777216;
constexpr std::int32_t kHyperlinkBlue = 0xFF0000;  // BGR: blue

std::vector<StyleDef> makeStyles() {
  // Sizes are the Chinese font sizes the installation uses: 五号 10.5, 二号 22, 三号 16, 四号 14, 小四 12.
  return {
      {"正文", "Normal", -1, StyleType::Paragraph, "宋体", 10.5, false, false, kAuto, 3, ""},
      {"标题 1", "heading 1", -2, StyleType::Paragraph, "宋体", 22, true, false, kAuto, 3, "正文", "正文"},
      {"标题 2", "heading 2", -3, StyleType::Paragraph, "黑体", 16, true, false, kAuto, 3, "正文", "正文"},
      {"标题 3", "heading 3", -4, StyleType::Paragraph, "宋体", 16, true, false, kAuto, 3, "正文", "正文"},
      {"标题 4", "heading 4", -5, StyleType::Paragraph, "黑体", 14, true, false, kAuto, 3, "正文", "正文"},
      {"标题 5", "heading 5", -6, StyleType::Paragraph, "宋体", 14, true, false, kAuto, 3, "正文", "正文"},
      {"标题 6", "heading 6", -7, StyleType::Paragraph, "黑体", 12, true, false, kAuto, 3, "正文", "正文"},
      {"标题 7", "heading 7", -8, StyleType::Paragraph, "宋体", 12, true, false, kAuto, 3, "正文", "正文"},
      {"标题 8", "heading 8", -9, StyleType::Paragraph, "黑体", 12, false, false, kAuto, 3, "正文", "正文"},
      {"标题 9", "heading 9", -10, StyleType::Paragraph, "黑体", 10.5, false, false, kAuto, 3, "正文",
       "正文"},
      {"页眉", "header", -32, StyleType::Paragraph, "宋体", 9, false, false, kAuto, 1, "正文"},
      {"页脚", "footer", -33, StyleType::Paragraph, "宋体", 9, false, false, kAuto, 0, "正文"},
      {"标题", "Title", -63, StyleType::Paragraph, "黑体", 16, true, false, kAuto, 1, "正文"},
      {"副标题", "Subtitle", -75, StyleType::Paragraph, "宋体", 16, true, false, kAuto, 1, "正文"},
      {"正文文本", "Body Text", -67, StyleType::Paragraph, "宋体", 10.5, false, false, kAuto, 3, "正文"},
      {"默认段落字体", "Default Paragraph Font", -66, StyleType::Character, "", 0, false, false, kAuto, 3,
       ""},
      {"超链接", "Hyperlink", -86, StyleType::Character, "", 0, false, true, kHyperlinkBlue, 3,
       "默认段落字体"},
  };
}

}  // namespace

const std::vector<StyleDef>& builtinStyles() {
  static const std::vector<StyleDef> styles = makeStyles();
  return styles;
}

const StyleDef* findStyle(std::string_view name) {
  for (const auto& s : builtinStyles()) {
    if (s.name == name) return &s;
  }
  return nullptr;
}

const StyleDef* findStyleInFile(std::string_view name) {
  for (const auto& s : builtinStyles()) {
    if (s.name == name || s.englishName == name) return &s;
  }
  return nullptr;
}

const StyleDef* findStyle(int builtin) {
  for (const auto& s : builtinStyles()) {
    if (s.builtin == builtin) return &s;
  }
  return nullptr;
}

const StyleDef& normalStyle() {
  return builtinStyles().front();
}

}  // namespace verolin::wordproc
