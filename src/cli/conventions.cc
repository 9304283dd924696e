#include "cli/conventions.h"

#include <stdlib.h>

#include <cerrno>
#include <cstdio>
#include <iostream>
#include <system_error>

#include "cli/command.h"

namespace verolin::cli {
namespace {

namespace fs = std::filesystem;

// "verolin" and the subcommands chosen so far, e.g. "verolin doc get".
std::string commandPath(const CLI::App& app) {
  std::string path = "verolin";
  const CLI::App* at = &app;
  for (;;) {
    const auto chosen = at->get_subcommands();
    if (chosen.empty()) break;
    at = chosen.front();
    path += " " + at->get_name();
  }
  return path;
}

// Messages of the parser may span lines; a usage error is one line.
std::string oneLine(std::string text) {
  for (char& c : text) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

void printUsageError(const std::string& path, const std::string& message) {
  std::cerr << path << ": " << oneLine(message) << " (see " << path << " --help)\n";
}

[[noreturn]] void throwSystemError(const std::string& what) {
  throw std::system_error(errno, std::generic_category(), what);
}

const char* onOff(bool on) {
  return on ? "on" : "off";
}

}  // namespace

int runProgram(CLI::App& app, int argc, const char* const* argv) {
  try {
    app.parse(argc, argv);
  } catch (const CLI::RuntimeError& e) {
    return e.get_exit_code();  // the subcommand has said why
  } catch (const CLI::Success& e) {
    return app.exit(e);  // --help, --version
  } catch (const CLI::ParseError& e) {
    printUsageError(commandPath(app), e.what());
    return kExitUsage;
  } catch (const std::exception& e) {
    std::cerr << commandPath(app) << ": " << oneLine(e.what()) << '\n';
    return kExitFailure;
  }
  if (app.get_subcommands().empty()) std::cout << app.help();
  return 0;
}

std::string versionText() {
  std::string text = std::string("verolin ") + VEROLIN_VERSION + "\n";
  text += std::string("build type: ") + VEROLIN_BUILD_TYPE + "\n";
  text += std::string("compiler: ") + VEROLIN_COMPILER + "\n";
  text += std::string("warnings as errors (VEROLIN_WERROR): ") + onOff(VEROLIN_BUILD_WERROR) + "\n";
  text += std::string("sanitizers (VEROLIN_SANITIZE): ") + onOff(VEROLIN_BUILD_SANITIZE) + "\n";
  text += std::string("folders: ") + VEROLIN_BUILD_FOLDERS;
  return text;
}

void usageError(const std::string& command, const std::string& message) {
  printUsageError("verolin " + command, message);
  throw CLI::RuntimeError(kExitUsage);
}

bool isStdio(const std::string& name) {
  return name == "-";
}

ScratchFolder::ScratchFolder() {
  std::string pattern = (fs::temp_directory_path() / "verolin-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throwSystemError("cannot make a folder in " + pattern);
  path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

void copyStdinTo(const fs::path& file) {
  std::FILE* out = std::fopen(file.c_str(), "wb");
  if (out == nullptr) throwSystemError("cannot write " + file.string());
  char buffer[1 << 16];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) {
    if (std::fwrite(buffer, 1, got, out) != got) {
      const int error = errno;
      std::fclose(out);
      throw std::system_error(error, std::generic_category(), "cannot write " + file.string());
    }
  }
  const bool readFailed = std::ferror(stdin) != 0;
  const int readError = errno;
  if (std::fclose(out) != 0) throwSystemError("cannot write " + file.string());
  if (readFailed) throw std::system_error(readError, std::generic_category(), "cannot read standard input");
}

void copyToStdout(const fs::path& file) {
  std::cout.flush();
  std::FILE* in = std::fopen(file.c_str(), "rb");
  if (in == nullptr) throwSystemError("cannot read " + file.string());
  char buffer[1 << 16];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0) {
    if (std::fwrite(buffer, 1, got, stdout) != got) {
      const int error = errno;
      std::fclose(in);
      throw std::system_error(error, std::generic_category(), "cannot write standard output");
    }
  }
  std::fclose(in);
  if (std::fflush(stdout) != 0) throwSystemError("cannot write standard output");
}

CLI::Option* addForceFlag(CLI::App& command, bool& force) {
  return command.add_flag("--force,-f", force, "replace an existing output file");
}

void refuseToReplace(const std::string& command, const fs::path& path, bool force) {
  std::error_code error;
  if (force || !fs::exists(fs::symlink_status(path, error))) return;
  fail("verolin " + command + ": " + path.string() + " exists (--force replaces it)");
}

CLI::Option* addJsonFlag(CLI::App& command, bool& json) {
  return command.add_flag("--json", json, "print the list as JSON");
}

CLI::Option* addCodePageOption(CLI::App& command, std::string& codePage, const std::string& description) {
  // The older spelling of one subcommand; hidden from the help (an empty group) but still accepted.
  command.add_option("--code-page", codePage, description)->group("");
  return command.add_option("--codepage", codePage, description);
}

std::string jsonString(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

JsonArray::JsonArray(std::ostream& out) : out_(out) {
  out_ << '[';
}

JsonArray::~JsonArray() {
  out_ << (first_ ? "]\n" : "\n]\n");
}

std::ostream& JsonArray::next() {
  out_ << (first_ ? "\n  " : ",\n  ");
  first_ = false;
  return out_;
}

}  // namespace verolin::cli
