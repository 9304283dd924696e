// `verolin conformance PAGE-URL`: checks a server page against the control's protocol before any user
// meets it. Exit status 0 when no check failed, 1 otherwise, 2 for a command line that cannot run.
#include <iostream>
#include <memory>
#include <string>

#include "cli/command.h"
#include "conformance/conformance.h"
#include "text/codepage.h"
#include "transfer/local_names.h"

namespace verolin::cli {
namespace {

constexpr int kUsageError = 2;

struct ConformanceArguments {
  conformance::Options options;
  double timeoutSeconds = 10;
  std::string codePage;
  bool json = false;
};

void run(ConformanceArguments& args) {
  auto& o = args.options;
  if (o.pageUrl.rfind("http://", 0) != 0 && o.pageUrl.rfind("https://", 0) != 0)
    fail("verolin conformance: the page address must start with http:// or https://", kUsageError);
  if (o.pageUrl.find('?') != std::string::npos)
    fail("verolin conformance: the page address must hold no \"?\": the control appends the query to it",
         kUsageError);
  // The control sends only a file name (the last segment of its server path) in request mode.
  if (!o.document.empty() &&
      (!transfer::IsPlainFileName(o.document) || o.document.find('&') != std::string::npos))
    fail("verolin conformance: --document must be a plain file name (no folders, no \"&\")", kUsageError);
  if (o.owner.empty() && !o.ownerPassword.empty())
    fail("verolin conformance: --owner-password needs --owner", kUsageError);
  // Read from standard input, the password stays out of the process list.
  if (!o.owner.empty() && o.ownerPassword.empty()) {
    std::getline(std::cin, o.ownerPassword);
    if (!o.ownerPassword.empty() && o.ownerPassword.back() == '\r') o.ownerPassword.pop_back();
    if (o.ownerPassword.empty())
      fail("verolin conformance: no seal password for --owner on standard input", kUsageError);
  }
  if (!(args.timeoutSeconds > 0))
    fail("verolin conformance: --timeout must be more than 0 seconds", kUsageError);
  o.timeout = std::chrono::milliseconds(static_cast<std::int64_t>(args.timeoutSeconds * 1000));
  if (!args.codePage.empty()) {
    try {
      text::setWireCodePage(args.codePage);
    } catch (const std::invalid_argument& e) {
      fail(std::string("verolin conformance: ") + e.what(), kUsageError);
    }
  }
  const conformance::Report report = conformance::RunConformance(o);
  std::cout << (args.json ? conformance::FormatJson(report) : conformance::FormatText(report)) << std::flush;
  if (!report.passed()) throw CLI::RuntimeError(1);
}

const CommandRegistration registration([](CLI::App& app) {
  auto args = std::make_shared<ConformanceArguments>();
  auto& o = args->options;
  CLI::App* command = app.add_subcommand(
      "conformance", "Check a server page against the control's protocol, one line per check");
  command->add_option("PAGE-URL", o.pageUrl, "the page's address, as the control's ActiveForm")->required();
  command->add_option(
      "--document", o.document,
      "name of a test document not yet on the page (default: verolin-conformance-TIME-PID.jia); the "
      "other test files are named after it");
  command->add_option("--owner", o.owner, "a seal owner of the page, to decrypt the owner's seal picture");
  command->add_option("--owner-password", o.ownerPassword,
                      "that owner's seal password (read from standard input when left out)");
  command->add_option("--seal-list-type", o.sealListType, "RequestType of the seal owner list")
      ->capture_default_str();
  command->add_option("--seal-picture-type", o.sealPictureType, "RequestType of the seal picture")
      ->capture_default_str();
  command->add_option("--files-url", o.filesUrl,
                      "where the page serves documents uploaded in plain-URL mode (default: HOST/files)");
  command->add_option("--client-files-url", o.clientFilesUrl,
                      "where the page serves client files (default: HOST/clientfiles)");
  command->add_option(
      "--remove-type", o.removeType,
      "a RequestType of the page that removes a document (?RequestType=T&filename=NAME), to clean up");
  command->add_option("--timeout", args->timeoutSeconds, "seconds an exchange may take")
      ->capture_default_str();
  command
      ->add_option("--oversize", o.oversizeBytes,
                   "size of the body the page must refuse as too large (K, M, G suffixes allowed)")
      ->transform(CLI::AsSizeValue(false))
      ->capture_default_str();
  command->add_option("--code-page", args->codePage, "wire code page (default GBK)");
  command->add_flag("--json", args->json, "print the report as one JSON object");
  command->callback([args] { run(*args); });
});

}  // namespace
}  // namespace verolin::cli
