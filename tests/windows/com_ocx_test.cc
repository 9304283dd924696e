// VerolinSystem.ocx as a browser meets it: registration, creation by ProgID, the declared interface
// called by name, the word processor missing, unloading, and two controls on one thread.
#include <objbase.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "com/dispatch_server.h"
#include "com/variant.h"
#include "control/registration.h"
#include "message_box_answerer.h"

namespace verolin::com {
namespace {

using automation::Variant;

constexpr const char* kNoOffice = "本机器没有正确定装OFFICE软件,控件支持OFFICE2000以上的版本";
constexpr const char* kNoObject = "没有可执行的对象.";

// build-win/tests/windows/x.exe -> build-win/VerolinSystem.ocx
std::wstring ocxPath() {
  wchar_t exe[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring path(exe);
  for (int up = 0; up < 3; ++up) path.resize(path.find_last_of(L'\\'));
  return path + L"\\VerolinSystem.ocx";
}

HMODULE ocx() {
  static HMODULE module = LoadLibraryW(ocxPath().c_str());
  return module;
}

HRESULT callExport(const char* name) {
  auto f = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(reinterpret_cast<void*>(GetProcAddress(ocx(), name)));
  return f ? f() : E_NOTIMPL;
}

std::optional<std::string> classesValue(const std::string& key, const wchar_t* name = nullptr) {
  HKEY h = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, toWide(key).c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
    return std::nullopt;
  wchar_t buffer[1024] = {};
  DWORD size = sizeof(buffer) - sizeof(wchar_t);
  DWORD type = 0;
  const LONG r = RegQueryValueExW(h, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(h);
  if (r != ERROR_SUCCESS) return std::string();  // the key exists without that value
  return fromWide(buffer);
}

IDispatch* createByProgId() {
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(L"VerolinSystem.VerolinActivex", &clsid))) return nullptr;
  IDispatch* d = nullptr;
  CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&d));
  return d;
}

struct Call {
  HRESULT hr = S_OK;
  UINT argError = 99;
  Variant result;
};

// Calls `name` as a script engine does; `args` in source order (VT_ERROR/DISP_E_PARAMNOTFOUND for omitted).
Call invoke(IDispatch* d, const wchar_t* name, std::vector<VARIANT> args = {},
            WORD flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET) {
  Call c;
  LPOLESTR n = const_cast<LPOLESTR>(name);
  DISPID id;
  c.hr = d->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(c.hr)) return c;
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPID put = DISPID_PROPERTYPUT;
  const bool isPut = flags == DISPATCH_PROPERTYPUT;
  DISPPARAMS p{reversed.data(), isPut ? &put : nullptr, static_cast<UINT>(reversed.size()), isPut ? 1u : 0u};
  ScopedVariant result;
  EXCEPINFO info{};
  c.hr = d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &p, result.receive(), &info, &c.argError);
  if (c.hr == DISP_E_EXCEPTION) {
    const auto e = errorFromInvoke(c.hr, &info, "");
    c.result = Variant(e.description());
  } else if (SUCCEEDED(c.hr)) {
    c.result = fromVariant(result.get());
  }
  return c;
}

VARIANT omitted() {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_ERROR;
  v.scode = DISP_E_PARAMNOTFOUND;
  return v;
}

class OcxTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_NE(ocx(), nullptr) << "VerolinSystem.ocx not found beside the build";
    ASSERT_EQ(callExport("DllRegisterServer"), S_OK);
  }
  testing::MessageBoxAnswerer boxes_;
};

TEST_F(OcxTest, RegistrationWritesAndRemovesTheClassProgIdAndTypeLibrary) {
  const std::string clsid = std::string("CLSID\\") + control::kClassId;
  const std::string typelib = std::string("TypeLib\\") + control::kTypeLibId + "\\1.0";
  ASSERT_EQ(callExport("DllUnregisterServer"), S_OK);
  EXPECT_FALSE(classesValue(control::kProgId));
  EXPECT_FALSE(classesValue(clsid));
  EXPECT_FALSE(classesValue(typelib));

  ASSERT_EQ(callExport("DllRegisterServer"), S_OK);
  EXPECT_EQ(classesValue(std::string(control::kProgId) + "\\CLSID"), control::kClassId);
  const auto server = classesValue(clsid + "\\InprocServer32");
  ASSERT_TRUE(server);
  EXPECT_EQ(CompareStringOrdinal(toWide(*server).c_str(), -1, ocxPath().c_str(), -1, TRUE), CSTR_EQUAL);
  EXPECT_EQ(classesValue(clsid + "\\InprocServer32", L"ThreadingModel"), "Apartment");
  EXPECT_TRUE(classesValue(clsid + "\\Control"));
  EXPECT_TRUE(classesValue(typelib + "\\0\\win64"));
  EXPECT_EQ(classesValue(std::string("Interface\\") + control::kInterfaceId), "_VerolinActivex");
  // Registering twice is harmless.
  EXPECT_EQ(callExport("DllRegisterServer"), S_OK);
}

TEST_F(OcxTest, CreatedByProgIdWithItsDeclaredInterface) {
  IDispatch* d = createByProgId();
  ASSERT_NE(d, nullptr);
  UINT count = 0;
  ASSERT_EQ(d->GetTypeInfoCount(&count), S_OK);
  ASSERT_EQ(count, 1u);
  ITypeInfo* info = nullptr;
  ASSERT_EQ(d->GetTypeInfo(0, 0, &info), S_OK);
  BSTR name = nullptr;
  info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
  EXPECT_EQ(fromBstr(name), "_VerolinActivex");
  SysFreeString(name);
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
  EXPECT_EQ(attr->cFuncs, 47);  // four properties with get and put, 39 methods
  EXPECT_EQ(attr->guid, [] {
    IID iid;
    CLSIDFromString(toWide(control::kInterfaceId).c_str(), &iid);
    return iid;
  }());
  info->ReleaseTypeAttr(attr);
  info->Release();

  IUnknown* events = nullptr;
  IID eventId;
  CLSIDFromString(toWide(control::kEventInterfaceId).c_str(), &eventId);
  EXPECT_EQ(d->QueryInterface(eventId, reinterpret_cast<void**>(&events)), E_NOINTERFACE);  // raises none
  d->Release();
}

TEST_F(OcxTest, TypeLibraryDeclaresParametersAsTheInterfaceTableGivesThem) {
  ITypeLib* library = nullptr;
  ASSERT_EQ(LoadTypeLibEx(ocxPath().c_str(), REGKIND_NONE, &library), S_OK);
  IID iid;
  CLSIDFromString(toWide(control::kInterfaceId).c_str(), &iid);
  ITypeInfo* info = nullptr;
  ASSERT_EQ(library->GetTypeInfoOfGuid(iid, &info), S_OK);
  const MemberTable members = membersOf(info);
  info->Release();
  library->Release();
  ASSERT_EQ(members.size(), 43u);  // a property's get and put share one entry
  auto find = [&](const char* name) -> const MemberInfo& {
    for (const auto& m : members) {
      if (m.name == name) return m;
    }
    throw std::runtime_error(name);
  };
  const auto& open = find("OpenWord");
  ASSERT_EQ(open.params.size(), 4u);
  EXPECT_EQ(open.params[0].name, "fileName");
  EXPECT_EQ(open.params[0].type, VT_BSTR);
  EXPECT_FALSE(open.params[0].byRef);
  EXPECT_FALSE(open.params[0].optional);
  EXPECT_EQ(open.params[3].name, "User_Demo");
  EXPECT_TRUE(open.params[3].byRef);
  EXPECT_TRUE(open.params[3].optional);
  const auto& upload = find("UploadFileToServer");
  ASSERT_EQ(upload.params.size(), 5u);
  EXPECT_EQ(upload.params[4].type, VT_BOOL);
  EXPECT_TRUE(upload.params[4].optional);
  EXPECT_EQ(find("FileSaveAs").params[0].type, VT_I2);
  EXPECT_EQ(find("ElectronSeal").params[1].type, VT_VARIANT);
  EXPECT_EQ(find("LocalFile").putType, VT_BSTR);
  EXPECT_EQ(find("CheckSign").putType, VT_EMPTY);
}

TEST_F(OcxTest, PropertiesAreCalledByNameInAnyCase) {
  IDispatch* d = createByProgId();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(invoke(d, L"getsettype").result, Variant("1"));
  EXPECT_EQ(invoke(d, L"ActiveForm").result, Variant(""));
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_BSTR;
  value.bstrVal = toBstr("http://127.0.0.1/上传.asp");
  EXPECT_EQ(invoke(d, L"ACTIVEFORM", {value}, DISPATCH_PROPERTYPUT).hr, S_OK);
  EXPECT_EQ(invoke(d, L"ActiveForm").result, Variant("http://127.0.0.1/上传.asp"));
  VariantClear(&value);
  EXPECT_EQ(invoke(d, L"NoSuchMember").hr, DISP_E_UNKNOWNNAME);
  d->Release();
}

TEST_F(OcxTest, ArgumentsAreCheckedAgainstTheDeclaredParameters) {
  IDispatch* d = createByProgId();
  ASSERT_NE(d, nullptr);
  VARIANT one;
  VariantInit(&one);
  one.vt = VT_I4;
  one.lVal = 1;
  VARIANT word;
  VariantInit(&word);
  word.vt = VT_BSTR;
  word.bstrVal = toBstr("abc");
  EXPECT_EQ(invoke(d, L"PrintView", {one}).hr, DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(invoke(d, L"UnlockOnlyRevisions").hr, DISP_E_BADPARAMCOUNT);
  Call c = invoke(d, L"ShowRevisions", {word});
  EXPECT_EQ(c.hr, DISP_E_TYPEMISMATCH);
  EXPECT_EQ(c.argError, 0u);
  c = invoke(d, L"FileSaveAs", {word, omitted()});
  EXPECT_EQ(c.hr, DISP_E_TYPEMISMATCH);
  EXPECT_EQ(c.argError, 1u);           // DocumentType, the first in source order, is the last in rgvarg
  EXPECT_TRUE(boxes_.take().empty());  // refused before the control ran
  VariantClear(&word);
  d->Release();
}

TEST_F(OcxTest, OmittedAndByReferenceArgumentsReachTheControl) {
  IDispatch* d = createByProgId();
  ASSERT_NE(d, nullptr);
  // Without a word processor the Word guard answers every form of the call with its message.
  EXPECT_EQ(invoke(d, L"Menu").hr, S_OK);
  EXPECT_EQ(invoke(d, L"Menu", {omitted()}).hr, S_OK);
  VARIANT flag;
  VariantInit(&flag);
  flag.vt = VT_BOOL;
  flag.boolVal = VARIANT_FALSE;
  VARIANT ref;
  VariantInit(&ref);
  ref.vt = VT_BYREF | VT_VARIANT;
  ref.pvarVal = &flag;
  EXPECT_EQ(invoke(d, L"Menu", {ref}).hr, S_OK);
  EXPECT_EQ(flag.vt, VT_BOOL);  // the control did not change it, so it was not rewritten
  const auto seen = boxes_.take();
  ASSERT_EQ(seen.size(), 3u);
  for (const auto& line : seen) EXPECT_EQ(line, std::string("信息|") + kNoObject);
  d->Release();
}

TEST_F(OcxTest, MissingWordProcessorIsReportedAs429) {
  CLSID word;
  if (SUCCEEDED(CLSIDFromProgID(L"Word.Application", &word)))
    GTEST_SKIP() << "a word processor is registered";
  IDispatch* d = createByProgId();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(invoke(d, L"AddNewDocument").hr, S_OK);
  const auto seen = boxes_.take();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], std::string("提示|") + kNoOffice);
  d->Release();
}

TEST_F(OcxTest, TwoControlsOnOneThreadShareTheControlWideState) {
  IDispatch* first = createByProgId();
  IDispatch* second = createByProgId();
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_BSTR;
  value.bstrVal = toBstr("/docs/公文.doc");
  ASSERT_EQ(invoke(first, L"ServerFilePath", {value}, DISPATCH_PROPERTYPUT).hr, S_OK);
  EXPECT_EQ(invoke(second, L"ServerFilePath").result, Variant("/docs/公文.doc"));
  first->Release();
  // The second control goes on after the first was released.
  EXPECT_EQ(invoke(second, L"ServerFilePath").result, Variant("/docs/公文.doc"));
  VariantClear(&value);
  second->Release();
}

TEST_F(OcxTest, ModuleMayUnloadOnlyAfterTheLastRelease) {
  IDispatch* d = createByProgId();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(callExport("DllCanUnloadNow"), S_FALSE);
  IClassFactory* factory = nullptr;
  CLSID clsid;
  CLSIDFromString(toWide(control::kClassId).c_str(), &clsid);
  ASSERT_EQ(CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                             reinterpret_cast<void**>(&factory)),
            S_OK);
  d->Release();
  EXPECT_EQ(callExport("DllCanUnloadNow"), S_FALSE);  // the class object is still held
  factory->LockServer(TRUE);
  factory->Release();
  EXPECT_EQ(callExport("DllCanUnloadNow"), S_FALSE);  // locked
  // Unlocking needs the factory again; a fresh one locks nothing of its own once released.
  ASSERT_EQ(CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                             reinterpret_cast<void**>(&factory)),
            S_OK);
  factory->LockServer(FALSE);
  factory->Release();
  EXPECT_EQ(callExport("DllCanUnloadNow"), S_OK);
}

}  // namespace
}  // namespace verolin::com
