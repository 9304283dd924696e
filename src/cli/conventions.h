// What every subcommand of `verolin` does alike, so that scripts can rely on it:
//   - exit code 2 for a wrong command line (one line on standard error, with the --help to read), exit
//     code 1 when the work itself fails (the message names the system's reason), 0 otherwise;
//   - "-" where a file is named stands for standard input (a file read) or standard output (a file
//     written);
//   - an existing output file is replaced only with --force;
//   - commands that list things print JSON with --json;
//   - one option has one name everywhere (older spellings stay as hidden aliases).
#pragma once

#include <CLI/CLI.hpp>

#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>

namespace verolin::cli {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// Parses the command line and runs the chosen subcommand; returns the process's exit code.
int runProgram(CLI::App& app, int argc, const char* const* argv);

// The version line followed by one line per option the program was built with.
std::string versionText();

// Ends the program from inside a subcommand with a usage error: "verolin SUB: MESSAGE (see
// verolin SUB --help)" and exit code 2. `command` is the subcommand's path, e.g. "doc get".
[[noreturn]] void usageError(const std::string& command, const std::string& message);

// True for "-", the name of standard input or output.
bool isStdio(const std::string& name);

// A private folder in the system's temporary folder, removed with its contents at the end of the scope.
// Holds what a subcommand reads from standard input or writes for standard output, since the tools
// underneath work on named files. Throws std::system_error when it cannot be made.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Copies all of standard input into `file`, or `file` to standard output. Throw std::system_error with
// the system's reason.
void copyStdinTo(const std::filesystem::path& file);
void copyToStdout(const std::filesystem::path& file);

// Adds the flag --force: "replace an existing output file".
CLI::Option* addForceFlag(CLI::App& command, bool& force);

// Fails (exit 1) when `path` names an existing file and `force` is off; nothing has been written then.
void refuseToReplace(const std::string& command, const std::filesystem::path& path, bool force);

// Adds the flag --json: "print the list as JSON".
CLI::Option* addJsonFlag(CLI::App& command, bool& json);

// Adds --codepage NAME, with --code-page as a hidden alias for scripts written against the older name.
CLI::Option* addCodePageOption(CLI::App& command, std::string& codePage, const std::string& description);

// `text` as a JSON string, quotes included.
std::string jsonString(std::string_view text);

// Writes a JSON array one element at a time: "[", the elements separated by ",\n", "]\n".
class JsonArray {
 public:
  explicit JsonArray(std::ostream& out);
  ~JsonArray();
  JsonArray(const JsonArray&) = delete;
  JsonArray& operator=(const JsonArray&) = delete;

  // Starts the next element; the caller writes it to the stream that follows.
  std::ostream& next();

 private:
  std::ostream& out_;
  bool first_ = true;
};

}  // namespace verolin::cli
