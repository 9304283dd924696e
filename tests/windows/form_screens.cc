// Shows each of the four forms with sample content, acts on it as a user would (an owner chosen and
// a password typed, a signature drawn with the mouse, a line chosen) and saves a screenshot of each
// dialog as PNG: form_screens.exe OUTPUT_FOLDER. tools/screens-windows.sh runs it under Wine on Xvfb.
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "platform/form.h"
#include "platform/raster.h"
#include "platform/win32/form_dialog.h"
#include "platform/win32/picture_bitmap.h"
#include "platform/windows.h"
#include "text/utf8.h"

namespace verolin::platform::win32 {
namespace {

using automation::Variant;

constexpr int kPaintWaitMs = 600;
std::wstring outputFolder;

std::wstring wide(const std::string& s) {
  std::wstring w(s.size() + 1, L'\0');
  w.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()),
                                                        w.data(), static_cast<int>(w.size()))));
  return w;
}

std::string narrow(const std::wstring& w) {
  std::string s(w.size() * 3 + 1, '\0');
  s.resize(
      static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()),
                                                   s.data(), static_cast<int>(s.size()), nullptr, nullptr)));
  return s;
}

bool writeFile(const std::wstring& path, const automation::Bytes& bytes) {
  HANDLE f =
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                  written == bytes.size();
  CloseHandle(f);
  return ok;
}

// The dialog as it stands on the screen, caption and frame included.
bool capture(HWND dialog, const std::wstring& name) {
  RECT r{};
  GetWindowRect(dialog, &r);
  const int w = r.right - r.left;
  const int h = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = SelectObject(dc, bitmap);
  BitBlt(dc, 0, 0, w, h, screen, r.left, r.top, SRCCOPY | CAPTUREBLT);
  SelectObject(dc, old);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  const automation::Bytes png = EncodePng(bitmap);
  DeleteObject(bitmap);
  const std::wstring path = outputFolder + L"\\" + name + L".png";
  const bool ok = !png.empty() && writeFile(path, png);
  std::printf("%s %s (%dx%d)\n", ok ? "wrote" : "could not write", narrow(path).c_str(), w, h);
  return ok;
}

// Shows `form` modally while another thread acts on it, waits for it to be painted and keeps its
// picture; then closes it.
bool showAndCapture(Form& form, const std::function<void(HWND)>& act) {
  bool ok = false;
  std::thread driver([&] {
    HWND dialog = nullptr;
    for (int i = 0; i < 1000 && !(dialog = formDialogWindow(form)); ++i) Sleep(10);
    if (!dialog) return;
    Sleep(kPaintWaitMs);
    act(dialog);
    Sleep(kPaintWaitMs);
    ok = capture(dialog, wide(form.name()));
    PostMessageW(dialog, WM_CLOSE, 0, 0);
  });
  runFormDialog(form, nullptr);
  driver.join();
  return ok;
}

void click(HWND button) {
  SendMessageW(button, BM_CLICK, 0, 0);
}

// A round red seal with the owner's name, as a seal picture looks.
std::string makeSealPicture() {
  constexpr int kSize = 120;
  void* bits = nullptr;
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), kSize, -kSize, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  RECT all{0, 0, kSize, kSize};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  const COLORREF red = RGB(215, 25, 32);
  HPEN pen = CreatePen(PS_SOLID, 5, red);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  Ellipse(dc, 5, 5, kSize - 5, kSize - 5);
  HBRUSH fill = CreateSolidBrush(red);
  SelectObject(dc, fill);
  const double pi = std::acos(-1.0);
  POINT star[10];
  for (int i = 0; i < 10; ++i) {
    const double radius = i % 2 ? 8.0 : 20.0;
    const double angle = -pi / 2 + i * pi / 5;
    star[i] = {static_cast<LONG>(60 + radius * std::cos(angle)),
               static_cast<LONG>(44 + radius * std::sin(angle))};
  }
  Polygon(dc, star, 10);
  HFONT font = CreateFontW(-22, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH, L"宋体");
  HGDIOBJ oldFont = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, red);
  RECT name{10, 68, kSize - 10, 96};
  DrawTextW(dc, L"张三之印", -1, &name, DT_CENTER | DT_SINGLELINE | DT_VCENTER);
  SelectObject(dc, oldFont);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBitmap);
  DeleteObject(font);
  DeleteObject(fill);
  DeleteObject(pen);
  DeleteDC(dc);
  const automation::Bytes png = EncodePng(bitmap);
  DeleteObject(bitmap);
  wchar_t dir[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, dir);
  const std::wstring path = std::wstring(dir) + L"张三.png";
  writeFile(path, png);
  return narrow(path);
}

bool sealWindow() {
  Form form("FrmMySign", "电子盖章");
  form.add("lblname", "label").set("Caption", "用户名称:");
  auto& owners = form.add("comUserList", "combo");
  for (const char* owner : {"张三", "李四", "王五"}) owners.addItem(owner);
  form.add("lblpassword", "label").set("Caption", "用户密码:");
  form.add("txtPassword", "text").set("PasswordChar", "*");
  form.add("cmdok", "button").set("Caption", "确定");
  form.add("cmdthis", "button").set("Caption", "调用");
  form.add("cmdcanel", "button").set("Caption", "取消");
  form.add("picshow", "picture");
  form.add("lblmsg", "label");
  form.add("compass", "combo").set("Visible", false);
  form.add("comPic", "combo").set("Visible", false);
  const std::string seal = makeSealPicture();
  form.control("cmdok").onClick = [&] {
    form.control("picshow").set("Picture", seal);
    form.control("lblmsg").set("Caption", "加载完成！");
  };
  return showAndCapture(form, [&](HWND dialog) {
    SendMessageW(formControlWindow(dialog, form, "comUserList"), WM_KEYDOWN, VK_DOWN, 0);
    HWND password = formControlWindow(dialog, form, "txtPassword");
    for (wchar_t ch : std::wstring(L"123456")) SendMessageW(password, WM_CHAR, ch, 1);
    click(formControlWindow(dialog, form, "cmdok"));
  });
}

bool handwritingWindow() {
  Form form("FrmHandWritd", "手写板签名");
  Raster image(372, 268);
  bool mouseMode = false;
  int lastX = 0, lastY = 0;
  auto& box = form.add("picgetimage", "picture");
  box.set("BackColor", static_cast<std::int32_t>(kWindowColour));
  box.onMouse = [&](MouseAction a, int button, int, double x, double y) {
    if (!mouseMode || button != 1) return;
    const int px = static_cast<int>(x / kTwipsPerPixel), py = static_cast<int>(y / kTwipsPerPixel);
    if (a == MouseAction::Down) {
      image.point(px, py);
    } else {
      image.line(lastX, lastY, px, py);
    }
    lastX = px;
    lastY = py;
  };
  box.onRead = [&](std::string_view p) -> std::optional<Variant> {
    const std::string key = text::toLowerAscii(p);
    if (key == "image") return Variant(image.png());
    if (key == "inkedpixels") return Variant(static_cast<std::int32_t>(image.inkedPixels()));
    if (key == "drawwidth") return Variant(static_cast<std::int16_t>(image.penWidth()));
    return std::nullopt;
  };
  box.onKey = [](int, int) {};
  auto& mode = form.add("Csign1", "check");
  mode.set("Caption", "用鼠标签名");
  mode.set("Value", std::int16_t{0});
  mode.onClick = [&] {
    mouseMode = !mouseMode;
    form.control("Csign1").set("Value", static_cast<std::int16_t>(mouseMode ? 1 : 0));
    image.setPenWidth(3);
  };
  form.add("cmdcancel", "button").set("Caption", "取 消");
  form.add("cmdclean", "button").set("Caption", "重 写");
  form.add("cmdok", "button").set("Caption", "确 定");
  return showAndCapture(form, [&](HWND dialog) {
    click(formControlWindow(dialog, form, "Csign1"));
    HWND pad = formControlWindow(dialog, form, "picgetimage");
    auto at = [](double x, double y) { return MAKELPARAM(static_cast<int>(x), static_cast<int>(y)); };
    // A signature written in one go: loops running to the right, then a flourish underneath.
    const double pi = std::acos(-1.0);
    constexpr int kSteps = 240;
    for (int i = 0; i <= kSteps; ++i) {
      const double t = double(i) / kSteps;
      const double x = 50 + 250 * t + 22 * std::cos(9 * pi * t + pi);
      const double y = 120 - 20 * t + 48 * std::sin(9 * pi * t) * (1 - 0.4 * t);
      SendMessageW(pad, i == 0 ? WM_LBUTTONDOWN : WM_MOUSEMOVE, MK_LBUTTON, at(x, y));
    }
    SendMessageW(pad, WM_LBUTTONUP, 0, at(50 + 250 - 22, 100));
    for (int i = 0; i <= 60; ++i) {
      const double t = double(i) / 60;
      SendMessageW(pad, i == 0 ? WM_LBUTTONDOWN : WM_MOUSEMOVE, MK_LBUTTON,
                   at(60 + 260 * t, 195 - 18 * std::sin(pi * t)));
    }
    SendMessageW(pad, WM_LBUTTONUP, 0, at(320, 195));
  });
}

bool markList() {
  Form form("FrmShowElectronSealInfo", "盖章信息");
  auto& lines = form.add("lisMsg", "list");
  lines.addItem("1. 盖章人姓名:张三  盖章日期:2026年12月8日9时5分3秒");
  lines.addItem("2. 盖章人姓名:李四  盖章日期:2026年12月8日10时21分47秒");
  form.add("lblmsg", "label").set("Caption", "本文档有效盖章列表:(共2个)");
  form.add("cmdok", "button").set("Caption", "确 定");
  return showAndCapture(form, [](HWND) {});
}

bool revisionLog() {
  Form form("FrmOpMsg", "操作日志");
  form.add("lblmsg", "label").set("Caption", "操作日志(双击查看内容)");
  auto& lines = form.add("libmsg", "list");
  lines.addItem("1  张三  插入  2026-12-08 09:12:40");
  lines.addItem("2  张三  删除  2026-12-08 09:13:05");
  lines.addItem("3  李四  插入  2026-12-08 10:02:17");
  form.add("cmdok", "button").set("Caption", "确  定");
  return showAndCapture(form, [&](HWND dialog) {
    HWND list = formControlWindow(dialog, form, "libmsg");
    SendMessageW(list, WM_KEYDOWN, VK_DOWN, 0);
    SendMessageW(list, WM_KEYDOWN, VK_DOWN, 0);
  });
}

}  // namespace
}  // namespace verolin::platform::win32

int wmain(int argc, wchar_t** argv) {
  using namespace verolin::platform::win32;
  if (argc != 2) {
    std::fprintf(stderr, "usage: form_screens OUTPUT_FOLDER\n");
    return 2;
  }
  outputFolder = argv[1];
  CreateDirectoryW(outputFolder.c_str(), nullptr);
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  int failed = 0;
  for (bool (*show)() : {sealWindow, handwritingWindow, markList, revisionLog}) failed += show() ? 0 : 1;
  CoUninitialize();
  return failed == 0 ? 0 : 1;
}
