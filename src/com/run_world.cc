#include "com/run_world.h"

#include <objbase.h>
#include <oleauto.h>
#include <wininet.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "automation/error.h"
#include "com/dispatch_client.h"
#include "platform/cookies.h"

namespace verolin::com {
namespace {

namespace fs = std::filesystem;
namespace err = automation::err;

[[noreturn]] void fail(std::int32_t number, std::string_view what) {
  throw automation::errorOf(number, std::string(what));
}

fs::path nativeOf(std::string_view path) {
  if (path.empty()) fail(err::kBadFileName, path);
  return fs::path(wide(path));
}

// The runtime's number for a failed file operation.
std::int32_t fileError(const fs::path& path, const std::error_code& ec) {
  if (ec == std::errc::no_such_file_or_directory) {
    return fs::exists(path.parent_path()) ? err::kFileNotFound : err::kPathNotFound;
  }
  if (ec == std::errc::permission_denied) return err::kPermissionDenied;
  return err::kPathFileAccess;
}

class RunnerFiles final : public platform::FileSystem {
 public:
  fs::path nativePath(std::string_view path) const override { return nativeOf(path); }
  bool fileExists(std::string_view path) override {
    std::error_code ec;
    return fs::is_regular_file(nativeOf(path), ec);
  }
  bool dirExists(std::string_view path) override {
    std::error_code ec;
    return fs::is_directory(nativeOf(path), ec);
  }
  void createDir(std::string_view path) override {
    const fs::path p = nativeOf(path);
    std::error_code ec;
    if (fs::exists(p, ec)) fail(err::kPathFileAccess, path);
    if (!fs::create_directory(p, ec)) fail(fileError(p, ec), path);
  }
  void remove(std::string_view path) override {
    const fs::path p = nativeOf(path);
    std::error_code ec;
    if (!fs::is_regular_file(p, ec)) fail(err::kFileNotFound, path);
    if (!fs::remove(p, ec)) fail(fileError(p, ec), path);
  }
  void rename(std::string_view from, std::string_view to) override {
    const fs::path a = nativeOf(from), b = nativeOf(to);
    std::error_code ec;
    if (fs::exists(b, ec)) fail(err::kFileExists, to);
    fs::rename(a, b, ec);
    if (ec) fail(fileError(a, ec), from);
  }
  void copy(std::string_view from, std::string_view to) override {
    const fs::path a = nativeOf(from);
    std::error_code ec;
    fs::copy_file(a, nativeOf(to), fs::copy_options::overwrite_existing, ec);
    if (ec) fail(fileError(a, ec), from);
  }
  std::uint64_t size(std::string_view path) override {
    const fs::path p = nativeOf(path);
    std::error_code ec;
    const auto n = fs::file_size(p, ec);
    if (ec) fail(fileError(p, ec), path);
    return n;
  }
  automation::Bytes read(std::string_view path) override {
    auto in = openRead(path);
    return automation::Bytes(std::istreambuf_iterator<char>(*in), std::istreambuf_iterator<char>());
  }
  void write(std::string_view path, const automation::Bytes& bytes) override {
    const fs::path p = nativeOf(path);
    fs::path temporary = p;
    temporary += L".writing";
    {
      std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
      if (!out) fail(fileError(p, std::make_error_code(std::errc::no_such_file_or_directory)), path);
      out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
      if (!out.flush()) fail(err::kPathFileAccess, path);
    }
    std::error_code ec;
    fs::rename(temporary, p, ec);
    if (ec) {
      fs::remove(temporary, ec);
      fail(err::kPathFileAccess, path);
    }
  }
  std::unique_ptr<std::istream> openRead(std::string_view path) override {
    const fs::path p = nativeOf(path);
    auto in = std::make_unique<std::ifstream>(p, std::ios::binary);
    if (!*in) fail(fileError(p, std::make_error_code(std::errc::no_such_file_or_directory)), path);
    return in;
  }
  std::unique_ptr<std::ostream> openWrite(std::string_view path) override {
    const fs::path p = nativeOf(path);
    auto out = std::make_unique<std::ofstream>(p, std::ios::binary | std::ios::trunc);
    if (!*out) fail(fileError(p, std::make_error_code(std::errc::no_such_file_or_directory)), path);
    return out;
  }
  void lock(std::string_view path, platform::LockMode) override { fail(err::kInvalidCall, path); }
  void unlock(std::string_view path) override { fail(err::kInvalidCall, path); }
  bool isLocked(std::string_view) override { return false; }
};

// The page runner has no hands on the system clipboard yet: a script that puts a picture there is told so.
class NoClipboard final : public platform::Clipboard {
 public:
  void clear() override { refuse(); }
  void setPicture(automation::Bytes) override { refuse(); }
  void setText(const std::string&) override { refuse(); }
  std::optional<platform::ClipboardData> data(const std::string&) override { return std::nullopt; }

 private:
  [[noreturn]] static void refuse() {
    throw automation::AutomationError(err::kInvalidCall, "host.clipboard: not available in this Windows run");
  }
};

std::int64_t clockShift() {
  wchar_t value[32] = {};
  if (GetEnvironmentVariableW(kClockShiftVariable, value, 32) == 0) return 0;
  return _wtoi64(value);
}

std::int64_t toMs(const SYSTEMTIME& t) {
  FILETIME file;
  SystemTimeToFileTime(&t, &file);
  ULARGE_INTEGER v;
  v.LowPart = file.dwLowDateTime;
  v.HighPart = file.dwHighDateTime;
  return static_cast<std::int64_t>(v.QuadPart / 10'000);
}

SYSTEMTIME fromMs(std::int64_t ms) {
  ULARGE_INTEGER v;
  v.QuadPart = static_cast<std::uint64_t>(ms) * 10'000;
  FILETIME file{v.LowPart, v.HighPart};
  SYSTEMTIME t;
  FileTimeToSystemTime(&file, &t);
  return t;
}

std::wstring siteUrl(const std::string& site) {
  if (site.empty()) {
    throw automation::AutomationError(
        err::kInvalidCall, "host.cookies: name the site; the system's cookie store keeps cookies per site");
  }
  return L"http://" + wide(site) + L"/";
}

}  // namespace

class WindowsWorld::RunnerMachine final : public script::Machine {
 public:
  RunnerMachine() : files_(makeRunnerFiles()) {}
  platform::FileSystem& files() override { return *files_; }
  platform::Clipboard& clipboard() override { return clipboard_; }
  automation::Variant word() override { return runningObject(kWordProgId); }

 private:
  std::unique_ptr<platform::FileSystem> files_;
  NoClipboard clipboard_;
};

std::unique_ptr<platform::FileSystem> makeRunnerFiles() {
  return std::make_unique<RunnerFiles>();
}

automation::Variant runningObject(const wchar_t* progId) {
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(progId, &clsid))) return {};
  IUnknown* unknown = nullptr;
  if (FAILED(GetActiveObject(clsid, nullptr, &unknown)) || !unknown) return {};
  IDispatch* dispatch = nullptr;
  const HRESULT hr = unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
  unknown->Release();
  if (FAILED(hr) || !dispatch) return {};
  automation::ObjectRef object = wrapDispatch(dispatch);
  dispatch->Release();
  return automation::Variant(object);
}

WindowsWorld::WindowsWorld() : own_(std::make_unique<RunnerMachine>()) {}
WindowsWorld::~WindowsWorld() = default;

script::Machine& WindowsWorld::own() {
  return *own_;
}

script::Machine& WindowsWorld::colleague() {
  throw automation::AutomationError(err::kInvalidCall, "host.colleague: this run has no second person");
}

automation::ObjectRef WindowsWorld::colleagueControl() {
  colleague();
  return {};
}

automation::DateTime WindowsWorld::now() {
  SYSTEMTIME local;
  GetLocalTime(&local);
  const SYSTEMTIME t = fromMs(toMs(local) + clockShift());
  return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

void WindowsWorld::setClock(const automation::DateTime& t) {
  SYSTEMTIME wanted{};
  wanted.wYear = static_cast<WORD>(t.year);
  wanted.wMonth = static_cast<WORD>(t.month);
  wanted.wDay = static_cast<WORD>(t.day);
  wanted.wHour = static_cast<WORD>(t.hour);
  wanted.wMinute = static_cast<WORD>(t.minute);
  wanted.wSecond = static_cast<WORD>(t.second);
  SYSTEMTIME local;
  GetLocalTime(&local);
  local.wMilliseconds = 0;
  const std::int64_t shift = toMs(wanted) - toMs(local);
  SetEnvironmentVariableW(kClockShiftVariable, std::to_wstring(shift).c_str());
}

void WindowsWorld::sleep(int ms) {
  pumpFor(ms < 0 ? 0 : ms);
}

void WindowsWorld::setCookie(const std::string& name, const std::string& value, const std::string& site) {
  if (name.empty() || name.find_first_of("=; \t\r\n") != std::string::npos ||
      value.find_first_of("; \t\r\n\",\\") != std::string::npos) {
    throw std::invalid_argument("a cookie is NAME=VALUE without blanks, quotes, commas or semicolons");
  }
  if (!InternetSetCookieW(siteUrl(site).c_str(), wide(name).c_str(), wide(value).c_str())) {
    throw automation::AutomationError(err::kInvalidCall, "host.cookies.set: the system refused the cookie");
  }
}

bool WindowsWorld::removeCookie(const std::string& name, const std::string& site) {
  const std::wstring expired = L"; expires=Thu, 01-Jan-1970 00:00:00 GMT";
  return InternetSetCookieW(siteUrl(site).c_str(), wide(name).c_str(), expired.c_str()) != FALSE;
}

void WindowsWorld::clearCookies() {
  InternetSetOptionW(nullptr, INTERNET_OPTION_END_BROWSER_SESSION, nullptr, 0);
}

void pumpFor(int ms) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(ms);
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    const ULONGLONG now = GetTickCount64();
    if (now >= end) break;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
  }
}

}  // namespace verolin::com
