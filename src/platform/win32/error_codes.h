// A Windows error number as a std::error_code: the common file errors as std::errc (so portable code
// compares them as it does on the other system), anything else in the system category with the
// system's own message.
#pragma once

#include <windows.h>

#include <system_error>

namespace verolin::platform::win32 {

inline std::error_code errorCode(DWORD error) {
  using std::errc;
  switch (error) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return std::make_error_code(errc::file_exists);
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return std::make_error_code(errc::no_such_file_or_directory);
    case ERROR_ACCESS_DENIED:
      return std::make_error_code(errc::permission_denied);
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return std::make_error_code(errc::device_or_resource_busy);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return std::make_error_code(errc::no_space_on_device);
    case ERROR_WRITE_PROTECT:
      return std::make_error_code(errc::read_only_file_system);
    case ERROR_FILENAME_EXCED_RANGE:
      return std::make_error_code(errc::filename_too_long);
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_PARAMETER:
      return std::make_error_code(errc::invalid_argument);
    case ERROR_DIRECTORY:
      return std::make_error_code(errc::not_a_directory);
    default:
      return std::error_code(static_cast<int>(error), std::system_category());
  }
}

inline std::error_code lastErrorCode() {
  return errorCode(::GetLastError());
}

}  // namespace verolin::platform::win32
