#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <fstream>

#include "platform/failing_files.h"
#include "platform/scratch_root.h"
#include "platform/standin.h"

namespace verolin::platform {
namespace {

namespace fs = std::filesystem;
namespace err = automation::err;

automation::Bytes bytesOf(std::string_view s) {
  return automation::Bytes(s.begin(), s.end());
}

class MappedFilesTest : public ::testing::Test {
 protected:
  std::int32_t errorOf(const std::function<void()>& f) {
    try {
      f();
    } catch (const automation::AutomationError& e) {
      return e.number();
    }
    return 0;
  }
  std::vector<std::string> entries(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    return names;
  }

  verolin::testing::ScratchRoot scratch;
  MappedFileSystem files{scratch.path()};
  const fs::path root = scratch.path();
};

TEST_F(MappedFilesTest, MapsDriveLettersAndRelativePathsUnderTheRoot) {
  EXPECT_TRUE(fs::is_directory(root / "c"));
  EXPECT_EQ(files.nativePath("c:\\temp\\a.doc"), root / "c" / "temp" / "a.doc");
  EXPECT_EQ(files.nativePath("C:/temp//a.doc"), root / "c" / "temp" / "a.doc");
  EXPECT_EQ(files.nativePath("temp\\a.doc"), root / "c" / "temp" / "a.doc");
  EXPECT_EQ(files.nativePath("\\temp\\x\\..\\.\\a.doc"), root / "c" / "temp" / "a.doc");
  EXPECT_EQ(files.nativePath("$$$$$$.$$$"), root / "c" / "$$$$$$.$$$");
  EXPECT_EQ(files.nativePath("D:\\盖章.doc"), root / "d" / "盖章.doc");
  EXPECT_TRUE(files.dirExists("c:\\"));
}

TEST_F(MappedFilesTest, ResolvesExistingNamesCaseInsensitively) {
  files.createDir("c:\\Temp");
  files.write("c:\\temp\\Report.DOC", bytesOf("x"));
  EXPECT_EQ(entries(root / "c" / "Temp"), std::vector<std::string>{"Report.DOC"});
  EXPECT_EQ(files.nativePath("C:\\TEMP\\report.doc"), root / "c" / "Temp" / "Report.DOC");
  EXPECT_TRUE(files.fileExists("c:\\TEMP\\REPORT.doc"));
  EXPECT_FALSE(files.dirExists("c:\\TEMP\\REPORT.doc"));
  EXPECT_EQ(files.read("C:\\temp\\report.doc"), bytesOf("x"));
  // A name the platform would strip of its trailing dot finds the same file.
  EXPECT_TRUE(files.fileExists("c:\\temp\\report.doc."));
  // Writing through another spelling replaces the file instead of adding a second one.
  files.write("C:\\TEMP\\REPORT.DOC", bytesOf("yy"));
  EXPECT_EQ(entries(root / "c" / "Temp"), std::vector<std::string>{"Report.DOC"});
  EXPECT_EQ(files.size("c:\\temp\\report.doc"), 2u);
}

TEST_F(MappedFilesTest, MalformedPathsAreBadFileNames) {
  for (const char* bad :
       {"c:\\te<mp\\a.doc", "c:\\temp\\a?.doc", "c:\\a*", "c:\\a|b", "c:\\a\"b", "c:\\a\tb", "c:\\..\\a.doc",
        "c:\\temp\\..\\..\\a.doc", "1:\\a", "\\\\server\\share\\a", "", "c:\\a:b"}) {
    EXPECT_EQ(errorOf([&] { files.nativePath(bad); }), err::kBadFileName) << bad;
    EXPECT_FALSE(files.fileExists(bad)) << bad;
  }
  EXPECT_EQ(errorOf([&] { files.write("c:\\a>b.txt", {}); }), err::kBadFileName);
}

TEST_F(MappedFilesTest, MissingThingsHaveTheirOwnNumbers) {
  EXPECT_EQ(errorOf([&] { files.read("d:\\a.doc"); }), err::kDeviceUnavailable);
  EXPECT_EQ(errorOf([&] { files.createDir("e:\\temp"); }), err::kDeviceUnavailable);
  EXPECT_FALSE(files.fileExists("d:\\a.doc"));
  EXPECT_EQ(errorOf([&] { files.read("c:\\a.doc"); }), err::kFileNotFound);
  EXPECT_EQ(errorOf([&] { files.remove("c:\\a.doc"); }), err::kFileNotFound);
  EXPECT_EQ(errorOf([&] { files.size("c:\\a.doc"); }), err::kFileNotFound);
  EXPECT_EQ(errorOf([&] { files.read("c:\\nowhere\\a.doc"); }), err::kPathNotFound);
  EXPECT_EQ(errorOf([&] { files.write("c:\\nowhere\\a.doc", {}); }), err::kPathNotFound);
  EXPECT_EQ(errorOf([&] { files.openWrite("c:\\nowhere\\a.doc"); }), err::kPathNotFound);
  EXPECT_EQ(errorOf([&] { files.createDir("c:\\nowhere\\temp"); }), err::kPathNotFound);
  files.write("c:\\a.doc", bytesOf("x"));
  EXPECT_EQ(errorOf([&] { files.read("c:\\a.doc\\b.doc"); }), err::kPathNotFound);
  EXPECT_EQ(errorOf([&] { files.createDir("c:\\a.doc"); }), err::kPathFileAccess);
  files.createDir("c:\\temp");
  EXPECT_EQ(errorOf([&] { files.createDir("c:\\TEMP"); }), err::kPathFileAccess);
  EXPECT_EQ(errorOf([&] { files.read("c:\\temp"); }), err::kPathFileAccess);
  EXPECT_EQ(errorOf([&] { files.remove("c:\\temp"); }), err::kPathFileAccess);
  EXPECT_EQ(errorOf([&] { files.write("c:\\temp", {}); }), err::kPathFileAccess);
}

TEST_F(MappedFilesTest, LockedFileRefusesEveryChangeAndRead) {
  files.write("c:\\a.doc", bytesOf("kept"));
  files.write("c:\\b.doc", bytesOf("other"));
  files.lock("C:\\A.DOC");
  EXPECT_TRUE(files.isLocked("c:\\a.doc"));
  EXPECT_EQ(errorOf([&] { files.remove("c:\\a.doc"); }), err::kPermissionDenied);
  EXPECT_EQ(errorOf([&] { files.rename("c:\\a.doc", "c:\\c.doc"); }), err::kPermissionDenied);
  EXPECT_EQ(errorOf([&] { files.write("c:\\a.doc", {}); }), err::kPermissionDenied);
  EXPECT_EQ(errorOf([&] { files.openWrite("c:\\a.doc"); }), err::kPermissionDenied);
  EXPECT_EQ(errorOf([&] { files.read("c:\\a.doc"); }), err::kPermissionDenied);
  EXPECT_EQ(errorOf([&] { files.copy("c:\\b.doc", "c:\\a.doc"); }), err::kPermissionDenied);
  EXPECT_EQ(files.size("c:\\a.doc"), 4u);
  files.unlock("c:\\a.doc");
  EXPECT_EQ(files.read("c:\\a.doc"), bytesOf("kept"));
  files.remove("c:\\a.doc");
  EXPECT_FALSE(files.fileExists("c:\\a.doc"));
}

TEST_F(MappedFilesTest, RenameAndCopy) {
  files.write("c:\\a.doc", bytesOf("a"));
  files.write("c:\\b.doc", bytesOf("b"));
  EXPECT_EQ(errorOf([&] { files.rename("c:\\a.doc", "c:\\B.DOC"); }), err::kFileExists);
  EXPECT_EQ(errorOf([&] { files.rename("c:\\x.doc", "c:\\y.doc"); }), err::kFileNotFound);
  EXPECT_EQ(errorOf([&] { files.rename("c:\\a.doc", "c:\\nowhere\\a.doc"); }), err::kPathNotFound);
  files.rename("c:\\a.doc", "c:\\A.Doc");  // a change of case only
  EXPECT_EQ(files.nativePath("c:\\a.doc").filename(), "A.Doc");
  files.createDir("c:\\temp");
  files.rename("c:\\a.doc", "c:\\temp\\moved.doc");
  EXPECT_EQ(files.read("c:\\temp\\moved.doc"), bytesOf("a"));
  files.copy("c:\\b.doc", "c:\\temp\\MOVED.doc");
  EXPECT_EQ(files.read("c:\\temp\\moved.doc"), bytesOf("b"));
  EXPECT_EQ(entries(root / "c" / "temp"), std::vector<std::string>{"moved.doc"});
  EXPECT_EQ(errorOf([&] { files.copy("c:\\x.doc", "c:\\y.doc"); }), err::kFileNotFound);
}

TEST_F(MappedFilesTest, ReplaceTakesTheOldFilesPlaceOrLeavesItWhole) {
  files.write("c:\\new.tmp", bytesOf("new"));
  files.write("c:\\b.doc", bytesOf("old"));
  files.replace("c:\\new.tmp", "c:\\B.DOC");  // an existing name in another case is that file
  EXPECT_EQ(files.read("c:\\b.doc"), bytesOf("new"));
  EXPECT_EQ(entries(root / "c"), std::vector<std::string>{"b.doc"});
  files.write("c:\\new.tmp", bytesOf("newer"));
  files.replace("c:\\new.tmp", "c:\\fresh.doc");  // no old file: a plain move
  EXPECT_EQ(files.read("c:\\fresh.doc"), bytesOf("newer"));

  EXPECT_EQ(errorOf([&] { files.replace("c:\\gone.tmp", "c:\\b.doc"); }), err::kFileNotFound);
  files.createDir("c:\\folder");
  files.write("c:\\new.tmp", bytesOf("x"));
  EXPECT_EQ(errorOf([&] { files.replace("c:\\new.tmp", "c:\\folder"); }), err::kPathFileAccess);
  EXPECT_EQ(errorOf([&] { files.replace("c:\\new.tmp", "c:\\nowhere\\b.doc"); }), err::kPathNotFound);
  files.lock("c:\\b.doc", platform::LockMode::DenyWrite);
  EXPECT_EQ(errorOf([&] { files.replace("c:\\new.tmp", "c:\\b.doc"); }), err::kPermissionDenied);
  files.unlock("c:\\b.doc");
  // Every refusal left both files as they were.
  EXPECT_EQ(files.read("c:\\b.doc"), bytesOf("new"));
  EXPECT_EQ(files.read("c:\\new.tmp"), bytesOf("x"));
}

TEST_F(MappedFilesTest, FailedWriteKeepsTheOldFileAndLeavesNoScratch) {
  files.write("c:\\a.doc", bytesOf("old contents"));
  // A file size limit makes the write fail halfway, even for a privileged user.
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 16;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const auto number = errorOf([&] { files.write("c:\\a.doc", automation::Bytes(100, 'x')); });
  setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_NE(number, 0);
  EXPECT_EQ(files.read("c:\\a.doc"), bytesOf("old contents"));
  EXPECT_EQ(entries(root / "c"), std::vector<std::string>{"a.doc"});
}

TEST_F(MappedFilesTest, StreamsReadAndWriteWholeFiles) {
  {
    auto out = files.openWrite("c:\\s.bin");
    *out << std::string(70000, 'z');
  }
  EXPECT_EQ(files.size("c:\\s.bin"), 70000u);
  EXPECT_EQ(files.read("c:\\s.bin").size(), 70000u);
  auto in = files.openRead("C:\\S.BIN");
  std::string first(3, '\0');
  in->read(first.data(), 3);
  EXPECT_EQ(first, "zzz");
}

TEST_F(MappedFilesTest, InjectedDriveNotReadyPassesAfterItsCount) {
  verolin::testing::FailingFileSystem flaky(files);
  flaky.failNext("write", err::kDiskNotReady, 2);
  int attempts = 0;
  for (;;) {
    ++attempts;
    try {
      flaky.write("c:\\a.doc", bytesOf("x"));
      break;
    } catch (const automation::AutomationError& e) {
      ASSERT_EQ(e.number(), err::kDiskNotReady);
    }
  }
  EXPECT_EQ(attempts, 3);
  EXPECT_EQ(flaky.failures(), 2);
  EXPECT_TRUE(flaky.fileExists("c:\\a.doc"));
}

TEST(FilePaths, JoinFolderAndName) {
  EXPECT_EQ(joinPath("c:\\temp\\", "a.doc"), "c:\\temp\\a.doc");
  EXPECT_EQ(joinPath("c:\\temp", "\\a.doc"), "c:\\temp\\a.doc");
  EXPECT_EQ(joinPath("", "a.doc"), "a.doc");
  EXPECT_EQ(folderOf("c:\\temp\\a.doc"), "c:\\temp\\");
  EXPECT_EQ(folderOf("a.doc"), "");
  EXPECT_EQ(fileNameOf("c:\\temp\\盖章.doc"), "盖章.doc");
  EXPECT_EQ(fileNameOf("http://host/dir/a.jia"), "a.jia");
  EXPECT_EQ(fileNameOf("c:\\temp\\"), "");
}

}  // namespace
}  // namespace verolin::platform
