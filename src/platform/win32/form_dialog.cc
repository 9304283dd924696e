#include "platform/win32/form_dialog.h"

#include <windowsx.h>

#include <algorithm>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/form_layout.h"
#include "platform/win32/picture_bitmap.h"
#include "platform/win32/wide.h"
#include "text/utf8.h"

namespace verolin::platform::win32 {
namespace {

using automation::Variant;

constexpr wchar_t kDialogClass[] = L"VerolinForm";
constexpr wchar_t kPictureClass[] = L"VerolinPictureBox";
constexpr int kFirstControlId = 1000;
// Model changes made by code the dialog does not see (a page script during a pump, a timer) show
// within this time.
constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT kRefreshMs = 100;
constexpr wchar_t kFontName[] = L"宋体";
constexpr int kFontPoints = 9;
constexpr int kTwipsPerInch = 1440;

// Mouse buttons and shift keys as a form's events number them.
constexpr int kLeftButton = 1;
constexpr int kRightButton = 2;
constexpr int kMiddleButton = 4;
constexpr int kShiftKey = 1;
constexpr int kCtrlKey = 2;
constexpr int kAltKey = 4;

std::wstring windowText(HWND hwnd) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

int shiftState() {
  return (GetKeyState(VK_SHIFT) < 0 ? kShiftKey : 0) | (GetKeyState(VK_CONTROL) < 0 ? kCtrlKey : 0) |
         (GetKeyState(VK_MENU) < 0 ? kAltKey : 0);
}

int mouseButtons(WPARAM keys) {
  return (keys & MK_LBUTTON ? kLeftButton : 0) | (keys & MK_RBUTTON ? kRightButton : 0) |
         (keys & MK_MBUTTON ? kMiddleButton : 0);
}

int mouseShift(WPARAM keys) {
  return (keys & MK_SHIFT ? kShiftKey : 0) | (keys & MK_CONTROL ? kCtrlKey : 0) |
         (GetKeyState(VK_MENU) < 0 ? kAltKey : 0);
}

bool isList(const std::string& kind) {
  return kind == "list" || kind == "combo";
}

// A model's colour (0x00BBGGRR, as COLORREF) or `fallback` when the property is absent or unreadable.
COLORREF colourOf(const FormControl& c, std::string_view property, COLORREF fallback) {
  if (!c.has(property)) return fallback;
  try {
    return static_cast<COLORREF>(c.get(property).toInt32()) & 0xFFFFFF;
  } catch (const std::exception&) {
    return fallback;
  }
}

bool flagOf(const FormControl& c, std::string_view property) {
  try {
    return !c.has(property) || c.get(property).toBool();
  } catch (const std::exception&) {
    return true;
  }
}

// A short fingerprint of a picture's bytes, so that a changed picture is decoded again and an
// unchanged one is not (FNV-1a).
std::string fingerprint(const automation::Bytes& bytes) {
  std::uint64_t h = 1469598103934665603ull;
  for (std::uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
  return std::to_string(bytes.size()) + ":" + std::to_string(h);
}

std::optional<automation::Bytes> readFile(const std::string& path) {
  HANDLE file = CreateFileW(widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  automation::Bytes bytes;
  LARGE_INTEGER size{};
  if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart < (64 << 20)) {
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    if (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) read = 0;
    bytes.resize(read);
  }
  CloseHandle(file);
  return bytes;
}

// What the dialog last showed of one control, so that only real model changes touch the window (a
// text set into an edit box would otherwise come back as a change).
struct ControlWindow {
  FormControl* model = nullptr;
  HWND hwnd = nullptr;
  int id = 0;
  bool placed = true;  // false: the layout has no place for it, so it stays hidden
  std::optional<bool> visible;
  std::optional<bool> enabled;
  std::optional<std::string> caption;
  std::optional<std::string> text;
  std::optional<int> checked;
  std::optional<std::wstring> passwordChar;
  std::optional<std::vector<std::string>> items;
  std::optional<int> listIndex;
  // Picture boxes: what is shown (background, image, picture) and the pen's last point of a drag.
  std::optional<std::string> pictureKey;
  HBITMAP canvas = nullptr;
  SIZE canvasSize{};
  POINT pen{};
};

class FormDialog;

// The dialogs up now, in the order they were shown, for formDialogWindow and currentFormDialog.
struct ShownDialog {
  const Form* form;
  HWND hwnd;
  DWORD thread;
};
std::mutex& registryMutex() {
  static std::mutex m;
  return m;
}
std::vector<ShownDialog>& registry() {
  static std::vector<ShownDialog> r;
  return r;
}

class FormDialog {
 public:
  FormDialog(Form& form, HWND owner) : form_(form), owner_(owner) {}
  ~FormDialog();
  FormDialog(const FormDialog&) = delete;
  FormDialog& operator=(const FormDialog&) = delete;

  int run();

 private:
  static LRESULT CALLBACK dialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK pictureProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static void registerClasses();

  bool create();
  HWND createChild(ControlWindow& cw, const ControlPlace& place);
  int pixelsX(int twips) const { return MulDiv(twips, dpiX_, kTwipsPerInch); }
  int pixelsY(int twips) const { return MulDiv(twips, dpiY_, kTwipsPerInch); }
  double twipsX(int pixels) const { return double(pixels) * kTwipsPerInch / dpiX_; }
  double twipsY(int pixels) const { return double(pixels) * kTwipsPerInch / dpiY_; }
  ControlWindow* byId(int id);
  ControlWindow* byWindow(HWND hwnd);

  // Runs the model's handler for a user action, then shows what it changed. The first exception ends
  // the dialog; later actions are ignored until it has gone.
  template <class F>
  void act(F&& handler);
  void fail(std::exception_ptr failure);
  void refresh();
  void refreshControl(ControlWindow& cw);
  void refreshList(ControlWindow& cw);
  void refreshPicture(ControlWindow& cw);
  std::string pictureKey(const FormControl& c) const;
  void paintCanvas(ControlWindow& cw);
  void penStroke(ControlWindow& cw, POINT from, POINT to);
  bool focusKeyTarget();

  LRESULT onDialogMessage(UINT msg, WPARAM wp, LPARAM lp);
  void onCommand(int id, int code, HWND child);
  LRESULT onPictureMessage(ControlWindow& cw, UINT msg, WPARAM wp, LPARAM lp);
  void onPictureMouse(ControlWindow& cw, MouseAction action, int button, WPARAM keys, LPARAM lp);

  Form& form_;
  HWND owner_;
  HWND hwnd_ = nullptr;
  HFONT font_ = nullptr;
  FormLayout layout_;
  std::vector<std::unique_ptr<ControlWindow>> controls_;
  int dpiX_ = 96;
  int dpiY_ = 96;
  bool syncing_ = false;  // the dialog itself is changing a window: its notifications are no user action
  bool ownerDisabled_ = false;
  std::exception_ptr failure_;
};

FormDialog::~FormDialog() {
  {
    std::lock_guard<std::mutex> lock(registryMutex());
    auto& shown = registry();
    shown.erase(
        std::remove_if(shown.begin(), shown.end(), [this](const ShownDialog& d) { return d.hwnd == hwnd_; }),
        shown.end());
  }
  // The owner is enabled before the dialog goes, so that the activation returns to it.
  if (ownerDisabled_) EnableWindow(owner_, TRUE);
  if (hwnd_ && IsWindow(hwnd_)) {
    KillTimer(hwnd_, kRefreshTimer);
    DestroyWindow(hwnd_);
  }
  for (auto& cw : controls_) {
    if (cw->canvas) DeleteObject(cw->canvas);
  }
  if (font_) DeleteObject(font_);
}

void FormDialog::registerClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    WNDCLASSEXW dialog{};
    dialog.cbSize = sizeof(dialog);
    dialog.lpfnWndProc = dialogProc;
    dialog.hInstance = GetModuleHandleW(nullptr);
    dialog.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    dialog.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    dialog.lpszClassName = kDialogClass;
    RegisterClassExW(&dialog);
    WNDCLASSEXW picture = dialog;
    picture.lpfnWndProc = pictureProc;
    picture.hbrBackground = nullptr;  // the box paints all of itself from its canvas
    picture.lpszClassName = kPictureClass;
    RegisterClassExW(&picture);
  });
}

bool FormDialog::create() {
  registerClasses();
  if (const FormLayout* known = FindFormLayout(form_.name())) {
    layout_ = *known;
  } else {
    std::vector<std::string_view> names;
    for (const auto& name : form_.controlNames()) names.push_back(form_.control(name).name());
    layout_ = StackedLayout(form_.name(), names);
  }
  HDC screen = GetDC(nullptr);
  if (screen) {
    dpiX_ = std::max(GetDeviceCaps(screen, LOGPIXELSX), 1);
    dpiY_ = std::max(GetDeviceCaps(screen, LOGPIXELSY), 1);
    ReleaseDC(nullptr, screen);
  }

  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | DS_MODALFRAME;
  const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT | (layout_.topmost ? WS_EX_TOPMOST : 0);
  RECT frame{0, 0, pixelsX(layout_.clientWidth), pixelsY(layout_.clientHeight)};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  // Centred over the owner, or over the screen's work area without one.
  RECT around{};
  if (!owner_ || !GetWindowRect(owner_, &around)) SystemParametersInfoW(SPI_GETWORKAREA, 0, &around, 0);
  const int x = std::max(0, static_cast<int>(around.left + around.right - width) / 2);
  const int y = std::max(0, static_cast<int>(around.top + around.bottom - height) / 2);

  hwnd_ = CreateWindowExW(exStyle, kDialogClass, widen(form_.caption()).c_str(), style, x, y, width, height,
                          owner_, nullptr, GetModuleHandleW(nullptr), this);
  if (!hwnd_) return false;
  font_ = CreateFontW(-MulDiv(kFontPoints, dpiY_, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                      GB2312_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                      DEFAULT_PITCH | FF_DONTCARE, kFontName);

  const auto names = form_.controlNames();
  for (std::size_t i = 0; i < names.size(); ++i) {
    auto cw = std::make_unique<ControlWindow>();
    cw->model = &form_.control(names[i]);
    cw->id = kFirstControlId + static_cast<int>(i);
    const ControlPlace* place = layout_.find(names[i]);
    const ControlPlace unplaced{names[i], 0, 0, 1200, 330};
    cw->hwnd = createChild(*cw, place ? *place : unplaced);
    // A control the layout does not place is part of the model only: it exists, hidden.
    cw->placed = place != nullptr;
    controls_.push_back(std::move(cw));
  }
  return true;
}

HWND FormDialog::createChild(ControlWindow& cw, const ControlPlace& place) {
  const std::string& kind = cw.model->kind();
  const wchar_t* cls = L"STATIC";
  DWORD style = WS_CHILD;
  DWORD exStyle = 0;
  if (kind == "button") {
    cls = L"BUTTON";
    style |= BS_PUSHBUTTON | WS_TABSTOP;
  } else if (kind == "check") {
    // The model turns the box over itself when it is clicked.
    cls = L"BUTTON";
    style |= BS_CHECKBOX | WS_TABSTOP;
  } else if (kind == "text") {
    cls = L"EDIT";
    style |= ES_AUTOHSCROLL | WS_TABSTOP;
    exStyle |= WS_EX_CLIENTEDGE;
  } else if (kind == "combo") {
    cls = L"COMBOBOX";
    style |= CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
  } else if (kind == "list") {
    cls = L"LISTBOX";
    style |= LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP;
    exStyle |= WS_EX_CLIENTEDGE;
  } else if (kind == "picture") {
    cls = kPictureClass;
    style |= WS_TABSTOP;
    exStyle |= WS_EX_CLIENTEDGE;
  } else {
    style |= SS_LEFT | SS_NOPREFIX;
  }
  HWND child =
      CreateWindowExW(exStyle, cls, L"", style, pixelsX(place.left), pixelsY(place.top), pixelsX(place.width),
                      pixelsY(place.height), hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(cw.id)),
                      GetModuleHandleW(nullptr), this);
  if (child) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  return child;
}

ControlWindow* FormDialog::byId(int id) {
  for (auto& cw : controls_) {
    if (cw->id == id) return cw.get();
  }
  return nullptr;
}

ControlWindow* FormDialog::byWindow(HWND hwnd) {
  for (auto& cw : controls_) {
    if (cw->hwnd == hwnd) return cw.get();
  }
  return nullptr;
}

template <class F>
void FormDialog::act(F&& handler) {
  if (failure_) return;
  try {
    handler();
  } catch (...) {
    fail(std::current_exception());
    return;
  }
  refresh();
}

void FormDialog::fail(std::exception_ptr failure) {
  failure_ = failure;
  try {
    if (form_.isOpen()) form_.close();
  } catch (...) {
    // The first failure is the one to report.
  }
}

int FormDialog::run() {
  form_.markShown();
  if (!create()) {
    form_.close();
    return -1;
  }
  refresh();
  if (owner_ && IsWindowEnabled(owner_)) {
    EnableWindow(owner_, FALSE);
    ownerDisabled_ = true;
  }
  ShowWindow(hwnd_, SW_SHOW);
  if (layout_.topmost) SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  UpdateWindow(hwnd_);
  // The keyboard starts in the box that takes keys, or else in the first control the Tab key reaches.
  if (!focusKeyTarget()) {
    if (HWND first = GetNextDlgTabItem(hwnd_, nullptr, FALSE)) SetFocus(first);
  }
  SetTimer(hwnd_, kRefreshTimer, kRefreshMs, nullptr);
  // Known from now on, when it is up as the user sees it.
  {
    std::lock_guard<std::mutex> lock(registryMutex());
    registry().push_back({&form_, hwnd_, GetCurrentThreadId()});
  }

  MSG msg{};
  while (form_.isOpen() && IsWindow(hwnd_)) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (got == -1) break;
    if (!IsDialogMessageW(hwnd_, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  // Ended by a quit or by someone destroying the window: the form is closed as by its close box.
  if (form_.isOpen()) act([this] { form_.close(); });
  if (failure_) std::rethrow_exception(failure_);
  return 0;
}

void FormDialog::refresh() {
  if (!hwnd_ || !form_.isOpen()) return;
  try {
    const std::wstring caption = widen(form_.caption());
    if (windowText(hwnd_) != caption) SetWindowTextW(hwnd_, caption.c_str());
    for (auto& cw : controls_) {
      if (cw->hwnd) refreshControl(*cw);
    }
  } catch (const std::exception&) {
    // A property the model cannot give now is shown at the next refresh.
  }
}

void FormDialog::refreshControl(ControlWindow& cw) {
  const FormControl& m = *cw.model;
  const std::string& kind = m.kind();
  syncing_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{syncing_};

  if (kind == "label" || kind == "button" || kind == "check") {
    const std::string caption = m.get("Caption").toString();
    if (cw.caption != caption) {
      SetWindowTextW(cw.hwnd, widen(caption).c_str());
      cw.caption = caption;
      if (kind == "label") InvalidateRect(cw.hwnd, nullptr, TRUE);
    }
  }
  if (kind == "check") {
    const int value = m.get("Value").toInt32();
    if (cw.checked != value) {
      SendMessageW(cw.hwnd, BM_SETCHECK,
                   value == 1   ? BST_CHECKED
                   : value == 2 ? BST_INDETERMINATE
                                : BST_UNCHECKED,
                   0);
      cw.checked = value;
    }
  }
  if (kind == "text") {
    const std::wstring passwordChar = widen(m.get("PasswordChar").toString());
    if (cw.passwordChar != passwordChar) {
      SendMessageW(cw.hwnd, EM_SETPASSWORDCHAR, passwordChar.empty() ? 0 : passwordChar[0], 0);
      InvalidateRect(cw.hwnd, nullptr, TRUE);
      cw.passwordChar = passwordChar;
    }
    const std::string text = m.get("Text").toString();
    if (cw.text != text) {
      const std::wstring w = widen(text);
      if (windowText(cw.hwnd) != w) SetWindowTextW(cw.hwnd, w.c_str());
      cw.text = text;
    }
  }
  if (isList(kind)) refreshList(cw);
  if (kind == "picture") refreshPicture(cw);

  const bool enabled = flagOf(m, "Enabled");
  if (cw.enabled != enabled) {
    EnableWindow(cw.hwnd, enabled);
    cw.enabled = enabled;
  }
  const bool visible = cw.placed && flagOf(m, "Visible");
  if (cw.visible != visible) {
    ShowWindow(cw.hwnd, visible ? SW_SHOWNA : SW_HIDE);
    cw.visible = visible;
  }
}

void FormDialog::refreshList(ControlWindow& cw) {
  const FormControl& m = *cw.model;
  const bool combo = m.kind() == "combo";
  bool reset = false;
  if (cw.items != m.items()) {
    SendMessageW(cw.hwnd, combo ? CB_RESETCONTENT : LB_RESETCONTENT, 0, 0);
    int widest = 0;
    HDC dc = GetDC(cw.hwnd);
    HGDIOBJ old = dc ? SelectObject(dc, font_) : nullptr;
    for (const std::string& item : m.items()) {
      const std::wstring w = widen(item);
      SendMessageW(cw.hwnd, combo ? CB_ADDSTRING : LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(w.c_str()));
      SIZE extent{};
      if (dc && GetTextExtentPoint32W(dc, w.c_str(), static_cast<int>(w.size()), &extent))
        widest = std::max(widest, static_cast<int>(extent.cx));
    }
    if (dc) {
      SelectObject(dc, old);
      ReleaseDC(cw.hwnd, dc);
    }
    // Long lines (a name with a full date) scroll sideways rather than being cut off.
    if (!combo) SendMessageW(cw.hwnd, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + 8), 0);
    cw.items = m.items();
    reset = true;
  }
  const int index = m.get("ListIndex").toInt32();
  if (reset || cw.listIndex != index) {
    SendMessageW(cw.hwnd, combo ? CB_SETCURSEL : LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    cw.listIndex = index;
  }
}

std::string FormDialog::pictureKey(const FormControl& c) const {
  std::string key = std::to_string(colourOf(c, "BackColor", GetSysColor(COLOR_BTNFACE)));
  const Variant picture = c.get("Picture");
  if (picture.type() == automation::VarType::Bytes) {
    key += "|b" + fingerprint(picture.toBytes());
  } else if (picture.isString()) {
    key += "|f" + picture.toString();
  }
  // The model's own drawing changes how much of the image is inked.
  const Variant inked = c.get("InkedPixels");
  if (!inked.isEmpty()) key += "|i" + inked.toString();
  return key;
}

void FormDialog::refreshPicture(ControlWindow& cw) {
  const std::string key = pictureKey(*cw.model);
  if (cw.pictureKey == key) return;
  cw.pictureKey = key;
  paintCanvas(cw);
  InvalidateRect(cw.hwnd, nullptr, FALSE);
}

// The box's persistent image from the model: the background, the model's image of what was drawn,
// then its picture (kept at its size in a drawing box, shrunk to fit and centred in a preview box).
void FormDialog::paintCanvas(ControlWindow& cw) {
  const FormControl& m = *cw.model;
  RECT client{};
  GetClientRect(cw.hwnd, &client);
  const int width = std::max(static_cast<int>(client.right), 1);
  const int height = std::max(static_cast<int>(client.bottom), 1);
  if (!cw.canvas || cw.canvasSize.cx != width || cw.canvasSize.cy != height) {
    if (cw.canvas) DeleteObject(cw.canvas);
    HDC screen = GetDC(nullptr);
    cw.canvas = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    cw.canvasSize = {width, height};
  }
  if (!cw.canvas) return;
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ oldCanvas = SelectObject(dc, cw.canvas);
  HBRUSH back = CreateSolidBrush(colourOf(m, "BackColor", GetSysColor(COLOR_BTNFACE)));
  FillRect(dc, &client, back);
  DeleteObject(back);

  auto draw = [&](const automation::Bytes& bytes, bool fit) {
    SIZE size{};
    HBITMAP picture = DecodePicture(bytes, &size);
    if (!picture) return;
    HDC source = CreateCompatibleDC(nullptr);
    HGDIOBJ oldPicture = SelectObject(source, picture);
    if (fit && (size.cx > width || size.cy > height)) {
      const double scale = std::min(double(width) / size.cx, double(height) / size.cy);
      const int w = std::max(1, static_cast<int>(size.cx * scale));
      const int h = std::max(1, static_cast<int>(size.cy * scale));
      SetStretchBltMode(dc, HALFTONE);
      SetBrushOrgEx(dc, 0, 0, nullptr);
      StretchBlt(dc, (width - w) / 2, (height - h) / 2, w, h, source, 0, 0, size.cx, size.cy, SRCCOPY);
    } else if (fit) {
      BitBlt(dc, (width - size.cx) / 2, (height - size.cy) / 2, size.cx, size.cy, source, 0, 0, SRCCOPY);
    } else {
      BitBlt(dc, 0, 0, size.cx, size.cy, source, 0, 0, SRCCOPY);
    }
    SelectObject(source, oldPicture);
    DeleteDC(source);
    DeleteObject(picture);
  };

  const Variant image = m.get("Image");
  const bool drawingBox = image.type() == automation::VarType::Bytes;
  if (drawingBox) draw(image.toBytes(), false);
  const Variant picture = m.get("Picture");
  if (picture.type() == automation::VarType::Bytes) {
    draw(picture.toBytes(), !drawingBox);
  } else if (picture.isString() && !picture.toString().empty()) {
    if (auto bytes = readFile(picture.toString())) draw(*bytes, !drawingBox);
  }
  SelectObject(dc, oldCanvas);
  DeleteDC(dc);
}

// A stroke the model has just drawn, drawn at once with GDI in the model's pen width and colour so that
// the box follows the mouse without decoding the model's image at every move.
void FormDialog::penStroke(ControlWindow& cw, POINT from, POINT to) {
  if (!cw.canvas) paintCanvas(cw);
  if (!cw.canvas) return;
  const FormControl& m = *cw.model;
  int width = 1;
  try {
    width = std::max(1, static_cast<int>(m.get("DrawWidth").toInt32()));
  } catch (const std::exception&) {
  }
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ oldCanvas = SelectObject(dc, cw.canvas);
  const COLORREF colour = colourOf(m, "ForeColor", RGB(0, 0, 0));
  HPEN pen = CreatePen(PS_SOLID, width, colour);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  if (from.x == to.x && from.y == to.y) {
    if (width == 1) {
      SetPixel(dc, to.x, to.y, colour);
    } else {
      HBRUSH brush = CreateSolidBrush(colour);
      HGDIOBJ oldBrush = SelectObject(dc, brush);
      Ellipse(dc, to.x - width / 2, to.y - width / 2, to.x - width / 2 + width, to.y - width / 2 + width);
      SelectObject(dc, oldBrush);
      DeleteObject(brush);
    }
  } else {
    MoveToEx(dc, from.x, from.y, nullptr);
    LineTo(dc, to.x, to.y);
    SetPixel(dc, to.x, to.y, colour);  // LineTo leaves out the last point; the model's stroke includes it
  }
  SelectObject(dc, oldPen);
  DeleteObject(pen);
  SelectObject(dc, oldCanvas);
  DeleteDC(dc);
  RECT dirty{std::min(from.x, to.x) - width, std::min(from.y, to.y) - width,
             std::max(from.x, to.x) + width + 1, std::max(from.y, to.y) + width + 1};
  InvalidateRect(cw.hwnd, &dirty, FALSE);
}

// The box that takes keys (the handwriting box, for its paste) has the focus whenever the form does.
bool FormDialog::focusKeyTarget() {
  for (auto& cw : controls_) {
    if (cw->hwnd && cw->model->onKey && IsWindowVisible(cw->hwnd) && IsWindowEnabled(cw->hwnd)) {
      SetFocus(cw->hwnd);
      return true;
    }
  }
  return false;
}

LRESULT CALLBACK FormDialog::dialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lp);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    auto* created = static_cast<FormDialog*>(create->lpCreateParams);
    SetPropW(hwnd, kFormObjectProperty, &created->form_);
  } else if (msg == WM_NCDESTROY) {
    RemovePropW(hwnd, kFormObjectProperty);
  }
  auto* self = reinterpret_cast<FormDialog*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self || !self->hwnd_) return DefWindowProcW(hwnd, msg, wp, lp);
  return self->onDialogMessage(msg, wp, lp);
}

LRESULT FormDialog::onDialogMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CLOSE:
      act([this] { form_.close(); });
      return 0;
    case WM_COMMAND:
      if (lp) onCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
      return 0;
    case WM_TIMER:
      if (wp == kRefreshTimer) refresh();
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wp) != WA_INACTIVE && focusKeyTarget()) return 0;
      return DefWindowProcW(hwnd_, msg, wp, lp);
    case WM_CTLCOLORSTATIC: {
      // Labels stand on the form's face in the model's text colour (the default: the window text).
      HDC dc = reinterpret_cast<HDC>(wp);
      ControlWindow* cw = byWindow(reinterpret_cast<HWND>(lp));
      SetTextColor(dc, cw ? colourOf(*cw->model, "ForeColor", GetSysColor(COLOR_WINDOWTEXT))
                          : GetSysColor(COLOR_WINDOWTEXT));
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    default:
      return DefWindowProcW(hwnd_, msg, wp, lp);
  }
}

void FormDialog::onCommand(int id, int code, HWND child) {
  ControlWindow* cw = byId(id);
  if (!cw || cw->hwnd != child || syncing_) return;
  const std::string& kind = cw->model->kind();
  const std::string name = cw->model->name();
  if ((kind == "button" || kind == "check") && code == BN_CLICKED) {
    act([&] { form_.click(name); });
  } else if (kind == "text" && code == EN_CHANGE) {
    const std::string text = narrow(windowText(child));
    cw->text = text;
    act([&] { cw->model->set("Text", Variant(text)); });
  } else if (kind == "combo" && code == CBN_SELCHANGE) {
    const int index = static_cast<int>(SendMessageW(child, CB_GETCURSEL, 0, 0));
    act([&] { cw->model->set("ListIndex", Variant(static_cast<std::int32_t>(index))); });
  } else if (kind == "list" && code == LBN_SELCHANGE) {
    const int index = static_cast<int>(SendMessageW(child, LB_GETCURSEL, 0, 0));
    act([&] { cw->model->set("ListIndex", Variant(static_cast<std::int32_t>(index))); });
  } else if (kind == "list" && code == LBN_DBLCLK) {
    act([&] { form_.dblclick(name); });
  }
}

LRESULT CALLBACK FormDialog::pictureProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lp);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<FormDialog*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  ControlWindow* cw = self ? self->byWindow(hwnd) : nullptr;
  if (!cw) return DefWindowProcW(hwnd, msg, wp, lp);
  return self->onPictureMessage(*cw, msg, wp, lp);
}

LRESULT FormDialog::onPictureMessage(ControlWindow& cw, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(cw.hwnd, &ps);
      if (!cw.canvas) paintCanvas(cw);
      if (cw.canvas) {
        HDC source = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(source, cw.canvas);
        BitBlt(dc, 0, 0, cw.canvasSize.cx, cw.canvasSize.cy, source, 0, 0, SRCCOPY);
        SelectObject(source, old);
        DeleteDC(source);
      }
      EndPaint(cw.hwnd, &ps);
      return 0;
    }
    case WM_PRINTCLIENT: {
      if (!cw.canvas) paintCanvas(cw);
      HDC dc = reinterpret_cast<HDC>(wp);
      HDC source = CreateCompatibleDC(dc);
      HGDIOBJ old = SelectObject(source, cw.canvas);
      BitBlt(dc, 0, 0, cw.canvasSize.cx, cw.canvasSize.cy, source, 0, 0, SRCCOPY);
      SelectObject(source, old);
      DeleteDC(source);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_LBUTTONDOWN:
      onPictureMouse(cw, MouseAction::Down, kLeftButton, wp, lp);
      return 0;
    case WM_RBUTTONDOWN:
      onPictureMouse(cw, MouseAction::Down, kRightButton, wp, lp);
      return 0;
    case WM_MBUTTONDOWN:
      onPictureMouse(cw, MouseAction::Down, kMiddleButton, wp, lp);
      return 0;
    case WM_MOUSEMOVE:
      onPictureMouse(cw, MouseAction::Move, mouseButtons(wp), wp, lp);
      return 0;
    case WM_LBUTTONUP:
      onPictureMouse(cw, MouseAction::Up, kLeftButton, wp, lp);
      return 0;
    case WM_RBUTTONUP:
      onPictureMouse(cw, MouseAction::Up, kRightButton, wp, lp);
      return 0;
    case WM_MBUTTONUP:
      onPictureMouse(cw, MouseAction::Up, kMiddleButton, wp, lp);
      return 0;
    case WM_KEYDOWN: {
      const std::string name = cw.model->name();
      const int keyCode = static_cast<int>(wp);
      const int shift = shiftState();
      act([&] { form_.key(name, keyCode, shift); });
      return 0;
    }
    default:
      return DefWindowProcW(cw.hwnd, msg, wp, lp);
  }
}

void FormDialog::onPictureMouse(ControlWindow& cw, MouseAction action, int button, WPARAM keys, LPARAM lp) {
  const POINT at{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
  if (action == MouseAction::Down) {
    SetFocus(cw.hwnd);
    SetCapture(cw.hwnd);
  } else if (action == MouseAction::Up && mouseButtons(keys) == 0 && GetCapture() == cw.hwnd) {
    ReleaseCapture();
  }
  const FormControl& m = *cw.model;
  const std::string before = m.get("InkedPixels").toString();
  const std::string name = m.name();
  const int shift = mouseShift(keys);
  const double x = twipsX(at.x);
  const double y = twipsY(at.y);
  if (failure_) return;
  try {
    form_.mouse(name, action, button, shift, x, y);
  } catch (...) {
    fail(std::current_exception());
    return;
  }
  // What the model inked with this event is drawn at once; anything else it changed shows on refresh.
  const std::string after = form_.isOpen() ? m.get("InkedPixels").toString() : before;
  if (after != before && cw.pictureKey) {
    penStroke(cw, action == MouseAction::Down ? at : cw.pen, at);
    cw.pictureKey = pictureKey(m);
  }
  cw.pen = at;
  refresh();
}

}  // namespace

int runFormDialog(Form& form, HWND owner) {
  FormDialog dialog(form, owner);
  return dialog.run();
}

HWND formDialogWindow(const Form& form) {
  std::lock_guard<std::mutex> lock(registryMutex());
  const auto& shown = registry();
  const auto it =
      std::find_if(shown.rbegin(), shown.rend(), [&](const ShownDialog& d) { return d.form == &form; });
  return it == shown.rend() ? nullptr : it->hwnd;
}

HWND currentFormDialog() {
  std::lock_guard<std::mutex> lock(registryMutex());
  const auto& shown = registry();
  const DWORD thread = GetCurrentThreadId();
  const auto it =
      std::find_if(shown.rbegin(), shown.rend(), [&](const ShownDialog& d) { return d.thread == thread; });
  return it == shown.rend() ? nullptr : it->hwnd;
}

HWND formControlWindow(HWND dialog, const Form& form, std::string_view controlName) {
  const auto names = form.controlNames();
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (text::equalsIgnoreCase(names[i], controlName))
      return GetDlgItem(dialog, kFirstControlId + static_cast<int>(i));
  }
  return nullptr;
}

}  // namespace verolin::platform::win32
