// The seal window end to end on Windows: the control's own ElectronSeal on the Windows platform fetches
// the owner list from a seal server on loopback, its form is the real dialog, and a second thread plays
// the user: picks the owner, types a wrong password and then the right one, loads the seal (fetched
// through XMLHTTP and decrypted with the password), sees it in the preview, asks to place it without a
// word processor and cancels. The host's message boxes are answered as they come.
// winsock2.h first: windows.h would bring in the old winsock otherwise.
#include <winsock2.h>

#include <windows.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "control/apartment.h"
#include "control/control.h"
#include "crypto/crypto.h"
#include "platform/form.h"
#include "platform/raster.h"
#include "platform/win32/form_dialog.h"
#include "platform/win32/windows_platform.h"
#include "seal/seal_placement.h"
#include "seal/seal_window.h"
#include "windows/form_dialog_host.h"

namespace verolin::platform::win32 {
namespace {

constexpr Colour kSealRed = 0x2020D0;  // 0x00BBGGRR

// UTF-8 text as the server's wire bytes (code page 936, the control's default).
std::string gbk(const std::string& utf8) {
  std::wstring w(utf8.size(), L'\0');
  w.resize(static_cast<std::size_t>(MultiByteToWideChar(
      CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), static_cast<int>(w.size()))));
  std::string out(w.size() * 2, '\0');
  out.resize(
      static_cast<std::size_t>(WideCharToMultiByte(936, 0, w.data(), static_cast<int>(w.size()), out.data(),
                                                   static_cast<int>(out.size()), nullptr, nullptr)));
  return out;
}

// A seal page on loopback: the owner list and 张三's seal picture, a container encrypted with the
// owner's seal password "zs123". One request per connection.
class SealServer {
 public:
  SealServer() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    Raster seal(80, 80, kWindowColour, kSealRed);
    seal.setPenWidth(60);
    seal.point(40, 40);
    const automation::Bytes png = seal.png();
    picture_ = crypto::encryptBytes(std::string(png.begin(), png.end()), "png", "zs123");
    list_ = gbk("ǐ§张三§李四§ǐ" + crypto::encodeSealPassword("zs123") + "§" +
                crypto::encodeSealPassword("ls456") + "§ǐzhang.jia§li.jia§");
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    int size = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
    listen(listener_, 8);
    thread_ = std::thread([this] { serve(); });
  }
  ~SealServer() {
    closesocket(listener_);
    thread_.join();
    WSACleanup();
  }
  std::string page() const { return "http://127.0.0.1:" + std::to_string(port_) + "/page"; }
  std::vector<std::string> requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }

 private:
  void serve() {
    for (;;) {
      const SOCKET client = accept(listener_, nullptr, nullptr);
      if (client == INVALID_SOCKET) return;
      std::string request;
      char buffer[4096];
      while (request.find("\r\n\r\n") == std::string::npos) {
        const int got = recv(client, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        request.append(buffer, static_cast<std::size_t>(got));
      }
      const std::string line = request.substr(0, request.find("\r\n"));
      std::string body;
      std::string status = "200 OK";
      if (line.find("RequestType=GetSealList") != std::string::npos) {
        body = list_;
      } else if (line.find("RequestType=GetSealPicture") != std::string::npos &&
                 line.find("fileName=zhang.jia") != std::string::npos) {
        body = picture_;
      } else {
        status = "404 Not Found";
      }
      {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(line.substr(0, line.find(" HTTP/")));
      }
      const std::string reply = "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(body.size()) +
                                "\r\nConnection: close\r\n\r\n" + body;
      send(client, reply.data(), static_cast<int>(reply.size()), 0);
      closesocket(client);
    }
  }

  std::string list_;
  std::string picture_;
  SOCKET listener_ = INVALID_SOCKET;
  int port_ = 0;
  std::mutex mutex_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

HWND waitForWindow(const wchar_t* title) {
  for (int i = 0; i < 1000; ++i) {
    HWND w = FindWindowW(nullptr, title);
    if (w && IsWindowVisible(w)) return w;
    Sleep(10);
  }
  return nullptr;
}

// Answers the host's message box titled `caption` with OK; true when it came.
bool answerMessage(const wchar_t* caption) {
  HWND box = waitForWindow(caption);
  if (!box) return false;
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
  for (int i = 0; i < 500 && IsWindow(box); ++i) Sleep(10);
  return true;
}

std::string textOf(HWND hwnd) {
  wchar_t buffer[256] = {};
  SendMessageW(hwnd, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(buffer));
  char out[768] = {};
  WideCharToMultiByte(CP_UTF8, 0, buffer, -1, out, sizeof(out), nullptr, nullptr);
  return out;
}

COLORREF previewCentre(HWND box) {
  RECT r{};
  GetClientRect(box, &r);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, r.right, r.bottom);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  SendMessageW(box, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  const COLORREF c = GetPixel(dc, r.right / 2, r.bottom / 2);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return c;
}

void typeText(HWND edit, const std::wstring& text) {
  SetWindowTextW(edit, L"");
  for (wchar_t ch : text) SendMessageW(edit, WM_CHAR, ch, 1);
}

TEST(FormSeal, OwnerPasswordAndLoadThroughTheRealDialogShowTheDecryptedSeal) {
  SealServer server;
  WindowsPlatform windows;
  std::mutex linesMutex;
  std::vector<std::string> lines;
  windows.host->onTrace = [&](std::string_view category, std::string_view line) {
    std::lock_guard<std::mutex> lock(linesMutex);
    lines.push_back(std::string(category) + ": " + std::string(line));
  };
  DialogHost host(*windows.host);
  Platform platform = windows.platform();
  platform.host = &host;
  control::Apartment apartment(platform);
  control::Control c(apartment);
  c.state().docOpen = true;
  c.state().activeForm = server.page();
  seal::SealWindow& window = apartment.instance<seal::SealWindow>();

  bool wrongPasswordTold = false, noWordTold = false;
  std::string progress;
  COLORREF preview = 0;
  std::thread user([&] {
    HWND dialog = nullptr;
    for (int i = 0; i < 1000 && !(dialog = formDialogWindow(window)); ++i) Sleep(10);
    if (!dialog) return;
    auto item = [&](const char* name) { return formControlWindow(dialog, window, name); };
    SendMessageW(item("comUserList"), WM_KEYDOWN, VK_DOWN, 0);
    typeText(item("txtPassword"), L"wrong");
    PostMessageW(item("cmdok"), BM_CLICK, 0, 0);
    wrongPasswordTold = answerMessage(L"密码错误");
    typeText(item("txtPassword"), L"zs123");
    PostMessageW(item("cmdok"), BM_CLICK, 0, 0);
    for (int i = 0; i < 1000 && (progress = textOf(item("lblmsg"))) != "加载完成！"; ++i) Sleep(10);
    preview = previewCentre(item("picshow"));
    PostMessageW(item("cmdthis"), BM_CLICK, 0, 0);
    noWordTold = answerMessage(L"错误");
    PostMessageW(item("cmdcanel"), BM_CLICK, 0, 0);
  });
  seal::ElectronSeal(c, "GetSealList", automation::Variant("GetSealPicture"));
  user.join();

  EXPECT_TRUE(wrongPasswordTold);
  EXPECT_EQ(progress, "加载完成！");
  EXPECT_EQ(preview, RGB(0xD0, 0x20, 0x20));
  EXPECT_TRUE(noWordTold);
  EXPECT_FALSE(window.isOpen());
  // Cancel deleted the decrypted picture and nothing was recorded.
  EXPECT_TRUE(window.sealPictureFile.empty());
  EXPECT_TRUE(c.state().sealIdList.empty());
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0], "GET /page?RequestType=GetSealList");
  EXPECT_NE(requests[1].find("RequestType=GetSealPicture"), std::string::npos);
  EXPECT_NE(requests[1].find("fileName=zhang.jia"), std::string::npos);
  std::lock_guard<std::mutex> lock(linesMutex);
  auto has = [&](const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  };
  EXPECT_TRUE(has("msgbox: 密码错误|64|密码不正确！ -> 1")) << ::testing::PrintToString(lines);
  EXPECT_TRUE(has("msgbox: 错误|64|没有找到WORD对象 -> 1")) << ::testing::PrintToString(lines);
}

}  // namespace
}  // namespace verolin::platform::win32
