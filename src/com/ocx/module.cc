// The library's entry points: class objects, unloading and registration.
#include <objbase.h>
#include <oleauto.h>
#include <olectl.h>
#include <windows.h>

#include <atomic>
#include <string>

#include "com/ocx/ole_object.h"
#include "com/ocx/server.h"
#include "com/unknown.h"
#include "com/variant.h"
#include "control/registration.h"

namespace verolin::com::ocx {
namespace {

HINSTANCE gModule = nullptr;

// The class object of VerolinActivex. It lives on the heap and counts as a module reference while a
// client holds it, so DllCanUnloadNow waits for it too.
class ClassFactory final : public SingleInterface<IClassFactory, IID_IClassFactory> {
 public:
  ClassFactory() { ++moduleReferences(); }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    IDispatch* control = nullptr;
    try {
      control = createControl();
    } catch (const automation::AutomationError& e) {
      return scodeOf(e.number());
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return E_FAIL;
    }
    const HRESULT hr = control->QueryInterface(iid, out);
    control->Release();
    return hr;
  }

  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) {
      ++moduleReferences();
    } else {
      --moduleReferences();
    }
    return S_OK;
  }

 private:
  ~ClassFactory() { --moduleReferences(); }
};

GUID guidOf(const char* text) {
  GUID id{};
  CLSIDFromString(toWide(text).c_str(), &id);
  return id;
}

}  // namespace

HINSTANCE moduleHandle() {
  return gModule;
}

std::string modulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(gModule, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      return fromWide(path);
    }
    path.resize(path.size() * 2);
  }
}

const CLSID& classId() {
  static const CLSID id = guidOf(control::kClassId);
  return id;
}
const IID& interfaceId() {
  static const IID id = guidOf(control::kInterfaceId);
  return id;
}
const IID& eventInterfaceId() {
  static const IID id = guidOf(control::kEventInterfaceId);
  return id;
}
const GUID& typeLibraryId() {
  static const GUID id = guidOf(control::kTypeLibId);
  return id;
}

}  // namespace verolin::com::ocx

using namespace verolin::com::ocx;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) {
    gModule = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (clsid != classId()) return CLASS_E_CLASSNOTAVAILABLE;
  auto* factory = new (std::nothrow) ClassFactory;
  if (!factory) return E_OUTOFMEMORY;
  const HRESULT hr = factory->QueryInterface(iid, out);
  factory->Release();
  return hr;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  if (verolin::com::moduleReferences() != 0) return S_FALSE;
  releaseTypeLibrary();
  unregisterOleWindowClass();
  return S_OK;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  const std::string path = modulePath();
  if (verolin::control::DllRegisterServer(registrationRegistry(), path) != 0) return SELFREG_E_CLASS;
  // The type library's own registration writes the keys this system's oleaut32 looks for (win64 on a
  // 64-bit system) and the interfaces' proxy entries.
  ITypeLib* library = nullptr;
  const std::wstring widePath = verolin::com::toWide(path);
  HRESULT hr = LoadTypeLibEx(widePath.c_str(), REGKIND_NONE, &library);
  if (SUCCEEDED(hr)) {
    hr = RegisterTypeLib(library, const_cast<wchar_t*>(widePath.c_str()), nullptr);
    library->Release();
  }
  return SUCCEEDED(hr) ? S_OK : SELFREG_E_TYPELIB;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  const SYSKIND kind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;
  UnRegisterTypeLib(typeLibraryId(), 1, 0, LOCALE_NEUTRAL, kind);
  verolin::control::DllUnregisterServer(registrationRegistry());
  return S_OK;
}
