// The stand-in file layer's writes on Windows: handles from CreateFileW on the paths' UTF-16 names.
#include <windows.h>

#include <algorithm>

#include "platform/standin_system.h"
#include "platform/win32/error_codes.h"

namespace verolin::platform::standin_system {

namespace {
// WriteFile takes a DWORD count.
constexpr std::size_t kLargestCall = 1u << 30;
}  // namespace

std::error_code writeNew(const std::filesystem::path& file, const std::uint8_t* data, std::size_t size) {
  const HANDLE handle =
      ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return win32::lastErrorCode();
  std::error_code failure;
  std::size_t done = 0;
  while (done < size) {
    const DWORD piece = static_cast<DWORD>(std::min(size - done, kLargestCall));
    DWORD written = 0;
    if (!::WriteFile(handle, data + done, piece, &written, nullptr)) {
      failure = win32::lastErrorCode();
      break;
    }
    if (written == 0) {
      failure = std::make_error_code(std::errc::no_space_on_device);
      break;
    }
    done += written;
  }
  if (!::CloseHandle(handle) && !failure) failure = win32::lastErrorCode();
  if (failure) ::DeleteFileW(file.c_str());
  return failure;
}

std::error_code replace(const std::filesystem::path& from, const std::filesystem::path& to) {
  return ::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) ? std::error_code()
                                                                            : win32::lastErrorCode();
}

void removeQuietly(const std::filesystem::path& file) noexcept {
  ::DeleteFileW(file.c_str());
}

std::uint64_t processId() noexcept {
  return ::GetCurrentProcessId();
}

std::tm localTime(std::time_t t) noexcept {
  std::tm tm{};
  ::localtime_s(&tm, &t);
  return tm;
}

}  // namespace verolin::platform::standin_system
