// A small server page on loopback for the transfer tests: it records every request line and body
// and answers what the test asks for, by RequestType (or by path for plain URLs).
#pragma once

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace verolin::transfer::testing {

struct RecordedRequest {
  std::string method;
  std::string target;  // exactly as it came over the wire
  std::string body;
};

class TestServer {
 public:
  using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

  TestServer() {
    auto handle = [this](const httplib::Request& req, httplib::Response& res) { dispatch(req, res); };
    server_.Get(".*", handle);
    server_.Post(".*", handle);
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ~TestServer() {
    releaseHeld();
    server_.stop();
    thread_.join();
  }
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;

  int port() const { return port_; }
  std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }
  // The server page's address, as a page sets ActiveForm.
  std::string form() const { return base() + "/page.asp"; }

  // Answers requests whose RequestType (or, without one, whose path) is `key`.
  void on(const std::string& key, Handler handler) {
    std::lock_guard lock(mutex_);
    handlers_[key] = std::move(handler);
  }
  // Answers with `status` and `body`.
  void answer(const std::string& key, std::string body, int status = 200) {
    on(key, [body = std::move(body), status](const httplib::Request&, httplib::Response& res) {
      res.status = status;
      res.set_content(body, "application/octet-stream");
    });
  }
  // Answers nothing until the test ends: a server that hangs.
  void hang(const std::string& key) {
    on(key, [this](const httplib::Request&, httplib::Response& res) {
      std::unique_lock lock(holdMutex_);
      holdDone_.wait_for(lock, std::chrono::seconds(30), [this] { return released_; });
      res.set_content("late", "text/plain");
    });
  }

  std::vector<RecordedRequest> requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }
  std::vector<std::string> targets() const {
    std::vector<std::string> out;
    for (const auto& r : requests()) out.push_back(r.target);
    return out;
  }

 private:
  void dispatch(const httplib::Request& req, httplib::Response& res) {
    Handler handler;
    {
      std::lock_guard lock(mutex_);
      requests_.push_back({req.method, req.target, req.body});
      const std::string type = req.get_param_value("RequestType");
      auto it = handlers_.find(type.empty() ? req.path : type);
      if (it != handlers_.end()) handler = it->second;
    }
    if (handler) {
      handler(req, res);
    } else {
      res.status = 404;
      res.set_content("no such page", "text/plain");
    }
  }
  void releaseHeld() {
    std::lock_guard lock(holdMutex_);
    released_ = true;
    holdDone_.notify_all();
  }

  httplib::Server server_;
  std::thread thread_;
  int port_ = 0;
  mutable std::mutex mutex_;
  std::map<std::string, Handler> handlers_;
  std::vector<RecordedRequest> requests_;
  std::mutex holdMutex_;
  std::condition_variable holdDone_;
  bool released_ = false;
};

}  // namespace verolin::transfer::testing
