// The few system calls under AtomicFile and the cipher's input file. Each system has its own file
// (system_file_posix.cc here, platform/win32/system_file.cc on Windows), picked by the build; the
// logic around them stays in atomic_file.cc and container_file.cc. Every call reports a failure as a
// std::error_code (the common ones as std::errc, so callers compare them the same way everywhere).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <system_error>

namespace verolin::crypto::system_file {

// An open file: a file descriptor or a system handle. kClosed is none.
using Handle = std::intptr_t;
inline constexpr Handle kClosed = -1;

// Creates `path` for writing; fails with errc::file_exists when anything exists there already.
Handle createNew(const std::filesystem::path& path, std::error_code& error);
// Writes all `size` bytes; returns the failure, if any.
std::error_code writeAll(Handle file, const char* data, std::size_t size);
// Forces what was written to the disk.
std::error_code flushToDisk(Handle file);
// Closes the file; the failure reports write errors that some file systems defer until then.
std::error_code close(Handle file);
// Moves `from` to `to`. With `replace` an existing `to` is replaced; without it the move fails with
// errc::file_exists and both files stay as they are, even when `to` appears at the last moment.
std::error_code rename(const std::filesystem::path& from, const std::filesystem::path& to, bool replace);
// Removes a file, ignoring any failure.
void removeQuietly(const std::filesystem::path& path) noexcept;

// Opens a regular file for reading from its start, telling the system it will be read in sequence;
// a folder fails with errc::is_a_directory, a device or a pipe with errc::invalid_argument (without
// waiting for a writer). `size` receives the file's size.
Handle openForReading(const std::filesystem::path& path, std::uint64_t& size, std::error_code& error);
// Reads up to `capacity` bytes; returns how many (0 at the end of the file).
std::size_t readSome(Handle file, char* buffer, std::size_t capacity, std::error_code& error);
// Reads up to `capacity` bytes from byte `offset`; returns how many (0 past the end of the file).
std::size_t readAt(Handle file, char* buffer, std::size_t capacity, std::uint64_t offset,
                   std::error_code& error);

// A number no other running process has, to make names unique between processes.
std::uint64_t processId() noexcept;

}  // namespace verolin::crypto::system_file
