// Playing a page: a page script runs against a freshly created control on the stand-in platform, with
// the word processor installed (or not), and with the user played by the script's handlers.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/standin.h"
#include "script/play.h"

namespace verolin::script {

struct PageOptions {
  std::filesystem::path root;  // the drive folders; empty: a fresh temporary folder, removed afterwards
  std::optional<std::string> wordVersion;  // the word processor's version ("11.0", ...); nullopt: its default
  bool noWord = false;                     // no word processor on this machine
  std::string codePage;                    // the wire code page; empty: unchanged (GBK)
  std::vector<std::string> args;           // host.args
  std::vector<std::string> cookies;        // "NAME=VALUE": in the browser's jar for every site
  std::ostream* out = nullptr;             // host.print; null: standard output
  std::ostream* transcript = nullptr;      // the transcript and errors; null: standard error
  // Called with the stand-ins before the control is created (a test attaches its own request factory).
  std::function<void(platform::StandInPlatform&)> prepare;
};

// Runs the page script in `script`; 0 when it ran to its end.
int runPageScript(const std::filesystem::path& script, const PageOptions& options);
// Runs script text as if it were the file `fileName`.
int runPageSource(std::string_view source, const std::string& fileName, const PageOptions& options);

}  // namespace verolin::script
