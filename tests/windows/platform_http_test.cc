// The request object over XMLHTTP against a small HTTP server on loopback in this process.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>

#include "automation/error.h"
#include "platform/win32/windows_platform.h"

namespace verolin::platform::win32 {
namespace {

std::string allByteValues() {
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
  return bytes;
}

// Answers one request per connection: GET /bytes gives every byte value, POST /echo the body it got,
// GET /cookie the Cookie header it got; anything else is 404.
class LoopbackServer {
 public:
  LoopbackServer() {
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;  // the system picks a free port
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    int size = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
    ::listen(listener_, 8);
    thread_ = std::thread([this] { serve(); });
  }
  ~LoopbackServer() {
    stopping_ = true;
    ::closesocket(listener_);
    thread_.join();
    ::WSACleanup();
  }

  std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
  std::string lastRequest() {
    std::lock_guard<std::mutex> lock(mutex_);
    return lastRequest_;
  }

 private:
  void serve() {
    while (!stopping_) {
      const SOCKET client = ::accept(listener_, nullptr, nullptr);
      if (client == INVALID_SOCKET) return;
      answer(client);
      ::closesocket(client);
    }
  }

  void answer(SOCKET client) {
    std::string request;
    char buffer[4096];
    std::size_t headerEnd = std::string::npos;
    while (headerEnd == std::string::npos) {
      const int got = ::recv(client, buffer, sizeof buffer, 0);
      if (got <= 0) return;
      request.append(buffer, static_cast<std::size_t>(got));
      headerEnd = request.find("\r\n\r\n");
    }
    std::size_t length = 0;
    const std::string head = request.substr(0, headerEnd);
    std::string lower = head;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (const auto at = lower.find("content-length:"); at != std::string::npos) {
      length = std::stoul(head.substr(at + 15));
    }
    while (request.size() < headerEnd + 4 + length) {
      const int got = ::recv(client, buffer, sizeof buffer, 0);
      if (got <= 0) return;
      request.append(buffer, static_cast<std::size_t>(got));
    }
    const std::string body = request.substr(headerEnd + 4, length);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      lastRequest_ = head;
    }
    std::string status = "200 OK";
    std::string content;
    if (head.rfind("GET /bytes ", 0) == 0) {
      content = allByteValues();
    } else if (head.rfind("POST /echo ", 0) == 0) {
      content = body;
    } else if (head.rfind("GET /cookie ", 0) == 0) {
      const auto at = lower.find("\r\ncookie:");
      content = at == std::string::npos ? "" : head.substr(at + 10, head.find("\r\n", at + 2) - at - 10);
    } else {
      status = "404 Not Found";
      content = "no such page";
    }
    const std::string reply = "HTTP/1.1 " + status +
                              "\r\nContent-Type: application/octet-stream\r\nX-Verolin: one\r\nContent-Length: " +
                              std::to_string(content.size()) + "\r\nConnection: close\r\n\r\n" + content;
    ::send(client, reply.data(), static_cast<int>(reply.size()), 0);
  }

  SOCKET listener_ = INVALID_SOCKET;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::mutex mutex_;
  std::string lastRequest_;
  std::thread thread_;
};

automation::Bytes bytesOf(const std::string& text) {
  return automation::Bytes(text.begin(), text.end());
}

class HttpTest : public ::testing::Test {
 protected:
  LoopbackServer server;
  std::unique_ptr<HttpFactory> factory = newHttpFactory();
};

TEST_F(HttpTest, GetReceivesEveryByteValueWithStatusAndHeaders) {
  auto request = factory->create();
  EXPECT_EQ(request->readyState(), 0);
  request->open("GET", server.url("/bytes"));
  EXPECT_EQ(request->readyState(), 1);
  request->send();
  EXPECT_EQ(request->readyState(), 4);
  EXPECT_EQ(request->status(), 200);
  EXPECT_EQ(request->responseBody(), bytesOf(allByteValues()));
  EXPECT_EQ(request->getResponseHeader("x-verolin"), "one");
  EXPECT_EQ(request->getResponseHeader("X-Missing"), "");
}

TEST_F(HttpTest, PostSendsEveryByteValueAndRequestHeaders) {
  auto request = factory->create();
  request->open("POST", server.url("/echo"));
  request->setRequestHeader("X-Action", "upload");
  request->send(bytesOf(allByteValues()));
  EXPECT_EQ(request->status(), 200);
  EXPECT_EQ(request->responseBody(), bytesOf(allByteValues()));
  EXPECT_NE(server.lastRequest().find("X-Action: upload"), std::string::npos);
}

TEST_F(HttpTest, BodyGoesToASinkOrAFileInsteadOfMemory) {
  auto request = factory->create();
  std::string received;
  request->receiveWith([&](const char* data, std::size_t size) { received.append(data, size); });
  request->open("GET", server.url("/bytes"));
  request->send();
  EXPECT_EQ(received, allByteValues());
  EXPECT_TRUE(request->responseBody().empty());

  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  const std::filesystem::path file = std::filesystem::path(temp) / L"verolin 下载.bin";
  auto second = factory->create();
  second->receiveInto(file);
  second->open("POST", server.url("/echo"));
  second->send(bytesOf("body into a file"));
  std::ifstream in(file, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "body into a file");
  in.close();
  std::filesystem::remove(file);
}

TEST_F(HttpTest, NotFoundIsACompletedExchange) {
  auto request = factory->create();
  request->open("GET", server.url("/nowhere"));
  request->send();
  EXPECT_EQ(request->readyState(), 4);
  EXPECT_EQ(request->status(), 404);
  EXPECT_EQ(request->responseBody(), bytesOf("no such page"));
}

TEST_F(HttpTest, RefusedConnectionThrowsAndLeavesTheExchangeIncomplete) {
  // A port that was just free: nobody listens there.
  SOCKET probe = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
  int size = sizeof address;
  ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size);
  ::closesocket(probe);
  auto request = factory->create();
  request->open("GET", "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/bytes");
  try {
    request->send();
    FAIL() << "a refused connection was reported as success";
  } catch (const automation::AutomationError& e) {
    EXPECT_LT(e.number(), 0) << "an HRESULT";
    EXPECT_NE(e.description().find("connection"), std::string::npos) << e.description();
  }
  EXPECT_NE(request->readyState(), 4);
  EXPECT_EQ(request->status(), 0);
}

TEST_F(HttpTest, HeaderThatWouldBreakTheLineIsRefused) {
  auto request = factory->create();
  request->open("GET", server.url("/bytes"));
  EXPECT_THROW(request->setRequestHeader("X-Bad", "a\r\nInjected: yes"), automation::AutomationError);
  EXPECT_THROW(request->setRequestHeader("X:Bad", "a"), automation::AutomationError);
}

TEST_F(HttpTest, PagesCookiesGoToTheirSite) {
  MemoryCookieJar jar;
  jar.set("SESSION", "abc123", "127.0.0.1");
  jar.set("OTHER", "elsewhere", "example.org");
  HttpOptions options;
  options.cookies = &jar;
  auto request = newHttpFactory(options)->create();
  request->open("GET", server.url("/cookie"));
  request->send();
  const auto body = request->responseBody();
  const std::string cookie(body.begin(), body.end());
  EXPECT_NE(cookie.find("SESSION=abc123"), std::string::npos) << cookie;
  EXPECT_EQ(cookie.find("OTHER"), std::string::npos) << cookie;
}

}  // namespace
}  // namespace verolin::platform::win32
