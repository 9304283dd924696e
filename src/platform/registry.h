// Registry: keys such as "HKEY_CURRENT_USER\Software\..." with DWORD and string values.
// Key paths and value names compare case-insensitively.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace verolin::platform {

struct RegistryValue {
  enum class Kind { Dword, String } kind = Kind::String;
  std::uint32_t dword = 0;
  std::string text;
  static RegistryValue ofDword(std::uint32_t v) { return {Kind::Dword, v, {}}; }
  static RegistryValue ofString(std::string s) { return {Kind::String, 0, std::move(s)}; }
  friend bool operator==(const RegistryValue&, const RegistryValue&) = default;
};

using RegistryKey = std::int32_t;  // 0 is no key

class Registry {
 public:
  Registry() = default;
  Registry(const Registry&) = delete;
  Registry& operator=(const Registry&) = delete;
  virtual ~Registry() = default;

  // Opens a key, creating it and its parents when missing (RegOpenKeyA does so for HKEY_CURRENT_USER
  // sub-keys); 0 on failure. The handle stays valid until closeKey.
  virtual RegistryKey openKey(std::string_view path) = 0;
  // Sets a value under an open key; false for a bad handle or when the store cannot be written.
  virtual bool setValue(RegistryKey key, std::string_view name, const RegistryValue& value) = 0;
  virtual void closeKey(RegistryKey key) = 0;

  // Reads a value by key path; nullopt when absent.
  virtual std::optional<RegistryValue> value(std::string_view path, std::string_view name) = 0;
  // Removes a key with everything below it; false when it did not exist.
  virtual bool deleteKey(std::string_view path) = 0;
  // Sub-key names directly below `path`.
  virtual std::vector<std::string> subKeys(std::string_view path) = 0;
};

}  // namespace verolin::platform
