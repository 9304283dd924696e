#include "cli/serve_options.h"

#include <chrono>
#include <stdexcept>
#include <string>

namespace verolin::cli {
namespace {

void addDuration(CLI::App& command, const std::string& name, std::chrono::milliseconds& target,
                 const std::string& help) {
  command
      .add_option_function<std::string>(
          name,
          [&target, name](const std::string& text) {
            try {
              target = server::parseDuration(text);
            } catch (const std::invalid_argument& e) {
              throw CLI::ValidationError(name, e.what());
            }
          },
          help + " (default " + server::formatDuration(target) + ")")
      ->type_name("TIME");
}

}  // namespace

void addHoldUpOptions(CLI::App& command, server::ServerOptions& options) {
  auto& limits = options.limits;
  command.add_option("--threads", limits.threads, "connections served at once")->capture_default_str();
  addDuration(command, "--header-timeout", limits.headerTimeout,
              "a request's headers must arrive within this (TIME: 500ms, 10s, 2m, 1h)");
  addDuration(command, "--stall-timeout", limits.stallTimeout,
              "a body or answer that moves no byte for this long is broken off");
  addDuration(command, "--request-timeout", limits.requestTimeout, "one whole exchange must end within this");
  addDuration(command, "--keep-alive-timeout", limits.keepAliveTimeout, "idle connections close after this");
  addDuration(command, "--drain", limits.drain,
              "on SIGINT or SIGTERM, exchanges under way may finish within this");
  auto* cert =
      command.add_option("--tls-cert", options.tls.certificate, "serve HTTPS with this PEM certificate");
  auto* key = command.add_option("--tls-key", options.tls.key, "the PEM private key of --tls-cert");
  cert->needs(key);
  key->needs(cert);
}

}  // namespace verolin::cli
