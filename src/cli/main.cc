#include <cstdio>
#include <iostream>
#include <vector>

#include "cli/command.h"

namespace verolin::cli {
namespace {

std::vector<CommandSetup>& setups() {
  static std::vector<CommandSetup> all;
  return all;
}

}  // namespace

CommandRegistration::CommandRegistration(CommandSetup setup) { setups().push_back(std::move(setup)); }

void fail(const std::string& message, int code) {
  std::cerr << message << '\n';
  throw CLI::RuntimeError(code);
}

}  // namespace verolin::cli

int main(int argc, char** argv) {
  CLI::App app{"verolin: the document-editing control, its reference server and its file tools"};
  app.set_version_flag("--version", std::string("verolin ") + VEROLIN_VERSION);
  app.require_subcommand(0, 1);
  for (auto& setup : verolin::cli::setups()) setup(app);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }
  if (app.get_subcommands().empty()) {
    std::cout << app.help();
  }
  return 0;
}
