// `verolin backup`: a consistent copy of a server's data folder, taken while it serves.
#include <iostream>
#include <memory>
#include <string>

#include "cli/command.h"
#include "server/backup.h"
#include "server/sqlite.h"

namespace verolin::cli {
namespace {

struct BackupArguments {
  std::filesystem::path data = "verolin-data";
  std::filesystem::path to;
};

void backup(const BackupArguments& args) {
  server::BackupReport report;
  try {
    report = server::backupStore(args.data, args.to);
  } catch (const server::StoreError& e) {
    fail(std::string("verolin backup: ") + e.what());
  }
  std::cout << "backed up " << report.documents << " document(s), " << report.owners << " seal owner(s) and "
            << report.clientFiles << " client file(s) (" << report.bytes << " bytes in " << report.files
            << " file(s)) to " << args.to.string() << "\n";
}

const CommandRegistration registration([](CLI::App& app) {
  auto args = std::make_shared<BackupArguments>();
  CLI::App* command =
      app.add_subcommand("backup", "Copy a data folder as of one moment, also while a server serves it");
  command->add_option("--data", args->data, "data folder to copy")->capture_default_str();
  command->add_option("--to", args->to, "new folder for the copy (must not exist, or be empty)")->required();
  command->callback([args] { backup(*args); });
});

}  // namespace
}  // namespace verolin::cli
