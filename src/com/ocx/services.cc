// The services a thread's controls stand on (the Windows platform), and the registry that registration
// writes: it creates the keys of the class, its ProgID and its library wherever they are missing.
#include <windows.h>

#include <map>

#include "com/local_clock.h"
#include "com/ocx/server.h"
#include "com/trace_sink.h"
#include "com/variant.h"
#include "platform/win32/windows_platform.h"

namespace verolin::com::ocx {
namespace {

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

// The thread's host with the process's local time (com/local_clock.h: a page run may shift it).
class RunClockHost final : public platform::Host {
 public:
  explicit RunClockHost(platform::Host& inner) : inner_(inner) {}
  void pumpMessages(int times) override { inner_.pumpMessages(times); }
  TimerId startTimer(int intervalMs, std::function<void()> tick) override {
    return inner_.startTimer(intervalMs, std::move(tick));
  }
  void stopTimer(TimerId id) override { inner_.stopTimer(id); }
  automation::DateTime now() override { return localNow(); }
  std::int64_t tickMs() override { return inner_.tickMs(); }
  int messageBox(const std::string& text, int style, const std::string& caption) override {
    return inner_.messageBox(text, style, caption);
  }
  std::optional<std::string> inputBox(const std::string& prompt, const std::string& title,
                                      const std::string& defaultText) override {
    return inner_.inputBox(prompt, title, defaultText);
  }
  void showModal(platform::Form& form) override { inner_.showModal(form); }
  int showDialog(platform::DialogRequest& request) override { return inner_.showDialog(request); }
  void propertyChanged(const std::string& name) override { inner_.propertyChanged(name); }
  void trace(std::string_view category, std::string_view line) override { inner_.trace(category, line); }

 private:
  platform::Host& inner_;
};

class ThreadPlatform final : public ThreadServices {
 public:
  // A page run (verolin.exe run) keeps a transcript of what the control shows; in a browser no one does.
  ThreadPlatform() : host_(*services_.host) { services_.host->onTrace = traceToProgram; }
  platform::Platform platform() override {
    platform::Platform p = services_.platform();
    p.host = &host_;
    return p;
  }
  void setBoxOwner(HWND owner) override { services_.host->setOwner(owner); }

 private:
  platform::win32::WindowsPlatform services_;
  RunClockHost host_;
};

}  // namespace

std::unique_ptr<ThreadServices> makeThreadServices() {
  return std::make_unique<ThreadPlatform>();
}

platform::Registry& registrationRegistry() {
  static SystemRegistry registry;
  return registry;
}

}  // namespace verolin::com::ocx
