// The forms as real dialogs under Wine: each test shows a form modally on the test's thread while a
// driver thread acts as the user through window messages (keys, mouse, clicks, the clipboard) and
// reads what the windows show; the models' events are checked once the dialog has returned.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "automation/error.h"
#include "platform/form.h"
#include "platform/raster.h"
#include "platform/win32/form_dialog.h"
#include "platform/win32/picture_bitmap.h"
#include "text/utf8.h"

namespace verolin::platform::win32 {
namespace {

using automation::Variant;

// What the models' handlers saw, in order; the driver thread waits on it.
class EventLog {
 public:
  void add(std::string e) {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back(std::move(e));
  }
  bool waitFor(const std::string& e, int ms = 5000) {
    for (int waited = 0; waited < ms; waited += 10) {
      {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& seen : events_)
          if (seen == e) return true;
      }
      Sleep(10);
    }
    return false;
  }
  std::vector<std::string> events() {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> events_;
};

// Shows `form` on this thread and runs `drive` on another one with the dialog's window; a driver that
// gives up closes the dialog so that the test fails instead of hanging.
void runWithDriver(Form& form, const std::function<void(HWND)>& drive, HWND owner = nullptr) {
  std::atomic<bool> driven{false};
  std::thread driver([&] {
    HWND dialog = nullptr;
    for (int i = 0; i < 500 && !(dialog = formDialogWindow(form)); ++i) Sleep(10);
    if (dialog) {
      drive(dialog);
    } else {
      ADD_FAILURE() << "the dialog did not appear";
    }
    driven = true;
    // Whatever the driver left open closes now.
    for (int i = 0; i < 100 && formDialogWindow(form); ++i) {
      PostMessageW(dialog, WM_CLOSE, 0, 0);
      Sleep(20);
    }
  });
  try {
    runFormDialog(form, owner);
  } catch (...) {
    driver.join();
    throw;
  }
  driver.join();
  EXPECT_TRUE(driven);
}

HWND child(HWND dialog, const Form& form, const char* name) {
  HWND h = formControlWindow(dialog, form, name);
  EXPECT_NE(h, nullptr) << name;
  return h;
}

std::string textOf(HWND hwnd) {
  wchar_t buffer[512] = {};
  SendMessageW(hwnd, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buffer));
  char out[1024] = {};
  WideCharToMultiByte(CP_UTF8, 0, buffer, -1, out, sizeof(out), nullptr, nullptr);
  return out;
}

std::wstring classOf(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return name;
}

void typeText(HWND edit, const std::wstring& text) {
  for (wchar_t ch : text) SendMessageW(edit, WM_CHAR, ch, 1);
}

void click(HWND button) {
  SendMessageW(button, BM_CLICK, 0, 0);
}

void mouse(HWND box, UINT message, WPARAM keys, int x, int y) {
  SendMessageW(box, message, keys, MAKELPARAM(x, y));
}

// The colour the picture box shows at (x, y) of its client area, as it prints itself.
COLORREF shownPixel(HWND box, int x, int y) {
  RECT r{};
  GetClientRect(box, &r);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, r.right, r.bottom);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  SendMessageW(box, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  const COLORREF c = GetPixel(dc, x, y);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return c;
}

// A BMP file of `width` × `height` pixels in one colour.
automation::Bytes bmpFile(int width, int height, COLORREF colour) {
  const int stride = width * 3 + (4 - width * 3 % 4) % 4;
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  info.biSize = sizeof(info);
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biSizeImage = static_cast<DWORD>(stride * height);
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(info);
  file.bfSize = file.bfOffBits + info.biSizeImage;
  automation::Bytes bytes(file.bfSize, 0);
  std::memcpy(bytes.data(), &file, sizeof(file));
  std::memcpy(bytes.data() + sizeof(file), &info, sizeof(info));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = bytes.data() + file.bfOffBits + y * stride + x * 3;
      p[0] = GetBValue(colour);
      p[1] = GetGValue(colour);
      p[2] = GetRValue(colour);
    }
  }
  return bytes;
}

// The clipboard holds the picture as a device-independent bitmap, as a tablet's software leaves it.
void putPictureOnClipboard(const automation::Bytes& bmp) {
  const std::size_t dibSize = bmp.size() - sizeof(BITMAPFILEHEADER);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, dibSize);
  std::memcpy(GlobalLock(memory), bmp.data() + sizeof(BITMAPFILEHEADER), dibSize);
  GlobalUnlock(memory);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  SetClipboardData(CF_DIB, memory);
  CloseClipboard();
}

// The clipboard's picture as BMP file bytes; empty when it holds none.
automation::Bytes clipboardPicture() {
  automation::Bytes bytes;
  if (!OpenClipboard(nullptr)) return bytes;
  if (HANDLE data = GetClipboardData(CF_DIB)) {
    const auto* dib = static_cast<const std::uint8_t*>(GlobalLock(data));
    const std::size_t size = GlobalSize(data);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfSize = static_cast<DWORD>(sizeof(file) + size);
    file.bfOffBits = sizeof(file) + reinterpret_cast<const BITMAPINFOHEADER*>(dib)->biSize;
    bytes.resize(sizeof(file));
    std::memcpy(bytes.data(), &file, sizeof(file));
    bytes.insert(bytes.end(), dib, dib + size);
    GlobalUnlock(data);
  }
  CloseClipboard();
  return bytes;
}

void pressKeys(std::initializer_list<BYTE> keys) {
  for (BYTE k : keys) keybd_event(k, 0, 0, 0);
  for (auto it = std::rbegin(keys); it != std::rend(keys); ++it) keybd_event(*it, 0, KEYEVENTF_KEYUP, 0);
}

std::string tempFile(const char* name, const automation::Bytes& bytes) {
  wchar_t dir[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, dir);
  std::wstring path = std::wstring(dir) + std::wstring(name, name + std::strlen(name));
  HANDLE f =
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(f);
  char out[MAX_PATH * 3] = {};
  WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, out, sizeof(out), nullptr, nullptr);
  return out;
}

// The seal window's controls, with handlers that report what the user did.
struct SealForm : Form {
  explicit SealForm(EventLog& log) : Form("FrmMySign", "电子盖章") {
    add("lblname", "label").set("Caption", "用户名称:");
    auto& owners = add("comUserList", "combo");
    owners.addItem("张三");
    owners.addItem("李四");
    owners.onClick = [this, &log] { log.add("select " + control("comUserList").selectedItem()); };
    add("lblpassword", "label").set("Caption", "用户密码:");
    auto& password = add("txtPassword", "text");
    password.set("PasswordChar", "*");
    add("cmdok", "button").set("Caption", "确定");
    add("cmdthis", "button").set("Caption", "调用");
    add("cmdcanel", "button").set("Caption", "取消");
    add("picshow", "picture");
    add("lblmsg", "label");
    add("compass", "combo").set("Visible", false);
    add("comPic", "combo").set("Visible", false);
    control("cmdok").onClick = [this, &log] {
      log.add("ok " + control("comUserList").selectedItem() + " " +
              control("txtPassword").get("Text").toString());
      control("lblmsg").set("Caption", "加载完成！");
      control("picshow").set("Picture", picture);
    };
    control("cmdcanel").onClick = [this, &log] {
      log.add("cancel");
      close();
    };
    onClose = [&log] { log.add("closed"); };
  }
  std::string picture;
};

TEST(FormDialog, SealWindowTakesOwnerAndPasswordAndShowsTheLoadedSeal) {
  EventLog log;
  SealForm form(log);
  form.picture = tempFile("verolin-seal.bmp", bmpFile(60, 60, RGB(220, 0, 0)));
  std::wstring passwordClass, boxClass;
  int passwordChar = 0, passwordWidth = 0;
  bool hiddenShown = true, focusedOwners = false;
  std::string caption, message;
  COLORREF preview = 0;
  runWithDriver(form, [&](HWND dialog) {
    caption = textOf(dialog);
    HWND password = child(dialog, form, "txtPassword");
    passwordClass = classOf(password);
    boxClass = classOf(child(dialog, form, "picshow"));
    passwordChar = static_cast<int>(SendMessageW(password, EM_GETPASSWORDCHAR, 0, 0));
    RECT r{};
    GetWindowRect(password, &r);
    passwordWidth = r.right - r.left;
    hiddenShown = IsWindowVisible(child(dialog, form, "compass"));
    GUITHREADINFO gui{};
    gui.cbSize = sizeof(gui);
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &gui);
    focusedOwners = gui.hwndFocus == child(dialog, form, "comUserList");

    HWND owners = child(dialog, form, "comUserList");
    SendMessageW(owners, WM_KEYDOWN, VK_DOWN, 0);
    SendMessageW(owners, WM_KEYDOWN, VK_DOWN, 0);
    typeText(password, L"密码1");
    click(child(dialog, form, "cmdok"));
    log.waitFor("ok 李四 密码1");
    message = textOf(child(dialog, form, "lblmsg"));
    HWND box = child(dialog, form, "picshow");
    RECT c{};
    GetClientRect(box, &c);
    preview = shownPixel(box, c.right / 2, c.bottom / 2);
    click(child(dialog, form, "cmdcanel"));
  });
  EXPECT_EQ(caption, "电子盖章");
  EXPECT_EQ(passwordClass, L"Edit");
  EXPECT_EQ(boxClass, L"VerolinPictureBox");
  EXPECT_EQ(passwordChar, '*');
  EXPECT_EQ(passwordWidth, 2040 / 15);  // twips at 96 dots per inch
  EXPECT_FALSE(hiddenShown);
  EXPECT_TRUE(focusedOwners);  // the keyboard starts in the first control
  EXPECT_EQ(message, "加载完成！");
  EXPECT_EQ(preview, RGB(220, 0, 0));
  EXPECT_EQ(log.events(),
            (std::vector<std::string>{"select 张三", "select 李四", "ok 李四 密码1", "cancel", "closed"}));
  EXPECT_FALSE(form.isOpen());
  EXPECT_EQ(formDialogWindow(form), nullptr);
}

// The handwriting window's model in small: the box draws into a raster in its twips scale and takes a
// clipboard picture on Ctrl+V, the check box turns mouse mode on with pen width 3.
struct HandwritingForm : Form {
  explicit HandwritingForm(EventLog& log) : Form("FrmHandWritd", "手写板签名"), raster(372, 268) {
    auto& box = add("picgetimage", "picture");
    box.set("BackColor", static_cast<std::int32_t>(kWindowColour));
    box.onMouse = [this, &log](MouseAction a, int button, int, double x, double y) {
      const int px = static_cast<int>(x / 15), py = static_cast<int>(y / 15);
      if (!mouseMode || button != 1) return;
      if (a == MouseAction::Down) raster.point(px, py);
      if (a != MouseAction::Down) raster.line(lastX, lastY, px, py);
      lastX = px;
      lastY = py;
      if (a == MouseAction::Up) log.add("stroke");
    };
    box.onKey = [this, &log](int keyCode, int shift) {
      log.add("key " + std::to_string(keyCode) + " " + std::to_string(shift));
      if (keyCode == 'V' && shift == 2) picture = clipboardPicture();
    };
    box.onRead = [this](std::string_view p) -> std::optional<Variant> {
      const std::string key = text::toLowerAscii(p);
      if (key == "image") return Variant(raster.png());
      if (key == "inkedpixels") return Variant(static_cast<std::int32_t>(raster.inkedPixels()));
      if (key == "picture") return picture.empty() ? Variant() : Variant(picture);
      if (key == "drawwidth") return Variant(static_cast<std::int16_t>(raster.penWidth()));
      return std::nullopt;
    };
    auto& mode = add("Csign1", "check");
    mode.set("Caption", "用鼠标签名");
    mode.set("Value", std::int16_t{0});
    mode.onClick = [this, &log] {
      mouseMode = !mouseMode;
      control("Csign1").set("Value", static_cast<std::int16_t>(mouseMode ? 1 : 0));
      raster.setPenWidth(3);
      log.add(mouseMode ? "mouse mode" : "tablet mode");
    };
    add("cmdcancel", "button").set("Caption", "取 消");
    add("cmdclean", "button").set("Caption", "重 写");
    add("cmdok", "button").set("Caption", "确 定");
    control("cmdclean").onClick = [this, &log] {
      raster.clear();
      picture.clear();
      log.add("clean");
    };
    control("cmdcancel").onClick = [this] { close(); };
  }
  Raster raster;
  automation::Bytes picture;
  bool mouseMode = false;
  int lastX = 0, lastY = 0;
};

TEST(FormDialog, HandwritingBoxDrawsTheStrokeWithThePenWidthAndKeepsIt) {
  EventLog log;
  HandwritingForm form(log);
  int checked = -1;
  bool topmost = false;
  COLORREF onStroke = 0, besideStroke = 0, afterRightDrag = 0, afterClean = 0;
  runWithDriver(form, [&](HWND dialog) {
    topmost = (GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    click(child(dialog, form, "Csign1"));
    log.waitFor("mouse mode");
    checked = static_cast<int>(SendMessageW(child(dialog, form, "Csign1"), BM_GETCHECK, 0, 0));
    HWND box = child(dialog, form, "picgetimage");
    mouse(box, WM_LBUTTONDOWN, MK_LBUTTON, 20, 20);
    mouse(box, WM_MOUSEMOVE, MK_LBUTTON, 60, 20);
    mouse(box, WM_MOUSEMOVE, MK_LBUTTON, 100, 60);
    mouse(box, WM_LBUTTONUP, 0, 100, 60);
    log.waitFor("stroke");
    // The box is painted again from scratch: what was drawn is still there.
    InvalidateRect(box, nullptr, TRUE);
    UpdateWindow(box);
    onStroke = shownPixel(box, 40, 21);  // inside a stroke 3 pixels wide
    besideStroke = shownPixel(box, 40, 26);
    mouse(box, WM_RBUTTONDOWN, MK_RBUTTON, 20, 100);
    mouse(box, WM_MOUSEMOVE, MK_RBUTTON, 80, 100);
    mouse(box, WM_RBUTTONUP, 0, 80, 100);
    afterRightDrag = shownPixel(box, 50, 100);
    click(child(dialog, form, "cmdclean"));
    log.waitFor("clean");
    afterClean = shownPixel(box, 40, 20);
    click(child(dialog, form, "cmdcancel"));
  });
  EXPECT_TRUE(topmost);
  EXPECT_EQ(checked, BST_CHECKED);
  EXPECT_EQ(onStroke, RGB(0, 0, 0));
  EXPECT_EQ(besideStroke, RGB(255, 255, 255));
  EXPECT_EQ(afterRightDrag, RGB(255, 255, 255));
  EXPECT_EQ(afterClean, RGB(255, 255, 255));
  EXPECT_EQ(log.events(), (std::vector<std::string>{"mouse mode", "stroke", "clean"}));
}

TEST(FormDialog, CtrlVPastesTheClipboardPictureIntoTheBox) {
  EventLog log;
  HandwritingForm form(log);
  putPictureOnClipboard(bmpFile(50, 40, RGB(0, 0, 200)));
  COLORREF before = 0, pasted = 0;
  runWithDriver(form, [&](HWND dialog) {
    HWND box = child(dialog, form, "picgetimage");
    before = shownPixel(box, 10, 10);
    SetForegroundWindow(dialog);
    pressKeys({VK_CONTROL, VK_SHIFT, 'V'});
    log.waitFor("key 86 3");
    pressKeys({VK_CONTROL, 'V'});
    log.waitFor("key 86 2");
    pasted = shownPixel(box, 10, 10);
    click(child(dialog, form, "cmdcancel"));
  });
  EXPECT_EQ(before, RGB(255, 255, 255));
  EXPECT_EQ(pasted, RGB(0, 0, 200));
  const auto events = log.events();
  EXPECT_NE(std::find(events.begin(), events.end(), "key 86 3"), events.end());
  EXPECT_NE(std::find(events.begin(), events.end(), "key 86 2"), events.end());
  EXPECT_FALSE(form.picture.empty());
}

TEST(FormDialog, MarkListShowsItsLinesAndCountAndClosesOnOk) {
  EventLog log;
  Form form("FrmShowElectronSealInfo", "盖章信息");
  auto& list = form.add("lisMsg", "list");
  list.addItem("1. 盖章人姓名:张三  盖章日期:2026年12月8日9时5分3秒");
  list.addItem("2. 盖章人姓名:李四  盖章日期:2026年12月8日9时6分0秒");
  form.add("lblmsg", "label").set("Caption", "本文档有效盖章列表:(共2个)");
  form.add("cmdok", "button").set("Caption", "确 定");
  form.control("cmdok").onClick = [&] {
    log.add("ok");
    form.close();
  };
  form.setCaption("签名信息");
  int count = 0;
  std::string first, label, caption;
  runWithDriver(form, [&](HWND dialog) {
    caption = textOf(dialog);
    HWND lines = child(dialog, form, "lisMsg");
    count = static_cast<int>(SendMessageW(lines, LB_GETCOUNT, 0, 0));
    wchar_t buffer[256] = {};
    SendMessageW(lines, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(buffer));
    char out[512] = {};
    WideCharToMultiByte(CP_UTF8, 0, buffer, -1, out, sizeof(out), nullptr, nullptr);
    first = out;
    label = textOf(child(dialog, form, "lblmsg"));
    click(child(dialog, form, "cmdok"));
  });
  EXPECT_EQ(caption, "签名信息");
  EXPECT_EQ(count, 2);
  EXPECT_EQ(first, "1. 盖章人姓名:张三  盖章日期:2026年12月8日9时5分3秒");
  EXPECT_EQ(label, "本文档有效盖章列表:(共2个)");
  EXPECT_EQ(log.events(), std::vector<std::string>{"ok"});
  EXPECT_FALSE(form.isOpen());
}

TEST(FormDialog, RevisionLogDoubleClickReportsTheChosenLine) {
  EventLog log;
  Form form("FrmOpMsg", "操作日志");
  form.add("lblmsg", "label").set("Caption", "操作日志(双击查看内容)");
  auto& lines = form.add("libmsg", "list");
  for (const char* line : {"插入: 第一段", "删除: 第二段", "插入: 第三段"}) lines.addItem(line);
  lines.onDblClick = [&] { log.add("dblclick " + form.control("libmsg").get("ListIndex").toString()); };
  form.add("cmdok", "button").set("Caption", "确  定");
  form.control("cmdok").onClick = [&] { form.close(); };
  runWithDriver(form, [&](HWND dialog) {
    HWND list = child(dialog, form, "libmsg");
    SendMessageW(list, WM_KEYDOWN, VK_DOWN, 0);
    SendMessageW(list, WM_KEYDOWN, VK_DOWN, 0);
    RECT item{};
    SendMessageW(list, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item));
    mouse(list, WM_LBUTTONDBLCLK, MK_LBUTTON, item.left + 5, (item.top + item.bottom) / 2);
    mouse(list, WM_LBUTTONUP, 0, item.left + 5, (item.top + item.bottom) / 2);
    log.waitFor("dblclick 1");
    click(child(dialog, form, "cmdok"));
  });
  EXPECT_EQ(log.events(), std::vector<std::string>{"dblclick 1"});
}

TEST(FormDialog, ModelChangesShowInTheWindows) {
  Form form("FrmOpMsg", "操作日志");
  form.add("lblmsg", "label").set("Caption", "before");
  form.add("libmsg", "list").addItem("one");
  form.add("cmdok", "button").set("Caption", "确  定");
  form.control("cmdok").onClick = [&] {
    form.setCaption("after");
    form.control("lblmsg").set("Caption", "changed");
    form.control("lblmsg").set("Visible", false);
    form.control("libmsg").addItem("two");
    form.control("libmsg").set("ListIndex", std::int32_t{1});
    form.control("libmsg").set("Enabled", false);
  };
  std::string caption;
  std::string label;
  bool labelVisible = true, listEnabled = true;
  int count = 0, selected = -1;
  runWithDriver(form, [&](HWND dialog) {
    click(child(dialog, form, "cmdok"));
    caption = textOf(dialog);
    label = textOf(child(dialog, form, "lblmsg"));
    labelVisible = IsWindowVisible(child(dialog, form, "lblmsg"));
    HWND list = child(dialog, form, "libmsg");
    listEnabled = IsWindowEnabled(list);
    count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    selected = static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0));
  });
  EXPECT_EQ(caption, "after");
  EXPECT_EQ(label, "changed");
  EXPECT_FALSE(labelVisible);
  EXPECT_FALSE(listEnabled);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(selected, 1);
}

TEST(FormDialog, CloseBoxClosesTheFormOnceAndTheOwnerIsDisabledMeanwhile) {
  HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(owner, nullptr);
  int closes = 0;
  Form form("FrmShowElectronSealInfo", "盖章信息");
  form.add("lisMsg", "list");
  form.onClose = [&] { ++closes; };
  bool ownerEnabledMeanwhile = true;
  runWithDriver(
      form,
      [&](HWND dialog) {
        ownerEnabledMeanwhile = IsWindowEnabled(owner);
        SendMessageW(dialog, WM_CLOSE, 0, 0);
      },
      owner);
  EXPECT_FALSE(ownerEnabledMeanwhile);
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_EQ(closes, 1);
  EXPECT_FALSE(form.isOpen());
  DestroyWindow(owner);
}

TEST(FormDialog, AFailingHandlerClosesTheDialogAndReachesTheCaller) {
  Form form("FrmOpMsg", "操作日志");
  form.add("cmdok", "button").onClick = [] { throw automation::errorOf(5, "cmdok"); };
  int closes = 0;
  form.onClose = [&] { ++closes; };
  EXPECT_THROW(runWithDriver(form, [&](HWND dialog) { click(child(dialog, form, "cmdok")); }),
               automation::AutomationError);
  EXPECT_EQ(closes, 1);
  EXPECT_FALSE(form.isOpen());
  EXPECT_EQ(formDialogWindow(form), nullptr);
}

TEST(FormDialog, AFormShownFromAFormIsTheCurrentOneAndDisablesItsOwner) {
  Form outer("FrmOpMsg", "操作日志");
  Form inner("FrmShowElectronSealInfo", "盖章信息");
  HWND outerWindow = nullptr, currentBefore = nullptr, currentInside = nullptr, currentAfter = nullptr;
  bool outerEnabledAfter = false;
  inner.add("cmdok", "button").onClick = [&] {
    currentInside = currentFormDialog();
    inner.close();
  };
  outer.add("cmdok", "button").onClick = [&] {
    outerWindow = formDialogWindow(outer);
    currentBefore = currentFormDialog();
    runFormDialog(inner, currentFormDialog());
    currentAfter = currentFormDialog();
    outerEnabledAfter = IsWindowEnabled(outerWindow);
  };
  bool outerEnabledMeanwhile = true;
  HWND innerWindow = nullptr;
  runWithDriver(outer, [&](HWND dialog) {
    // Posted: the click's handler runs the inner form until this thread closes it.
    PostMessageW(child(dialog, outer, "cmdok"), BM_CLICK, 0, 0);
    for (int i = 0; i < 500 && !(innerWindow = formDialogWindow(inner)); ++i) Sleep(10);
    outerEnabledMeanwhile = IsWindowEnabled(dialog);
    click(child(innerWindow, inner, "cmdok"));
    for (int i = 0; i < 500 && formDialogWindow(inner); ++i) Sleep(10);
    PostMessageW(dialog, WM_CLOSE, 0, 0);
  });
  EXPECT_EQ(currentBefore, outerWindow);
  EXPECT_EQ(currentInside, innerWindow);
  EXPECT_NE(currentInside, nullptr);
  EXPECT_EQ(currentAfter, outerWindow);
  EXPECT_FALSE(outerEnabledMeanwhile);
  EXPECT_TRUE(outerEnabledAfter);
  EXPECT_EQ(currentFormDialog(), nullptr);
}

TEST(FormDialog, AFormWithoutALayoutStacksItsControls) {
  Form form("FrmOther", "其他");
  form.add("lblone", "label").set("Caption", "一");
  form.add("txttwo", "text").set("Text", "二");
  RECT one{}, two{};
  std::string text;
  runWithDriver(form, [&](HWND dialog) {
    GetWindowRect(child(dialog, form, "lblone"), &one);
    GetWindowRect(child(dialog, form, "txttwo"), &two);
    text = textOf(child(dialog, form, "txttwo"));
    PostMessageW(dialog, WM_CLOSE, 0, 0);
  });
  EXPECT_LT(one.bottom, two.top + 1);
  EXPECT_EQ(text, "二");
}

TEST(PictureBitmap, DecodesAndEncodesPictures) {
  SIZE size{};
  HBITMAP bitmap = DecodePicture(bmpFile(7, 5, RGB(1, 2, 3)), &size);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(size.cx, 7);
  EXPECT_EQ(size.cy, 5);
  const automation::Bytes png = EncodePng(bitmap);
  DeleteObject(bitmap);
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(png[1], 'P');
  HBITMAP again = DecodePicture(png, &size);
  ASSERT_NE(again, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, again);
  EXPECT_EQ(GetPixel(dc, 3, 2), RGB(1, 2, 3));
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(again);
  EXPECT_EQ(DecodePicture(automation::Bytes{'n', 'o', 'p', 'e'}, &size), nullptr);
}

}  // namespace
}  // namespace verolin::platform::win32
