#include <atomic>
#include <cerrno>
#include <fstream>
#include <system_error>

#include "automation/error.h"
#include "platform/standin.h"
#include "platform/standin_system.h"
#include "text/utf8.h"

namespace verolin::platform {
namespace {

namespace fs = std::filesystem;
namespace err = automation::err;

// Names are UTF-8 text; the library's plain narrow strings are in the system's code page on some
// systems, so they go through UTF-8 explicitly.
fs::path pathOf(std::string_view name) {
  return fs::path(std::u8string(name.begin(), name.end()));
}

std::string nameOf(const fs::path& path) {
  const std::u8string name = path.u8string();
  return std::string(name.begin(), name.end());
}

[[noreturn]] void fail(std::int32_t number, std::string_view path) {
  throw automation::errorOf(number, std::string(path));
}

bool forbidden(unsigned char c) {
  return c < 0x20 || c == '<' || c == '>' || c == '"' || c == '|' || c == '?' || c == '*' || c == ':';
}

struct ParsedPath {
  char drive = 'c';
  std::vector<std::string> parts;
};

// "x:\a\b", "x:a\b", "\a\b" and "a\b" (the last two on drive c:); 52 for anything malformed.
ParsedPath parse(std::string_view path) {
  ParsedPath out;
  if (path.empty()) fail(err::kBadFileName, path);
  std::string_view rest = path;
  if (path.size() >= 2 && path[1] == ':') {
    const char d = path[0];
    if (!((d >= 'a' && d <= 'z') || (d >= 'A' && d <= 'Z'))) fail(err::kBadFileName, path);
    out.drive = static_cast<char>(d | 0x20);
    rest = path.substr(2);
  } else if (path.size() >= 2 && (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/')) {
    fail(err::kBadFileName, path);  // network paths have no place under the root
  }
  std::size_t i = 0;
  while (i <= rest.size()) {
    const std::size_t end = std::min(rest.find_first_of("\\/", i), rest.size());
    std::string part(rest.substr(i, end - i));
    i = end + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (out.parts.empty()) fail(err::kBadFileName, path);
      out.parts.pop_back();
      continue;
    }
    // The platform drops trailing dots and spaces from a name.
    while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
    if (part.empty()) fail(err::kBadFileName, path);
    for (char c : part) {
      if (forbidden(static_cast<unsigned char>(c))) fail(err::kBadFileName, path);
    }
    out.parts.push_back(std::move(part));
  }
  return out;
}

// The entry of `dir` whose name equals `name` case-insensitively, preferring an exact match.
std::optional<std::string> findEntry(const fs::path& dir, const std::string& name) {
  std::error_code ec;
  if (fs::exists(dir / pathOf(name), ec)) return name;
  fs::directory_iterator it(dir, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    const std::string entry = nameOf(it->path().filename());
    if (text::equalsIgnoreCase(entry, name)) return entry;
  }
  return std::nullopt;
}

bool isDir(const fs::path& p) {
  std::error_code ec;
  return fs::is_directory(p, ec);
}

bool present(const fs::path& p) {
  std::error_code ec;
  return fs::exists(p, ec);
}

// The number for a missing file: 76 when its folder is missing too.
std::int32_t missingNumber(const fs::path& native) {
  return isDir(native.parent_path()) ? err::kFileNotFound : err::kPathNotFound;
}

[[noreturn]] void failWith(std::error_code ec, const fs::path& native, std::string_view path) {
  using std::errc;
  std::int32_t n = err::kPathFileAccess;
  if (ec == errc::no_such_file_or_directory) {
    n = missingNumber(native);
  } else if (ec == errc::not_a_directory) {
    n = err::kPathNotFound;
  } else if (ec == errc::permission_denied || ec == errc::operation_not_permitted ||
             ec == errc::read_only_file_system || ec == errc::text_file_busy) {
    n = err::kPermissionDenied;
  } else if (ec == errc::file_exists) {
    n = err::kFileExists;
  } else if (ec == errc::no_space_on_device) {
    n = err::kDiskFull;
  } else if (ec == errc::filename_too_long) {
    n = err::kBadFileName;
  }
  fail(n, path);
}

[[noreturn]] void failWithErrno(const fs::path& native, std::string_view path) {
  failWith(std::error_code(errno, std::generic_category()), native, path);
}

// A scratch name beside `target`, unique within this process and among processes.
fs::path scratchBeside(const fs::path& target) {
  static std::atomic<unsigned> counter{0};
  return target.parent_path() /
         pathOf("." + nameOf(target.filename()) + ".~" + std::to_string(standin_system::processId()) + "-" +
                std::to_string(counter++));
}

// Writes `size` bytes to a new file at `file`; the file is gone again when this fails.
void writeNew(const fs::path& file, const std::uint8_t* data, std::size_t size, const fs::path& target,
              std::string_view path) {
  if (const std::error_code ec = standin_system::writeNew(file, data, size)) failWith(ec, target, path);
}

// Moves the finished scratch file over the target; the scratch file is removed when that fails.
void replaceWith(const fs::path& scratch, const fs::path& target, std::string_view path) {
  if (const std::error_code ec = standin_system::replace(scratch, target)) {
    standin_system::removeQuietly(scratch);
    failWith(ec, target, path);
  }
}

std::string lockKey(const fs::path& native) {
  return text::toLowerAscii(nameOf(native));
}

// The native path of an operation's argument: 52 for a malformed path, 68 for a missing drive.
fs::path operand(const MappedFileSystem& files, std::string_view path) {
  fs::path native = files.nativePath(path);
  const char drive = parse(path).drive;
  if (!isDir(files.root() / std::string(1, drive))) fail(err::kDeviceUnavailable, path);
  return native;
}

}  // namespace

MappedFileSystem::MappedFileSystem(std::filesystem::path root) : root_(fs::absolute(std::move(root))) {
  fs::create_directories(root_ / "c");
}

std::filesystem::path MappedFileSystem::nativePath(std::string_view path) const {
  const ParsedPath parsed = parse(path);
  fs::path current = root_ / std::string(1, parsed.drive);
  // Follow the names that exist as they are spelled on disk; the rest stays as given.
  bool onDisk = true;
  for (const auto& part : parsed.parts) {
    if (onDisk) {
      if (auto entry = findEntry(current, part)) {
        current /= pathOf(*entry);
        continue;
      }
      onDisk = false;
    }
    current /= pathOf(part);
  }
  return current;
}

bool MappedFileSystem::fileExists(std::string_view path) {
  try {
    std::error_code ec;
    return fs::is_regular_file(nativePath(path), ec);
  } catch (const automation::AutomationError&) {
    return false;
  }
}

bool MappedFileSystem::dirExists(std::string_view path) {
  try {
    return isDir(nativePath(path));
  } catch (const automation::AutomationError&) {
    return false;
  }
}

void MappedFileSystem::createDir(std::string_view path) {
  const fs::path p = operand(*this, path);
  if (present(p)) fail(err::kPathFileAccess, path);
  if (!isDir(p.parent_path())) fail(err::kPathNotFound, path);
  std::error_code ec;
  fs::create_directory(p, ec);
  if (ec) failWith(ec, p, path);
}

void MappedFileSystem::remove(std::string_view path) {
  const fs::path p = operand(*this, path);
  if (locked_.count(lockKey(p))) fail(err::kPermissionDenied, path);
  if (!present(p)) fail(missingNumber(p), path);
  if (isDir(p)) fail(err::kPathFileAccess, path);
  std::error_code ec;
  fs::remove(p, ec);
  if (ec) failWith(ec, p, path);
}

void MappedFileSystem::rename(std::string_view from, std::string_view to) {
  const fs::path a = operand(*this, from);
  fs::path b = operand(*this, to);
  if (locked_.count(lockKey(a)) || locked_.count(lockKey(b))) fail(err::kPermissionDenied, from);
  if (!present(a)) fail(missingNumber(a), from);
  if (present(b)) {
    std::error_code ec;
    if (!fs::equivalent(a, b, ec)) fail(err::kFileExists, to);
    // The same file under another spelling: the platform renames it to the new case.
    b = b.parent_path() / pathOf(parse(to).parts.back());
    if (b == a) return;
  }
  if (!isDir(b.parent_path())) fail(err::kPathNotFound, to);
  std::error_code ec;
  fs::rename(a, b, ec);
  if (ec) failWith(ec, b, to);
}

void MappedFileSystem::replace(std::string_view from, std::string_view to) {
  const fs::path a = operand(*this, from);
  const fs::path b = operand(*this, to);
  if (locked_.count(lockKey(a)) || locked_.count(lockKey(b))) fail(err::kPermissionDenied, from);
  if (!present(a)) fail(missingNumber(a), from);
  if (isDir(a)) fail(err::kPathFileAccess, from);
  if (isDir(b)) fail(err::kPathFileAccess, to);
  if (!isDir(b.parent_path())) fail(err::kPathNotFound, to);
  if (const std::error_code ec = standin_system::replace(a, b)) failWith(ec, b, to);
}

void MappedFileSystem::copy(std::string_view from, std::string_view to) {
  const fs::path a = operand(*this, from);
  const fs::path b = operand(*this, to);
  if (readLocked(a) || locked_.count(lockKey(b))) fail(err::kPermissionDenied, from);
  if (!present(a)) fail(missingNumber(a), from);
  if (isDir(a)) fail(err::kPathFileAccess, from);
  if (isDir(b)) fail(err::kPathFileAccess, to);
  if (!isDir(b.parent_path())) fail(err::kPathNotFound, to);
  std::error_code ec;
  if (fs::equivalent(a, b, ec)) return;
  const fs::path scratch = scratchBeside(b);
  fs::copy_file(a, scratch, fs::copy_options::overwrite_existing, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(scratch, ignored);
    failWith(ec, b, to);
  }
  replaceWith(scratch, b, to);
}

std::uint64_t MappedFileSystem::size(std::string_view path) {
  const fs::path p = operand(*this, path);
  if (!present(p)) fail(missingNumber(p), path);
  if (isDir(p)) fail(err::kPathFileAccess, path);
  std::error_code ec;
  const auto n = fs::file_size(p, ec);
  if (ec) failWith(ec, p, path);
  return n;
}

automation::Bytes MappedFileSystem::read(std::string_view path) {
  auto in = openRead(path);
  automation::Bytes bytes;
  char buffer[65536];
  while (in->read(buffer, sizeof buffer) || in->gcount() > 0) {
    bytes.insert(bytes.end(), buffer, buffer + in->gcount());
  }
  if (in->bad()) fail(err::kPathFileAccess, path);
  return bytes;
}

void MappedFileSystem::write(std::string_view path, const automation::Bytes& bytes) {
  const fs::path p = operand(*this, path);
  if (locked_.count(lockKey(p))) fail(err::kPermissionDenied, path);
  if (isDir(p)) fail(err::kPathFileAccess, path);
  if (!isDir(p.parent_path())) fail(err::kPathNotFound, path);
  const fs::path scratch = scratchBeside(p);
  writeNew(scratch, bytes.data(), bytes.size(), p, path);
  replaceWith(scratch, p, path);
}

std::unique_ptr<std::istream> MappedFileSystem::openRead(std::string_view path) {
  const fs::path p = operand(*this, path);
  if (readLocked(p)) fail(err::kPermissionDenied, path);
  if (!present(p)) fail(missingNumber(p), path);
  if (isDir(p)) fail(err::kPathFileAccess, path);
  errno = 0;
  auto in = std::make_unique<std::ifstream>(p, std::ios::binary);
  if (!*in) failWithErrno(p, path);
  return in;
}

std::unique_ptr<std::ostream> MappedFileSystem::openWrite(std::string_view path) {
  const fs::path p = operand(*this, path);
  if (locked_.count(lockKey(p))) fail(err::kPermissionDenied, path);
  if (isDir(p)) fail(err::kPathFileAccess, path);
  if (!isDir(p.parent_path())) fail(err::kPathNotFound, path);
  errno = 0;
  auto out = std::make_unique<std::ofstream>(p, std::ios::binary | std::ios::trunc);
  if (!*out) failWithErrno(p, path);
  return out;
}

void MappedFileSystem::lock(std::string_view path, LockMode mode) {
  locked_[lockKey(nativePath(path))] = mode;
}

bool MappedFileSystem::readLocked(const std::filesystem::path& native) const {
  const auto it = locked_.find(lockKey(native));
  return it != locked_.end() && it->second == LockMode::Exclusive;
}

void MappedFileSystem::unlock(std::string_view path) {
  locked_.erase(lockKey(nativePath(path)));
}

bool MappedFileSystem::isLocked(std::string_view path) {
  try {
    return locked_.count(lockKey(nativePath(path))) != 0;
  } catch (const automation::AutomationError&) {
    return false;
  }
}

}  // namespace verolin::platform
