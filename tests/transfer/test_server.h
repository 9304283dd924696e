// A server page on loopback that records every request line and body and answers by RequestType
// (or, without one, by path); unknown requests get 404. A hanging answer waits for the test's end.
#pragma once

#include <httplib.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace verolin::transfer::testing {

struct RecordedRequest {
  std::string method, target, body;  // target exactly as it came over the wire
  std::string ifMatch;               // the version the request said it was based on, if any
  std::string cookie;                // the Cookie header, if any
};

class TestServer {
 public:
  TestServer() {
    auto handle = [this](const httplib::Request& req, httplib::Response& res) { dispatch(req, res); };
    server_.Get(".*", handle);
    server_.Post(".*", handle);
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ~TestServer() {
    {
      std::lock_guard lock(mutex_);
      ended_ = true;
    }
    endedSignal_.notify_all();
    server_.stop();
    thread_.join();
  }

  std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }
  std::string form() const { return base() + "/page.asp"; }

  void answer(const std::string& key, std::string body, int status = 200) {
    std::lock_guard lock(mutex_);
    answers_[key] = {status, std::move(body), false};
  }
  void hang(const std::string& key) {
    std::lock_guard lock(mutex_);
    answers_[key] = {200, "late", true};
  }
  // Every answer names this version tag; the page otherwise knows nothing of versions.
  void tagAnswers(const std::string& tag) {
    std::lock_guard lock(mutex_);
    versionTag_ = tag;
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
  struct Answer {
    int status = 404;
    std::string body = "no such page";
    bool hangs = false;
  };
  void dispatch(const httplib::Request& req, httplib::Response& res) {
    std::unique_lock lock(mutex_);
    requests_.push_back(
        {req.method, req.target, req.body, req.get_header_value("If-Match"), req.get_header_value("Cookie")});
    const std::string type = req.get_param_value("RequestType");
    const auto found = answers_.find(type.empty() ? req.path : type);
    const Answer a = found != answers_.end() ? found->second : Answer{};
    if (a.hangs) endedSignal_.wait_for(lock, std::chrono::seconds(30), [this] { return ended_; });
    if (a.status >= 300 && a.status < 400) return res.set_redirect(a.body, a.status);
    res.status = a.status;
    if (!versionTag_.empty()) res.set_header("ETag", versionTag_);
    res.set_content(a.body, "application/octet-stream");
  }

  httplib::Server server_;
  std::thread thread_;
  int port_ = 0;
  mutable std::mutex mutex_;
  std::condition_variable endedSignal_;
  bool ended_ = false;
  std::map<std::string, Answer> answers_;
  std::string versionTag_;
  std::vector<RecordedRequest> requests_;
};

}  // namespace verolin::transfer::testing
