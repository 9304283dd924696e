// A server page on loopback that records every request line and body and answers by RequestType
// (or, without one, by path); unknown requests get 404. Faults on demand: an answer that hangs, one
// that trickles a byte at a time, one broken off midway, and a post whose connection is dropped while
// its body arrives. Whatever waits, waits at most for the test's end.
#pragma once

#include <httplib.h>

#include <algorithm>
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
    server_.Post(".*", [this](const httplib::Request& req, httplib::Response& res,
                              const httplib::ContentReader& reader) { receive(req, res, reader); });
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
  // Announces `body` whole and sends `chunk` bytes of it every `interval`.
  void trickle(const std::string& key, std::string body, std::chrono::milliseconds interval,
               std::size_t chunk = 1) {
    std::lock_guard lock(mutex_);
    answers_[key] = {200, std::move(body), false, Fault::kTrickle, chunk, interval};
  }
  // Announces `body` whole, sends its first `sent` bytes and closes the connection.
  void breakOffAnswer(const std::string& key, std::string body, std::size_t sent) {
    std::lock_guard lock(mutex_);
    answers_[key] = {200, std::move(body), false, Fault::kBreakOff, sent};
  }
  // Stops reading a posted body after `received` bytes and closes the connection.
  void dropPostAfter(const std::string& key, std::size_t received) {
    std::lock_guard lock(mutex_);
    answers_[key] = {200, "", false, Fault::kDropPost, received};
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
  enum class Fault { kNone, kTrickle, kBreakOff, kDropPost };
  struct Answer {
    int status = 404;
    std::string body = "no such page";
    bool hangs = false;
    Fault fault = Fault::kNone;
    std::size_t bytes = 0;  // sent before breaking off, received before dropping a post, or per trickle
    std::chrono::milliseconds interval{0};
  };
  Answer answerFor(const httplib::Request& req) const {
    const std::string type = req.get_param_value("RequestType");
    const auto found = answers_.find(type.empty() ? req.path : type);
    return found != answers_.end() ? found->second : Answer{};
  }
  void receive(const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& reader) {
    Answer a;
    {
      std::lock_guard lock(mutex_);
      a = answerFor(req);
    }
    std::string body;
    const bool whole = reader([&](const char* data, std::size_t n) {
      body.append(data, n);
      return a.fault != Fault::kDropPost || body.size() < a.bytes;
    });
    if (!whole) {
      std::lock_guard lock(mutex_);
      requests_.push_back(
        {req.method, req.target, body, req.get_header_value("If-Match"), req.get_header_value("Cookie")});
      // A success status goes out, then the connection closes before the answer's first byte.
      res.status = 200;
      res.set_content_provider(1, "application/octet-stream",
                               [](std::size_t, std::size_t, httplib::DataSink&) { return false; });
      return;
    }
    answer(req, body, res);
  }
  void dispatch(const httplib::Request& req, httplib::Response& res) { answer(req, req.body, res); }
  void answer(const httplib::Request& req, const std::string& body, httplib::Response& res) {
    std::unique_lock lock(mutex_);
    requests_.push_back(
        {req.method, req.target, body, req.get_header_value("If-Match"), req.get_header_value("Cookie")});
    const Answer a = answerFor(req);
    if (a.hangs) endedSignal_.wait_for(lock, std::chrono::seconds(30), [this] { return ended_; });
    if (a.status >= 300 && a.status < 400) return res.set_redirect(a.body, a.status);
    res.status = a.status;
    if (!versionTag_.empty()) res.set_header("ETag", versionTag_);
    if (a.fault == Fault::kTrickle || a.fault == Fault::kBreakOff) return provide(a, res);
    res.set_content(a.body, "application/octet-stream");
  }
  // The answer's bytes as the fault lets them out.
  void provide(const Answer& a, httplib::Response& res) {
    auto next = [this, a](std::size_t offset, std::size_t, httplib::DataSink& sink) {
      if (a.fault == Fault::kBreakOff) {
        if (offset == 0) sink.write(a.body.data(), a.bytes);
        return false;
      }
      std::unique_lock lock(mutex_);
      const std::size_t n = std::min(a.bytes, a.body.size() - offset);
      if (ended_ || !sink.write(a.body.data() + offset, n)) return false;
      endedSignal_.wait_for(lock, a.interval, [this] { return ended_; });
      return !ended_;
    };
    res.set_content_provider(a.body.size(), "application/octet-stream", next);
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
