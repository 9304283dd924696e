#include "com/drive_files.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <system_error>

#include "automation/error.h"
#include "com/dialog_watchdog.h"

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
  // A file another program holds open: the system's sharing violation.
  if (ec == std::errc::permission_denied || ec == std::errc::device_or_resource_busy ||
      ec.value() == ERROR_SHARING_VIOLATION || ec.value() == ERROR_LOCK_VIOLATION) {
    return err::kPermissionDenied;
  }
  return err::kPathFileAccess;
}

class DriveFiles final : public platform::FileSystem {
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
  void replace(std::string_view from, std::string_view to) override {
    const fs::path a = nativeOf(from), b = nativeOf(to);
    std::error_code ec;
    if (!fs::is_regular_file(a, ec)) fail(err::kFileNotFound, from);
    if (fs::is_directory(b, ec)) fail(err::kPathFileAccess, to);
    // The library's rename replaces an existing target in one step on every system.
    fs::rename(a, b, ec);
    if (ec) fail(fileError(b, ec), to);
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
  void lock(std::string_view path, platform::LockMode mode) override {
    const fs::path p = nativeOf(path);
    unlock(path);
    const DWORD share = mode == platform::LockMode::DenyWrite ? FILE_SHARE_READ : 0;
    HANDLE h =
        CreateFileW(p.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      fail(GetLastError() == ERROR_SHARING_VIOLATION ? err::kPermissionDenied : err::kFileNotFound, path);
    }
    held_[key(p)] = h;
  }
  void unlock(std::string_view path) override {
    const auto it = held_.find(key(nativeOf(path)));
    if (it == held_.end()) return;
    CloseHandle(it->second);
    held_.erase(it);
  }
  bool isLocked(std::string_view path) override {
    const fs::path p = nativeOf(path);
    if (held_.count(key(p))) return true;
    HANDLE h = CreateFileW(p.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      CloseHandle(h);
      return false;
    }
    return GetLastError() == ERROR_SHARING_VIOLATION;
  }
  ~DriveFiles() override {
    for (auto& [name, h] : held_) CloseHandle(h);
  }

 private:
  // Names compare as the system compares them.
  static std::wstring key(const fs::path& p) {
    std::wstring k = fs::absolute(p).lexically_normal().wstring();
    CharLowerBuffW(k.data(), static_cast<DWORD>(k.size()));
    return k;
  }
  std::map<std::wstring, HANDLE> held_;
};

}  // namespace

std::unique_ptr<platform::FileSystem> makeDriveFiles() {
  return std::make_unique<DriveFiles>();
}

}  // namespace verolin::com
