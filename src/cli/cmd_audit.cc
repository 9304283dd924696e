// `verolin audit`: the audit trail of a server's data folder, oldest first.
#include <ctime>
#include <iostream>
#include <memory>
#include <string>

#include "cli/command.h"
#include "server/store.h"

namespace verolin::cli {
namespace {

struct AuditArguments {
  std::string data = "verolin-data";
  std::string document;
  std::string since;
  bool json = false;
};

void listAudit(const AuditArguments& a) {
  server::AuditFilter filter;
  filter.document = a.document;
  if (!a.since.empty()) {
    const auto since = server::parseSince(a.since, static_cast<std::int64_t>(std::time(nullptr)));
    if (!since) {
      fail(
          "verolin audit: --since takes a UTC time such as 2026-12-07 or 2026-12-07T08:00:00Z, or a time "
          "back from now such as 24h or 7d, not \"" +
              a.since + "\" (see verolin audit --help)",
          2);
    }
    filter.since = *since;
  }
  std::vector<server::AuditRecord> rows;
  try {
    server::Store store(a.data, server::Store::Open::kExisting);
    rows = store.auditRecords(filter);
  } catch (const std::exception& e) {
    fail(std::string("verolin audit: ") + e.what());
  }
  if (a.json) {
    std::cout << "[";
    for (std::size_t i = 0; i < rows.size(); ++i)
      std::cout << (i ? ",\n " : "\n ") << server::auditJson(rows[i]);
    std::cout << (rows.empty() ? "]\n" : "\n]\n");
    return;
  }
  for (const auto& r : rows) {
    std::cout << server::utcText(r.time) << '\t' << r.user << '\t' << r.client << '\t' << r.type << '\t'
              << (r.document.empty() ? "-" : r.document) << '\t'
              << (r.version ? "version " + std::to_string(r.version) : "-") << '\t' << r.bytes << " bytes\t"
              << r.status << '\n';
  }
}

const CommandRegistration registration([](CLI::App& app) {
  auto a = std::make_shared<AuditArguments>();
  CLI::App* audit = app.add_subcommand(
      "audit", "List the audit trail: time (UTC), user, client, request, document, version, bytes, status");
  audit->add_option("--data", a->data, "data folder of the server")->capture_default_str();
  audit->add_option("--document", a->document,
                    "only the rows of this document (or client file, or seal owner)");
  audit->add_option("--since", a->since,
                    "only rows from this UTC time on (2026-12-07, 2026-12-07T08:00Z) or "
                    "this long back (24h, 7d)");
  audit->add_flag("--json", a->json, "one JSON array of objects");
  audit->callback([a] { listAudit(*a); });
});

}  // namespace
}  // namespace verolin::cli
