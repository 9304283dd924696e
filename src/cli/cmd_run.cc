// `verolin run`: plays a web page and its user against the control with a page script.
#include <cerrno>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "cli/command.h"
#include "cli/conventions.h"
#include "script/page_run.h"

namespace verolin::cli {
namespace {

// The script's text; "-" reads standard input. Fails (exit 1) with the system's reason.
std::string readScript(const std::string& name) {
  std::ifstream file;
  if (!isStdio(name)) {
    file.open(name, std::ios::binary);
    if (!file) fail("verolin run: cannot read " + name + ": " + std::generic_category().message(errno));
  }
  std::istream& in = isStdio(name) ? std::cin : file;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct RunArguments {
  std::string script;
  std::string root;
  std::string wordVersion;
  bool noWord = false;
  std::string codePage;
  std::vector<std::string> args;
  std::vector<std::string> cookies;
};

const CommandRegistration registration([](CLI::App& app) {
  auto a = std::make_shared<RunArguments>();
  CLI::App* run = app.add_subcommand(
      "run",
      "Run a page script against the control: the script plays the page and its user, the transcript "
      "goes to standard error");
  run->add_option("SCRIPT", a->script, "the page script (JavaScript; - for standard input)")->required();
  run->add_option("--root", a->root,
                  "folder that holds the drive folders (c:\\ is ROOT/c); default: a fresh temporary folder");
  CLI::Option* version = run->add_option("--word-version", a->wordVersion,
                                         "version the word processor reports (\"9.0\" ... \"11.0\")");
  CLI::Option* noWord = run->add_flag("--no-word", a->noWord, "no word processor installed on this machine");
  version->excludes(noWord);
  addCodePageOption(*run, a->codePage, "wire code page of the server exchanges (default GBK)");
  run->add_option("--cookie", a->cookies,
                  "a cookie NAME=VALUE the browser holds for the page's site, sent with every request "
                  "(repeatable)")
      ->allow_extra_args(false);
  run->add_option("ARGS", a->args, "arguments for the script (host.args), after --");
  run->callback([a, version] {
    script::PageOptions options;
    options.root = a->root;
    if (version->count() > 0) options.wordVersion = a->wordVersion;
    options.noWord = a->noWord;
    options.codePage = a->codePage;
    options.args = a->args;
    for (const auto& cookie : a->cookies) {
      if (cookie.find('=') == std::string::npos) {
        usageError("run", "--cookie takes NAME=VALUE, not \"" + cookie + "\"");
      }
    }
    options.cookies = a->cookies;
    const int code = script::runPageSource(readScript(a->script), a->script, options);
    // A run that could not start failed at run time like any other (exit 1); 2 is for usage errors.
    if (code != 0) throw CLI::RuntimeError(code == script::kExitCannotRun ? kExitFailure : code);
  });
});

}  // namespace
}  // namespace verolin::cli
