// The stand-in word processor as an in-process COM server under the ProgID "Word.Application", so that
// the control finds and drives it as it would the real one: created by CoCreateInstance, called by name
// through IDispatch, its main window a top-level window titled as the control looks for it, and each
// running instance entered in the running object table until it quits (as a page run finds it).
#include <objbase.h>
#include <oleauto.h>
#include <olectl.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "com/dispatch_server.h"
#include "com/trace_sink.h"
#include "com/unknown.h"
#include "com/word_platform.h"
#include "wordproc/wordproc.h"

namespace {

using namespace verolin;

// {F3CAA671-EF0A-4BFD-B6A4-D64FE22A43AC}
constexpr CLSID kWordClsid = {0xf3caa671, 0xef0a, 0x4bfd, {0xb6, 0xa4, 0xd6, 0x4f, 0xe2, 0x2a, 0x43, 0xac}};
constexpr const wchar_t* kClsidText = L"{F3CAA671-EF0A-4BFD-B6A4-D64FE22A43AC}";
constexpr const wchar_t* kProgId = L"Word.Application";
constexpr const wchar_t* kDescription = L"Verolin stand-in word processor";

HMODULE module = nullptr;

// The instances that run, as processes of the machine do: each keeps running (and stays in the running
// object table) until it quits, whether or not a client still holds it.
struct Running {
  automation::ObjectRef application;
  DWORD tableEntry = 0;
  int id = 0;
};
std::vector<Running>& running() {
  static std::vector<Running> all;
  return all;
}

// The main windows paint the active document of the instance they belong to.
const wordproc::DocumentModel* documentOfWindow(platform::WindowHandle window) {
  for (const Running& r : running()) {
    const wordproc::WindowContent content = wordproc::windowContent(r.application);
    if (content.window == window) return content.document;
  }
  return nullptr;
}

HRESULT startInstance(REFIID iid, void** out) {
  static int lastId = 0;
  if (lastId == 0) com::setDocumentFinder(documentOfWindow);
  const int id = ++lastId;
  wordproc::WordOptions options;
  automation::ObjectRef application =
      wordproc::createWordApplication(com::wordProcessorPlatform(), options, [id] {
        auto& all = running();
        const auto it = std::find_if(all.begin(), all.end(), [id](const Running& r) { return r.id == id; });
        if (it == all.end()) return;
        if (it->tableEntry) RevokeActiveObject(it->tableEntry, nullptr);
        // The instance itself goes when its last client lets go of it.
        all.erase(it);
      });
  IDispatch* dispatch = com::serveObject(application);
  Running entry{application, 0, id};
  if (FAILED(RegisterActiveObject(dispatch, kWordClsid, ACTIVEOBJECT_STRONG, &entry.tableEntry)))
    entry.tableEntry = 0;
  running().push_back(std::move(entry));
  com::traceToProgram("word", "started version " + options.version);
  const HRESULT hr = dispatch->QueryInterface(iid, out);
  dispatch->Release();
  return hr;
}

class ClassFactory final : public com::SingleInterface<IClassFactory, IID_IClassFactory> {
 public:
  ClassFactory() { ++com::moduleReferences(); }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    try {
      return startInstance(iid, out);
    } catch (...) {
      return E_FAIL;
    }
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) {
      ++com::moduleReferences();
    } else {
      --com::moduleReferences();
    }
    return S_OK;
  }

 private:
  ~ClassFactory() { --com::moduleReferences(); }
};

// Keys under HKEY_CLASSES_ROOT.
bool setKey(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
  HKEY h = nullptr;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr) !=
      ERROR_SUCCESS)
    return false;
  const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
  const bool ok = RegSetValueExW(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes) ==
                  ERROR_SUCCESS;
  RegCloseKey(h);
  return ok;
}

// The class identifier the ProgID names now; "" when it names none.
std::wstring registeredClsid() {
  wchar_t value[64] = {};
  LONG size = sizeof value;
  if (RegQueryValueW(HKEY_CLASSES_ROOT, (std::wstring(kProgId) + L"\\CLSID").c_str(), value, &size) !=
      ERROR_SUCCESS)
    return {};
  return value;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (clsid != kWordClsid) return CLASS_E_CLASSNOTAVAILABLE;
  auto* factory = new ClassFactory();
  const HRESULT hr = factory->QueryInterface(iid, out);
  factory->Release();
  return hr;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return com::moduleReferences() == 0 && running().empty() ? S_OK : S_FALSE;
}

// Registers the server under HKEY_CLASSES_ROOT. A machine whose "Word.Application" belongs to another
// program keeps it: the stand-in never takes the place of an installed word processor.
extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  const std::wstring present = registeredClsid();
  if (!present.empty() && _wcsicmp(present.c_str(), kClsidText) != 0) return SELFREG_E_CLASS;
  wchar_t path[MAX_PATH] = {};
  if (GetModuleFileNameW(module, path, MAX_PATH) == 0) return SELFREG_E_CLASS;
  const std::wstring clsidKey = std::wstring(L"CLSID\\") + kClsidText;
  const bool ok = setKey(kProgId, nullptr, kDescription) &&
                  setKey(std::wstring(kProgId) + L"\\CLSID", nullptr, kClsidText) &&
                  setKey(clsidKey, nullptr, kDescription) &&
                  setKey(clsidKey + L"\\ProgID", nullptr, kProgId) &&
                  setKey(clsidKey + L"\\InprocServer32", nullptr, path) &&
                  setKey(clsidKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
  return ok ? S_OK : SELFREG_E_CLASS;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  const std::wstring present = registeredClsid();
  if (!present.empty() && _wcsicmp(present.c_str(), kClsidText) == 0)
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kProgId);
  RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + kClsidText).c_str());
  return S_OK;
}
