// The stand-ins on Windows, where the runner seats a colleague on them: the drive folders under a root
// on the system's own file calls (names in UTF-16 on disk, files replaced in one step, no scratch left
// behind) and the stand-in host's clock on the machine's local time.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "automation/error.h"
#include "platform/standin.h"

namespace verolin::platform {
namespace {

namespace fs = std::filesystem;
namespace err = automation::err;

automation::Bytes bytesOf(std::string_view s) {
  return automation::Bytes(s.begin(), s.end());
}

std::int32_t errorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const automation::AutomationError& e) {
    return e.number();
  }
  return 0;
}

// The entries of `dir` as the system spells them.
std::vector<std::wstring> entries(const fs::path& dir) {
  std::vector<std::wstring> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().wstring());
  return names;
}

fs::path freshRoot() {
  std::random_device rd;
  return fs::temp_directory_path() / ("verolin-standin-" + std::to_string(rd()) + std::to_string(rd()));
}

class StandInFilesTest : public ::testing::Test {
 protected:
  ~StandInFilesTest() override {
    files.reset();
    std::error_code ec;
    fs::remove_all(root, ec);
  }
  const fs::path root = freshRoot();
  std::unique_ptr<MappedFileSystem> files = std::make_unique<MappedFileSystem>(root);
};

TEST_F(StandInFilesTest, ChineseNamesReachTheDiskAsTheirCharacters) {
  files->createDir("c:\\公文");
  files->write("c:\\公文\\盖章.DOC", bytesOf("印"));
  // On disk in UTF-16, as any other program on the machine sees the name.
  EXPECT_EQ(entries(root / L"c" / L"公文"), std::vector<std::wstring>{L"盖章.DOC"});
  EXPECT_TRUE(fs::equivalent(files->nativePath("C:\\公文\\盖章.doc"), root / L"c" / L"公文" / L"盖章.DOC"));
  EXPECT_TRUE(files->fileExists("c:\\公文\\盖章.doc"));
  EXPECT_EQ(files->read("c:\\公文\\盖章.doc"), bytesOf("印"));
  files->rename("c:\\公文\\盖章.doc", "c:\\公文\\签名.doc");
  EXPECT_EQ(entries(root / L"c" / L"公文"), std::vector<std::wstring>{L"签名.doc"});
  // A lock holds under any spelling of the name.
  files->lock("C:\\公文\\签名.DOC");
  EXPECT_EQ(errorOf([&] { files->write("c:\\公文\\签名.doc", {}); }), err::kPermissionDenied);
}

TEST_F(StandInFilesTest, WritingOverAFileReplacesItAndLeavesNoScratch) {
  files->write("c:\\a.doc", bytesOf("old contents"));
  files->write("C:\\A.DOC", bytesOf("new"));
  EXPECT_EQ(files->read("c:\\a.doc"), bytesOf("new"));
  files->write("c:\\b.doc", bytesOf("copied"));
  files->copy("c:\\b.doc", "c:\\a.doc");
  EXPECT_EQ(files->read("c:\\a.doc"), bytesOf("copied"));
  // A change of case only keeps the one file (whether the case changes is the file system's affair).
  files->rename("c:\\b.doc", "c:\\B.Doc");
  EXPECT_EQ(entries(root / "c").size(), 2u);
  EXPECT_EQ(files->read("c:\\B.Doc"), bytesOf("copied"));
}

TEST_F(StandInFilesTest, FileHeldByAnotherProgramKeepsItsContentsAndNoScratchIsLeft) {
  files->write("c:\\a.doc", bytesOf("old contents"));
  // Another program holds the file open and shares nothing: the replacing move cannot take its place.
  const HANDLE held = ::CreateFileW((root / L"c" / L"a.doc").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const std::int32_t number = errorOf([&] { files->write("c:\\a.doc", bytesOf("new")); });
  ::CloseHandle(held);
  EXPECT_NE(number, 0);
  EXPECT_EQ(files->read("c:\\a.doc"), bytesOf("old contents"));
  EXPECT_EQ(entries(root / "c"), std::vector<std::wstring>{L"a.doc"});
}

TEST_F(StandInFilesTest, MissingThingsHaveTheirOwnNumbers) {
  EXPECT_EQ(errorOf([&] { files->read("c:\\a.doc"); }), err::kFileNotFound);
  EXPECT_EQ(errorOf([&] { files->read("c:\\nowhere\\a.doc"); }), err::kPathNotFound);
  EXPECT_EQ(errorOf([&] { files->write("c:\\nowhere\\a.doc", {}); }), err::kPathNotFound);
  EXPECT_EQ(errorOf([&] { files->read("d:\\a.doc"); }), err::kDeviceUnavailable);
  files->createDir("c:\\temp");
  EXPECT_EQ(errorOf([&] { files->write("c:\\temp", {}); }), err::kPathFileAccess);
  EXPECT_EQ(entries(root / "c"), std::vector<std::wstring>{L"temp"});
}

TEST(StandInHostClock, StartsAtTheMachinesLocalTime) {
  SYSTEMTIME before{};
  ::GetLocalTime(&before);
  StandInHost host;
  const automation::DateTime now = host.now();
  const int minutesNow = now.hour * 60 + now.minute;
  const int minutesBefore = before.wHour * 60 + before.wMinute;
  EXPECT_EQ(now.year, before.wYear);
  EXPECT_EQ(now.month, before.wMonth);
  EXPECT_LE(std::abs(minutesNow - minutesBefore), 1);
}

}  // namespace
}  // namespace verolin::platform
