// The built-in styles, named as a Chinese-language installation names them ("正文", "标题 1", ...).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace verolin::wordproc {

enum class StyleType { Paragraph = 1, Character = 2 };

struct StyleDef {
  std::string name;         // the local name, by which documents and callers refer to it
  std::string englishName;  // the name the style has in every language (written into files)
  int builtin = 0;          // the word processor's wdBuiltinStyle number (-1 Normal, -2 Heading 1, ...)
  StyleType type = StyleType::Paragraph;
  std::string font;    // the East Asian font
  double size = 10.5;  // points
  bool bold = false;
  bool underline = false;
  std::int32_t color = -16777216;  // automatic
  int alignment = 3;               // 0 left, 1 centre, 2 right, 3 justify
  std::string basedOn;             // local name of the parent style, "" for none
  std::string nextStyle;           // local name of the style a new paragraph after it gets, "" for itself
};

// Every built-in style, "正文" first.
const std::vector<StyleDef>& builtinStyles();

// The style with that local name or built-in number; nullptr when there is none. Names compare exactly,
// and English names are not known, as a Chinese installation looks them up.
const StyleDef* findStyle(std::string_view name);
// The style a file names, by local or English name (files from other installations use the English one).
const StyleDef* findStyleInFile(std::string_view name);
const StyleDef* findStyle(int builtin);

// "正文", the style every paragraph starts with.
const StyleDef& normalStyle();

}  // namespace verolin::wordproc
