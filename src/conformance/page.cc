#include "conformance/page.h"

#include "automation/error.h"
#include "crypto/crypto.h"
#include "platform/curl_http.h"
#include "text/codepage.h"
#include "text/utf8.h"
#include "transfer/exchange.h"
#include "transfer/protocol.h"

namespace verolin::conformance {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kPreviewCharacters = 72;

std::unique_ptr<platform::HttpFactory> makeFactory(std::chrono::milliseconds limit,
                                                   std::chrono::milliseconds stall) {
  platform::HttpOptions options;
  options.connectTimeout = stall;
  options.stallTimeout = stall;
  options.totalTimeout = limit;
  return platform::makeCurlHttpFactory(options);
}

}  // namespace

Page::Page(const Options& options) : timeout_(options.timeout), http_(makeFactory(timeout_, timeout_)) {
  state_.activeForm = options.pageUrl;
}

Answer Page::get(const std::string& url) {
  return exchange(*http_, "GET", url, nullptr, nullptr, "");
}

Answer Page::post(const std::string& url, const std::string& body, const std::string& basedOn) {
  return exchange(*http_, "POST", url, &body, nullptr, basedOn);
}

Answer Page::postFile(const std::string& url, const std::filesystem::path& body,
                      std::chrono::milliseconds limit) {
  auto factory = makeFactory(limit, timeout_);
  return exchange(*factory, "POST", url, nullptr, &body, "");
}

Answer Page::exchange(platform::HttpFactory& factory, const std::string& method, const std::string& url,
                      const std::string* body, const std::filesystem::path* bodyFile,
                      const std::string& basedOn) {
  Answer answer;
  ExchangeRecord& r = answer.record;
  r.method = method;
  r.url = url;
  r.wireUrl = platform::wireUrl(url);
  const auto start = Clock::now();
  try {
    auto request = factory.create();
    request->open(method, url, false);
    if (!basedOn.empty()) request->setRequestHeader(transfer::kBasedOnHeader, basedOn);
    if (bodyFile) {
      request->sendFile(*bodyFile);
    } else if (body) {
      request->send(automation::Bytes(body->begin(), body->end()));
    } else {
      request->send();
    }
    const automation::Bytes bytes = request->responseBody();
    answer.body.assign(bytes.begin(), bytes.end());
    answer.succeeded = transfer::AnswerSucceeded(*request);
    answer.versionTag = request->getResponseHeader(transfer::kVersionHeader);
    answer.conflictCopy = transfer::HeaderText(request->getResponseHeader(transfer::kConflictCopyHeader));
    r.completed = request->readyState() == 4;
    r.status = request->status();
  } catch (const automation::AutomationError& e) {
    r.error = e.description();
    r.timedOut = e.number() == platform::http_err::kTimedOut;
  } catch (const std::exception& e) {
    r.error = e.what();
  }
  r.milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  r.bodyBytes = answer.body.size();
  r.preview = Preview(answer.body);
  return answer;
}

std::string Preview(const std::string& body) {
  if (body.empty()) return {};
  if (crypto::isContainer(body)) return "a container (" + std::to_string(body.size()) + " bytes)";
  const std::size_t cut = kPreviewCharacters * 4;
  std::u32string characters32 = text::toCodePoints(text::fromWire(body.substr(0, cut)));
  // A double-byte character cut in two at the end is no sign of binary bytes.
  if (body.size() > cut && !characters32.empty() && characters32.back() == 0xFFFD) characters32.pop_back();
  std::string line;
  std::size_t characters = 0;
  for (const char32_t c : characters32) {
    if (c == 0xFFFD || (c < 0x20 && c != '\n' && c != '\r' && c != '\t') || c == 0x7F)
      return "binary (" + std::to_string(body.size()) + " bytes)";
    if (++characters > kPreviewCharacters) {
      line += "...";
      break;
    }
    line += c < 0x20 ? std::string(" ") : text::fromCodePoint(c);
  }
  return line;
}

}  // namespace verolin::conformance
