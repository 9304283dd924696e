// The request object over MSXML's XMLHTTP, called through its interface. The body of an answer
// arrives in one piece (XMLHTTP keeps it until the exchange is complete); a sink or a file then gets
// it at once.
#include <msxml2.h>
#include <oleauto.h>
#include <wininet.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <optional>

#include "automation/error.h"
#include "platform/http_wire.h"
#include "platform/win32/wide.h"
#include "platform/win32/windows_platform.h"
#include "text/utf8.h"

// Declared by msxml2.h but held by no import library of this tool chain.
EXTERN_C const IID DECLSPEC_SELECTANY IID_IXMLHTTPRequest = {
    0xED8C108D, 0x4349, 0x11D2, {0x91, 0xA4, 0x00, 0xC0, 0x4F, 0x79, 0x69, 0xE8}};

namespace verolin::platform::win32 {
namespace {

namespace fs = std::filesystem;
using automation::AutomationError;
using automation::Bytes;

constexpr const char* kSource = "HttpRequest";
constexpr wchar_t kProgId[] = L"Msxml2.XMLHTTP";

[[noreturn]] void fail(std::int32_t number, const std::string& description) {
  throw AutomationError(number, description, kSource);
}

// What a page script sees for a failed call of the request object.
[[noreturn]] void failCall(HRESULT hr, const std::string& what) {
  const auto number = static_cast<std::int32_t>(hr);
  switch (static_cast<std::uint32_t>(hr)) {
    case 0x800C0005u:  // INET_E_RESOURCE_NOT_FOUND
    case 0x800C0007u:  // INET_E_DATA_NOT_AVAILABLE
    case 0x800C0008u:  // INET_E_DOWNLOAD_FAILURE
      fail(number, "A connection with the server could not be established (" + what + ")");
    case 0x800C000Bu:  // INET_E_CONNECTION_TIMEOUT
      fail(number, "The operation timed out (" + what + ")");
    case 0x800C0002u:  // INET_E_INVALID_URL
      fail(number, "The URL is invalid (" + what + ")");
    default:
      break;
  }
  wchar_t* text = nullptr;
  ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string description = text ? narrow(text) : "Unspecified error";
  if (text) ::LocalFree(text);
  while (!description.empty() && (description.back() == '\n' || description.back() == '\r')) description.pop_back();
  fail(number, description + " (" + what + ")");
}

// A BSTR owned for the length of one call.
class Bstr {
 public:
  explicit Bstr(std::string_view utf8) {
    const std::wstring wide = widen(utf8);
    value_ = ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  }
  Bstr() = default;
  ~Bstr() { ::SysFreeString(value_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return value_; }
  BSTR* out() { return &value_; }
  std::string utf8() const { return value_ ? narrow(std::wstring_view(value_, ::SysStringLen(value_))) : ""; }

 private:
  BSTR value_ = nullptr;
};

// A VARIANT cleared when it goes.
struct Variant {
  VARIANT value;
  Variant() { ::VariantInit(&value); }
  ~Variant() { ::VariantClear(&value); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
};

// `bytes` as a SAFEARRAY of VT_UI1 in `out`.
void putBytes(const char* data, std::size_t size, VARIANT& out) {
  SAFEARRAY* array = ::SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(size));
  if (!array) fail(automation::err::kOutOfMemory, "Out of memory");
  void* target = nullptr;
  ::SafeArrayAccessData(array, &target);
  if (size != 0) std::memcpy(target, data, size);
  ::SafeArrayUnaccessData(array);
  out.vt = VT_ARRAY | VT_UI1;
  out.parray = array;
}

Bytes bytesOf(const VARIANT& value) {
  Bytes out;
  if (value.vt != (VT_ARRAY | VT_UI1) || !value.parray) return out;
  LONG low = 0;
  LONG high = -1;
  ::SafeArrayGetLBound(value.parray, 1, &low);
  ::SafeArrayGetUBound(value.parray, 1, &high);
  if (high < low) return out;
  void* data = nullptr;
  if (FAILED(::SafeArrayAccessData(value.parray, &data))) return out;
  const auto* first = static_cast<const std::uint8_t*>(data);
  out.assign(first, first + (high - low + 1));
  ::SafeArrayUnaccessData(value.parray);
  return out;
}

// The scheme and authority of a URL ("http://host:8080/"), where the system's cookie store files
// cookies for that site.
std::wstring siteOf(std::string_view url) {
  const auto scheme = url.find("://");
  if (scheme == std::string_view::npos) return {};
  const auto end = url.find_first_of("/?#", scheme + 3);
  return widen(url.substr(0, end)) + L"/";
}

class XmlHttpRequest final : public HttpRequest {
 public:
  XmlHttpRequest(IXMLHTTPRequest* request, const HttpOptions& options) : request_(request), options_(options) {}
  ~XmlHttpRequest() override { request_->Release(); }

  void open(const std::string& method, const std::string& url, bool async) override {
    if (async) fail(automation::err::kENotImpl, "Only synchronous requests are supported");
    if (method.empty() || method.find_first_of(" \t\r\n") != std::string::npos) {
      fail(automation::err::kInvalidCall, "Invalid procedure call or argument: method \"" + method + "\"");
    }
    url_ = wireUrl(url);
    Variant isAsync;
    isAsync.value.vt = VT_BOOL;
    isAsync.value.boolVal = VARIANT_FALSE;
    Variant none;
    const HRESULT hr = request_->open(Bstr(method).get(), Bstr(url_).get(), isAsync.value, none.value, none.value);
    if (FAILED(hr)) failCall(hr, method + " " + withoutCredentials(url_));
    streamed_ = false;
  }

  void setRequestHeader(const std::string& name, const std::string& value) override {
    if (name.empty() || name.find_first_of(" \t\r\n:") != std::string::npos ||
        value.find_first_of("\r\n") != std::string::npos) {
      fail(automation::err::kInvalidCall, "Invalid procedure call or argument: header \"" + name + "\"");
    }
    const HRESULT hr = request_->setRequestHeader(Bstr(name).get(), Bstr(value).get());
    if (FAILED(hr)) failCall(hr, "header " + name);
  }

  void send() override {
    Variant body;
    perform(body.value);
  }

  void send(const Bytes& body) override {
    Variant array;
    putBytes(reinterpret_cast<const char*>(body.data()), body.size(), array.value);
    perform(array.value);
  }

  void sendFile(const fs::path& bodyFile) override {
    // XMLHTTP takes the body in one piece.
    const HANDLE file = ::CreateFileW(bodyFile.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) fail(automation::err::kPathFileAccess, "Path/File access error");
    std::string body;
    char buffer[65536];
    DWORD got = 0;
    bool ok = true;
    while ((ok = ::ReadFile(file, buffer, sizeof buffer, &got, nullptr) != FALSE) && got > 0) body.append(buffer, got);
    ::CloseHandle(file);
    if (!ok) fail(automation::err::kPathFileAccess, "Path/File access error");
    Variant array;
    putBytes(body.data(), body.size(), array.value);
    body.clear();
    perform(array.value);
  }

  void receiveInto(const fs::path& file) override {
    intoFile_ = file;
    sink_ = nullptr;
  }

  void receiveWith(BodySink sink) override {
    sink_ = std::move(sink);
    intoFile_.reset();
  }

  int readyState() const override {
    LONG state = 0;
    return SUCCEEDED(request_->get_readyState(&state)) ? static_cast<int>(state) : 0;
  }

  int status() const override {
    if (readyState() != 4) return 0;
    LONG code = 0;
    return SUCCEEDED(request_->get_status(&code)) ? static_cast<int>(code) : 0;
  }

  Bytes responseBody() const override {
    if (streamed_ || readyState() != 4) return {};
    Variant body;
    if (FAILED(request_->get_responseBody(&body.value))) return {};
    return bytesOf(body.value);
  }

  std::string getResponseHeader(const std::string& name) const override {
    if (readyState() != 4) return {};
    Bstr value;
    if (FAILED(request_->getResponseHeader(Bstr(name).get(), value.out()))) return {};
    return value.utf8();
  }

 private:
  void perform(VARIANT& body) {
    offerCookies();
    const HRESULT hr = request_->send(body);
    if (FAILED(hr)) failCall(hr, withoutCredentials(url_));
    if (sink_ || intoFile_) deliverBody();
  }

  // The page's own cookies go to the system's store for the site the request goes to, so that the
  // request object sends them there (and, like the browser's, not along a redirect to another site).
  void offerCookies() {
    if (!options_.cookies) return;
    const std::wstring site = siteOf(url_);
    if (site.empty()) return;
    for (const Cookie& cookie : options_.cookies->cookiesFor(url_)) {
      ::InternetSetCookieW(site.c_str(), widen(cookie.name).c_str(), widen(cookie.value).c_str());
    }
  }

  void deliverBody() {
    Variant body;
    if (FAILED(request_->get_responseBody(&body.value))) return;
    const Bytes bytes = bytesOf(body.value);
    streamed_ = true;
    if (sink_) {
      if (!bytes.empty()) sink_(reinterpret_cast<const char*>(bytes.data()), bytes.size());
      return;
    }
    const HANDLE file =
        ::CreateFileW(intoFile_->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) fail(automation::err::kPathFileAccess, "Path/File access error");
    std::size_t done = 0;
    bool ok = true;
    while (ok && done < bytes.size()) {
      DWORD written = 0;
      ok = ::WriteFile(file, bytes.data() + done, static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30)),
                       &written, nullptr) != FALSE;
      done += written;
    }
    ok = ::CloseHandle(file) != FALSE && ok;
    if (!ok) fail(automation::err::kPathFileAccess, "Path/File access error");
  }

  IXMLHTTPRequest* request_;
  HttpOptions options_;
  std::string url_;
  BodySink sink_;
  std::optional<fs::path> intoFile_;
  bool streamed_ = false;
};

class XmlHttpFactory final : public HttpFactory {
 public:
  explicit XmlHttpFactory(HttpOptions options) : options_(options) {}

  std::unique_ptr<HttpRequest> create() override {
    CLSID clsid{};
    HRESULT hr = ::CLSIDFromProgID(kProgId, &clsid);
    IXMLHTTPRequest* request = nullptr;
    if (SUCCEEDED(hr)) {
      hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLHTTPRequest,
                              reinterpret_cast<void**>(&request));
    }
    if (FAILED(hr) || !request) throw automation::errorOf(automation::err::kCantCreateObject, narrow(kProgId));
    return std::make_unique<XmlHttpRequest>(request, options_);
  }

 private:
  HttpOptions options_;
};

}  // namespace

std::unique_ptr<HttpFactory> newHttpFactory(HttpOptions options) {
  return std::make_unique<XmlHttpFactory>(options);
}

}  // namespace verolin::platform::win32
