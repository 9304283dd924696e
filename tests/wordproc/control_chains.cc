#include "control_chains.h"

namespace verolin::testing {

namespace {
constexpr std::int16_t kTrue = -1;
constexpr std::int16_t kFalse = 0;
constexpr std::int32_t kWhite = 16777215;
constexpr std::int32_t kRed = 255;
}  // namespace

void ControlChains::SetUp() {
  word_ = startWord();
  standIn_->files.createDir("c:\\temp");
  word_.get("Documents").call("Add");
  saveLocalCopy("c:\\temp\\doc.doc");
  index_ = word_.get("ActiveWindow").get("Index").toInt16();
}

Variant ControlChains::viaWindow() {
  return word_.get("Windows", index_).get("Application");
}

void ControlChains::saveLocalCopy(const std::string& path) {
  Variant name(path);
  word_.get("ActiveDocument")
      .call("SaveAs", Variant::ref(name), std::int16_t{0}, false, "", true, "", false, false, false, false);
}

// The mark's look, common to seals and signatures; returns the identifier from the shape's name.
std::string ControlChains::giveMarkLook(Variant shape) {
  shape.get("PictureFormat").put("TransparentBackground", kTrue);
  shape.get("PictureFormat").put("TransparencyColor", kWhite);
  shape.get("Fill").put("Visible", kFalse);
  const std::string name = shape.get("Name").toString();
  word_.get("ActiveDocument").get("Shapes", name).call("Select");
  word_.get("Selection").get("ShapeRange").get("WrapFormat").put("AllowOverlap", kTrue);
  word_.get("Selection").get("ShapeRange").get("WrapFormat").put("Type", std::int16_t{3});
  return name.substr(name.find(' ') + 1);
}

std::string ControlChains::placeSeal(const std::string& picturePath) {
  if (word_.get("ActiveWindow").get("View").get("SplitSpecial").toInt32() == 0) {
    word_.get("ActiveWindow").get("ActivePane").get("View").put("Type", std::int16_t{3});
  } else {
    word_.get("ActiveWindow").get("View").put("Type", std::int16_t{3});
  }
  return giveMarkLook(word_.get("ActiveDocument").get("Shapes").call("AddPicture", picturePath));
}

std::string ControlChains::placeSignature(const Bytes& picture) {
  standIn_->clipboard.clear();
  standIn_->clipboard.setPicture(picture);
  word_.get("Windows", index_).call("Activate");
  viaWindow().get("Selection").call("Paste");
  standIn_->clipboard.clear();
  const std::int32_t n = word_.get("ActiveDocument").get("InlineShapes").get("Count").toInt32();
  return giveMarkLook(viaWindow().get("ActiveDocument").get("InlineShapes", n).call("ConvertToShape"));
}

std::vector<std::pair<int, int>> ControlChains::validMarks(const std::vector<std::string>& ids) {
  std::vector<std::pair<int, int>> out;
  const int n = word_.get("ActiveDocument").get("Shapes").get("Count").toInt32();
  for (int i = 1; i <= n; ++i) {
    for (int c = 0; c < static_cast<int>(ids.size()); ++c) {
      if (word_.get("ActiveDocument").get("Shapes", i).get("Name").toString() ==
          "Picture " + ids[static_cast<std::size_t>(c)])
        out.emplace_back(i, c);
    }
  }
  return out;
}

// The frame settings showing and hiding have in common; leaves shape `i` selected.
Variant ControlChains::selectMarkFrame(int i) {
  word_.get("ActiveDocument").get("Shapes").call("Item", i).call("Select");
  Variant sel = word_.get("Selection");
  sel.get("ShapeRange").get("Fill").put("Visible", kFalse);
  sel.get("ShapeRange").get("Fill").put("Transparency", 0.0f);
  sel.get("ShapeRange").get("Line").put("Weight", 2.0f);
  sel.get("ShapeRange").get("Line").put("DashStyle", std::int16_t{1});
  sel.get("ShapeRange").get("Line").put("Style", std::int16_t{1});
  sel.get("ShapeRange").get("Line").put("Transparency", 0.0f);
  return sel;
}

void ControlChains::showMark(int i, const std::string& name, const std::string& time) {
  Variant sel = selectMarkFrame(i);
  sel.get("ShapeRange").get("Line").put("Visible", kTrue);
  sel.get("ShapeRange").get("Line").get("ForeColor").put("RGB", kRed);
  sel.get("ShapeRange").get("Line").get("BackColor").put("RGB", kWhite);
  word_.get("ActiveDocument")
      .get("Hyperlinks")
      .call("Add", sel.get("ShapeRange"), "#", "", "盖章人的姓名:" + name + "盖章日期:" + time, "TestTest",
            "TestTestTest");
}

void ControlChains::hideMark(int i) {
  Variant sel = selectMarkFrame(i);
  sel.get("ShapeRange").get("Line").put("Visible", kFalse);
  sel.get("ShapeRange").put("LockAspectRatio", kTrue);
  sel.get("ShapeRange").get("Hyperlink").call("Delete");
}

void ControlChains::redHeader() {
  word_.get("Selection").call("MoveUp", std::int16_t{7}, std::int16_t{1});
  word_.get("Selection").put("Style", word_.get("ActiveDocument").get("Styles", "标题 1"));
  word_.get("Selection").get("Font").put("Color", std::int16_t{255});
  word_.get("Selection").get("Font").put("Size", std::int16_t{36});
  word_.get("Selection").call("TypeText", "(XX)市人民政府");
  word_.get("Selection").call("TypeText", "请示");
  word_.get("Selection").call("TypeParagraph");
  word_.get("Selection").get("ParagraphFormat").put("Alignment", std::int16_t{1});
  word_.get("Selection").get("Font").put("Size", std::int16_t{12});
  word_.get("Selection").get("Font").put("Color", std::int16_t{255});
  word_.get("Selection").call("TypeText", named("Text", "[XX]XX号"));
  word_.get("ActiveDocument")
      .get("Shapes")
      .call("AddLine", std::int16_t{108}, 204.6, std::int16_t{558}, 204.6)
      .call("Select");
  word_.get("Selection").get("ShapeRange").call("IncrementLeft", std::int16_t{-45});
  word_.get("Selection").get("ShapeRange").get("Line").put("Weight", std::int16_t{3});
  word_.get("Selection").get("ShapeRange").get("Line").get("ForeColor").put("RGB", kRed);
  word_.get("Selection").get("ShapeRange").get("Line").get("BackColor").put("RGB", kWhite);
  word_.get("Selection").get("ShapeRange").get("WrapFormat").put("Type", std::int16_t{3});
  word_.get("Selection").call("MoveUp");
}

std::vector<std::string> ControlChains::revisionLines() {
  std::vector<std::string> lines;
  const std::int16_t count = viaWindow().get("ActiveDocument").get("Revisions").get("Count").toInt16();
  for (std::int16_t i = 1; i <= count; ++i) {
    auto r = [&] { return viaWindow().get("ActiveDocument").get("Revisions").call("Item", i); };
    const std::int32_t type = r().get("Type").toInt32();
    const std::string op = type == 1 ? "增加" : type == 2 ? "删除" : "其它操作";
    lines.push_back(std::to_string(i) + "." + r().get("Author").toString() + " " +
                    r().get("Date").toString() + op);
  }
  return lines;
}

std::string ControlChains::revisionText(int k) {
  return viaWindow()
      .get("ActiveDocument")
      .get("Revisions")
      .call("Item", static_cast<std::int16_t>(k + 1))
      .get("Range")
      .get("Text")
      .toString();
}

}  // namespace verolin::testing
