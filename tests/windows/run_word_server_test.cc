// The stand-in word processor as the system's "Word.Application": registered under HKEY_CLASSES_ROOT,
// created by its ProgID, driven by name through IDispatch, its main window a real top-level window with
// the title the control looks for, and found running until it quits. Runs in a prefix of its own, as
// registering "Word.Application" changes what every other test of the machine would see.
#include <gtest/gtest.h>
#include <objbase.h>
#include <oleauto.h>
#include <olectl.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "automation/dispatch.h"
#include "com/dialog_watchdog.h"
#include "com/dispatch_client.h"
#include "com/run_world.h"

namespace verolin::com {
namespace {

using automation::Variant;

// The server's path from the environment, as a Windows path (a Unix path is on drive Z:).
std::wstring serverPath() {
  const char* path = std::getenv("VEROLIN_WORD_SERVER");
  if (!path) {
    // The build's own: build-win/wordproc.dll beside build-win/tests/windows/.
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring dir(self);
    for (int up = 0; up < 3; ++up)
      dir.resize(dir.find_last_of(L'\\') == std::wstring::npos ? 0 : dir.find_last_of(L'\\'));
    return dir + L"\\wordproc.dll";
  }
  std::string p = path;
  if (!p.empty() && p[0] == '/') {
    p = "Z:" + p;
    for (char& c : p) {
      if (c == '/') c = '\\';
    }
  }
  return wide(p);
}

using Entry = HRESULT(STDAPICALLTYPE*)();

class WordServer : public ::testing::Test {
 protected:
  WordServer() : module_(LoadLibraryW(serverPath().c_str())) {}
  ~WordServer() override {
    if (module_) call("DllUnregisterServer");
  }
  HRESULT call(const char* entry) {
    auto f = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module_, entry)));
    return f ? f() : E_NOTIMPL;
  }
  static std::wstring progIdClsid() {
    wchar_t value[64] = {};
    LONG size = sizeof value;
    if (RegQueryValueW(HKEY_CLASSES_ROOT, L"Word.Application\\CLSID", value, &size) != ERROR_SUCCESS)
      return {};
    return value;
  }
  static automation::ObjectRef create() {
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(kWordProgId, &clsid))) return {};
    IDispatch* d = nullptr;
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                reinterpret_cast<void**>(&d))))
      return {};
    auto object = wrapDispatch(d);
    d->Release();
    return object;
  }

  HMODULE module_;
};

TEST_F(WordServer, RegisteredCreatedByProgIdAndDrivenByName) {
  ASSERT_TRUE(module_) << "set VEROLIN_WORD_SERVER to wordproc.dll";
  ASSERT_EQ(call("DllRegisterServer"), S_OK);
  automation::ObjectRef object = create();
  ASSERT_TRUE(object);
  Variant word(object);
  EXPECT_EQ(word.get("Version").toString(), "11.0");
  word.get("Documents").call("Add");
  word.get("Selection").call("TypeText", Variant("会议纪要"));
  EXPECT_NE(word.get("ActiveDocument").get("Content").get("Text").toString().find("会议纪要"),
            std::string::npos);

  // The main window, as the control finds it before embedding it.
  const std::string title =
      word.get("ActiveWindow").get("Caption").toString() + " - " + word.get("Caption").toString();
  HWND window = FindWindowW(nullptr, wide(title).c_str());
  ASSERT_TRUE(window) << title;
  EXPECT_FALSE(GetWindowLongW(window, GWL_STYLE) & WS_CHILD);

  // Running until it quits, as a page run finds it.
  EXPECT_TRUE(runningObject(kWordProgId).isObject());
  word.call("Quit", Variant(false));
  EXPECT_TRUE(runningObject(kWordProgId).isEmpty());
  EXPECT_FALSE(IsWindow(window));
}

// A page script tells `word.Quit()` from `word.Version` by what the served object says of its members.
TEST_F(WordServer, MembersTellTheirKindAcrossModules) {
  ASSERT_EQ(call("DllRegisterServer"), S_OK);
  automation::ObjectRef word = create();
  ASSERT_TRUE(word);
  EXPECT_EQ(word->memberKind("quit"), automation::MemberKind::Method);
  EXPECT_EQ(word->memberKind("Version"), automation::MemberKind::Property);
  EXPECT_EQ(word->memberKind("NoSuchMember"), automation::MemberKind::None);
  Variant(word).call("Quit", Variant(false));
}

TEST_F(WordServer, EachCreationIsAnInstanceOfItsOwn) {
  ASSERT_EQ(call("DllRegisterServer"), S_OK);
  Variant first(create()), second(create());
  first.get("Documents").call("Add");
  EXPECT_EQ(first.get("Documents").get("Count").toInt32(), 1);
  EXPECT_EQ(second.get("Documents").get("Count").toInt32(), 0);
  first.call("Quit", Variant(false));
  second.call("Quit", Variant(false));
}

TEST_F(WordServer, AnInstalledWordProcessorKeepsItsProgId) {
  const std::wstring other = L"{00000000-1111-2222-3333-444444444444}";
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyW(HKEY_CLASSES_ROOT, L"Word.Application\\CLSID", &key), ERROR_SUCCESS);
  RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(other.c_str()),
                 static_cast<DWORD>((other.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  EXPECT_EQ(call("DllRegisterServer"), SELFREG_E_CLASS);
  EXPECT_EQ(progIdClsid(), other);
  // Unregistering the stand-in leaves the other program's registration alone.
  call("DllUnregisterServer");
  EXPECT_EQ(progIdClsid(), other);
  RegDeleteTreeW(HKEY_CLASSES_ROOT, L"Word.Application");
}

TEST_F(WordServer, UnregisteredItIsNoLongerFound) {
  ASSERT_EQ(call("DllRegisterServer"), S_OK);
  EXPECT_FALSE(progIdClsid().empty());
  EXPECT_EQ(call("DllUnregisterServer"), S_OK);
  CLSID clsid;
  EXPECT_EQ(CLSIDFromProgID(kWordProgId, &clsid), CO_E_CLASSSTRING);
}

}  // namespace
}  // namespace verolin::com
