// Files: the control's Windows-style paths ("c:\temp\a.doc") on a real directory tree.
//
// Drive letter X maps to the folder ROOT/x (lower case), so c:\temp\a.doc is ROOT/c/temp/a.doc; a
// drive whose folder does not exist is an unavailable device (68). Names compare as the platform
// compares them (case-insensitively). Failures throw AutomationError with the runtime's file-error
// numbers: 52 bad file name, 53 file not found, 58 file already exists, 61 disk full, 68 device
// unavailable, 70 permission denied, 71 disk not ready, 75 path/file access error, 76 path not found.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "automation/variant.h"

namespace verolin::platform {

enum class LockMode { Exclusive, DenyWrite };

class FileSystem {
 public:
  FileSystem() = default;
  FileSystem(const FileSystem&) = delete;
  FileSystem& operator=(const FileSystem&) = delete;
  virtual ~FileSystem() = default;

  // The native path of a Windows-style path (absolute "x:\..." or relative to "c:\"); 52 when it is
  // malformed (no such drive form, forbidden characters, ".." leaving the drive).
  virtual std::filesystem::path nativePath(std::string_view path) const = 0;

  // True when a file (not a folder) exists there; never throws.
  virtual bool fileExists(std::string_view path) = 0;
  // True when a folder exists there; never throws.
  virtual bool dirExists(std::string_view path) = 0;
  // Creates one folder level; 76 when the parent is missing, 75 when something exists there.
  virtual void createDir(std::string_view path) = 0;
  // Deletes a file; 53 when missing, 70 when it is open elsewhere (locked).
  virtual void remove(std::string_view path) = 0;
  // Renames; 58 when the target exists, 53 when the source is missing, 70 when locked.
  virtual void rename(std::string_view from, std::string_view to) = 0;
  // Moves a finished file into another's place in one step, so that the old one stays whole until the
  // new one is there (a crash between a delete and a rename would leave neither under the name); 53 when
  // the source is missing, 70 when either is locked, 75 when the target is a folder.
  virtual void replace(std::string_view from, std::string_view to) = 0;
  // Copies, replacing the target; 53 when the source is missing, 70 when the target is locked.
  virtual void copy(std::string_view from, std::string_view to) = 0;
  virtual std::uint64_t size(std::string_view path) = 0;
  virtual automation::Bytes read(std::string_view path) = 0;
  // Writes the whole file through a temporary file and a rename, so a failure leaves the old one.
  virtual void write(std::string_view path, const automation::Bytes& bytes) = 0;
  // Opens for streaming; errors as read/write. The streams own their files.
  virtual std::unique_ptr<std::istream> openRead(std::string_view path) = 0;
  virtual std::unique_ptr<std::ostream> openWrite(std::string_view path) = 0;

  // Marks a file as held open by another program: deleting, renaming or writing it then fails with
  // 70. An exclusive hold refuses reading too; the word processor holds its documents deny-write, so
  // other programs may still read (copy, encrypt) a document it has open.
  virtual void lock(std::string_view path, LockMode mode = LockMode::Exclusive) = 0;
  virtual void unlock(std::string_view path) = 0;
  virtual bool isLocked(std::string_view path) = 0;
};

// Joins a folder ("c:\temp\" or "c:\temp") and a name with one backslash.
std::string joinPath(std::string_view folder, std::string_view name);
// The folder part of a path, with its trailing backslash ("c:\temp\a.doc" -> "c:\temp\").
std::string folderOf(std::string_view path);
// The name part after the last backslash or slash.
std::string fileNameOf(std::string_view path);

}  // namespace verolin::platform
