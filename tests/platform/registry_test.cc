#include <gtest/gtest.h>

#include <fstream>

#include "platform/scratch_root.h"
#include "platform/standin.h"

namespace verolin::platform {
namespace {

constexpr const char* kInternet =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

class FileRegistryTest : public ::testing::Test {
 protected:
  verolin::testing::ScratchRoot scratch;
  const std::filesystem::path file = scratch.path() / "state" / "registry.txt";
};

TEST_F(FileRegistryTest, ValuesSurviveANewInstance) {
  {
    FileRegistry reg(file);
    const RegistryKey key = reg.openKey(kInternet);
    ASSERT_NE(key, 0);
    EXPECT_TRUE(reg.setValue(key, "SyncMode5", RegistryValue::ofDword(3)));
    EXPECT_TRUE(reg.setValue(key, "Note", RegistryValue::ofString("印章\tline\nnext \\ end")));
    reg.closeKey(key);
    reg.openKey("HKEY_CLASSES_ROOT\\VerolinSystem.VerolinActivex\\CLSID");
  }
  EXPECT_TRUE(std::filesystem::exists(file));
  FileRegistry again(file);
  EXPECT_EQ(again.value(kInternet, "syncmode5"), RegistryValue::ofDword(3));
  EXPECT_EQ(again.value(kInternet, "Note"), RegistryValue::ofString("印章\tline\nnext \\ end"));
  EXPECT_EQ(again.subKeys("HKEY_CLASSES_ROOT\\VerolinSystem.VerolinActivex"),
            std::vector<std::string>{"CLSID"});
  EXPECT_EQ(again.value(kInternet, "Missing"), std::nullopt);
}

TEST_F(FileRegistryTest, KeysCompareCaseInsensitivelyAndKeepTheirSpelling) {
  FileRegistry reg(file);
  const RegistryKey key = reg.openKey("HKEY_CURRENT_USER\\Software\\Verolin\\");
  reg.setValue(key, "Mode", RegistryValue::ofDword(1));
  EXPECT_EQ(reg.value("hkey_current_user\\SOFTWARE\\verolin", "MODE"), RegistryValue::ofDword(1));
  EXPECT_EQ(reg.subKeys("HKEY_CURRENT_USER"), std::vector<std::string>{"Software"});
  EXPECT_EQ(reg.subKeys("hkey_current_user\\software"), std::vector<std::string>{"Verolin"});
  EXPECT_EQ(reg.openKey("Software\\NoHive"), 0);
}

TEST_F(FileRegistryTest, WriteCountCountsEverySet) {
  FileRegistry reg(file);
  for (int i = 0; i < 3; ++i) {
    const RegistryKey key = reg.openKey(kInternet);
    reg.setValue(key, "SyncMode5", RegistryValue::ofDword(3));
    reg.closeKey(key);
  }
  EXPECT_EQ(reg.writeCount(kInternet, "SYNCMODE5"), 3);
  EXPECT_EQ(reg.writeCount(kInternet, "Other"), 0);
}

TEST_F(FileRegistryTest, ClosedOrUnknownHandlesAreRefused) {
  FileRegistry reg(file);
  const RegistryKey key = reg.openKey(kInternet);
  reg.closeKey(key);
  EXPECT_FALSE(reg.setValue(key, "SyncMode5", RegistryValue::ofDword(3)));
  EXPECT_FALSE(reg.setValue(12345, "x", RegistryValue::ofDword(1)));
  EXPECT_EQ(reg.value(kInternet, "SyncMode5"), std::nullopt);
}

TEST_F(FileRegistryTest, DeleteKeyTakesTheSubtreeAndPersists) {
  {
    FileRegistry reg(file);
    const RegistryKey key = reg.openKey("HKEY_CLASSES_ROOT\\CLSID\\{1}\\InprocServer32");
    reg.setValue(key, "", RegistryValue::ofString("VerolinSystem.ocx"));
    reg.openKey("HKEY_CLASSES_ROOT\\CLSID\\{2}");
    EXPECT_TRUE(reg.deleteKey("HKEY_CLASSES_ROOT\\clsid\\{1}"));
    EXPECT_FALSE(reg.deleteKey("HKEY_CLASSES_ROOT\\clsid\\{1}"));
  }
  FileRegistry again(file);
  EXPECT_EQ(again.subKeys("HKEY_CLASSES_ROOT\\CLSID"), std::vector<std::string>{"{2}"});
  EXPECT_EQ(again.value("HKEY_CLASSES_ROOT\\CLSID\\{1}\\InprocServer32", ""), std::nullopt);
}

TEST_F(FileRegistryTest, DamagedLinesLoseOnlyThemselves) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file) << "HKEY_CURRENT_USER\\A\tx\tdword\tnot-a-number\n"
                         "garbage without hive\n"
                         "HKEY_CURRENT_USER\\A\ty\tstring\tfine\n";
  FileRegistry reg(file);
  EXPECT_EQ(reg.value("HKEY_CURRENT_USER\\A", "x"), std::nullopt);
  EXPECT_EQ(reg.value("HKEY_CURRENT_USER\\A", "y"), RegistryValue::ofString("fine"));
}

}  // namespace
}  // namespace verolin::platform
