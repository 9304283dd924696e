// The services a thread's controls stand on until the Windows platform supplies its own: the message
// pump and message boxes of this thread, real drive paths, the system registry, and the portable
// stand-ins for windows and the clipboard. No word processor is known to the object factory, so
// starting it fails as on a machine without one (429).
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "automation/error.h"
#include "com/ocx/server.h"
#include "com/variant.h"
#include "platform/file_errors.h"
#include "platform/standin.h"

namespace verolin::com::ocx {
namespace {

namespace err = automation::err;

class ThreadHost final : public platform::Host {
 public:
  void pumpMessages(int times) override {
    for (int i = 0; i < times; ++i) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    }
  }
  // The window check is not run here.
  TimerId startTimer(int, std::function<void()>) override { return ++timers_; }
  void stopTimer(TimerId) override {}
  automation::DateTime now() override {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return automation::DateTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
  }
  std::int64_t tickMs() override { return static_cast<std::int64_t>(GetTickCount64()); }
  int messageBox(const std::string& text, int style, const std::string& caption) override {
    return MessageBoxW(nullptr, toWide(text).c_str(), toWide(caption).c_str(),
                       static_cast<UINT>(style) | MB_TASKMODAL);
  }
  std::optional<std::string> inputBox(const std::string&, const std::string&, const std::string&) override {
    return std::nullopt;
  }
  void showModal(platform::Form& form) override {
    form.markShown();
    if (form.isOpen()) form.close();
  }
  int showDialog(platform::DialogRequest&) override { return 0; }
  void propertyChanged(const std::string&) override {}
  void trace(std::string_view, std::string_view) override {}

 private:
  TimerId timers_ = 0;
};

std::filesystem::path native(std::string_view path) {
  return std::filesystem::path(toWide(path));
}

[[noreturn]] void fail(std::int32_t number, std::string_view path) {
  throw automation::errorOf(number, std::string(path));
}

// Drive paths as they are: on Windows the control's paths are the system's own.
class DriveFiles final : public platform::FileSystem {
 public:
  std::filesystem::path nativePath(std::string_view path) const override { return native(path); }
  bool fileExists(std::string_view path) override {
    std::error_code ec;
    return std::filesystem::is_regular_file(native(path), ec);
  }
  bool dirExists(std::string_view path) override {
    std::error_code ec;
    return std::filesystem::is_directory(native(path), ec);
  }
  void createDir(std::string_view path) override {
    std::error_code ec;
    if (dirExists(path) || fileExists(path)) fail(err::kPathFileAccess, path);
    if (!std::filesystem::create_directory(native(path), ec)) fail(err::kPathNotFound, path);
  }
  void remove(std::string_view path) override {
    std::error_code ec;
    if (!fileExists(path)) fail(err::kFileNotFound, path);
    if (!std::filesystem::remove(native(path), ec)) fail(err::kPermissionDenied, path);
  }
  void rename(std::string_view from, std::string_view to) override {
    if (!fileExists(from)) fail(err::kFileNotFound, from);
    if (fileExists(to)) fail(err::kFileExists, to);
    std::error_code ec;
    std::filesystem::rename(native(from), native(to), ec);
    if (ec) fail(err::kPathFileAccess, from);
  }
  void copy(std::string_view from, std::string_view to) override {
    if (!fileExists(from)) fail(err::kFileNotFound, from);
    std::error_code ec;
    std::filesystem::copy_file(native(from), native(to), std::filesystem::copy_options::overwrite_existing,
                               ec);
    if (ec) fail(err::kPathFileAccess, to);
  }
  std::uint64_t size(std::string_view path) override {
    std::error_code ec;
    const auto n = std::filesystem::file_size(native(path), ec);
    if (ec) fail(err::kFileNotFound, path);
    return n;
  }
  automation::Bytes read(std::string_view path) override {
    std::ifstream in(native(path), std::ios::binary);
    if (!in) fail(err::kFileNotFound, path);
    return automation::Bytes(std::istreambuf_iterator<char>(in), {});
  }
  void write(std::string_view path, const automation::Bytes& bytes) override {
    std::ofstream out(native(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) fail(err::kPathFileAccess, path);
  }
  std::unique_ptr<std::istream> openRead(std::string_view path) override {
    auto in = std::make_unique<std::ifstream>(native(path), std::ios::binary);
    if (!*in) fail(err::kFileNotFound, path);
    return in;
  }
  std::unique_ptr<std::ostream> openWrite(std::string_view path) override {
    auto out = std::make_unique<std::ofstream>(native(path), std::ios::binary | std::ios::trunc);
    if (!*out) fail(err::kPathFileAccess, path);
    return out;
  }
  void lock(std::string_view path, platform::LockMode) override { locked_.insert(std::string(path)); }
  void unlock(std::string_view path) override { locked_.erase(std::string(path)); }
  bool isLocked(std::string_view path) override { return locked_.count(std::string(path)) > 0; }

 private:
  std::set<std::string> locked_;
};

// The system registry: keys as "HKEY_CLASSES_ROOT\..." (or the other roots), created when missing.
class SystemRegistry final : public platform::Registry {
 public:
  platform::RegistryKey openKey(std::string_view path) override {
    HKEY root = nullptr;
    const std::wstring sub = split(path, root);
    HKEY key = nullptr;
    if (!root || RegCreateKeyExW(root, sub.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
                     ERROR_SUCCESS) {
      return 0;
    }
    const platform::RegistryKey id = next_++;
    open_[id] = key;
    return id;
  }
  bool setValue(platform::RegistryKey key, std::string_view name,
                const platform::RegistryValue& value) override {
    auto it = open_.find(key);
    if (it == open_.end()) return false;
    const std::wstring wname = toWide(name);
    if (value.kind == platform::RegistryValue::Kind::Dword) {
      const DWORD d = value.dword;
      return RegSetValueExW(it->second, wname.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&d),
                            sizeof(d)) == ERROR_SUCCESS;
    }
    const std::wstring text = toWide(value.text);
    return RegSetValueExW(it->second, wname.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
  }
  void closeKey(platform::RegistryKey key) override {
    auto it = open_.find(key);
    if (it == open_.end()) return;
    RegCloseKey(it->second);
    open_.erase(it);
  }
  std::optional<platform::RegistryValue> value(std::string_view path, std::string_view name) override {
    HKEY root = nullptr;
    const std::wstring sub = split(path, root);
    HKEY key = nullptr;
    if (!root || RegOpenKeyExW(root, sub.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    BYTE data[4096] = {};
    DWORD size = sizeof(data) - sizeof(wchar_t);
    DWORD type = 0;
    const LONG r = RegQueryValueExW(key, toWide(name).c_str(), nullptr, &type, data, &size);
    RegCloseKey(key);
    if (r != ERROR_SUCCESS) return std::nullopt;
    if (type == REG_DWORD) return platform::RegistryValue::ofDword(*reinterpret_cast<DWORD*>(data));
    return platform::RegistryValue::ofString(fromWide(reinterpret_cast<wchar_t*>(data)));
  }
  bool deleteKey(std::string_view path) override {
    HKEY root = nullptr;
    const std::wstring sub = split(path, root);
    return root && RegDeleteTreeW(root, sub.c_str()) == ERROR_SUCCESS &&
           RegDeleteKeyW(root, sub.c_str()) == ERROR_SUCCESS;
  }
  std::vector<std::string> subKeys(std::string_view path) override {
    HKEY root = nullptr;
    const std::wstring sub = split(path, root);
    HKEY key = nullptr;
    std::vector<std::string> out;
    if (!root || RegOpenKeyExW(root, sub.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return out;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
      DWORD size = 256;
      if (RegEnumKeyExW(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      out.push_back(fromWide(std::wstring_view(name, size)));
    }
    RegCloseKey(key);
    return out;
  }

 private:
  static std::wstring split(std::string_view path, HKEY& root) {
    const auto slash = path.find('\\');
    const std::string head(path.substr(0, slash));
    static const std::pair<const char*, HKEY> roots[] = {{"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
                                                         {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
                                                         {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE}};
    root = nullptr;
    for (const auto& [name, key] : roots) {
      if (CompareStringOrdinal(toWide(head).c_str(), -1, toWide(name).c_str(), -1, TRUE) == CSTR_EQUAL)
        root = key;
    }
    return slash == std::string_view::npos ? std::wstring() : toWide(path.substr(slash + 1));
  }

  std::map<platform::RegistryKey, HKEY> open_;
  platform::RegistryKey next_ = 0x100;
};

class InterimServices final : public ThreadServices {
 public:
  platform::Platform platform() override {
    return platform::Platform{&host_,    &windows_, &registrationRegistry(), &clipboard_, &files_,
                              &objects_, nullptr};
  }

 private:
  ThreadHost host_;
  platform::StandInWindows windows_;
  platform::MemoryClipboard clipboard_;
  DriveFiles files_;
  platform::ObjectFactory objects_;
};

}  // namespace

std::unique_ptr<ThreadServices> makeThreadServices() {
  return std::make_unique<InterimServices>();
}

platform::Registry& registrationRegistry() {
  static SystemRegistry registry;
  return registry;
}

}  // namespace verolin::com::ocx
