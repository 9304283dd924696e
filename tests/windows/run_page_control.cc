// A control for the page runner's test, registered as "VerolinSystem.VerolinActivex" in a prefix of
// its own: each member shows one kind of the control's windows for real (a message box, an input box, a
// form), starts or quits the word processor by its ProgID, or fails, so that a page script run by
// verolin.exe meets them as it would meet the control's.
#include <objbase.h>
#include <olectl.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "automation/error.h"
#include "automation/object.h"
#include "com/dialog_watchdog.h"
#include "com/dispatch_client.h"
#include "com/dispatch_server.h"
#include "com/trace_sink.h"
#include "com/unknown.h"
#include "platform/win32/dialog_template.h"

namespace {

using namespace verolin;
using automation::Args;
using automation::Variant;

// {6B1E5D2A-3C4F-4E8B-9A7D-2F0C1B3E5A77}
constexpr CLSID kClsid = {0x6b1e5d2a, 0x3c4f, 0x4e8b, {0x9a, 0x7d, 0x2f, 0x0c, 0x1b, 0x3e, 0x5a, 0x77}};
constexpr const wchar_t* kClsidText = L"{6B1E5D2A-3C4F-4E8B-9A7D-2F0C1B3E5A77}";
constexpr const wchar_t* kProgId = L"VerolinSystem.VerolinActivex";
HMODULE module = nullptr;

// An input box as the platform shows one: prompt, edit box with the default text, OK and Cancel.
struct InputState {
  std::wstring text;
  bool ok = false;
};

INT_PTR CALLBACK inputProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, DWLP_USER, lparam);
    return TRUE;
  }
  if (message == WM_COMMAND && (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL)) {
    auto* state = reinterpret_cast<InputState*>(GetWindowLongPtrW(dialog, DWLP_USER));
    wchar_t text[256] = {};
    GetDlgItemTextW(dialog, 100, text, 256);
    state->text = text;
    state->ok = LOWORD(wparam) == IDOK;
    EndDialog(dialog, LOWORD(wparam));
    return TRUE;
  }
  return FALSE;
}

std::string inputBox(const std::string& prompt, const std::string& title) {
  platform::win32::DialogTemplate t(com::wide(title), 200, 80);
  t.addStatic(101, com::wide(prompt), 10, 5, 150, 14);
  t.addEdit(100, L"", 10, 25, 150, 14);
  t.addButton(IDOK, L"OK", 10, 45, 150, 14, true);
  t.addButton(IDCANCEL, L"Cancel", 10, 62, 150, 14, false);
  InputState state;
  DialogBoxIndirectParamW(module, t.get(), nullptr, inputProc, reinterpret_cast<LPARAM>(&state));
  com::traceToProgram("inputbox",
                      title + "|" + prompt + "| -> " +
                          (state.ok ? "\"" + com::narrow(state.text) + "\"" : std::string("Cancel")));
  return state.ok ? com::narrow(state.text) : std::string();
}

// A modal form: its window runs a loop of its own until it is closed.
std::string showForm(const std::string& name, const std::string& caption) {
  WNDCLASSW cls{};
  cls.lpfnWndProc = DefWindowProcW;
  cls.hInstance = module;
  cls.lpszClassName = L"VerolinTestPageForm";
  RegisterClassW(&cls);
  HWND form =
      CreateWindowExW(0, cls.lpszClassName, com::wide(caption).c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                      0, 300, 200, nullptr, nullptr, module, nullptr);
  com::traceToProgram("form", "show " + name + " \"" + caption + "\"");
  const ATOM atom = GlobalAddAtomW(com::wide(name).c_str());
  SetPropW(form, com::kFormProperty, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(atom)));
  MSG msg;
  while (IsWindow(form) && GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  GlobalDeleteAtom(atom);
  com::traceToProgram("form", "closed " + name);
  return "closed";
}

class PageControl final : public automation::ObjectBase {
 public:
  PageControl() : ObjectBase("VerolinActivex") {
    method("Greet", {{"text"}}, [](Args& a) {
      const int answer =
          MessageBoxW(nullptr, com::wide(a[0].toString()).c_str(), L"信息", MB_OKCANCEL | MB_ICONINFORMATION);
      com::traceToProgram("msgbox", "信息|65|" + a[0].toString() + " -> " + std::to_string(answer));
      return Variant(static_cast<std::int32_t>(answer));
    });
    method("AskName", {{"prompt"}}, [](Args& a) { return Variant(inputBox(a[0].toString(), "签名")); });
    method("ShowForm", {}, [](Args&) { return Variant(showForm("FrmProbe", "探针")); });
    method("OpenWord", {}, [this](Args&) {
      CLSID clsid;
      IDispatch* d = nullptr;
      if (FAILED(CLSIDFromProgID(L"Word.Application", &clsid)) ||
          FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                  reinterpret_cast<void**>(&d))))
        throw automation::errorOf(automation::err::kCantCreateObject, "Word.Application");
      word_ = Variant(com::wrapDispatch(d));
      d->Release();
      word_.get("Documents").call("Add");
      return word_.get("Version");
    });
    method("QuitWord", {}, [this](Args&) {
      word_.call("Quit", Variant(false));
      word_ = Variant();
      return Variant();
    });
    method("Fail", {}, [](Args&) -> Variant {
      throw automation::AutomationError(automation::err::kInvalidCall, "refused", "VerolinActivex.Fail");
    });
  }

 private:
  Variant word_;
};

class Factory final : public com::SingleInterface<IClassFactory, IID_IClassFactory> {
 public:
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (outer) return CLASS_E_NOAGGREGATION;
    IDispatch* d = com::serveObject(std::make_shared<PageControl>());
    const HRESULT hr = d->QueryInterface(iid, out);
    d->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

bool setKey(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
  HKEY h = nullptr;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr) !=
      ERROR_SUCCESS)
    return false;
  const bool ok = RegSetValueExW(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
  RegCloseKey(h);
  return ok;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) module = instance;
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (clsid != kClsid) return CLASS_E_CLASSNOTAVAILABLE;
  auto* factory = new Factory();
  const HRESULT hr = factory->QueryInterface(iid, out);
  factory->Release();
  return hr;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(module, path, MAX_PATH);
  const std::wstring clsidKey = std::wstring(L"CLSID\\") + kClsidText;
  const bool ok = setKey(std::wstring(kProgId) + L"\\CLSID", nullptr, kClsidText) &&
                  setKey(clsidKey + L"\\InprocServer32", nullptr, path) &&
                  setKey(clsidKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
  return ok ? S_OK : SELFREG_E_CLASS;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  RegDeleteTreeW(HKEY_CLASSES_ROOT, kProgId);
  RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + kClsidText).c_str());
  return S_OK;
}
