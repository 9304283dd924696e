// A seal page on loopback for the Windows tests and screenshots: the owner list (张三 with the seal
// password "zs123", 李四) and 张三's seal picture as a container encrypted with that password, as the
// control's seal window asks for them. One request per connection.
#pragma once

// winsock2.h first: windows.h would bring in the old winsock otherwise.
#include <winsock2.h>

#include <windows.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "automation/variant.h"
#include "crypto/crypto.h"

namespace verolin::platform::win32 {

// UTF-8 text as the server's wire bytes (code page 936, the control's default).
inline std::string gbk(const std::string& utf8) {
  std::wstring w(utf8.size(), L'\0');
  w.resize(static_cast<std::size_t>(MultiByteToWideChar(
      CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), static_cast<int>(w.size()))));
  std::string out(w.size() * 2, '\0');
  out.resize(
      static_cast<std::size_t>(WideCharToMultiByte(936, 0, w.data(), static_cast<int>(w.size()), out.data(),
                                                   static_cast<int>(out.size()), nullptr, nullptr)));
  return out;
}

class SealServer {
 public:
  // Serves `sealPng` (a PNG file's bytes) as 张三's seal.
  explicit SealServer(const automation::Bytes& sealPng) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    picture_ = crypto::encryptBytes(std::string(sealPng.begin(), sealPng.end()), "png", "zs123");
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

}  // namespace verolin::platform::win32
