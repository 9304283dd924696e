// The registry over advapi32. Key handles stay in a table: the control's key numbers are small
// integers, the system's handles are pointers.
#include <windows.h>

#include <cstring>
#include <iterator>
#include <map>

#include "platform/win32/wide.h"
#include "platform/win32/windows_platform.h"
#include "text/utf8.h"

namespace verolin::platform::win32 {
namespace {

struct Root {
  const char* longName;
  const char* shortName;
  HKEY key;
};

const Root kRoots[] = {
    {"HKEY_CURRENT_USER", "HKCU", HKEY_CURRENT_USER},
    {"HKEY_LOCAL_MACHINE", "HKLM", HKEY_LOCAL_MACHINE},
    {"HKEY_CLASSES_ROOT", "HKCR", HKEY_CLASSES_ROOT},
    {"HKEY_USERS", "HKU", HKEY_USERS},
};

struct SplitPath {
  HKEY root = nullptr;
  std::wstring subKey;
};

// "HKEY_CURRENT_USER\Software\A" -> the root and "Software\A"; no root for an unknown one.
SplitPath split(std::string_view path) {
  const auto slash = path.find('\\');
  const std::string_view first = path.substr(0, slash);
  SplitPath out;
  for (const Root& root : kRoots) {
    if (text::equalsIgnoreCase(first, root.longName) || text::equalsIgnoreCase(first, root.shortName)) {
      out.root = root.key;
    }
  }
  if (slash != std::string_view::npos) out.subKey = widen(path.substr(slash + 1));
  while (!out.subKey.empty() && out.subKey.back() == L'\\') out.subKey.pop_back();
  return out;
}

// An existing key opened with `access`; null when it is not there.
HKEY openExisting(std::string_view path, REGSAM access) {
  const SplitPath where = split(path);
  if (!where.root) return nullptr;
  HKEY key = nullptr;
  if (::RegOpenKeyExW(where.root, where.subKey.c_str(), 0, access, &key) != ERROR_SUCCESS) return nullptr;
  return key;
}

class Win32Registry final : public Registry {
 public:
  ~Win32Registry() override {
    for (const auto& entry : open_) ::RegCloseKey(entry.second);
  }

  RegistryKey openKey(std::string_view path) override {
    const SplitPath where = split(path);
    if (!where.root) return 0;
    HKEY key = nullptr;
    // The control expects what is missing below the root to be created, as its own registry call
    // does on the systems it was made for; creating says so explicitly on every system.
    if (::RegCreateKeyExW(where.root, where.subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_READ | KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
      return 0;
    }
    const RegistryKey id = nextKey_++;
    open_[id] = key;
    return id;
  }

  bool setValue(RegistryKey key, std::string_view name, const RegistryValue& value) override {
    const auto it = open_.find(key);
    if (it == open_.end()) return false;
    const std::wstring valueName = widen(name);
    LSTATUS status;
    if (value.kind == RegistryValue::Kind::Dword) {
      const DWORD number = value.dword;
      status = ::RegSetValueExW(it->second, valueName.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                                sizeof number);
    } else {
      const std::wstring text = widen(value.text);
      status = ::RegSetValueExW(it->second, valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    return status == ERROR_SUCCESS;
  }

  void closeKey(RegistryKey key) override {
    const auto it = open_.find(key);
    if (it == open_.end()) return;
    ::RegCloseKey(it->second);
    open_.erase(it);
  }

  std::optional<RegistryValue> value(std::string_view path, std::string_view name) override {
    const HKEY key = openExisting(path, KEY_QUERY_VALUE);
    if (!key) return std::nullopt;
    const std::wstring valueName = widen(name);
    std::optional<RegistryValue> out;
    DWORD type = 0;
    DWORD size = 0;
    if (::RegQueryValueExW(key, valueName.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
      std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
      if (::RegQueryValueExW(key, valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) ==
          ERROR_SUCCESS) {
        if (type == REG_DWORD && size == sizeof(DWORD)) {
          DWORD number = 0;
          std::memcpy(&number, data.data(), sizeof number);
          out = RegistryValue::ofDword(number);
        } else if (type == REG_SZ || type == REG_EXPAND_SZ) {
          // The stored text may or may not end with its terminator.
          data.resize(size / sizeof(wchar_t));
          while (!data.empty() && data.back() == L'\0') data.pop_back();
          out = RegistryValue::ofString(narrow(data));
        }
      }
    }
    ::RegCloseKey(key);
    return out;
  }

  bool deleteKey(std::string_view path) override {
    const SplitPath where = split(path);
    // The roots themselves are never deleted.
    if (!where.root || where.subKey.empty()) return false;
    const HKEY key = openExisting(path, KEY_READ);
    if (!key) return false;
    ::RegCloseKey(key);
    return ::RegDeleteTreeW(where.root, where.subKey.c_str()) == ERROR_SUCCESS;
  }

  std::vector<std::string> subKeys(std::string_view path) override {
    std::vector<std::string> names;
    const HKEY key = openExisting(path, KEY_ENUMERATE_SUB_KEYS);
    if (!key) return names;
    wchar_t name[256];  // the longest key name the registry allows, and its terminator
    for (DWORD index = 0;; ++index) {
      DWORD length = static_cast<DWORD>(std::size(name));
      if (::RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      names.push_back(narrow(std::wstring_view(name, length)));
    }
    ::RegCloseKey(key);
    return names;
  }

 private:
  std::map<RegistryKey, HKEY> open_;
  RegistryKey nextKey_ = 0x100;
};

}  // namespace

std::unique_ptr<Registry> newRegistry() {
  return std::make_unique<Win32Registry>();
}

}  // namespace verolin::platform::win32
