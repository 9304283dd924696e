// Files on the real drives. The control's Windows-style paths are the system's own; names are
// handed over as UTF-16. A lock is a handle held open with a share mode that refuses writers (and,
// when exclusive, readers), so other programs meet it as they would meet the word processor's.
#include <windows.h>

#include <atomic>
#include <fstream>
#include <map>

#include "automation/error.h"
#include "platform/win32/wide.h"
#include "platform/win32/windows_platform.h"
#include "text/utf8.h"

namespace verolin::platform::win32 {
namespace {

namespace fs = std::filesystem;
namespace err = automation::err;

[[noreturn]] void fail(std::int32_t number, std::string_view path) {
  throw automation::errorOf(number, std::string(path));
}

bool forbidden(wchar_t c) {
  return c < 0x20 || c == L'<' || c == L'>' || c == L'"' || c == L'|' || c == L'?' || c == L'*' || c == L':';
}

// "x:\a\b" as it is; "\a\b" and "a\b" on drive c:, as the control's paths are; "\\server\share\a"
// on the network. Dots and ".." are resolved, trailing dots and blanks of a name dropped as the
// system does; 52 for a malformed path.
std::wstring normalise(std::string_view path) {
  if (path.empty()) fail(err::kBadFileName, path);
  const std::wstring wide = widen(path);
  std::wstring prefix = L"c:";
  std::wstring_view rest = wide;
  std::size_t fixedParts = 0;  // a share's server and share name cannot be left by ".."
  const auto separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
  if (wide.size() >= 2 && wide[1] == L':') {
    const wchar_t d = wide[0];
    if (!((d >= L'a' && d <= L'z') || (d >= L'A' && d <= L'Z'))) fail(err::kBadFileName, path);
    prefix = wide.substr(0, 2);
    rest.remove_prefix(2);
  } else if (wide.size() >= 2 && separator(wide[0]) && separator(wide[1])) {
    prefix = L"\\";
    rest.remove_prefix(1);
    fixedParts = 2;
  }
  std::vector<std::wstring> parts;
  std::size_t i = 0;
  while (i <= rest.size()) {
    std::size_t end = i;
    while (end < rest.size() && !separator(rest[end])) ++end;
    std::wstring part(rest.substr(i, end - i));
    i = end + 1;
    if (part.empty() || part == L".") continue;
    if (part == L"..") {
      if (parts.size() <= fixedParts) fail(err::kBadFileName, path);
      parts.pop_back();
      continue;
    }
    while (!part.empty() && (part.back() == L'.' || part.back() == L' ')) part.pop_back();
    if (part.empty()) fail(err::kBadFileName, path);
    for (wchar_t c : part) {
      if (forbidden(c)) fail(err::kBadFileName, path);
    }
    parts.push_back(std::move(part));
  }
  if (parts.size() < fixedParts) fail(err::kBadFileName, path);
  std::wstring out = prefix;
  for (const auto& part : parts) out += L"\\" + part;
  if (parts.empty()) out += L"\\";
  return out;
}

DWORD attributesOf(const std::wstring& native) {
  return ::GetFileAttributesW(native.c_str());
}

bool isDirectory(const std::wstring& native) {
  const DWORD a = attributesOf(native);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool present(const std::wstring& native) {
  return attributesOf(native) != INVALID_FILE_ATTRIBUTES;
}

std::wstring parentOf(const std::wstring& native) {
  const auto at = native.find_last_of(L'\\');
  return at == std::wstring::npos ? std::wstring() : native.substr(0, at == 2 ? 3 : at);
}

// The runtime's number for a system error on `native`.
std::int32_t numberOf(DWORD error, const std::wstring& native) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
      return isDirectory(parentOf(native)) ? err::kFileNotFound : err::kPathNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return err::kPathNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return err::kPermissionDenied;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return err::kFileExists;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return err::kDiskFull;
    case ERROR_NOT_READY:
      return err::kDiskNotReady;
    case ERROR_INVALID_DRIVE:
      return err::kDeviceUnavailable;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
      return err::kBadFileName;
    default:
      return err::kPathFileAccess;
  }
}

[[noreturn]] void failWithLastError(const std::wstring& native, std::string_view path) {
  fail(numberOf(::GetLastError(), native), path);
}

// The number for a file that is not there: 76 when its folder is missing too.
std::int32_t missingNumber(const std::wstring& native) {
  return isDirectory(parentOf(native)) ? err::kFileNotFound : err::kPathNotFound;
}

// An existing file (not a folder) that an operation reads or replaces.
void requireFile(const std::wstring& native, std::string_view path) {
  if (!present(native)) fail(missingNumber(native), path);
  if (isDirectory(native)) fail(err::kPathFileAccess, path);
}

// A scratch name beside `target`, unique within this process and among processes.
std::wstring scratchBeside(const std::wstring& target) {
  static std::atomic<unsigned> counter{0};
  const auto at = target.find_last_of(L'\\');
  return target.substr(0, at + 1) + L"." + target.substr(at + 1) + L".~" +
         std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(counter++);
}

class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() {
    if (valid()) ::CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return h_; }

 private:
  HANDLE h_;
};

// Writes a new file; returns the system's error, 0 on success.
DWORD writeNew(const std::wstring& file, const automation::Bytes& bytes) {
  Handle out(::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  if (!out.valid()) return ::GetLastError();
  std::size_t done = 0;
  while (done < bytes.size()) {
    const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(out.get(), bytes.data() + done, piece, &written, nullptr)) return ::GetLastError();
    done += written;
  }
  return 0;
}

class Win32Files final : public FileSystem {
 public:
  ~Win32Files() override {
    for (const auto& entry : locks_) ::CloseHandle(entry.second);
  }

  fs::path nativePath(std::string_view path) const override { return fs::path(normalise(path)); }

  bool fileExists(std::string_view path) override {
    try {
      const DWORD a = attributesOf(normalise(path));
      return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
    } catch (const automation::AutomationError&) {
      return false;
    }
  }

  bool dirExists(std::string_view path) override {
    try {
      return isDirectory(normalise(path));
    } catch (const automation::AutomationError&) {
      return false;
    }
  }

  void createDir(std::string_view path) override {
    const std::wstring p = normalise(path);
    if (present(p)) fail(err::kPathFileAccess, path);
    if (!::CreateDirectoryW(p.c_str(), nullptr)) {
      const DWORD error = ::GetLastError();
      fail(error == ERROR_ALREADY_EXISTS ? err::kPathFileAccess : numberOf(error, p), path);
    }
  }

  void remove(std::string_view path) override {
    const std::wstring p = normalise(path);
    requireFile(p, path);
    if (!::DeleteFileW(p.c_str())) failWithLastError(p, path);
  }

  void rename(std::string_view from, std::string_view to) override {
    const std::wstring a = normalise(from);
    const std::wstring b = normalise(to);
    if (!present(a)) fail(missingNumber(a), from);
    // The same file under another spelling is renamed to the new case, as the system does.
    if (present(b) && !text::equalsIgnoreCase(narrow(a), narrow(b))) fail(err::kFileExists, to);
    if (!isDirectory(parentOf(b))) fail(err::kPathNotFound, to);
    if (!::MoveFileExW(a.c_str(), b.c_str(), 0)) failWithLastError(b, to);
  }

  void replace(std::string_view from, std::string_view to) override {
    const std::wstring a = normalise(from);
    const std::wstring b = normalise(to);
    requireFile(a, from);
    if (isDirectory(b)) fail(err::kPathFileAccess, to);
    if (!isDirectory(parentOf(b))) fail(err::kPathNotFound, to);
    if (!::MoveFileExW(a.c_str(), b.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      failWithLastError(b, to);
    }
  }

  void copy(std::string_view from, std::string_view to) override {
    const std::wstring a = normalise(from);
    const std::wstring b = normalise(to);
    requireFile(a, from);
    if (isDirectory(b)) fail(err::kPathFileAccess, to);
    if (!isDirectory(parentOf(b))) fail(err::kPathNotFound, to);
    if (text::equalsIgnoreCase(narrow(a), narrow(b))) return;
    // Through a scratch file, so that a failed copy leaves the old target whole.
    const std::wstring scratch = scratchBeside(b);
    if (!::CopyFileW(a.c_str(), scratch.c_str(), TRUE)) {
      const DWORD error = ::GetLastError();
      ::DeleteFileW(scratch.c_str());
      fail(numberOf(error, a), from);
    }
    replaceWith(scratch, b, to);
  }

  std::uint64_t size(std::string_view path) override {
    const std::wstring p = normalise(path);
    requireFile(p, path);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(p.c_str(), GetFileExInfoStandard, &data)) failWithLastError(p, path);
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  }

  automation::Bytes read(std::string_view path) override {
    const std::wstring p = normalise(path);
    requireFile(p, path);
    Handle file(::CreateFileW(p.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid()) failWithLastError(p, path);
    automation::Bytes bytes;
    std::uint8_t buffer[65536];
    for (;;) {
      DWORD got = 0;
      if (!::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) failWithLastError(p, path);
      if (got == 0) break;
      bytes.insert(bytes.end(), buffer, buffer + got);
    }
    return bytes;
  }

  void write(std::string_view path, const automation::Bytes& bytes) override {
    const std::wstring p = normalise(path);
    if (isDirectory(p)) fail(err::kPathFileAccess, path);
    if (!isDirectory(parentOf(p))) fail(err::kPathNotFound, path);
    // A target held by another program is refused before anything is written.
    if (present(p)) {
      Handle probe(::CreateFileW(p.c_str(), GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
      if (!probe.valid()) failWithLastError(p, path);
    }
    const std::wstring scratch = scratchBeside(p);
    if (const DWORD error = writeNew(scratch, bytes)) {
      ::DeleteFileW(scratch.c_str());
      fail(numberOf(error, p), path);
    }
    replaceWith(scratch, p, path);
  }

  std::unique_ptr<std::istream> openRead(std::string_view path) override {
    const std::wstring p = normalise(path);
    requireFile(p, path);
    if (lockedAgainstReading(p)) fail(err::kPermissionDenied, path);
    auto in = std::make_unique<std::ifstream>(fs::path(p), std::ios::binary);
    if (!*in) fail(err::kPermissionDenied, path);
    return in;
  }

  std::unique_ptr<std::ostream> openWrite(std::string_view path) override {
    const std::wstring p = normalise(path);
    if (isDirectory(p)) fail(err::kPathFileAccess, path);
    if (!isDirectory(parentOf(p))) fail(err::kPathNotFound, path);
    auto out = std::make_unique<std::ofstream>(fs::path(p), std::ios::binary | std::ios::trunc);
    if (!*out) fail(err::kPermissionDenied, path);
    return out;
  }

  void lock(std::string_view path, LockMode mode) override {
    const std::wstring p = normalise(path);
    unlockNative(p);
    const DWORD share = mode == LockMode::DenyWrite ? FILE_SHARE_READ : 0;
    const HANDLE held = ::CreateFileW(p.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
    if (held == INVALID_HANDLE_VALUE) failWithLastError(p, path);
    locks_[key(p)] = held;
  }

  void unlock(std::string_view path) override { unlockNative(normalise(path)); }

  // Held by this control or by another program that refuses writers.
  bool isLocked(std::string_view path) override {
    try {
      const std::wstring p = normalise(path);
      if (locks_.count(key(p)) != 0) return true;
      if (!present(p) || isDirectory(p)) return false;
      Handle probe(::CreateFileW(p.c_str(), GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
      return !probe.valid() && ::GetLastError() == ERROR_SHARING_VIOLATION;
    } catch (const automation::AutomationError&) {
      return false;
    }
  }

 private:
  static std::string key(const std::wstring& native) { return text::toLowerAscii(narrow(native)); }

  void unlockNative(const std::wstring& native) {
    const auto it = locks_.find(key(native));
    if (it == locks_.end()) return;
    ::CloseHandle(it->second);
    locks_.erase(it);
  }

  bool lockedAgainstReading(const std::wstring& native) const {
    Handle probe(::CreateFileW(native.c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               0, nullptr));
    return !probe.valid() && ::GetLastError() == ERROR_SHARING_VIOLATION;
  }

  // Moves the finished scratch file over the target; the scratch file is removed when that fails.
  static void replaceWith(const std::wstring& scratch, const std::wstring& target, std::string_view path) {
    if (!::MoveFileExW(scratch.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      const DWORD error = ::GetLastError();
      ::DeleteFileW(scratch.c_str());
      fail(numberOf(error, target), path);
    }
  }

  std::map<std::string, HANDLE> locks_;  // lower-case native path -> the handle that holds it
};

}  // namespace

std::unique_ptr<FileSystem> newFileSystem() {
  return std::make_unique<Win32Files>();
}

}  // namespace verolin::platform::win32
