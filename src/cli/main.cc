#include <iostream>
#include <vector>

#include "cli/command.h"
#include "cli/conventions.h"

namespace verolin::cli {
namespace {

std::vector<CommandSetup>& setups() {
  static std::vector<CommandSetup> all;
  return all;
}

}  // namespace

CommandRegistration::CommandRegistration(CommandSetup setup) {
  setups().push_back(std::move(setup));
}

void fail(const std::string& message, int code) {
  std::cerr << message << '\n';
  throw CLI::RuntimeError(code);
}

}  // namespace verolin::cli

int main(int argc, char** argv) {
  CLI::App app{"verolin: the document-editing control, its reference server and its file tools", "verolin"};
  app.set_version_flag("--version", verolin::cli::versionText, "print the version and the build's options");
  app.require_subcommand(0, 1);
  for (auto& setup : verolin::cli::setups()) setup(app);
  return verolin::cli::runProgram(app, argc, argv);
}
