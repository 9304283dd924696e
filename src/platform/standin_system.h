// The few system calls under the stand-ins: the file layer's writes and the local time. Each system
// has its own file (standin_system_posix.cc here, win32/standin_system.cc on Windows), picked by the
// build; the rules of the drive folders stay in mapped_files.cc and the clock in standin_host.cc.
// Failures come back as std::error_code, the common ones as std::errc, so that the caller maps them to
// the control's numbers the same way everywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <system_error>

namespace verolin::platform::standin_system {

// Creates `file`, failing with errc::file_exists when anything is there, and writes all `size` bytes
// to it. When any step fails the file is gone again.
std::error_code writeNew(const std::filesystem::path& file, const std::uint8_t* data, std::size_t size);
// Moves `from` over `to`, replacing a file there in the same step.
std::error_code replace(const std::filesystem::path& from, const std::filesystem::path& to);
// Removes a file, ignoring any failure.
void removeQuietly(const std::filesystem::path& file) noexcept;
// A number no other running process has, to make scratch names unique between processes.
std::uint64_t processId() noexcept;

// `t` in the machine's time zone.
std::tm localTime(std::time_t t) noexcept;

}  // namespace verolin::platform::standin_system
