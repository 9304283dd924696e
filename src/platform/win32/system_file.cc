// The cipher's file calls on Windows: handles from CreateFileW on the paths' UTF-16 names.
#include <windows.h>

#include <algorithm>

#include "crypto/system_file.h"
#include "platform/win32/error_codes.h"

namespace verolin::crypto::system_file {
namespace {

using platform::win32::lastErrorCode;

HANDLE handleOf(Handle file) {
  return reinterpret_cast<HANDLE>(file);
}

Handle fromHandle(HANDLE handle) {
  return handle == INVALID_HANDLE_VALUE ? kClosed : reinterpret_cast<Handle>(handle);
}

// ReadFile and WriteFile take a DWORD count.
constexpr std::size_t kLargestCall = 1u << 30;

}  // namespace

Handle createNew(const std::filesystem::path& path, std::error_code& error) {
  const HANDLE created = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  error = created == INVALID_HANDLE_VALUE ? lastErrorCode() : std::error_code();
  return fromHandle(created);
}

std::error_code writeAll(Handle file, const char* data, std::size_t size) {
  while (size > 0) {
    const DWORD piece = static_cast<DWORD>(std::min(size, kLargestCall));
    DWORD written = 0;
    if (!::WriteFile(handleOf(file), data, piece, &written, nullptr)) return lastErrorCode();
    data += written;
    size -= written;
  }
  return {};
}

std::error_code flushToDisk(Handle file) {
  return ::FlushFileBuffers(handleOf(file)) ? std::error_code() : lastErrorCode();
}

std::error_code close(Handle file) {
  return ::CloseHandle(handleOf(file)) ? std::error_code() : lastErrorCode();
}

std::error_code rename(const std::filesystem::path& from, const std::filesystem::path& to, bool replace) {
  // Without MOVEFILE_REPLACE_EXISTING the system refuses an existing target in the same step as the move.
  const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
  return ::MoveFileExW(from.c_str(), to.c_str(), flags) ? std::error_code() : lastErrorCode();
}

void removeQuietly(const std::filesystem::path& path) noexcept {
  ::DeleteFileW(path.c_str());
}

Handle openForReading(const std::filesystem::path& path, std::uint64_t& size, std::error_code& error) {
  // Other programs keep their access (the word processor holds its documents deny-write and may
  // still be writing; reading them is allowed, as it is on the other system).
  const HANDLE opened =
      ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (opened == INVALID_HANDLE_VALUE) {
    error = lastErrorCode();
    // A folder cannot be opened this way at all; say so rather than "permission denied".
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      error = std::make_error_code(std::errc::is_a_directory);
    }
    return kClosed;
  }
  LARGE_INTEGER length{};
  if (::GetFileType(opened) != FILE_TYPE_DISK) {
    error = std::make_error_code(std::errc::invalid_argument);
  } else if (!::GetFileSizeEx(opened, &length)) {
    error = lastErrorCode();
  } else {
    error.clear();
    size = static_cast<std::uint64_t>(length.QuadPart);
    return fromHandle(opened);
  }
  ::CloseHandle(opened);
  return kClosed;
}

std::size_t readSome(Handle file, char* buffer, std::size_t capacity, std::error_code& error) {
  DWORD got = 0;
  if (!::ReadFile(handleOf(file), buffer, static_cast<DWORD>(std::min(capacity, kLargestCall)), &got,
                  nullptr)) {
    error = lastErrorCode();
    return 0;
  }
  error.clear();
  return got;
}

std::size_t readAt(Handle file, char* buffer, std::size_t capacity, std::uint64_t offset,
                   std::error_code& error) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD got = 0;
  if (!::ReadFile(handleOf(file), buffer, static_cast<DWORD>(std::min(capacity, kLargestCall)), &got, &at)) {
    if (::GetLastError() == ERROR_HANDLE_EOF) {
      error.clear();
      return 0;
    }
    error = lastErrorCode();
    return 0;
  }
  error.clear();
  return got;
}

std::uint64_t processId() noexcept {
  return ::GetCurrentProcessId();
}

}  // namespace verolin::crypto::system_file
