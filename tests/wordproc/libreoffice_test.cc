// The check that another word processor opens our files: a document with text, two floating pictures,
// a red line, a hyperlink with a screen tip, tracked changes and protection survives save and reopen
// unchanged, and LibreOffice converts its RTF showing the same content. Skipped without LibreOffice.
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "word_fixture.h"
#include "wordproc/formats/picture_codec.h"

namespace verolin::testing {
namespace {

std::string slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool haveLibreOffice() {
  return std::system("command -v libreoffice > /dev/null 2>&1") == 0;
}

// Converts `file` in its folder with LibreOffice (a private profile, no window); true on success.
bool convert(const std::filesystem::path& file, const std::string& to) {
  const auto dir = file.parent_path();
  const std::string command = "cd '" + dir.string() + "' && HOME='" + dir.string() +
                              "' libreoffice -env:UserInstallation=file://" + (dir / "profile").string() +
                              " --headless --convert-to " + to + " --outdir '" + dir.string() + "' '" +
                              file.string() + "' > convert.log 2>&1";
  return std::system(command.c_str()) == 0;
}

class LibreOfficeTest : public WordFixture {
 protected:
  // The document, built as the control's routines build it.
  void build() {
    app_ = startWord();
    app_.put("UserName", "张三");
    standIn_->files.createDir("c:\\temp");
    writeFile("c:\\temp\\seal.png", *wordproc::gifToPng(gifPicture()));
    writeFile("c:\\temp\\sign.bmp", bmpPicture(6, 4));
    Variant doc = app_.get("Documents").call("Add");
    Variant sel = app_.get("Selection");
    sel.put("Style", doc.get("Styles", "标题 1"));
    sel.get("Font").put("Color", 255);
    sel.get("Font").put("Size", 36);
    sel.call("TypeText", "(XX)市人民政府请示");
    sel.call("TypeParagraph");
    sel.get("ParagraphFormat").put("Alignment", 1);
    sel.get("Font").put("Size", 12);
    sel.call("TypeText", named("Text", "[XX]XX号"));
    doc.get("Shapes").call("AddLine", 108, 204.6, 558, 204.6).call("Select");
    sel.get("ShapeRange").call("IncrementLeft", -45);
    sel.get("ShapeRange").get("Line").put("Weight", 3);
    sel.get("ShapeRange").get("Line").get("ForeColor").put("RGB", 255);
    sel.call("MoveUp");
    for (const char* picture : {"c:\\temp\\seal.png", "c:\\temp\\sign.bmp"}) {
      Variant shape = doc.get("Shapes").call("AddPicture", picture);
      shape.get("PictureFormat").put("TransparentBackground", -1);
      shape.get("PictureFormat").put("TransparencyColor", 16777215);
      shape.get("Fill").put("Visible", 0);
      doc.get("Shapes", shape.get("Name")).call("Select");
      sel.get("ShapeRange").get("WrapFormat").put("AllowOverlap", -1);
      sel.get("ShapeRange").get("WrapFormat").put("Type", 3);
    }
    doc.get("Shapes", "Picture 2").call("Select");
    doc.get("Hyperlinks")
        .call("Add", sel.get("ShapeRange"), "#", "", "盖章人的姓名:张三盖章日期:2026年12月7日9时5分3秒",
              "TestTest", "TestTestTest");
    doc.call("Protect", 0, false, "fesu31");
    sel.call("EndKey", 6);
    sel.call("TypeText", "修改的内容");
    sel.call("SetRange", 0, 4);
    sel.call("Delete");
    doc.call("SaveAs", "c:\\temp\\check.doc", 0, false, "", true, "", false, false, false, false);
  }

  Variant app_;
};

TEST_F(LibreOfficeTest, DocumentSurvivesSaveAndReopenAndOpensInLibreOffice) {
  build();
  const Bytes saved = readFile("c:\\temp\\check.doc");
  app_.get("ActiveDocument").call("Close", false);

  Variant doc = app_.get("Documents").call("Open", "c:\\temp\\check.doc");
  EXPECT_EQ(doc.get("Content").get("Text").toString(), "(XX)市人民政府请示\r[XX]XX号修改的内容\r");
  EXPECT_EQ(doc.get("ProtectionType").toInt32(), 0);
  EXPECT_EQ(doc.get("Shapes").get("Count").toInt32(), 3);
  EXPECT_EQ(doc.get("Shapes", 2).get("Name").toString(), "Picture 2");
  EXPECT_EQ(doc.get("Shapes", 3).get("Name").toString(), "Picture 3");
  EXPECT_EQ(doc.get("Shapes", "Line 1").get("Line").get("ForeColor").get("RGB").toInt32(), 255);
  EXPECT_EQ(doc.get("Hyperlinks", 1).get("ScreenTip").toString(),
            "盖章人的姓名:张三盖章日期:2026年12月7日9时5分3秒");
  ASSERT_EQ(doc.get("Revisions").get("Count").toInt32(), 2);
  EXPECT_EQ(doc.get("Revisions", 1).get("Type").toInt32(), 2);
  EXPECT_EQ(doc.get("Revisions", 2).get("Type").toInt32(), 1);
  EXPECT_EQ(doc.get("Revisions", 2).get("Author").toString(), "张三");
  EXPECT_EQ(errorNumber([&] { doc.call("Unprotect", "wrong"); }), 5485);
  doc.call("SaveAs", "c:\\temp\\again.doc", 0);
  EXPECT_EQ(readFile("c:\\temp\\again.doc"), saved);

  if (!haveLibreOffice()) GTEST_SKIP() << "LibreOffice is not installed";
  const auto dir = root_ / "lo";
  std::filesystem::create_directories(dir);
  std::filesystem::copy_file(native("c:\\temp\\check.doc"), dir / "check.rtf");
  ASSERT_TRUE(convert(dir / "check.rtf", "pdf")) << slurp(dir / "convert.log");
  EXPECT_GT(std::filesystem::file_size(dir / "check.pdf"), 1000u);
  ASSERT_TRUE(convert(dir / "check.rtf", "fodt")) << slurp(dir / "convert.log");
  const std::string odt = slurp(dir / "check.fodt");
  EXPECT_NE(odt.find("市人民政府请示"), std::string::npos);
  EXPECT_NE(odt.find("修改的内容"), std::string::npos);
  // Both pictures with their own kinds, the line by its name and colour, the red title, both revisions.
  EXPECT_NE(odt.find("draw:mime-type=\"image/png\""), std::string::npos);
  EXPECT_NE(odt.find("draw:mime-type=\"image/x-MS-bmp\""), std::string::npos);
  EXPECT_NE(odt.find("<draw:line"), std::string::npos);
  EXPECT_NE(odt.find("draw:name=\"Line 1\""), std::string::npos);
  EXPECT_NE(odt.find("svg:stroke-color=\"#ff0000\""), std::string::npos);
  EXPECT_NE(odt.find("fo:color=\"#ff0000\""), std::string::npos);
  EXPECT_NE(odt.find("fo:font-size=\"36pt\""), std::string::npos);
  EXPECT_NE(odt.find("<text:insertion>"), std::string::npos);
  EXPECT_NE(odt.find("<text:deletion>"), std::string::npos);
}

}  // namespace
}  // namespace verolin::testing
