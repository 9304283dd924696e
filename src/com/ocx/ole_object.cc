// The control as an embeddable object: siting, in-place activation, drawing, <param> values, safety,
// class information and the event connection point.
#include "com/ocx/ole_object.h"
#include "com/unknown.h"

#include <olectl.h>

#include <algorithm>
#include <atomic>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "com/ocx/server.h"
#include "com/variant.h"

namespace verolin::com::ocx {
namespace {

constexpr wchar_t kWindowClass[] = L"VerolinActivexSite";
constexpr DWORD kSafety = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;
// HIMETRIC per twip: 2540 per inch over 1440.
constexpr long himetricOfTwips(long twips) {
  return twips * 2540 / 1440;
}

template <typename T>
void releaseInto(T*& p) {
  if (p) p->Release();
  p = nullptr;
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* owner = reinterpret_cast<OleControl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_PAINT && owner) {
    PAINTSTRUCT ps;
    const HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    owner->paint(dc, client);
    EndPaint(window, &ps);
    return 0;
  }
  // A container may size the window itself rather than through SetObjectRects; the layout follows.
  if (message == WM_SIZE && owner) owner->fitControl();
  return DefWindowProcW(window, message, wparam, lparam);
}

bool registerWindowClass() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (GetClassInfoExW(moduleHandle(), kWindowClass, &wc)) return true;
  wc.lpfnWndProc = windowProc;
  wc.hInstance = moduleHandle();
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kWindowClass;
  return RegisterClassExW(&wc) != 0;
}

// The interfaces whose callers the control is safe for: its dispatch interfaces and its persistence.
bool safetyApplies(REFIID iid) {
  return iid == IID_IDispatch || iid == interfaceId() || iid == IID_IPersistPropertyBag ||
         iid == IID_IPersistStreamInit;
}

// The in-place windows of the thread's controls, the latest last. A plain pointer: a thread-local
// object with a destructor would leave the thread's exit calling into this module after COM unloaded it.
thread_local std::vector<HWND>* tActive = nullptr;

// The latest active control's window owns the thread's boxes; when it goes, the one before takes over.
void enterActive(HWND window) {
  if (!tActive) tActive = new std::vector<HWND>;
  tActive->push_back(window);
  threadServices().setBoxOwner(window);
}

void leaveActive(HWND window) {
  if (!tActive) return;
  std::erase(*tActive, window);
  threadServices().setBoxOwner(tActive->empty() ? nullptr : tActive->back());
  if (tActive->empty()) {
    delete tActive;
    tActive = nullptr;
  }
}

}  // namespace

void unregisterOleWindowClass() {
  UnregisterClassW(kWindowClass, moduleHandle());
}

namespace {

IUnknown* unknownOf(IConnectionPoint* point) {
  return point;
}
IUnknown* unknownOf(const CONNECTDATA& connection) {
  return connection.pUnk;
}

// A COM list (IEnumConnectionPoints, IEnumConnections) of what was there when it was asked for, each
// item held until the list goes; Next, Skip, Reset and Clone as COM defines them.
template <class Enum, const IID& kId, class Item>
class SnapshotList final : public SingleInterface<Enum, kId> {
 public:
  SnapshotList(std::vector<Item> items, std::size_t position)
      : items_(std::move(items)), position_(position) {
    for (const Item& item : items_) unknownOf(item)->AddRef();
  }

  HRESULT STDMETHODCALLTYPE Next(ULONG count, Item* out, ULONG* fetched) override {
    if (!out || (count != 1 && !fetched)) return E_POINTER;
    ULONG given = 0;
    for (; given < count && position_ < items_.size(); ++given, ++position_) {
      out[given] = items_[position_];
      unknownOf(out[given])->AddRef();  // the caller's to release
    }
    if (fetched) *fetched = given;
    return given == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    const std::size_t left = items_.size() - position_;
    position_ += std::min<std::size_t>(count, left);
    return count <= left ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    position_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(Enum** out) override {
    if (!out) return E_POINTER;
    *out = new (std::nothrow) SnapshotList(items_, position_);
    return *out ? S_OK : E_OUTOFMEMORY;
  }

 private:
  ~SnapshotList() {
    for (const Item& item : items_) unknownOf(item)->Release();
  }
  std::vector<Item> items_;
  std::size_t position_;
};

using ConnectionList = SnapshotList<IEnumConnections, IID_IEnumConnections, CONNECTDATA>;
using PointList = SnapshotList<IEnumConnectionPoints, IID_IEnumConnectionPoints, IConnectionPoint*>;

}  // namespace

// The one connection point, of the event interface. A small object of its own that keeps the control
// alive; the sinks live in the control, so every copy handed out sees the same connections.
class OleControl::EventPoint final : public SingleInterface<IConnectionPoint, IID_IConnectionPoint> {
 public:
  explicit EventPoint(OleControl& owner) : owner_(owner) { owner_.AddRef(); }

  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
    if (!iid) return E_POINTER;
    *iid = eventInterfaceId();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override {
    if (!out) return E_POINTER;
    *out = static_cast<IConnectionPointContainer*>(&owner_);
    (*out)->AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
    if (!sink || !cookie) return E_POINTER;
    *cookie = 0;
    // A sink of a dispatch event interface answers for that interface or at least as IDispatch.
    IUnknown* held = nullptr;
    if (FAILED(sink->QueryInterface(eventInterfaceId(), reinterpret_cast<void**>(&held))) &&
        FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&held)))) {
      return CONNECT_E_CANNOTCONNECT;
    }
    *cookie = owner_.nextCookie_++;
    owner_.sinks_[*cookie] = held;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
    auto it = owner_.sinks_.find(cookie);
    if (it == owner_.sinks_.end()) return CONNECT_E_NOCONNECTION;
    IUnknown* sink = it->second;
    owner_.sinks_.erase(it);
    sink->Release();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) override {
    if (!out) return E_POINTER;
    std::vector<CONNECTDATA> connections;
    for (const auto& [cookie, sink] : owner_.sinks_) connections.push_back(CONNECTDATA{sink, cookie});
    *out = new (std::nothrow) ConnectionList(std::move(connections), 0);
    return *out ? S_OK : E_OUTOFMEMORY;
  }

 private:
  ~EventPoint() { owner_.Release(); }
  OleControl& owner_;
};

OleControl::~OleControl() {
  // The subclass left the container already (the control is gone now); what is left is references.
  if (window_) DestroyWindow(window_);
  releaseInto(inPlaceSite_);
  releaseInto(frame_);
  releaseInto(uiWindow_);
  releaseInto(clientSite_);
  releaseInto(viewSink_);
  releaseInto(adviseHolder_);
  for (auto& [cookie, sink] : sinks_) sink->Release();
}

void* OleControl::queryMore(REFIID iid) {
  if (iid == IID_IOleObject) return static_cast<IOleObject*>(this);
  if (iid == IID_IOleWindow || iid == IID_IOleInPlaceObject) return static_cast<IOleInPlaceObject*>(this);
  if (iid == IID_IOleInPlaceActiveObject) return static_cast<IOleInPlaceActiveObject*>(this);
  if (iid == IID_IViewObject || iid == IID_IViewObject2) return static_cast<IViewObject2*>(this);
  if (iid == IID_IPersist || iid == IID_IPersistPropertyBag) return static_cast<IPersistPropertyBag*>(this);
  if (iid == IID_IPersistStreamInit) return static_cast<IPersistStreamInit*>(this);
  if (iid == IID_IObjectSafety) return static_cast<IObjectSafety*>(this);
  if (iid == IID_IProvideClassInfo || iid == IID_IProvideClassInfo2)
    return static_cast<IProvideClassInfo2*>(this);
  if (iid == IID_IConnectionPointContainer) return static_cast<IConnectionPointContainer*>(this);
  return nullptr;
}

void OleControl::leaveContainer() noexcept {
  if (inPlaceSite_) InPlaceDeactivate();
  releaseInto(clientSite_);
  releaseInto(viewSink_);
  releaseInto(adviseHolder_);
  for (auto& [cookie, sink] : sinks_) sink->Release();
  sinks_.clear();
}

// IOleObject

HRESULT OleControl::SetClientSite(IOleClientSite* site) {
  if (site) site->AddRef();
  releaseInto(clientSite_);
  clientSite_ = site;
  // An embedded control shows only inside its page: its own window, made at the top level, stays out
  // of sight until in-place activation puts it into the page's window.
  const HWND own = ownWindow();
  if (site && !window_ && IsWindow(own) && !GetParent(own)) ShowWindow(own, SW_HIDE);
  return S_OK;
}

HRESULT OleControl::GetClientSite(IOleClientSite** site) {
  if (!site) return E_POINTER;
  *site = clientSite_;
  if (clientSite_) clientSite_->AddRef();
  return S_OK;
}

HRESULT OleControl::Close(DWORD) {
  // Nothing is kept in the container's storage, so every save option closes the same way.
  if (inPlaceSite_) InPlaceDeactivate();
  if (adviseHolder_) adviseHolder_->SendOnClose();
  return S_OK;
}

HRESULT OleControl::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (!moniker) return E_POINTER;
  *moniker = nullptr;
  return E_NOTIMPL;
}

HRESULT OleControl::GetClipboardData(DWORD, IDataObject** data) {
  if (!data) return E_POINTER;
  *data = nullptr;
  return E_NOTIMPL;
}

HRESULT OleControl::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND, LPCRECT) {
  switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_INPLACEACTIVATE:
      return activate(site ? site : clientSite_, false);
    case OLEIVERB_UIACTIVATE:
      return activate(site ? site : clientSite_, true);
    case OLEIVERB_HIDE:
      if (window_) ShowWindow(window_, SW_HIDE);
      return S_OK;
    case OLEIVERB_OPEN:
      return E_NOTIMPL;  // the control lives only inside its container's window
    default:
      // A verb the control does not have: the container shows the control as the primary verb does.
      if (verb > 0) {
        const HRESULT hr = activate(site ? site : clientSite_, false);
        return FAILED(hr) ? hr : OLEOBJ_S_INVALIDVERB;
      }
      return E_NOTIMPL;
  }
}

// Verbs and the user type are the registry's (the class's keys).
HRESULT OleControl::EnumVerbs(IEnumOLEVERB** verbs) {
  if (!verbs) return E_POINTER;
  *verbs = nullptr;
  return OLE_S_USEREG;
}

HRESULT OleControl::GetUserType(DWORD, LPOLESTR* type) {
  if (!type) return E_POINTER;
  *type = nullptr;
  return OLE_S_USEREG;
}

HRESULT OleControl::GetUserClassID(CLSID* id) {
  return GetClassID(id);
}

HRESULT OleControl::SetExtent(DWORD aspect, SIZEL* size) {
  if (!size) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (size->cx < 0 || size->cy < 0) return E_INVALIDARG;
  const bool changed = size->cx != extent_.cx || size->cy != extent_.cy;
  extent_ = *size;
  if (changed) viewChanged();
  return S_OK;
}

HRESULT OleControl::GetExtent(DWORD aspect, SIZEL* size) {
  if (!size) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (extent_.cx == 0 && extent_.cy == 0) {
    control::Control& c = liveControl();
    extent_ = SIZEL{himetricOfTwips(c.width()), himetricOfTwips(c.height())};
  }
  *size = extent_;
  return S_OK;
}

HRESULT OleControl::Advise(IAdviseSink* sink, DWORD* cookie) {
  if (!sink || !cookie) return E_POINTER;
  *cookie = 0;
  if (!adviseHolder_) {
    if (HRESULT hr = CreateOleAdviseHolder(&adviseHolder_); FAILED(hr)) return hr;
  }
  return adviseHolder_->Advise(sink, cookie);
}

HRESULT OleControl::Unadvise(DWORD cookie) {
  if (!adviseHolder_) return OLE_E_NOCONNECTION;
  return adviseHolder_->Unadvise(cookie);
}

HRESULT OleControl::EnumAdvise(IEnumSTATDATA** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!adviseHolder_) return S_OK;
  return adviseHolder_->EnumAdvise(out);
}

HRESULT OleControl::GetMiscStatus(DWORD, DWORD* status) {
  if (!status) return E_POINTER;
  *status = OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_INSIDEOUT |
            OLEMISC_RECOMPOSEONRESIZE;
  return S_OK;
}

// In-place activation

HRESULT OleControl::activate(IOleClientSite* site, bool wantUi) {
  if (window_) {
    ShowWindow(window_, SW_SHOW);
    return wantUi ? uiActivate() : S_OK;
  }
  if (!site) return E_UNEXPECTED;
  IOleInPlaceSite* inPlace = nullptr;
  if (FAILED(site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&inPlace)))) {
    return E_NOINTERFACE;  // no window to go into, and the control has none of its own to open
  }
  if (inPlace->CanInPlaceActivate() != S_OK) {
    inPlace->Release();
    return OLE_E_NOT_INPLACEACTIVE;
  }
  HWND parent = nullptr;
  IOleInPlaceFrame* frame = nullptr;
  IOleInPlaceUIWindow* uiWindow = nullptr;
  RECT position{}, clip{};
  OLEINPLACEFRAMEINFO frameInfo{};
  frameInfo.cb = sizeof frameInfo;
  HRESULT hr = inPlace->GetWindow(&parent);
  if (SUCCEEDED(hr) && !IsWindow(parent)) hr = E_UNEXPECTED;
  if (SUCCEEDED(hr)) hr = inPlace->GetWindowContext(&frame, &uiWindow, &position, &clip, &frameInfo);
  if (FAILED(hr) || !registerWindowClass()) {
    releaseInto(frame);
    releaseInto(uiWindow);
    inPlace->Release();
    return FAILED(hr) ? hr : HRESULT_FROM_WIN32(GetLastError());
  }
  inPlace->OnInPlaceActivate();
  window_ = CreateWindowExW(0, kWindowClass, L"VerolinActivex",
                            WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, position.left,
                            position.top, position.right - position.left, position.bottom - position.top,
                            parent, nullptr, moduleHandle(), nullptr);
  if (!window_) {
    hr = HRESULT_FROM_WIN32(GetLastError());
    inPlace->OnInPlaceDeactivate();
    releaseInto(frame);
    releaseInto(uiWindow);
    inPlace->Release();
    return FAILED(hr) ? hr : E_FAIL;
  }
  SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  inPlaceSite_ = inPlace;
  frame_ = frame;
  uiWindow_ = uiWindow;

  // The control's own window moves into ours as a plain child and fills it.
  const HWND own = ownWindow();
  if (IsWindow(own)) {
    SetWindowLongPtrW(own, GWL_STYLE, WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
    SetParent(own, window_);
    ShowWindow(own, SW_SHOW);
  }
  fitControl();
  enterActive(window_);
  return wantUi ? uiActivate() : S_OK;
}

HRESULT OleControl::uiActivate() {
  if (uiActive_) return S_OK;
  uiActive_ = true;
  inPlaceSite_->OnUIActivate();
  auto* active = static_cast<IOleInPlaceActiveObject*>(this);
  if (frame_) {
    frame_->SetActiveObject(active, nullptr);
    frame_->SetBorderSpace(nullptr);
  }
  if (uiWindow_) {
    uiWindow_->SetActiveObject(active, nullptr);
    uiWindow_->SetBorderSpace(nullptr);
  }
  SetFocus(window_);
  return S_OK;
}

HRESULT OleControl::UIDeactivate() {
  if (!uiActive_) return S_OK;
  uiActive_ = false;
  if (uiWindow_) uiWindow_->SetActiveObject(nullptr, nullptr);
  if (frame_) frame_->SetActiveObject(nullptr, nullptr);
  if (inPlaceSite_) inPlaceSite_->OnUIDeactivate(FALSE);
  return S_OK;
}

HRESULT OleControl::InPlaceDeactivate() {
  if (!inPlaceSite_) return S_OK;
  UIDeactivate();
  // The control's window outlives the page's window: it goes back to the top level, hidden, before ours
  // (its parent) is destroyed, and the control destroys it when it is released.
  const HWND own = ownWindow();
  if (IsWindow(own) && GetParent(own) == window_) {
    ShowWindow(own, SW_HIDE);
    SetParent(own, nullptr);
    SetWindowLongPtrW(own, GWL_STYLE, WS_OVERLAPPEDWINDOW);
  }
  leaveActive(window_);
  SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
  DestroyWindow(window_);
  window_ = nullptr;
  IOleInPlaceSite* site = inPlaceSite_;
  inPlaceSite_ = nullptr;
  site->OnInPlaceDeactivate();
  site->Release();
  releaseInto(frame_);
  releaseInto(uiWindow_);
  return S_OK;
}

HRESULT OleControl::SetObjectRects(LPCRECT position, LPCRECT) {
  if (!position) return E_POINTER;
  if (position->right < position->left || position->bottom < position->top) return E_INVALIDARG;
  if (!window_) return OLE_E_NOT_INPLACEACTIVE;
  // WM_SIZE lays the control out again.
  MoveWindow(window_, position->left, position->top, position->right - position->left,
             position->bottom - position->top, TRUE);
  return S_OK;
}

HWND OleControl::ownWindow() {
  return reinterpret_cast<HWND>(static_cast<std::intptr_t>(liveControl().hwnd()));
}

void OleControl::fitControl() {
  if (!window_) return;
  RECT client{};
  GetClientRect(window_, &client);
  control::Control& c = liveControl();
  c.resize(client.right * platform::kTwipsPerPixel, client.bottom * platform::kTwipsPerPixel);
  const SIZEL fitted{himetricOfTwips(c.width()), himetricOfTwips(c.height())};
  const bool changed = fitted.cx != extent_.cx || fitted.cy != extent_.cy;
  extent_ = fitted;
  if (changed) viewChanged();
}

void OleControl::viewChanged() {
  IAdviseSink* sink = viewSink_;
  if (!sink || !(viewAspects_ & DVASPECT_CONTENT)) return;
  sink->AddRef();  // the call may set another sink, or none
  if (viewFlags_ & ADVF_ONLYONCE) releaseInto(viewSink_);
  sink->OnViewChange(DVASPECT_CONTENT, -1);
  sink->Release();
}

HRESULT OleControl::GetWindow(HWND* window) {
  if (!window) return E_POINTER;
  *window = window_;
  return window_ ? S_OK : E_FAIL;
}

// IViewObject2

void OleControl::paint(HDC dc, const RECT& bounds) {
  FillRect(dc, &bounds, GetSysColorBrush(COLOR_WINDOW));
  FrameRect(dc, &bounds, GetSysColorBrush(COLOR_BTNSHADOW));
  control::Control& c = liveControl();
  if (!c.cmdMsg.visible || c.cmdMsg.caption.empty() || c.width() <= 0 || c.height() <= 0) return;
  // The status strip where the control puts it, scaled from its twips into the bounds.
  const long width = bounds.right - bounds.left;
  const long height = bounds.bottom - bounds.top;
  RECT strip{bounds.left + MulDiv(c.cmdMsg.rect.left, width, c.width()),
             bounds.top + MulDiv(c.cmdMsg.rect.top, height, c.height()), 0, 0};
  strip.right = strip.left + MulDiv(c.cmdMsg.rect.width, width, c.width());
  strip.bottom = strip.top + MulDiv(c.cmdMsg.rect.height, height, c.height());
  FillRect(dc, &strip, GetSysColorBrush(COLOR_BTNFACE));
  DrawEdge(dc, &strip, EDGE_RAISED, BF_RECT);
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF oldColor = SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  const HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  std::wstring text = toWide(c.cmdMsg.caption);
  DrawTextW(dc, text.data(), static_cast<int>(text.size()), &strip,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
  SelectObject(dc, oldFont);
  SetTextColor(dc, oldColor);
  SetBkMode(dc, oldMode);
}

HRESULT OleControl::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds, LPCRECTL,
                         BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!dc || !bounds) return E_INVALIDARG;
  const RECT r{bounds->left, bounds->top, bounds->right, bounds->bottom};
  if (r.right < r.left || r.bottom < r.top) return E_INVALIDARG;
  paint(dc, r);
  return S_OK;
}

HRESULT OleControl::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
  if (sink) sink->AddRef();
  releaseInto(viewSink_);
  viewSink_ = sink;
  viewAspects_ = aspects;
  viewFlags_ = flags;
  // A container that asks to be told at once gets its first change now, before anything moved.
  if (sink && (flags & ADVF_PRIMEFIRST)) viewChanged();
  return S_OK;
}

HRESULT OleControl::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
  if (aspects) *aspects = viewAspects_;
  if (flags) *flags = viewFlags_;
  if (sink) {
    *sink = viewSink_;
    if (viewSink_) viewSink_->AddRef();
  }
  return S_OK;
}

HRESULT OleControl::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, SIZEL* size) {
  return GetExtent(aspect, size);
}

// Persistence

HRESULT OleControl::GetClassID(CLSID* id) {
  if (!id) return E_POINTER;
  *id = classId();
  return S_OK;
}

HRESULT OleControl::GetSizeMax(ULARGE_INTEGER* size) {
  if (!size) return E_POINTER;
  size->QuadPart = 0;
  return S_OK;
}

HRESULT OleControl::Load(IPropertyBag* bag, IErrorLog* log) {
  if (!bag) return E_POINTER;
  // Each settable property the page names is set as a script's assignment would set it, through the
  // declared interface, so the same conversions and rules apply. One bad value does not stop the others.
  HRESULT first = S_OK;
  for (const MemberInfo& member : *controlMembers()) {
    if (member.putType == VT_EMPTY || !member.params.empty()) continue;
    const std::wstring name = toWide(member.name);
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = nullptr;
    if (FAILED(bag->Read(name.c_str(), &value, log))) {
      VariantClear(&value);
      continue;  // not given
    }
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{&value, &put, 1, 1};
    EXCEPINFO exception{};
    UINT argError = 0;
    const HRESULT hr = Invoke(member.id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params,
                              nullptr, &exception, &argError);
    VariantClear(&value);
    if (FAILED(hr)) {
      if (SUCCEEDED(first)) first = hr;
      if (log) {
        if (!exception.bstrSource) exception.bstrSource = SysAllocString(L"VerolinSystem");
        if (!exception.bstrDescription) exception.bstrDescription = SysAllocString(name.c_str());
        if (!exception.scode) exception.scode = hr;
        log->AddError(name.c_str(), &exception);
      }
    }
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
  }
  return first;
}

// IObjectSafety

HRESULT OleControl::GetInterfaceSafetyOptions(REFIID iid, DWORD* supported, DWORD* enabled) {
  if (!supported || !enabled) return E_POINTER;
  *supported = *enabled = 0;
  if (!safetyApplies(iid)) return E_NOINTERFACE;
  *supported = kSafety;
  *enabled = safety_;
  return S_OK;
}

HRESULT OleControl::SetInterfaceSafetyOptions(REFIID iid, DWORD mask, DWORD enabled) {
  if (!safetyApplies(iid)) return E_NOINTERFACE;
  if (mask & ~kSafety) return E_FAIL;  // a safety the control does not offer
  safety_ = (safety_ & ~mask) | (enabled & mask);
  return S_OK;
}

// IProvideClassInfo2

HRESULT OleControl::GetClassInfo(ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  ITypeLib* library = nullptr;
  const std::wstring path = toWide(modulePath());
  HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library);
  if (FAILED(hr)) return hr;
  hr = library->GetTypeInfoOfGuid(classId(), info);
  library->Release();
  return hr;
}

HRESULT OleControl::GetGUID(DWORD kind, GUID* id) {
  if (!id) return E_POINTER;
  if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
    *id = GUID_NULL;
    return E_INVALIDARG;
  }
  *id = eventInterfaceId();
  return S_OK;
}

// IConnectionPointContainer

HRESULT OleControl::EnumConnectionPoints(IEnumConnectionPoints** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  IConnectionPoint* point = nullptr;
  if (HRESULT hr = FindConnectionPoint(eventInterfaceId(), &point); FAILED(hr)) return hr;
  // The list of the control's connection points: its one point.
  *out = new (std::nothrow) PointList(std::vector<IConnectionPoint*>{point}, 0);
  point->Release();
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT OleControl::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
  if (!point) return E_POINTER;
  *point = nullptr;
  if (iid != eventInterfaceId()) return CONNECT_E_NOCONNECTION;
  *point = new (std::nothrow) EventPoint(*this);
  return *point ? S_OK : E_OUTOFMEMORY;
}

}  // namespace verolin::com::ocx
