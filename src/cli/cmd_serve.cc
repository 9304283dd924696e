// `verolin serve`: the reference server page with its embedded store, in the foreground until
// interrupted (Ctrl-C or SIGTERM).
#include <malloc.h>
#include <pthread.h>
#include <signal.h>

#include <chrono>
#include <ctime>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>

#include "cli/command.h"
#include "cli/conventions.h"
#include "cli/serve_access.h"
#include "cli/serve_options.h"
#include "server/server.h"
#include "server/shutdown.h"
#include "text/codepage.h"

namespace verolin::cli {
namespace {

struct ServeArguments {
  server::ServerOptions options;
  std::string codePage;
  bool quiet = false;
  ServeAccess access;
};

bool isLoopback(const std::string& host) {
  return host == "localhost" || host == "::1" || host.rfind("127.", 0) == 0;
}

void logLine(const std::string& line) {
  static std::mutex mutex;
  const std::time_t now = std::time(nullptr);
  char stamp[32];
  std::tm utc{};
  std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", gmtime_r(&now, &utc));
  std::lock_guard lock(mutex);
  std::cerr << stamp << ' ' << line << '\n';
}

void serve(ServeArguments& args) {
  if (!args.codePage.empty()) {
    try {
      text::setWireCodePage(args.codePage);
    } catch (const std::invalid_argument& e) {
      usageError("serve", e.what());
    }
  }
  if (!args.quiet) args.options.log = logLine;
  setUpAccess(args.access, args.options, args.quiet);
  // Worker threads inherit this mask, so the signals reach only the sigwait below.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  // Each of the many worker threads would otherwise get a heap of its own over time, and the
  // process would creep up by the memory stranded in them; two heaps keep it flat at no cost in speed.
  mallopt(M_ARENA_MAX, 2);

  std::unique_ptr<server::Server> server;
  try {
    server = std::make_unique<server::Server>(args.options);
    server->start();
  } catch (const std::invalid_argument& e) {
    usageError("serve", e.what());  // an option that cannot work
  } catch (const std::exception& e) {
    fail(std::string("verolin serve: ") + e.what());
  }
  if (!isLoopback(args.options.host)) {
    std::cerr << "verolin serve: listening on " << args.options.host
              << ", not only on this machine: anyone who can reach it can read and replace documents\n";
  }
  std::cout << "serving " << server->pageUrl()
            << " (data: " << std::filesystem::absolute(args.options.dataDir).string() << ", wire code page "
            << text::wireCodePage() << ")" << std::endl;
  std::cerr << admissionNotice(args.options) << '\n';
  const auto say = [](const std::string& line) { std::cout << line << std::endl; };
  if (!server::serveUntilSignalled(*server, signals, say, [&args] { reopenAccessLog(args.access); })) {
    fail("verolin serve: stopped at once by a second signal");
  }
}

const CommandRegistration registration([](CLI::App& app) {
  auto args = std::make_shared<ServeArguments>();
  auto& o = args->options;
  CLI::App* command = app.add_subcommand("serve", "Run the server page that the control talks to");
  command->add_option("--data", o.dataDir, "data folder (created when missing)")->capture_default_str();
  command->add_option("--host", o.host, "address to listen on (loopback unless told otherwise)")
      ->capture_default_str();
  command->add_option("--port", o.port, "port (0: any free port)")->capture_default_str();
  command
      ->add_option("--page", o.pagePath,
                   "path of the page: the control's ActiveForm is http://HOST:PORT + this")
      ->capture_default_str();
  command->add_option("--files", o.filesPath, "path prefix of stored documents for plain-URL mode")
      ->capture_default_str();
  command->add_option("--seal-list-type", o.sealListType, "RequestType of the seal owner list")
      ->capture_default_str();
  command->add_option("--seal-picture-type", o.sealPictureType, "RequestType of the seal picture")
      ->capture_default_str();
  command
      ->add_option("--max-body", o.maxBodyBytes, "largest request body in bytes (K, M, G suffixes allowed)")
      ->transform(CLI::AsSizeValue(false))
      ->capture_default_str();
  command->add_flag("--require-version", o.requireVersion,
                    "refuse (428) uploads that do not name the version they are based on");
  addCodePageOption(*command, args->codePage, "wire code page (default GBK)");
  command->add_flag("--quiet,-q", args->quiet, "log nothing");
  addHoldUpOptions(*command, o);
  addAccessOptions(*command, args->access, o);
  command->callback([args] { serve(*args); });
});

}  // namespace
}  // namespace verolin::cli
