// VerolinSystem.ocx embedded as a browser embeds it: a small container of our own (client site, in-place
// site, frame, a top-level window) creates the control by ProgID, passes <param> values, in-place
// activates it, resizes and draws it, asks about safety, class information and events, and closes it.
#include <objbase.h>
#include <objsafe.h>
#include <ocidl.h>
#include <olectl.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "com/variant.h"
#include "control/registration.h"
#include "windows/ole_page.h"

namespace verolin::com {
namespace {

// build-win/tests/windows/x.exe -> build-win/VerolinSystem.ocx
std::wstring ocxPath() {
  wchar_t exe[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring path(exe);
  for (int up = 0; up < 3; ++up) path.resize(path.find_last_of(L'\\'));
  return path + L"\\VerolinSystem.ocx";
}

HRESULT callExport(const char* name) {
  static HMODULE module = LoadLibraryW(ocxPath().c_str());
  auto f =
      reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  return f ? f() : E_NOTIMPL;
}

GUID guidOf(const char* text) {
  GUID id{};
  CLSIDFromString(toWide(text).c_str(), &id);
  return id;
}

template <typename T>
T* query(IUnknown* from, REFIID iid) {
  T* out = nullptr;
  return SUCCEEDED(from->QueryInterface(iid, reinterpret_cast<void**>(&out))) ? out : nullptr;
}

// The page of these tests: an 800 × 600 window holding the control at a rectangle of its own.
class Container final : public OlePage {
 public:
  Container() : OlePage(L"VerolinTestPage", L"page", 800, 600) { position = {10, 20, 330, 260}; }
};

// The <param> values of the page, read by name in any case as a browser's bag does.
class ParamBag final : public IPropertyBag {
 public:
  explicit ParamBag(std::map<std::wstring, std::wstring> values) : values_(std::move(values)) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = (iid == IID_IUnknown || iid == IID_IPropertyBag) ? this : nullptr;
    return *out ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override {
    if (!name || !value) return E_POINTER;
    for (const auto& [key, text] : values_) {
      if (CompareStringOrdinal(key.c_str(), -1, name, -1, TRUE) != CSTR_EQUAL) continue;
      VariantClear(value);
      if (text == kArray) {
        // A value no property can take: a list of strings.
        value->vt = VT_ARRAY | VT_BSTR;
        value->parray = SafeArrayCreateVector(VT_BSTR, 0, 2);
        return S_OK;
      }
      value->vt = VT_BSTR;
      value->bstrVal = SysAllocString(text.c_str());
      return S_OK;
    }
    return E_INVALIDARG;
  }
  static constexpr const wchar_t* kArray = L"<array>";
  HRESULT STDMETHODCALLTYPE Write(LPCOLESTR, VARIANT*) override { return E_NOTIMPL; }

 private:
  std::map<std::wstring, std::wstring> values_;
};

// The container's error log: what Load could not set.
class ErrorLog final : public IErrorLog {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = (iid == IID_IUnknown || iid == IID_IErrorLog) ? this : nullptr;
    return *out ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE AddError(LPCOLESTR name, EXCEPINFO* info) override {
    names.push_back(fromWide(name ? name : L""));
    codes.push_back(info ? info->scode : S_OK);
    return S_OK;
  }
  std::vector<std::string> names;
  std::vector<SCODE> codes;
};

// A container's view of the object: counts the closes and view changes it is told of.
class ObjectSink final : public IAdviseSink {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = (iid == IID_IUnknown || iid == IID_IAdviseSink) ? this : nullptr;
    if (!*out) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
  void STDMETHODCALLTYPE OnDataChange(FORMATETC*, STGMEDIUM*) override {}
  void STDMETHODCALLTYPE OnViewChange(DWORD, LONG) override { ++views; }
  void STDMETHODCALLTYPE OnRename(IMoniker*) override {}
  void STDMETHODCALLTYPE OnSave() override {}
  void STDMETHODCALLTYPE OnClose() override { ++closes; }
  std::atomic<long> references{0};
  int closes = 0;
  int views = 0;
};

// An event sink that is only an IDispatch, as a page's script engine offers; counts its references.
class Sink final : public IDispatch {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = (iid == IID_IUnknown || iid == IID_IDispatch) ? this : nullptr;
    if (!*out) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return S_OK;
  }
  std::atomic<long> references{0};
};

// Answers the control's message boxes and records the window each belongs to.
class OwnerRecorder {
 public:
  OwnerRecorder() : thread_([this] { run(); }) {}
  ~OwnerRecorder() {
    stop_ = true;
    thread_.join();
  }
  std::vector<HWND> owners() {
    std::lock_guard lock(mutex_);
    return owners_;
  }

 private:
  static BOOL CALLBACK visit(HWND h, LPARAM self) {
    DWORD process = 0;
    GetWindowThreadProcessId(h, &process);
    wchar_t cls[16] = {};
    GetClassNameW(h, cls, 16);
    if (process != GetCurrentProcessId() || std::wstring(cls) != L"#32770" || !IsWindowVisible(h))
      return TRUE;
    auto* me = reinterpret_cast<OwnerRecorder*>(self);
    {
      std::lock_guard lock(me->mutex_);
      for (HWND seen : me->answered_) {
        if (seen == h) return TRUE;
      }
      me->answered_.push_back(h);
      me->owners_.push_back(GetWindow(h, GW_OWNER));
    }
    PostMessageW(h, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return TRUE;
  }
  void run() {
    while (!stop_) {
      EnumWindows(visit, reinterpret_cast<LPARAM>(this));
      Sleep(30);
    }
  }
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<HWND> answered_;
  std::vector<HWND> owners_;
  std::thread thread_;
};

SIZE clientSize(HWND w) {
  RECT r{};
  GetClientRect(w, &r);
  return SIZE{r.right, r.bottom};
}

BSTR readProperty(IDispatch* d, const wchar_t* name) {
  LPOLESTR n = const_cast<LPOLESTR>(name);
  DISPID id = 0;
  if (FAILED(d->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id))) return nullptr;
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  VARIANT out;
  VariantInit(&out);
  if (FAILED(d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &out, nullptr,
                       nullptr)) ||
      out.vt != VT_BSTR) {
    VariantClear(&out);
    return nullptr;
  }
  return out.bstrVal;
}

// Calls the control's Menu, which (without a word processor) answers with a message box.
HRESULT showBoxFrom(IUnknown* object) {
  auto* dispatch = query<IDispatch>(object, IID_IDispatch);
  if (!dispatch) return E_NOINTERFACE;
  LPOLESTR name = const_cast<LPOLESTR>(L"Menu");
  DISPID id = 0;
  HRESULT hr = dispatch->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  if (SUCCEEDED(hr))
    hr = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr, nullptr,
                          nullptr);
  dispatch->Release();
  return hr;
}

class OleTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(callExport("DllRegisterServer"), S_OK); }
  void SetUp() override {
    CLSID clsid;
    ASSERT_EQ(CLSIDFromProgID(toWide(control::kProgId).c_str(), &clsid), S_OK);
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                               reinterpret_cast<void**>(&object_)),
              S_OK);
  }
  void TearDown() override {
    if (object_) {
      object_->Close(OLECLOSE_NOSAVE);
      object_->SetClientSite(nullptr);
      object_->Release();
    }
    CoFreeUnusedLibraries();
  }

  IOleObject* object_ = nullptr;
  Container page_;
  OwnerRecorder boxes_;
};

TEST_F(OleTest, SitedWithParamsActivatedInPlaceResizedDrawnAndClosed) {
  DWORD status = 0;
  ASSERT_EQ(object_->GetMiscStatus(DVASPECT_CONTENT, &status), S_OK);
  EXPECT_EQ(status, static_cast<DWORD>(OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE |
                                       OLEMISC_INSIDEOUT | OLEMISC_RECOMPOSEONRESIZE));
  // Created alone, the control has a window at the top level; sited in a page, it is out of sight.
  const HWND own = FindWindowW(nullptr, L"VerolinActivex");
  ASSERT_TRUE(IsWindow(own));
  EXPECT_TRUE(GetWindowLongPtrW(own, GWL_STYLE) & WS_VISIBLE);
  ASSERT_EQ(object_->SetClientSite(&page_), S_OK);
  EXPECT_FALSE(GetWindowLongPtrW(own, GWL_STYLE) & WS_VISIBLE);
  IOleClientSite* site = nullptr;
  ASSERT_EQ(object_->GetClientSite(&site), S_OK);
  EXPECT_EQ(site, static_cast<IOleClientSite*>(&page_));
  site->Release();

  // <param> values: settable properties by name in any case; others are left alone.
  auto* persist = query<IPersistPropertyBag>(object_, IID_IPersistPropertyBag);
  ASSERT_NE(persist, nullptr);
  ASSERT_EQ(persist->InitNew(), S_OK);
  ParamBag bag({{L"serverfilepath", L"http://127.0.0.1/files/a.doc"},
                {L"GetSetType", L"2"},
                {L"CheckSign", L"1"},
                {L"NoSuchParam", L"x"}});
  ASSERT_EQ(persist->Load(&bag, nullptr), S_OK);
  persist->Release();
  auto* dispatch = query<IDispatch>(object_, IID_IDispatch);
  ASSERT_NE(dispatch, nullptr);
  BSTR path = readProperty(dispatch, L"ServerFilePath");
  EXPECT_EQ(fromBstr(path), "http://127.0.0.1/files/a.doc");
  SysFreeString(path);
  BSTR type = readProperty(dispatch, L"GetSetType");
  EXPECT_EQ(fromBstr(type), "2");
  SysFreeString(type);

  // In place: a child of the page's window with the rectangle the page gave.
  ASSERT_EQ(object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &page_, 0, page_.window, &page_.position),
            S_OK);
  EXPECT_EQ(page_.activations, 1);
  auto* inPlace = query<IOleInPlaceObject>(object_, IID_IOleInPlaceObject);
  ASSERT_NE(inPlace, nullptr);
  HWND window = nullptr;
  ASSERT_EQ(inPlace->GetWindow(&window), S_OK);
  ASSERT_TRUE(IsWindow(window));
  EXPECT_EQ(GetParent(window), page_.window);
  EXPECT_TRUE(GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD);
  RECT placed{};
  GetWindowRect(window, &placed);
  MapWindowPoints(HWND_DESKTOP, page_.window, reinterpret_cast<POINT*>(&placed), 2);
  EXPECT_EQ(placed.left, 10);
  EXPECT_EQ(placed.top, 20);
  EXPECT_EQ(clientSize(window).cx, 320);
  EXPECT_EQ(clientSize(window).cy, 240);
  // The control's own window fills ours.
  HWND inner = GetWindow(window, GW_CHILD);
  EXPECT_EQ(inner, own);
  ASSERT_TRUE(IsWindow(inner));
  EXPECT_TRUE(GetWindowLongPtrW(inner, GWL_STYLE) & WS_VISIBLE);
  EXPECT_EQ(clientSize(inner).cx, 320);

  // Resizing moves and sizes the window; the extent follows (HIMETRIC of the pixels at 96 dpi).
  const RECT bigger{0, 0, 400, 300};
  ASSERT_EQ(inPlace->SetObjectRects(&bigger, &bigger), S_OK);
  EXPECT_EQ(clientSize(window).cx, 400);
  EXPECT_EQ(clientSize(window).cy, 300);
  EXPECT_EQ(clientSize(inner).cy, 300);
  SIZEL extent{};
  ASSERT_EQ(object_->GetExtent(DVASPECT_CONTENT, &extent), S_OK);
  // A page that sizes the window itself is followed as well.
  MoveWindow(window, 0, 0, 200, 100, TRUE);
  EXPECT_EQ(clientSize(inner).cx, 200);
  EXPECT_EQ(clientSize(inner).cy, 100);
  MoveWindow(window, 0, 0, 400, 300, TRUE);
  EXPECT_EQ(extent.cx, 400L * 15 * 2540 / 1440);
  EXPECT_EQ(extent.cy, 300L * 15 * 2540 / 1440);

  // A message box of the control now belongs to the page's window (its top-level owner).
  EXPECT_EQ(showBoxFrom(object_), S_OK);
  const auto owners = boxes_.owners();
  ASSERT_EQ(owners.size(), 1u);
  EXPECT_EQ(owners[0], page_.window);

  // UI activation makes the control the frame's active object.
  ASSERT_EQ(object_->DoVerb(OLEIVERB_UIACTIVATE, nullptr, &page_, 0, page_.window, &bigger), S_OK);
  EXPECT_NE(page_.active, nullptr);
  EXPECT_EQ(page_.activations, 1);  // still the same window
  auto* active = query<IOleInPlaceActiveObject>(object_, IID_IOleInPlaceActiveObject);
  ASSERT_NE(active, nullptr);
  MSG message{};
  EXPECT_EQ(active->TranslateAccelerator(&message), S_FALSE);
  EXPECT_EQ(active->OnFrameWindowActivate(TRUE), S_OK);
  active->Release();

  // The face drawn into a memory device context: the background where there is no status strip.
  auto* view = query<IViewObject2>(object_, IID_IViewObject2);
  ASSERT_NE(view, nullptr);
  const HDC screen = GetDC(nullptr);
  const HDC memory = CreateCompatibleDC(screen);
  const HBITMAP bitmap = CreateCompatibleBitmap(screen, 200, 150);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  RECT black{0, 0, 200, 150};
  FillRect(memory, &black, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  const RECTL bounds{0, 0, 200, 150};
  EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, memory, &bounds, nullptr, nullptr, 0),
            S_OK);
  EXPECT_EQ(GetPixel(memory, 20, 20), GetPixel(memory, 180, 130));
  EXPECT_NE(GetPixel(memory, 20, 20), RGB(0, 0, 0));
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  SIZEL viewExtent{};
  EXPECT_EQ(view->GetExtent(DVASPECT_CONTENT, -1, nullptr, &viewExtent), S_OK);
  EXPECT_EQ(viewExtent.cx, extent.cx);
  view->Release();

  // Close takes the window away (and the control's own with it once released) and tells the page.
  ObjectSink watcher;
  DWORD watch = 0;
  ASSERT_EQ(object_->Advise(&watcher, &watch), S_OK);
  ASSERT_EQ(object_->Close(OLECLOSE_NOSAVE), S_OK);
  EXPECT_EQ(watcher.closes, 1);
  EXPECT_EQ(object_->Unadvise(watch), S_OK);
  EXPECT_EQ(watcher.references, 0);
  EXPECT_NE(object_->Unadvise(watch), S_OK);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(page_.deactivations, 1);
  EXPECT_EQ(page_.active, nullptr);
  EXPECT_EQ(inPlace->GetWindow(&window), E_FAIL);
  inPlace->Release();
  EXPECT_EQ(object_->SetClientSite(nullptr), S_OK);
  EXPECT_EQ(page_.references, 0);  // every reference to the page was given back
  dispatch->Release();
  EXPECT_EQ(object_->Release(), 0u);
  object_ = nullptr;
  EXPECT_FALSE(IsWindow(inner));
  EXPECT_EQ(callExport("DllCanUnloadNow"), S_OK);
}

// A container that draws the control itself (printing, an inactive view) learns when to draw it again.
TEST_F(OleTest, AViewSinkIsToldOfEachChangeOfExtent) {
  auto* view = query<IViewObject2>(object_, IID_IViewObject2);
  ObjectSink sink;
  ASSERT_EQ(view->SetAdvise(DVASPECT_CONTENT, ADVF_PRIMEFIRST, &sink), S_OK);
  EXPECT_EQ(sink.views, 1) << "asked to be told at once";
  SIZEL size{5000, 3000};
  ASSERT_EQ(object_->SetExtent(DVASPECT_CONTENT, &size), S_OK);
  EXPECT_EQ(sink.views, 2);
  ASSERT_EQ(object_->SetExtent(DVASPECT_CONTENT, &size), S_OK);
  EXPECT_EQ(sink.views, 2) << "the same extent again changes nothing";

  ObjectSink once;
  ASSERT_EQ(view->SetAdvise(DVASPECT_CONTENT, ADVF_ONLYONCE, &once), S_OK);
  EXPECT_EQ(sink.references, 0) << "the sink it replaced was given back";
  EXPECT_EQ(once.views, 0);
  size.cx = 6000;
  ASSERT_EQ(object_->SetExtent(DVASPECT_CONTENT, &size), S_OK);
  EXPECT_EQ(once.views, 1);
  EXPECT_EQ(once.references, 0) << "a sink for one change is given back after it";
  size.cx = 7000;
  ASSERT_EQ(object_->SetExtent(DVASPECT_CONTENT, &size), S_OK);
  EXPECT_EQ(once.views, 1);
  IAdviseSink* left = nullptr;
  EXPECT_EQ(view->GetAdvise(nullptr, nullptr, &left), S_OK);
  EXPECT_EQ(left, nullptr);
  view->Release();
}

TEST_F(OleTest, ReleasedWhileActiveLeavesThePageWithoutClose) {
  ASSERT_EQ(object_->SetClientSite(&page_), S_OK);
  ASSERT_EQ(object_->DoVerb(OLEIVERB_UIACTIVATE, nullptr, &page_, 0, page_.window, &page_.position), S_OK);
  HWND window = GetWindow(page_.window, GW_CHILD);
  ASSERT_TRUE(IsWindow(window));
  page_.object = object_;
  EXPECT_EQ(object_->Release(), 0u);
  object_ = nullptr;
  EXPECT_EQ(page_.deactivations, 1);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(page_.active, nullptr);
  EXPECT_EQ(page_.references, 0);
  EXPECT_EQ(callExport("DllCanUnloadNow"), S_OK);
}

TEST_F(OleTest, DeactivatedAndActivatedAgainWithTheSameControlWindow) {
  ASSERT_EQ(object_->SetClientSite(&page_), S_OK);
  ASSERT_EQ(object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &page_, 0, page_.window, &page_.position),
            S_OK);
  auto* inPlace = query<IOleInPlaceObject>(object_, IID_IOleInPlaceObject);
  ASSERT_NE(inPlace, nullptr);
  HWND first = nullptr;
  ASSERT_EQ(inPlace->GetWindow(&first), S_OK);
  const HWND inner = GetWindow(first, GW_CHILD);
  ASSERT_TRUE(IsWindow(inner));
  ASSERT_EQ(inPlace->InPlaceDeactivate(), S_OK);
  EXPECT_FALSE(IsWindow(first));
  // The control's own window outlives its page window, hidden at the top level.
  ASSERT_TRUE(IsWindow(inner));
  EXPECT_EQ(GetAncestor(inner, GA_PARENT), GetDesktopWindow());
  EXPECT_FALSE(GetWindowLongPtrW(inner, GWL_STYLE) & WS_VISIBLE);
  const RECT again{5, 5, 105, 55};
  page_.position = again;
  ASSERT_EQ(object_->DoVerb(OLEIVERB_SHOW, nullptr, &page_, 0, page_.window, &again), S_OK);
  HWND second = nullptr;
  ASSERT_EQ(inPlace->GetWindow(&second), S_OK);
  EXPECT_EQ(GetParent(second), page_.window);
  EXPECT_EQ(GetParent(inner), second);
  EXPECT_TRUE(GetWindowLongPtrW(inner, GWL_STYLE) & WS_VISIBLE);  // the page itself is never shown
  EXPECT_EQ(clientSize(inner).cx, 100);
  EXPECT_EQ(clientSize(inner).cy, 50);
  EXPECT_EQ(page_.activations, 2);
  inPlace->Release();
}

TEST_F(OleTest, TheLatestActiveControlOwnsTheBoxesAndTheOneBeforeTakesOver) {
  Container otherPage;
  IOleObject* other = nullptr;
  CLSID clsid;
  ASSERT_EQ(CLSIDFromProgID(toWide(control::kProgId).c_str(), &clsid), S_OK);
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                             reinterpret_cast<void**>(&other)),
            S_OK);
  ASSERT_EQ(object_->SetClientSite(&page_), S_OK);
  ASSERT_EQ(other->SetClientSite(&otherPage), S_OK);
  ASSERT_EQ(object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &page_, 0, page_.window, &page_.position),
            S_OK);
  ASSERT_EQ(
      other->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &otherPage, 0, otherPage.window, &otherPage.position),
      S_OK);
  EXPECT_EQ(showBoxFrom(object_), S_OK);
  ASSERT_EQ(other->Close(OLECLOSE_NOSAVE), S_OK);
  EXPECT_EQ(showBoxFrom(object_), S_OK);
  ASSERT_EQ(object_->Close(OLECLOSE_NOSAVE), S_OK);
  EXPECT_EQ(showBoxFrom(object_), S_OK);
  const auto owners = boxes_.owners();
  ASSERT_EQ(owners.size(), 3u);
  EXPECT_EQ(owners[0], otherPage.window);
  EXPECT_EQ(owners[1], page_.window);
  EXPECT_EQ(owners[2], nullptr);
  other->SetClientSite(nullptr);
  other->Release();
}

TEST_F(OleTest, AParamTheControlRefusesIsLoggedAndTheOthersAreStillSet) {
  auto* persist = query<IPersistPropertyBag>(object_, IID_IPersistPropertyBag);
  ASSERT_NE(persist, nullptr);
  ParamBag bag({{L"LocalFile", ParamBag::kArray}, {L"ActiveForm", L"https://127.0.0.1/exchange.aspx"}});
  ErrorLog log;
  EXPECT_EQ(persist->Load(&bag, &log), DISP_E_TYPEMISMATCH);
  ASSERT_EQ(log.names.size(), 1u);
  EXPECT_EQ(log.names[0], "LocalFile");
  EXPECT_EQ(log.codes[0], DISP_E_TYPEMISMATCH);
  persist->Release();
  auto* dispatch = query<IDispatch>(object_, IID_IDispatch);
  ASSERT_NE(dispatch, nullptr);
  BSTR form = readProperty(dispatch, L"ActiveForm");
  EXPECT_EQ(fromBstr(form), "https://127.0.0.1/exchange.aspx");
  SysFreeString(form);
  BSTR file = readProperty(dispatch, L"LocalFile");
  EXPECT_EQ(fromBstr(file), "");
  SysFreeString(file);
  dispatch->Release();
}

TEST_F(OleTest, EveryInterfaceLeadsBackToOneIdentity) {
  IUnknown* identity = query<IUnknown>(object_, IID_IUnknown);
  ASSERT_NE(identity, nullptr);
  const IID interfaces[] = {IID_IDispatch,
                            guidOf(control::kInterfaceId),
                            IID_IOleObject,
                            IID_IOleWindow,
                            IID_IOleInPlaceObject,
                            IID_IOleInPlaceActiveObject,
                            IID_IViewObject,
                            IID_IViewObject2,
                            IID_IPersist,
                            IID_IPersistPropertyBag,
                            IID_IPersistStreamInit,
                            IID_IObjectSafety,
                            IID_IProvideClassInfo,
                            IID_IProvideClassInfo2,
                            IID_IConnectionPointContainer};
  for (const IID& iid : interfaces) {
    IUnknown* part = query<IUnknown>(object_, iid);
    ASSERT_NE(part, nullptr);
    IUnknown* back = query<IUnknown>(part, IID_IUnknown);
    EXPECT_EQ(back, identity);
    // Each interface answers for every other one too.
    auto* again = query<IUnknown>(part, IID_IOleObject);
    EXPECT_NE(again, nullptr);
    if (again) again->Release();
    back->Release();
    part->Release();
  }
  EXPECT_EQ(query<IUnknown>(object_, IID_IOleCache), nullptr);
  identity->Release();
}

TEST_F(OleTest, SafeForScriptingAndInitialisationWithClassInfoAndEventConnections) {
  auto* safety = query<IObjectSafety>(object_, IID_IObjectSafety);
  ASSERT_NE(safety, nullptr);
  const DWORD both = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;
  for (const IID& iid : {IID_IDispatch, IID_IPersistPropertyBag}) {
    DWORD supported = 0, enabled = 0;
    ASSERT_EQ(safety->GetInterfaceSafetyOptions(iid, &supported, &enabled), S_OK);
    EXPECT_EQ(supported, both);
    ASSERT_EQ(safety->SetInterfaceSafetyOptions(iid, both, both), S_OK);
    ASSERT_EQ(safety->GetInterfaceSafetyOptions(iid, &supported, &enabled), S_OK);
    EXPECT_EQ(enabled, both);
  }
  // A safety the control does not offer is refused, and one it has nothing to do with is not known.
  EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, INTERFACE_USES_DISPEX, INTERFACE_USES_DISPEX),
            E_FAIL);
  DWORD supported = 0, enabled = 0;
  EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IOleObject, &supported, &enabled), E_NOINTERFACE);
  safety->Release();

  auto* info = query<IProvideClassInfo2>(object_, IID_IProvideClassInfo2);
  ASSERT_NE(info, nullptr);
  ITypeInfo* coclass = nullptr;
  ASSERT_EQ(info->GetClassInfo(&coclass), S_OK);
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(coclass->GetTypeAttr(&attr), S_OK);
  EXPECT_EQ(attr->typekind, TKIND_COCLASS);
  EXPECT_EQ(attr->guid, guidOf(control::kClassId));
  coclass->ReleaseTypeAttr(attr);
  coclass->Release();
  GUID events{};
  ASSERT_EQ(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events), S_OK);
  EXPECT_EQ(events, guidOf(control::kEventInterfaceId));
  info->Release();

  auto* container = query<IConnectionPointContainer>(object_, IID_IConnectionPointContainer);
  ASSERT_NE(container, nullptr);
  IConnectionPoint* point = nullptr;
  ASSERT_EQ(container->FindConnectionPoint(events, &point), S_OK);
  IID pointIid{};
  ASSERT_EQ(point->GetConnectionInterface(&pointIid), S_OK);
  EXPECT_EQ(pointIid, events);
  Sink first, second;
  DWORD cookie1 = 0, cookie2 = 0;
  ASSERT_EQ(point->Advise(&first, &cookie1), S_OK);
  ASSERT_EQ(point->Advise(&second, &cookie2), S_OK);
  EXPECT_NE(cookie1, cookie2);
  EXPECT_EQ(first.references, 1);
  // The connections are listed as they were when asked for; the list holds each sink until it goes.
  IEnumConnections* connections = nullptr;
  ASSERT_EQ(point->EnumConnections(&connections), S_OK);
  CONNECTDATA data[3] = {};
  ULONG got = 0;
  EXPECT_EQ(connections->Next(3, data, &got), S_FALSE);
  ASSERT_EQ(got, 2u);
  EXPECT_EQ(data[0].dwCookie, cookie1);
  EXPECT_EQ(data[1].dwCookie, cookie2);
  EXPECT_EQ(data[0].pUnk, static_cast<IUnknown*>(&first));
  EXPECT_EQ(first.references, 3) << "the control's, the list's and the one handed out";
  data[0].pUnk->Release();
  data[1].pUnk->Release();
  EXPECT_EQ(connections->Skip(1), S_FALSE);
  ASSERT_EQ(connections->Reset(), S_OK);
  IEnumConnections* rest = nullptr;
  ASSERT_EQ(connections->Clone(&rest), S_OK);
  EXPECT_EQ(rest->Skip(1), S_OK);
  EXPECT_EQ(rest->Next(1, data, nullptr), S_OK);
  EXPECT_EQ(data[0].dwCookie, cookie2);
  data[0].pUnk->Release();
  EXPECT_EQ(rest->Next(1, data, nullptr), S_FALSE);
  EXPECT_EQ(connections->Next(2, data, nullptr), E_POINTER);
  EXPECT_EQ(point->EnumConnections(nullptr), E_POINTER);
  rest->Release();
  connections->Release();
  EXPECT_EQ(first.references, 1);
  // Another copy of the point sees the same connections.
  IConnectionPoint* again = nullptr;
  ASSERT_EQ(container->FindConnectionPoint(events, &again), S_OK);
  EXPECT_EQ(again->Unadvise(cookie1), S_OK);
  EXPECT_EQ(first.references, 0);
  EXPECT_EQ(point->Unadvise(cookie1), CONNECT_E_NOCONNECTION);
  again->Release();
  point->Release();
  // The list of points holds the one point, once per pass.
  IEnumConnectionPoints* list = nullptr;
  ASSERT_EQ(container->EnumConnectionPoints(&list), S_OK);
  IConnectionPoint* listed[2] = {};
  ULONG fetched = 0;
  EXPECT_EQ(list->Next(2, listed, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 1u);
  IID listedIid{};
  ASSERT_EQ(listed[0]->GetConnectionInterface(&listedIid), S_OK);
  EXPECT_EQ(listedIid, events);
  listed[0]->Release();
  EXPECT_EQ(list->Next(1, listed, nullptr), S_FALSE);
  IEnumConnectionPoints* copy = nullptr;
  ASSERT_EQ(list->Reset(), S_OK);
  ASSERT_EQ(list->Clone(&copy), S_OK);
  EXPECT_EQ(copy->Skip(1), S_OK);
  EXPECT_EQ(copy->Skip(1), S_FALSE);
  EXPECT_EQ(list->Next(1, listed, nullptr), S_OK);
  listed[0]->Release();
  EXPECT_EQ(list->Next(2, listed, nullptr), E_POINTER);
  copy->Release();
  list->Release();
  container->Release();
  // The sink still connected is let go with the control.
  object_->Release();
  object_ = nullptr;
  EXPECT_EQ(second.references, 0);
}

TEST_F(OleTest, BadArgumentsAreRefusedNotFollowed) {
  EXPECT_EQ(object_->GetClientSite(nullptr), E_POINTER);
  EXPECT_EQ(object_->SetExtent(DVASPECT_CONTENT, nullptr), E_POINTER);
  EXPECT_EQ(object_->GetExtent(DVASPECT_CONTENT, nullptr), E_POINTER);
  SIZEL size{100, 100};
  EXPECT_EQ(object_->GetExtent(DVASPECT_ICON, &size), DV_E_DVASPECT);
  SIZEL negative{-1, 100};
  EXPECT_EQ(object_->SetExtent(DVASPECT_CONTENT, &negative), E_INVALIDARG);
  EXPECT_EQ(object_->GetMiscStatus(DVASPECT_CONTENT, nullptr), E_POINTER);
  EXPECT_EQ(object_->Advise(nullptr, nullptr), E_POINTER);
  EXPECT_EQ(object_->GetUserClassID(nullptr), E_POINTER);
  EXPECT_EQ(object_->EnumVerbs(nullptr), E_POINTER);
  EXPECT_EQ(object_->GetUserType(USERCLASSTYPE_FULL, nullptr), E_POINTER);
  // A site that cannot take the control in place is told so; nothing was activated.
  Container drawOnly;
  drawOnly.inPlace = false;
  EXPECT_EQ(object_->DoVerb(OLEIVERB_SHOW, nullptr, &drawOnly, 0, nullptr, nullptr), E_NOINTERFACE);
  EXPECT_EQ(drawOnly.references, 0);
  // Activation needs a site to go into.
  EXPECT_EQ(object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, nullptr, 0, nullptr, nullptr), E_UNEXPECTED);

  auto* inPlace = query<IOleInPlaceObject>(object_, IID_IOleInPlaceObject);
  ASSERT_NE(inPlace, nullptr);
  EXPECT_EQ(inPlace->GetWindow(nullptr), E_POINTER);
  HWND window = nullptr;
  EXPECT_EQ(inPlace->GetWindow(&window), E_FAIL);  // not active
  EXPECT_EQ(inPlace->SetObjectRects(nullptr, nullptr), E_POINTER);
  const RECT inverted{100, 100, 0, 0};
  EXPECT_EQ(inPlace->SetObjectRects(&inverted, &inverted), E_INVALIDARG);
  EXPECT_EQ(inPlace->InPlaceDeactivate(), S_OK);  // nothing to do
  inPlace->Release();

  auto* view = query<IViewObject2>(object_, IID_IViewObject2);
  ASSERT_NE(view, nullptr);
  const RECTL bounds{0, 0, 10, 10};
  EXPECT_EQ(
      view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, nullptr, &bounds, nullptr, nullptr, 0),
      E_INVALIDARG);
  const HDC memory = CreateCompatibleDC(nullptr);
  EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, memory, nullptr, nullptr, nullptr, 0),
            E_INVALIDARG);
  EXPECT_EQ(view->Draw(DVASPECT_ICON, -1, nullptr, nullptr, nullptr, memory, &bounds, nullptr, nullptr, 0),
            DV_E_DVASPECT);
  DeleteDC(memory);
  EXPECT_EQ(view->GetExtent(DVASPECT_CONTENT, -1, nullptr, nullptr), E_POINTER);
  view->Release();

  auto* bag = query<IPersistPropertyBag>(object_, IID_IPersistPropertyBag);
  ASSERT_NE(bag, nullptr);
  EXPECT_EQ(bag->Load(nullptr, nullptr), E_POINTER);
  EXPECT_EQ(bag->GetClassID(nullptr), E_POINTER);
  bag->Release();
  auto* stream = query<IPersistStreamInit>(object_, IID_IPersistStreamInit);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(stream->Load(nullptr), E_POINTER);
  EXPECT_EQ(stream->GetSizeMax(nullptr), E_POINTER);
  stream->Release();

  auto* safety = query<IObjectSafety>(object_, IID_IObjectSafety);
  ASSERT_NE(safety, nullptr);
  DWORD supported = 0;
  EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, nullptr), E_POINTER);
  safety->Release();

  auto* info = query<IProvideClassInfo2>(object_, IID_IProvideClassInfo2);
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->GetClassInfo(nullptr), E_POINTER);
  EXPECT_EQ(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, nullptr), E_POINTER);
  GUID id{};
  EXPECT_EQ(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID + 7, &id), E_INVALIDARG);
  info->Release();

  auto* container = query<IConnectionPointContainer>(object_, IID_IConnectionPointContainer);
  ASSERT_NE(container, nullptr);
  EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, nullptr), E_POINTER);
  EXPECT_EQ(container->EnumConnectionPoints(nullptr), E_POINTER);
  IConnectionPoint* point = nullptr;
  EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, &point), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(point, nullptr);
  ASSERT_EQ(container->FindConnectionPoint(guidOf(control::kEventInterfaceId), &point), S_OK);
  DWORD cookie = 0;
  EXPECT_EQ(point->Advise(nullptr, &cookie), E_POINTER);
  Sink sink;
  EXPECT_EQ(point->Advise(&sink, nullptr), E_POINTER);
  EXPECT_EQ(point->Unadvise(12345), CONNECT_E_NOCONNECTION);
  // A sink that is neither the event interface nor a dispatch interface cannot connect.
  EXPECT_EQ(point->Advise(static_cast<IOleClientSite*>(&page_), &cookie), CONNECT_E_CANNOTCONNECT);
  point->Release();
  container->Release();
}

}  // namespace
}  // namespace verolin::com
