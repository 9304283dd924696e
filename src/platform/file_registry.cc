#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/standin.h"
#include "text/utf8.h"

namespace verolin::platform {
namespace {

// "HKEY_CURRENT_USER\\Software\\x\\" -> "HKEY_CURRENT_USER\Software\x"; "" when it names no hive.
std::string normalKey(std::string_view path) {
  std::string out;
  std::size_t i = 0;
  while (i < path.size()) {
    const std::size_t end = std::min(path.find('\\', i), path.size());
    if (end > i) {
      if (!out.empty()) out += '\\';
      out.append(path.substr(i, end - i));
    }
    i = end + 1;
  }
  if (text::toLowerAscii(out).rfind("hkey_", 0) != 0) return {};
  // Key paths are stored as they stand, one per line start, so they may hold no control characters.
  for (char c : out) {
    if (static_cast<unsigned char>(c) < 0x20) return {};
  }
  return out;
}

// Value names and texts escape tabs, line breaks and backslashes so that one value stays one line.
std::string escape(std::string_view s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string unescape(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      out += s[i];
      continue;
    }
    const char c = s[++i];
    out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
  }
  return out;
}

std::vector<std::string> fields(const std::string& line) {
  std::vector<std::string> out;
  std::size_t from = 0;
  for (;;) {
    const std::size_t at = line.find('\t', from);
    out.push_back(line.substr(from, at == std::string::npos ? std::string::npos : at - from));
    if (at == std::string::npos) return out;
    from = at + 1;
  }
}

std::string writeKey(const std::string& key, const std::string& name) {
  return key + '\t' + name;
}

}  // namespace

FileRegistry::FileRegistry(std::filesystem::path file) : file_(std::move(file)) {
  load();
}

void FileRegistry::load() {
  std::ifstream in(file_, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto f = fields(line);
    const std::string key = normalKey(f[0]);
    if (key.empty()) continue;  // a damaged line loses only itself
    const std::string lower = text::toLowerAscii(key);
    keys_[lower];
    keyNames_.emplace(lower, key);
    if (f.size() != 4) continue;
    const std::string name = unescape(f[1]);
    RegistryValue v;
    if (f[2] == "dword") {
      try {
        v = RegistryValue::ofDword(static_cast<std::uint32_t>(std::stoul(f[3])));
      } catch (const std::exception&) {
        continue;
      }
    } else if (f[2] == "string") {
      v = RegistryValue::ofString(unescape(f[3]));
    } else {
      continue;
    }
    keys_[lower][text::toLowerAscii(name)] = v;
    valueNames_[writeKey(lower, text::toLowerAscii(name))] = name;
  }
}

bool FileRegistry::save() {
  std::error_code ec;
  if (file_.has_parent_path()) std::filesystem::create_directories(file_.parent_path(), ec);
  std::ostringstream out;
  for (const auto& [lower, values] : keys_) {
    const std::string& key = keyNames_[lower];
    if (values.empty()) out << key << '\n';
    for (const auto& [lowerName, v] : values) {
      const auto n = valueNames_.find(writeKey(lower, lowerName));
      out << key << '\t' << escape(n == valueNames_.end() ? lowerName : n->second) << '\t';
      if (v.kind == RegistryValue::Kind::Dword) {
        out << "dword\t" << v.dword << '\n';
      } else {
        out << "string\t" << escape(v.text) << '\n';
      }
    }
  }
  // Through a temporary file, so a failed write never leaves half a registry behind.
  std::filesystem::path temporary = file_;
  temporary += ".tmp";
  {
    std::ofstream f(temporary, std::ios::binary | std::ios::trunc);
    f << out.str();
    f.flush();
    if (!f) {
      std::filesystem::remove(temporary, ec);
      return false;
    }
  }
  std::filesystem::rename(temporary, file_, ec);
  if (ec) std::filesystem::remove(temporary, ec);
  return !ec;
}

RegistryKey FileRegistry::openKey(std::string_view path) {
  const std::string key = normalKey(path);
  if (key.empty()) return 0;
  bool created = false;
  // The key and every parent below the hive, as RegOpenKeyA creates them.
  for (std::size_t at = key.find('\\');; at = key.find('\\', at + 1)) {
    const std::string part = key.substr(0, at);
    const std::string lower = text::toLowerAscii(part);
    if (!keys_.count(lower)) {
      keys_[lower];
      keyNames_[lower] = part;
      created = true;
    }
    if (at == std::string::npos) break;
  }
  if (created && !save()) return 0;
  const RegistryKey handle = nextKey_++;
  open_[handle] = text::toLowerAscii(key);
  return handle;
}

bool FileRegistry::setValue(RegistryKey key, std::string_view name, const RegistryValue& value) {
  const auto it = open_.find(key);
  if (it == open_.end()) return false;
  const std::string lowerName = text::toLowerAscii(name);
  ++writes_[writeKey(it->second, lowerName)];
  // A key deleted while open comes back, as the handle still names it.
  if (!keyNames_.count(it->second)) keyNames_[it->second] = it->second;
  keys_[it->second][lowerName] = value;
  valueNames_[writeKey(it->second, lowerName)] = std::string(name);
  return save();
}

void FileRegistry::closeKey(RegistryKey key) {
  open_.erase(key);
}

std::optional<RegistryValue> FileRegistry::value(std::string_view path, std::string_view name) {
  const auto k = keys_.find(text::toLowerAscii(normalKey(path)));
  if (k == keys_.end()) return std::nullopt;
  const auto v = k->second.find(text::toLowerAscii(name));
  if (v == k->second.end()) return std::nullopt;
  return v->second;
}

bool FileRegistry::deleteKey(std::string_view path) {
  const std::string lower = text::toLowerAscii(normalKey(path));
  if (lower.empty() || !keys_.count(lower)) return false;
  const std::string prefix = lower + '\\';
  for (auto it = keys_.begin(); it != keys_.end();) {
    if (it->first == lower || it->first.rfind(prefix, 0) == 0) {
      keyNames_.erase(it->first);
      it = keys_.erase(it);
    } else {
      ++it;
    }
  }
  for (auto it = valueNames_.begin(); it != valueNames_.end();) {
    const bool gone = it->first.rfind(lower + '\t', 0) == 0 || it->first.rfind(prefix, 0) == 0;
    it = gone ? valueNames_.erase(it) : std::next(it);
  }
  save();
  return true;
}

std::vector<std::string> FileRegistry::subKeys(std::string_view path) {
  const std::string prefix = text::toLowerAscii(normalKey(path)) + '\\';
  std::vector<std::string> out;
  for (const auto& [lower, values] : keys_) {
    if (lower.size() > prefix.size() && lower.rfind(prefix, 0) == 0 &&
        lower.find('\\', prefix.size()) == std::string::npos) {
      out.push_back(keyNames_[lower].substr(prefix.size()));
    }
  }
  return out;
}

int FileRegistry::writeCount(std::string_view path, std::string_view name) const {
  const auto it = writes_.find(writeKey(text::toLowerAscii(normalKey(path)), text::toLowerAscii(name)));
  return it == writes_.end() ? 0 : it->second;
}

}  // namespace verolin::platform
