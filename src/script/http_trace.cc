#include "script/http_trace.h"

#include <filesystem>
#include <system_error>

#include "automation/error.h"
#include "platform/http_wire.h"

namespace verolin::script {
namespace {

std::uint64_t fileSize(const std::filesystem::path& file) {
  std::error_code ec;
  const auto n = std::filesystem::file_size(file, ec);
  return ec ? 0 : n;
}

class TracedRequest final : public platform::HttpRequest {
 public:
  TracedRequest(std::unique_ptr<platform::HttpRequest> inner, platform::Host& host)
      : inner_(std::move(inner)), host_(host) {}

  void open(const std::string& method, const std::string& url, bool async) override {
    method_ = method;
    url_ = url;
    inner_->open(method, url, async);
  }
  void setRequestHeader(const std::string& name, const std::string& value) override {
    inner_->setRequestHeader(name, value);
  }
  void send() override {
    exchange([&] { inner_->send(); }, 0);
  }
  void send(const automation::Bytes& body) override {
    exchange([&] { inner_->send(body); }, body.size());
  }
  void sendFile(const std::filesystem::path& bodyFile) override {
    exchange([&] { inner_->sendFile(bodyFile); }, fileSize(bodyFile));
  }
  void sendFrom(platform::BodySource& body) override {
    exchange([&] { inner_->sendFrom(body); }, body.size());
  }
  void receiveInto(const std::filesystem::path& file) override {
    into_ = file;
    inner_->receiveInto(file);
  }
  void receiveWith(platform::BodySink sink) override {
    streamed_ = 0;
    inner_->receiveWith([this, sink = std::move(sink)](const char* data, std::size_t size) {
      streamed_ += size;
      sink(data, size);
    });
    streaming_ = true;
  }
  int readyState() const override { return inner_->readyState(); }
  int status() const override { return inner_->status(); }
  automation::Bytes responseBody() const override { return inner_->responseBody(); }
  std::string getResponseHeader(const std::string& name) const override {
    return inner_->getResponseHeader(name);
  }

 private:
  // One line per exchange, written when it has ended: what went out and what came back.
  template <class F>
  void exchange(F&& send, std::uint64_t sent) {
    // Credentials in the URL stay out of the transcript; cookies never reach this layer.
    std::string line = method_ + " " + platform::withoutCredentials(url_);
    if (sent > 0) line += " (" + std::to_string(sent) + " bytes)";
    try {
      send();
    } catch (const automation::AutomationError& e) {
      host_.trace("http", line + " -> failed: " + e.description());
      throw;
    } catch (const std::exception& e) {  // the body's own failure, while it was being sent
      host_.trace("http", line + " -> failed: " + e.what());
      throw;
    }
    const std::uint64_t received = streaming_      ? streamed_
                                   : into_.empty() ? inner_->responseBody().size()
                                                   : fileSize(into_);
    host_.trace("http", line + " -> " + std::to_string(inner_->status()) + ", " + std::to_string(received) +
                            " bytes");
  }

  std::unique_ptr<platform::HttpRequest> inner_;
  platform::Host& host_;
  std::string method_;
  std::string url_;
  std::filesystem::path into_;
  bool streaming_ = false;
  std::uint64_t streamed_ = 0;
};

class TracedFactory final : public platform::HttpFactory {
 public:
  TracedFactory(std::unique_ptr<platform::HttpFactory> owned, platform::Host& host)
      : owned_(std::move(owned)), inner_(*owned_), host_(host) {}
  TracedFactory(platform::HttpFactory& shared, platform::Host& host) : inner_(shared), host_(host) {}
  std::unique_ptr<platform::HttpRequest> create() override {
    return std::make_unique<TracedRequest>(inner_.create(), host_);
  }

 private:
  std::unique_ptr<platform::HttpFactory> owned_;
  platform::HttpFactory& inner_;
  platform::Host& host_;
};

}  // namespace

std::unique_ptr<platform::HttpFactory> traceHttp(std::unique_ptr<platform::HttpFactory> inner,
                                                 platform::Host& host) {
  return std::make_unique<TracedFactory>(std::move(inner), host);
}

std::unique_ptr<platform::HttpFactory> traceHttp(platform::HttpFactory& shared, platform::Host& host) {
  return std::make_unique<TracedFactory>(shared, host);
}

}  // namespace verolin::script
