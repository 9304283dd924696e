// The Windows window system, registry, clipboard, files and COM object creation on the real system
// calls.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "automation/error.h"
#include "platform/raster.h"
#include "platform/win32/windows_platform.h"

namespace verolin::platform::win32 {
namespace {

// ---- windows

class WindowSystemTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (WindowHandle h : made) windows->destroy(h);
  }
  WindowHandle make(const std::string& title, WindowHandle parent = 0) {
    WindowInfo info;
    info.title = title;
    info.parent = parent;
    info.rect = Rect{30, 40, 200, 120};
    info.visible = true;
    const WindowHandle h = windows->create(info);
    if (h) made.push_back(h);
    return h;
  }
  std::unique_ptr<WindowSystem> windows = newWindowSystem();
  std::vector<WindowHandle> made;
};

TEST_F(WindowSystemTest, FindsATopLevelWindowByItsExactTitle) {
  const WindowHandle h = make("文档 - 字处理程序");
  ASSERT_NE(h, 0);
  EXPECT_EQ(windows->findWindow("文档 - 字处理程序"), h);
  EXPECT_EQ(windows->findWindow("文档 - 字处理"), 0);
  ASSERT_TRUE(windows->setTitle(h, "新标题"));
  EXPECT_EQ(windows->findWindow("新标题"), h);
  EXPECT_EQ(windows->info(h)->title, "新标题");
}

TEST_F(WindowSystemTest, SetParentMakesAChildAndGivesBackThePreviousParent) {
  const WindowHandle host = make("host window");
  const WindowHandle other = make("other window");
  const WindowHandle child = make("child window");
  ASSERT_TRUE(host && other && child);
  windows->setParent(child, host);
  EXPECT_EQ(windows->info(child)->parent, host);
  EXPECT_EQ(windows->setParent(child, other), host);
  EXPECT_EQ(windows->info(child)->parent, other);
  EXPECT_EQ(windows->setParent(0x7FFF0001, host), 0) << "an unknown window";
}

TEST_F(WindowSystemTest, SetWindowPosMovesSizesAndOrdersTopmost) {
  const WindowHandle h = make("placed window");
  ASSERT_NE(h, 0);
  ASSERT_TRUE(windows->setWindowPos(h, true, Rect{10, 20, 150, 60}));
  auto info = windows->info(h);
  EXPECT_EQ(info->rect, (Rect{10, 20, 150, 60}));
  EXPECT_TRUE(info->topmost);
  ASSERT_TRUE(windows->setWindowPos(h, false, std::nullopt));
  info = windows->info(h);
  EXPECT_FALSE(info->topmost);
  EXPECT_EQ(info->rect, (Rect{10, 20, 150, 60})) << "no rectangle leaves the place alone";

  const WindowHandle child = make("child", h);
  ASSERT_TRUE(windows->setWindowPos(child, std::nullopt, Rect{5, 6, 50, 40}));
  EXPECT_EQ(windows->info(child)->rect, (Rect{5, 6, 50, 40})) << "relative to the parent";
}

TEST_F(WindowSystemTest, ShowFocusLockAndDestroy) {
  const WindowHandle h = make("shown window");
  ASSERT_NE(h, 0);
  ASSERT_TRUE(windows->show(h, false));
  EXPECT_FALSE(windows->info(h)->visible);
  ASSERT_TRUE(windows->show(h, true));
  EXPECT_TRUE(windows->info(h)->visible);
  windows->setFocus(h);
  EXPECT_EQ(windows->focus(), h);
  EXPECT_TRUE(windows->lockWindowUpdate(h));
  EXPECT_TRUE(windows->lockWindowUpdate(0));
  EXPECT_EQ(windows->info(h)->thread, 0) << "made on this thread";
  EXPECT_TRUE(windows->destroy(h));
  EXPECT_EQ(windows->info(h), std::nullopt);
  EXPECT_FALSE(windows->destroy(h));
  EXPECT_GT(windows->metric(Metric::CaptionHeight), 0);
}

// ---- registry

TEST(RegistryTest, ValuesWrittenThroughAnOpenKeyReadBack) {
  auto registry = newRegistry();
  const std::string path = "HKEY_CURRENT_USER\\Software\\VerolinTest\\控件";
  registry->deleteKey("HKEY_CURRENT_USER\\Software\\VerolinTest");
  const RegistryKey key = registry->openKey(path);
  ASSERT_NE(key, 0) << "RegOpenKey creates the missing keys";
  EXPECT_TRUE(registry->setValue(key, "Count", RegistryValue::ofDword(0xFFFFFFFEu)));
  EXPECT_TRUE(registry->setValue(key, "Name", RegistryValue::ofString("印章 seal")));
  registry->closeKey(key);
  EXPECT_FALSE(registry->setValue(key, "Name", RegistryValue::ofString("x"))) << "a closed key";

  EXPECT_EQ(registry->value(path, "count"), RegistryValue::ofDword(0xFFFFFFFEu)) << "names ignore case";
  EXPECT_EQ(registry->value("hkcu\\software\\verolintest\\控件", "Name"),
            RegistryValue::ofString("印章 seal"));
  EXPECT_EQ(registry->value(path, "Missing"), std::nullopt);
  EXPECT_EQ(registry->subKeys("HKEY_CURRENT_USER\\Software\\VerolinTest"), std::vector<std::string>{"控件"});

  EXPECT_TRUE(registry->deleteKey("HKEY_CURRENT_USER\\Software\\VerolinTest"));
  EXPECT_EQ(registry->value(path, "Name"), std::nullopt);
  EXPECT_FALSE(registry->deleteKey("HKEY_CURRENT_USER\\Software\\VerolinTest"));
  EXPECT_EQ(registry->openKey("HKEY_NOWHERE\\Software"), 0);
}

// ---- clipboard

automation::Bytes picturePng() {
  Raster raster(40, 30);
  raster.setPenWidth(3);
  raster.line(2, 2, 37, 27);
  return raster.png();
}

// A 2x2 24-bit BMP file, bottom-up: blue, green / red, white.
automation::Bytes pictureBmp() {
  const std::uint8_t file[] = {'B', 'M', 70,  0,   0,   0,   0, 0, 0, 0, 54, 0, 0, 0,  // file header
                               40,  0,   0,   0,   2,   0,   0, 0, 2, 0, 0,  0, 1, 0, 24, 0,
                               0,   0,   0,   0,   16,  0,   0, 0,                            // info header
                               0,   0,   0,   0,   0,   0,   0, 0, 0, 0, 0,  0, 0, 0, 0,  0,  // no colours
                               255, 0,   0,   0,   255, 0,   0, 0,   // row 0 + padding
                               0,   0,   255, 255, 255, 255, 0, 0};  // row 1 + padding
  return automation::Bytes(std::begin(file), std::end(file));
}

TEST(ClipboardTest, PicturesComeBackAsTheBytesPutThere) {
  auto clipboard = newClipboard();
  for (const automation::Bytes& picture : {picturePng(), pictureBmp()}) {
    clipboard->setPicture(picture);
    const auto got = clipboard->data();
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->format, "bitmap");
    EXPECT_EQ(got->bytes, picture);
  }
  // Other programs find a device-independent bitmap of the picture.
  ASSERT_TRUE(::OpenClipboard(nullptr));
  EXPECT_TRUE(::IsClipboardFormatAvailable(CF_DIB));
  EXPECT_TRUE(::IsClipboardFormatAvailable(CF_ENHMETAFILE));
  ::CloseClipboard();
}

TEST(ClipboardTest, ABitmapPutThereByAnotherProgramReadsAsABmpFile) {
  auto clipboard = newClipboard();
  const automation::Bytes bmp = pictureBmp();
  ASSERT_TRUE(::OpenClipboard(nullptr));
  ::EmptyClipboard();
  const HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bmp.size() - 14);
  std::memcpy(::GlobalLock(memory), bmp.data() + 14, bmp.size() - 14);
  ::GlobalUnlock(memory);
  ::SetClipboardData(CF_DIB, memory);
  ::CloseClipboard();
  const auto got = clipboard->data("bitmap");
  ASSERT_TRUE(got.has_value());
  EXPECT_EQ(got->bytes, bmp);
}

TEST(ClipboardTest, TextRoundTripsAsUnicodeAndClearEmpties) {
  auto clipboard = newClipboard();
  clipboard->setText("签名 signature ✓");
  auto got = clipboard->data();
  ASSERT_TRUE(got.has_value());
  EXPECT_EQ(got->format, "text");
  EXPECT_EQ(std::string(got->bytes.begin(), got->bytes.end()), "签名 signature ✓");
  EXPECT_EQ(clipboard->data("bitmap"), std::nullopt);
  clipboard->clear();
  EXPECT_EQ(clipboard->data(), std::nullopt);
}

// ---- files

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    folder = narrowed(temp) + "verolin 测试 " + std::to_string(::GetCurrentProcessId());
    files->createDir(folder);
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(files->nativePath(folder), ignored);
  }
  static std::string narrowed(const wchar_t* wide) {
    char utf8[4 * MAX_PATH];
    ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof utf8, nullptr, nullptr);
    return utf8;
  }
  std::unique_ptr<FileSystem> files = newFileSystem();
  std::string folder;
};

std::int32_t errorNumber(const std::function<void()>& action) {
  try {
    action();
  } catch (const automation::AutomationError& e) {
    return e.number();
  }
  return 0;
}

TEST_F(FilesTest, NonAsciiNamesWriteReadRenameCopyAndRemove) {
  const std::string name = folder + "\\公文 №1.doc";
  const automation::Bytes bytes{0, 1, 0xFE, 0xFF, 'x'};
  files->write(name, bytes);
  EXPECT_TRUE(files->fileExists(name));
  EXPECT_FALSE(files->dirExists(name));
  EXPECT_EQ(files->read(name), bytes);
  EXPECT_EQ(files->size(name), 5u);
  EXPECT_EQ(::GetFileAttributesW(files->nativePath(name).c_str()) != INVALID_FILE_ATTRIBUTES, true);

  files->copy(name, folder + "\\副本.doc");
  EXPECT_EQ(files->read(folder + "\\副本.doc"), bytes);
  EXPECT_EQ(errorNumber([&] { files->rename(folder + "\\副本.doc", name); }), automation::err::kFileExists);
  files->rename(folder + "\\副本.doc", folder + "\\改名.doc");
  EXPECT_FALSE(files->fileExists(folder + "\\副本.doc"));
  files->write(folder + "\\新.tmp", automation::Bytes{7});
  files->replace(folder + "\\新.tmp", folder + "\\改名.doc");  // over an existing file, in one step
  EXPECT_EQ(files->read(folder + "\\改名.doc"), automation::Bytes{7});
  EXPECT_FALSE(files->fileExists(folder + "\\新.tmp"));
  EXPECT_EQ(errorNumber([&] { files->replace(folder + "\\新.tmp", name); }), automation::err::kFileNotFound);
  files->remove(folder + "\\改名.doc");
  EXPECT_FALSE(files->fileExists(folder + "\\改名.doc"));

  auto out = files->openWrite(folder + "\\流.txt");
  *out << "stream";
  out.reset();
  auto in = files->openRead(folder + "\\流.txt");
  std::string text;
  *in >> text;
  EXPECT_EQ(text, "stream");
}

TEST_F(FilesTest, FailuresCarryTheRuntimeNumbers) {
  EXPECT_EQ(errorNumber([&] { files->read(folder + "\\missing.doc"); }), automation::err::kFileNotFound);
  EXPECT_EQ(errorNumber([&] { files->read(folder + "\\no folder\\a.doc"); }), automation::err::kPathNotFound);
  EXPECT_EQ(errorNumber([&] { files->read(folder + "\\bad|name.doc"); }), automation::err::kBadFileName);
  EXPECT_EQ(errorNumber([&] { files->createDir(folder); }), automation::err::kPathFileAccess);
  EXPECT_EQ(errorNumber([&] { files->nativePath("c:\\..\\..\\x"); }), automation::err::kBadFileName);
  EXPECT_EQ(files->nativePath("\\temp\\a.doc"), std::filesystem::path(L"c:\\temp\\a.doc"));
  EXPECT_EQ(files->nativePath("d:/a/./b/../c.doc"), std::filesystem::path(L"d:\\a\\c.doc"));
}

TEST_F(FilesTest, ADenyWriteLockKeepsReadersButRefusesChanges) {
  const std::string name = folder + "\\锁定.doc";
  files->write(name, automation::Bytes{1, 2, 3});
  files->lock(name, LockMode::DenyWrite);
  EXPECT_TRUE(files->isLocked(name));
  EXPECT_EQ(files->read(name), (automation::Bytes{1, 2, 3}));
  EXPECT_EQ(errorNumber([&] { files->write(name, automation::Bytes{9}); }),
            automation::err::kPermissionDenied);
  EXPECT_EQ(errorNumber([&] { files->remove(name); }), automation::err::kPermissionDenied);
  files->write(folder + "\\新.tmp", automation::Bytes{7});
  EXPECT_EQ(errorNumber([&] { files->replace(folder + "\\新.tmp", name); }),
            automation::err::kPermissionDenied);
  EXPECT_EQ(files->read(name), (automation::Bytes{1, 2, 3})) << "a refused write loses nothing";
  files->unlock(name);
  EXPECT_FALSE(files->isLocked(name));
  files->write(name, automation::Bytes{9});
  EXPECT_EQ(files->read(name), automation::Bytes{9});

  files->lock(name, LockMode::Exclusive);
  EXPECT_EQ(errorNumber([&] { files->openRead(name); }), automation::err::kPermissionDenied);
  files->unlock(name);
}

// ---- objects

TEST(ObjectsTest, UnknownProgIdIsError429AndRegisteredClassesComeFirst) {
  WindowsPlatform platform;
  try {
    platform.objects.create("Verolin.NoSuchClass");
    FAIL() << "created an unknown class";
  } catch (const automation::AutomationError& e) {
    EXPECT_EQ(e.number(), automation::err::kCantCreateObject);
  }
  EXPECT_EQ(errorNumber([&] { createComObject("Verolin.NotRegistered.1"); }),
            automation::err::kCantCreateObject);
}

TEST(ObjectsTest, ASystemClassIsCreatedThroughComAndCalledByName) {
  const automation::ObjectRef request = createComObject("Msxml2.XMLHTTP");
  ASSERT_TRUE(request);
  EXPECT_TRUE(request->hasMember("readyState"));
  std::vector<automation::Variant> none;
  EXPECT_EQ(request->invoke("readyState", automation::InvokeKind::PropertyGet, none, {}).toInt32(), 0);
}

}  // namespace
}  // namespace verolin::platform::win32
