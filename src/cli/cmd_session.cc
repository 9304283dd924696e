// `verolin session mint`: a session cookie as the web application would mint it, for trying a server
// that requires sessions and for scripts that stand in for the application.
#include <ctime>
#include <iostream>
#include <memory>
#include <string>

#include "cli/command.h"
#include "server/session.h"
#include "text/utf8.h"

namespace verolin::cli {
namespace {

struct MintArguments {
  std::string secretFile;
  std::string user;
  std::string ttl = "8h";
  std::string documents;
  std::string cookieName = server::kDefaultSessionCookie;
};

[[noreturn]] void usage(const std::string& message) {
  fail("verolin session mint: " + message + " (see verolin session mint --help)", 2);
}

bool holdsControl(const std::string& text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
  }
  return false;
}

void mint(const MintArguments& a) {
  const auto ttl = server::parseSeconds(a.ttl);
  if (!ttl) usage("--ttl must be a time such as 8h, 30m, 2d or a number of seconds, not \"" + a.ttl + "\"");
  if (!server::isCookieName(a.cookieName))
    usage("--cookie-name \"" + a.cookieName + "\" is not a cookie name");
  if (a.user.empty() || !text::isValid(a.user) || holdsControl(a.user)) {
    usage("--user must be a non-empty UTF-8 name without control characters");
  }
  if (!text::isValid(a.documents) || holdsControl(a.documents)) {
    usage("--documents must be UTF-8 text without control characters");
  }
  std::string secret;
  try {
    secret = server::loadSessionSecret(a.secretFile);
  } catch (const std::exception& e) {
    fail(std::string("verolin session mint: ") + e.what());
  }
  const server::Session session{a.user, static_cast<std::int64_t>(std::time(nullptr)) + *ttl, a.documents};
  std::cout << a.cookieName << '=' << server::mintSession(secret, session) << '\n';
}

const CommandRegistration registration([](CLI::App& app) {
  CLI::App* session = app.add_subcommand("session", "Session cookies for a server that requires them");
  session->require_subcommand(1);
  auto a = std::make_shared<MintArguments>();
  CLI::App* mintCmd = session->add_subcommand(
      "mint", "Print a session cookie (NAME=VALUE) signed with the secret, as the web application mints it");
  mintCmd->add_option("--secret", a->secretFile, "file holding the secret shared with verolin serve")
      ->required();
  mintCmd->add_option("--user", a->user, "the user the session admits")->required();
  mintCmd->add_option("--ttl", a->ttl, "how long it holds: 8h, 30m, 2d or seconds")->capture_default_str();
  mintCmd->add_option("--documents", a->documents,
                      "only documents whose names start with this prefix (e.g. docs/2006/); default: all");
  mintCmd->add_option("--cookie-name", a->cookieName, "name of the cookie")->capture_default_str();
  mintCmd->callback([a] { mint(*a); });
});

}  // namespace
}  // namespace verolin::cli
