// `verolin run`: plays a web page and its user against the control with a page script.
#include <memory>
#include <string>
#include <vector>

#include "cli/command.h"
#include "script/page_run.h"

namespace verolin::cli {
namespace {

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
  run->add_option("SCRIPT", a->script, "the page script (JavaScript)")->required();
  run->add_option("--root", a->root,
                  "folder that holds the drive folders (c:\\ is ROOT/c); default: a fresh temporary folder");
  CLI::Option* version = run->add_option("--word-version", a->wordVersion,
                                         "version the word processor reports (\"9.0\" ... \"11.0\")");
  CLI::Option* noWord = run->add_flag("--no-word", a->noWord, "no word processor installed on this machine");
  version->excludes(noWord);
  run->add_option("--codepage", a->codePage, "wire code page of the server exchanges (default GBK)");
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
        fail("verolin run: --cookie takes NAME=VALUE, not \"" + cookie + "\" (see verolin run --help)", 2);
      }
    }
    options.cookies = a->cookies;
    const int code = script::runPageScript(a->script, options);
    if (code != 0) throw CLI::RuntimeError(code);
  });
});

}  // namespace
}  // namespace verolin::cli
