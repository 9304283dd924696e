// Subcommands of the `verolin` program register themselves here, one file each.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <string>

namespace verolin::cli {

using CommandSetup = std::function<void(CLI::App& app)>;

// Adds a subcommand set-up; call from a static object in the subcommand's own file.
struct CommandRegistration {
  explicit CommandRegistration(CommandSetup setup);
};

// Ends the program from inside a subcommand with `message` on standard error and exit code `code`.
[[noreturn]] void fail(const std::string& message, int code = 1);

}  // namespace verolin::cli
