// A server page as an integrator might write one from docs/server.md: documents, marks, one seal owner
// and client files in memory, on loopback. Each fault switch makes it wrong in one way that pages
// of web applications get wrong.
#pragma once

#include <httplib.h>

#include <array>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "crypto/crypto.h"
#include "text/codepage.h"
#include "text/utf8.h"

namespace verolin::conformance::testing {

// A PNG of 3 x 2 pixels.
inline const std::string kSealPng(
    "\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x00\x03\x00\x00\x00\x02\x08\x02"
    "\x00"
    "\x00\x00\x12\x16\xf1\x4d\x00\x00\x00\x11\x49\x44\x41\x54\x78\x9c\x63\xf8\xcf\xc0\x00\x41\x0c\x30\xc6\x7f"
    "\x00"
    "\x3b\xd8\x05\xfb\x39\x4d\x96\xa5\x00\x00\x00\x00\x49\x45\x4e\x44\xae\x42\x60\x82",
    74);

struct Faults {
  bool dropSeparators = false;        // list answers without their two leading separators
  bool okToFailedUpload = false;      // 200 to an upload it refuses
  bool reencodeBody = false;          // stores the body as if it were Latin-1 text, converted to UTF-8
  bool acceptBackslashNames = false;  // looks for "../" only
  bool neverAnswer = false;           // takes every request and never answers
  bool trickle = false;               // answers every request one byte at a time, for ever
};

class TestPage {
 public:
  static constexpr const char* kOwner = "测试员";
  static constexpr const char* kOwnerPassword = "pw123";

  explicit TestPage(Faults faults = {}, std::size_t maxBody = 1 << 20) : faults_(faults) {
    server_.set_payload_max_length(maxBody);
    auto handle = [this](const httplib::Request& req, httplib::Response& res) { dispatch(req, res); };
    server_.Get(".*", handle);
    server_.Post(".*", handle);
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ~TestPage() {
    {
      std::lock_guard lock(mutex_);
      ended_ = true;
    }
    endedSignal_.notify_all();
    server_.stop();
    thread_.join();
  }

  std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }
  std::string pageUrl() const { return base() + "/app/page.php"; }
  std::string filesUrl() const { return base() + "/app/docs"; }
  std::string clientFilesUrl() const { return base() + "/app/uploads"; }
  bool holds(const std::string& name) {
    std::lock_guard lock(mutex_);
    return docs_.count(name) > 0;
  }

 private:
  struct Doc {
    std::string bytes;
    std::array<std::vector<std::string>, 3> seals, signatures;  // names, ids, times (UTF-8)
  };

  static std::string value(const httplib::Request& req, const char* key) {
    return text::fromWire(req.get_param_value(key));
  }
  bool badName(const std::string& name) const {
    if (name.empty() || name.front() == '/' || name.find(':') != std::string::npos) return true;
    if (name.find("../") == 0 || name.find("/../") != std::string::npos || name.find("..") == name.size() - 2)
      return true;
    return !faults_.acceptBackslashNames && name.find('\\') != std::string::npos;
  }
  static void refuse(httplib::Response& res, int status, const std::string& why) {
    res.status = status;
    res.set_content(why, "text/plain");
  }
  std::string listAnswer(const std::array<std::vector<std::string>, 3>& groups) const {
    const std::string link = "\xC7\x90", split = "\xC2\xA7";
    std::string body = faults_.dropSeparators ? "" : link + split;
    bool any = false;
    for (std::size_t g = 0; g < 3; ++g) {
      if (g) body += link;
      for (const auto& item : groups[g]) {
        body += item + (faults_.dropSeparators ? "" : split);
        any = true;
      }
    }
    return any ? text::toWire(body) : std::string();
  }
  const Doc* find(const std::string& name) const {
    if (const auto it = docs_.find(name); it != docs_.end()) return &it->second;
    for (const auto& [key, doc] : docs_) {
      if (key.size() > name.size() &&
          key.compare(key.size() - name.size() - 1, std::string::npos, "/" + name) == 0)
        return &doc;
    }
    return nullptr;
  }
  static void append(std::array<std::vector<std::string>, 3>& lists, const std::string& names,
                     const std::string& ids, const std::string& times, const std::string& split) {
    const std::string* texts[] = {&names, &ids, &times};
    for (std::size_t g = 0; g < 3; ++g) {
      auto items = text::split(*texts[g], split);
      if (!items.empty() && items.back().empty()) items.pop_back();
      lists[g].insert(lists[g].end(), items.begin(), items.end());
    }
  }

  void dispatch(const httplib::Request& req, httplib::Response& res) {
    std::unique_lock lock(mutex_);
    if (faults_.neverAnswer) {
      endedSignal_.wait_for(lock, std::chrono::seconds(60), [this] { return ended_; });
      return refuse(res, 503, "late");
    }
    if (faults_.trickle) {
      res.set_chunked_content_provider("text/plain", [this](std::size_t, httplib::DataSink& sink) {
        std::unique_lock wait(mutex_);
        if (endedSignal_.wait_for(wait, std::chrono::milliseconds(100), [this] { return ended_; }))
          return false;
        return sink.write(".", 1);
      });
      return;
    }
    const std::string docsPrefix = "/app/docs/", uploadsPrefix = "/app/uploads/";
    if (req.path.rfind(docsPrefix, 0) == 0) {
      const auto it = docs_.find(req.path.substr(docsPrefix.size()));
      if (it == docs_.end()) return refuse(res, 404, "no such document");
      return res.set_content(it->second.bytes, "application/octet-stream");
    }
    if (req.path.rfind(uploadsPrefix, 0) == 0) {
      const auto it = clientFiles_.find(req.path.substr(uploadsPrefix.size()));
      if (it == clientFiles_.end()) return refuse(res, 404, "no such file");
      return res.set_content(it->second, "application/octet-stream");
    }
    if (req.path != "/app/page.php") return refuse(res, 404, "no such page");
    const std::string type = req.get_param_value("RequestType");
    const bool post = req.method == "POST";
    if (post && type == "UPLOAD") return upload(req, res);
    if (post && type == "UPLOADFILE") {
      const std::string name = value(req, "SERVER");
      if (badName(name)) return refuse(res, 400, "bad name");
      clientFiles_[name] = req.body;
      return res.set_content("OK", "text/plain");
    }
    if (!post && type == "DOWN") {
      const Doc* doc = find(value(req, "filename"));
      if (!doc) return refuse(res, 404, "no such document");
      return res.set_content(doc->bytes, "application/octet-stream");
    }
    if (!post && (type == "GetSignInfoData" || type == "GetHandWritdData")) {
      const Doc* doc = find(value(req, "filename"));
      if (!doc) return refuse(res, 404, "");
      return res.set_content(listAnswer(type == "GetSignInfoData" ? doc->seals : doc->signatures),
                             "text/plain");
    }
    if (!post && type == "GetSealList") {
      const std::string encoded = crypto::encodeSealPassword(kOwnerPassword);
      return res.set_content(listAnswer({{{kOwner}, {encoded}, {"tester.jia"}}}), "text/plain");
    }
    if (!post && type == "GetSealPicture") {
      if (value(req, "userName") != kOwner || value(req, "fileName") != "tester.jia")
        return refuse(res, 404, "no such seal");
      return res.set_content(crypto::encryptBytes(kSealPng, "png", kOwnerPassword),
                             "application/octet-stream");
    }
    refuse(res, 400, "unknown request");
  }

  void upload(const httplib::Request& req, httplib::Response& res) {
    const std::string name = value(req, "path");
    if (badName(name)) return refuse(res, 400, "bad name");
    if (!crypto::isContainer(req.body) || req.body.size() <= 20)
      return refuse(res, faults_.okToFailedUpload ? 200 : 400, "ERROR: not a document");
    Doc& doc = docs_[name];
    doc.bytes = faults_.reencodeBody ? text::convert(req.body, "ISO-8859-1", "UTF-8") : req.body;
    const std::string split = value(req, "splitstr");
    append(doc.seals, value(req, "Dn"), value(req, "Di"), value(req, "Dt"), split);
    append(doc.signatures, value(req, "Sn"), value(req, "Si"), value(req, "St"), split);
    res.set_content("OK", "text/plain");
  }

  Faults faults_;
  httplib::Server server_;
  std::thread thread_;
  int port_ = 0;
  std::mutex mutex_;
  std::condition_variable endedSignal_;
  bool ended_ = false;
  std::map<std::string, Doc> docs_;
  std::map<std::string, std::string> clientFiles_;
};

}  // namespace verolin::conformance::testing
