// `verolin owner ...` and `verolin doc ...`: seal owners and documents of a server's data folder. They
// may run while `verolin serve` uses the same folder.
#include <termios.h>
#include <unistd.h>

#include <ctime>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

#include "cli/command.h"
#include "cli/conventions.h"
#include "server/admin.h"
#include "server/store.h"

namespace verolin::cli {
namespace {

namespace fs = std::filesystem;
using server::Store;

constexpr const char* kDefaultData = "verolin-data";

struct AdminArguments {
  std::string data = kDefaultData;
  std::string name;
  std::string password;
  std::string file;
  std::string out;
  std::string take;
  bool replace = false;
  bool clearMarks = false;
  bool force = false;
  bool json = false;
};

CLI::App* addCommand(CLI::App& parent, const char* name, const char* description,
                     const std::shared_ptr<AdminArguments>& args) {
  CLI::App* command = parent.add_subcommand(name, description);
  command->add_option("--data", args->data, "data folder of the server")->capture_default_str();
  return command;
}

// Runs `action` on the store, turning every refusal into the command's error message.
template <typename Action>
void withStore(const std::string& command, const std::string& data, Store::Open mode, Action action) {
  try {
    Store store(data, mode);
    action(store);
  } catch (const std::exception& e) {
    fail("verolin " + command + ": " + e.what());
  }
}

std::string timeText(std::int64_t seconds) {
  const auto t = static_cast<std::time_t>(seconds);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", std::localtime(&t));
  return text;
}

void printMarks(const char* label, const server::MarkLists& lists) {
  const std::size_t count = std::max({lists.names.size(), lists.ids.size(), lists.times.size()});
  auto item = [](const std::vector<std::string>& list, std::size_t i) {
    return i < list.size() ? list[i] : "?";
  };
  for (std::size_t i = 0; i < count; ++i) {
    std::cout << "  " << label << ' ' << item(lists.names, i) << ", picture " << item(lists.ids, i) << ", "
              << item(lists.times, i) << '\n';
  }
}

const char* copyKindText(server::CopyKind kind) {
  return kind == server::CopyKind::kConflict ? "conflict copy" : "previous version";
}

std::string jsonMarks(const server::MarkLists& lists) {
  const std::size_t count = std::max({lists.names.size(), lists.ids.size(), lists.times.size()});
  auto item = [](const std::vector<std::string>& list, std::size_t i) {
    return jsonString(i < list.size() ? list[i] : "");
  };
  std::string out = "[";
  for (std::size_t i = 0; i < count; ++i) {
    out += (i == 0 ? "{\"name\": " : ", {\"name\": ") + item(lists.names, i) +
           ", \"picture\": " + item(lists.ids, i) + ", \"time\": " + item(lists.times, i) + "}";
  }
  return out + "]";
}

std::string jsonCopy(const server::CopyInfo& c) {
  return "{\"name\": " + jsonString(c.name) + ", \"kind\": " + jsonString(copyKindText(c.kind)) +
         ", \"document\": " + jsonString(c.document) + ", \"created\": " + std::to_string(c.created) +
         ", \"user\": " + jsonString(c.user) + "}";
}

std::string readLine() {
  std::string line;
  std::getline(std::cin, line);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

// A seal picture read from standard input, written where addOwner can take it: named after the owner
// (the server's picture name comes from it) with the extension of the picture's kind, which the
// control loads it by.
std::filesystem::path pictureFromStdin(const ScratchFolder& scratch, const std::string& owner) {
  const std::filesystem::path raw = scratch / "picture";
  copyStdinTo(raw);
  char head[4] = {};
  std::ifstream(raw, std::ios::binary).read(head, sizeof head);
  const std::string_view magic(head, sizeof head);
  const char* extension = magic.starts_with("\x89PNG")        ? "png"
                          : magic.starts_with("\xFF\xD8\xFF") ? "jpg"
                          : magic.starts_with("GIF8")         ? "gif"
                          : magic.starts_with("BM")           ? "bmp"
                                                              : nullptr;
  if (extension == nullptr) throw server::AdminError("standard input holds no bmp, jpg, gif or png picture");
  std::string stem = owner;
  for (char& c : stem) {
    if (c == '/') c = '_';
  }
  const std::filesystem::path picture = scratch / (stem + "." + extension);
  std::filesystem::rename(raw, picture);
  return picture;
}

// Echo stays off while it lives, and comes back on every way out.
class EchoOff {
 public:
  EchoOff() : on_(::tcgetattr(STDIN_FILENO, &saved_) == 0) {
    if (!on_) return;
    termios quiet = saved_;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  ~EchoOff() {
    if (on_) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

 private:
  termios saved_{};
  bool on_;
};

// At a terminal: asked twice with echo off. Otherwise the first line of standard input (a script's
// pipe), which keeps the password out of the process list.
std::string readPassword(const std::string& owner) {
  if (!::isatty(STDIN_FILENO)) return readLine();
  std::string first, second;
  {
    EchoOff quiet;
    std::cerr << "seal password for " << owner << ": " << std::flush;
    first = readLine();
    std::cerr << "\nthe same again: " << std::flush;
    second = readLine();
    std::cerr << '\n';
  }
  if (first != second) fail("verolin owner add: the two passwords differ; nothing was stored");
  return first;
}

void registerOwner(CLI::App& app) {
  CLI::App* owner = app.add_subcommand("owner", "Seal owners of a server's data folder");
  owner->require_subcommand(1);

  auto add = std::make_shared<AdminArguments>();
  CLI::App* addCmd = addCommand(*owner, "add", "Add a seal owner with a password and a seal picture", add);
  addCmd->add_option("NAME", add->name, "owner name, as the seal window lists it")->required();
  addCmd->add_option(
      "--password", add->password,
      "seal password (asked at the terminal with echo off, or read from standard input, when left out)");
  addCmd->add_option("--picture", add->file, "seal picture (bmp, jpg, gif, png; - for standard input)")
      ->required();
  addCmd->add_flag("--replace", add->replace, "replace an owner of that name");
  addCmd->callback([add, addCmd] {
    const bool pictureFromInput = isStdio(add->file);
    if (!pictureFromInput) {
      try {
        server::checkSealPicture(add->file);
      } catch (const std::exception& e) {
        fail(std::string("verolin owner add: ") + e.what());
      }
    }
    if (addCmd->count("--password") == 0) {
      if (pictureFromInput) usageError("owner add", "--picture - takes standard input; give --password");
      add->password = readPassword(add->name);
    }
    withStore("owner add", add->data, Store::Open::kCreate, [&](Store& store) {
      std::optional<ScratchFolder> scratch;
      const std::filesystem::path picture = pictureFromInput ? pictureFromStdin(scratch.emplace(), add->name)
                                                             : std::filesystem::path(add->file);
      const auto added = server::addOwner(store, add->name, add->password, picture, add->replace);
      std::cout << (added.replaced ? "replaced " : "added ") << add->name << ", seal picture "
                << added.pictureName << '\n';
    });
  });

  auto list = std::make_shared<AdminArguments>();
  CLI::App* listCmd =
      addCommand(*owner, "list", "List seal owners: name, picture file, encoded password", list);
  addJsonFlag(*listCmd, list->json);
  listCmd->callback([list] {
    withStore("owner list", list->data, Store::Open::kExisting, [&](Store& store) {
      std::ostringstream out;
      if (list->json) {
        JsonArray array(out);
        for (const auto& o : store.owners()) {
          array.next() << "{\"name\": " << jsonString(o.name)
                       << ", \"picture\": " << jsonString(o.pictureName)
                       << ", \"encodedPassword\": " << jsonString(o.encodedPassword) << "}";
        }
      } else {
        for (const auto& o : store.owners()) {
          out << o.name << '\t' << o.pictureName << '\t' << o.encodedPassword << '\n';
        }
      }
      std::cout << out.str();
    });
  });

  auto remove = std::make_shared<AdminArguments>();
  CLI::App* removeCmd = addCommand(*owner, "remove", "Remove a seal owner and its picture", remove);
  removeCmd->add_option("NAME", remove->name, "owner name")->required();
  removeCmd->callback([remove] {
    withStore("owner remove", remove->data, Store::Open::kExisting, [&](Store& store) {
      if (!store.removeOwner(remove->name)) throw server::AdminError("no seal owner named " + remove->name);
      std::cout << "removed " << remove->name << '\n';
    });
  });
}

void registerDoc(CLI::App& app) {
  CLI::App* doc = app.add_subcommand("doc", "Documents of a server's data folder");
  doc->require_subcommand(1);

  auto put = std::make_shared<AdminArguments>();
  CLI::App* putCmd =
      addCommand(*doc, "put", "Encrypt a document with the transfer password and store it", put);
  putCmd->add_option("FILE", put->file, "document file (a .doc file for the control; - for standard input)")
      ->required();
  putCmd->add_option("--name", put->name,
                     "name on the server (default: FILE up to its first \".\", then .jia)");
  putCmd->add_flag("--clear-marks", put->clearMarks,
                   "forget the seals and signatures known for an earlier version");
  putCmd->callback([put] {
    if (isStdio(put->file) && put->name.empty())
      usageError("doc put", "FILE - (standard input) needs --name");
    withStore("doc put", put->data, Store::Open::kCreate, [&](Store& store) {
      std::optional<ScratchFolder> scratch;
      std::filesystem::path file = put->file;
      if (isStdio(put->file)) {
        // Standard input is taken for a .doc file, the kind the control opens.
        file = scratch.emplace() / "stdin.doc";
        copyStdinTo(file);
      }
      const auto stored = server::putDocument(store, file, put->name, put->clearMarks);
      std::cout << "stored " << stored.name << " (" << stored.size << " bytes, holds a ." << stored.extension
                << " file)\n";
      if (!stored.warning.empty()) std::cerr << "warning: " << stored.warning << '\n';
    });
  });

  auto get = std::make_shared<AdminArguments>();
  CLI::App* getCmd = addCommand(*doc, "get", "Decrypt a stored document into a file", get);
  getCmd->add_option("NAME", get->name, "name on the server")->required();
  getCmd->add_option("OUT", get->out, "file to write, a folder to write into, or - for standard output")
      ->required();
  addForceFlag(*getCmd, get->force);
  getCmd->callback([get] {
    withStore("doc get", get->data, Store::Open::kExisting, [&](Store& store) {
      if (isStdio(get->out)) {
        ScratchFolder scratch;
        copyToStdout(server::getDocument(store, get->name, scratch / "document"));
        return;
      }
      std::cout << server::getDocument(store, get->name, get->out, get->force).string() << '\n';
    });
  });

  auto list = std::make_shared<AdminArguments>();
  CLI::App* listCmd =
      addCommand(*doc, "list", "List stored documents with their known seals and signatures", list);
  addJsonFlag(*listCmd, list->json);
  listCmd->callback([list] {
    withStore("doc list", list->data, Store::Open::kExisting, [&](Store& store) {
      std::map<std::string, server::CopyInfo> copies;
      for (auto& c : store.copies()) copies.emplace(c.name, std::move(c));
      if (list->json) {
        std::ostringstream out;
        {
          JsonArray array(out);
          for (const auto& d : store.documents()) {
            const auto copy = copies.find(d.name);
            array.next() << "{\"name\": " << jsonString(d.name) << ", \"size\": " << d.size
                         << ", \"updated\": " << d.updated << ", \"version\": " << d.version
                         << ", \"copyOf\": " << (copy == copies.end() ? "null" : jsonCopy(copy->second))
                         << ", \"seals\": " << jsonMarks(store.marks(d.name, server::MarkKind::kSeal))
                         << ", \"signatures\": " << jsonMarks(store.marks(d.name, server::MarkKind::kSign))
                         << "}";
          }
        }
        std::cout << out.str();
        return;
      }
      for (const auto& d : store.documents()) {
        std::cout << d.name << '\t' << d.size << " bytes\t" << timeText(d.updated) << "\tversion "
                  << d.version << '\n';
        if (const auto copy = copies.find(d.name); copy != copies.end()) {
          std::cout << "  " << copyKindText(copy->second.kind) << " of " << copy->second.document
                    << (copy->second.user.empty() ? "" : ", uploaded by " + copy->second.user) << '\n';
        }
        printMarks("seal", store.marks(d.name, server::MarkKind::kSeal));
        printMarks("signature", store.marks(d.name, server::MarkKind::kSign));
      }
    });
  });

  auto conflicts = std::make_shared<AdminArguments>();
  CLI::App* conflictsCmd = addCommand(
      *doc, "conflicts", "List the conflict copies (and previous versions) kept beside documents", conflicts);
  conflictsCmd->add_option("NAME", conflicts->name, "only those of this document");
  addJsonFlag(*conflictsCmd, conflicts->json);
  conflictsCmd->callback([conflicts] {
    withStore("doc conflicts", conflicts->data, Store::Open::kExisting, [&](Store& store) {
      if (conflicts->json) {
        std::ostringstream out;
        {
          JsonArray array(out);
          for (const auto& c : store.copies(conflicts->name)) array.next() << jsonCopy(c);
        }
        std::cout << out.str();
        return;
      }
      for (const auto& c : store.copies(conflicts->name)) {
        std::cout << c.name << '\t' << copyKindText(c.kind) << " of " << c.document << '\t'
                  << timeText(c.created) << '\t' << (c.user.empty() ? "-" : c.user) << '\n';
      }
    });
  });

  auto resolve = std::make_shared<AdminArguments>();
  CLI::App* resolveCmd =
      addCommand(*doc, "resolve",
                 "Make a conflict copy the current version; the replaced one is kept as a copy", resolve);
  resolveCmd->add_option("NAME", resolve->name, "the document")->required();
  resolveCmd->add_option("--take", resolve->take, "the copy that becomes its current version")->required();
  resolveCmd->callback([resolve] {
    withStore("doc resolve", resolve->data, Store::Open::kExisting, [&](Store& store) {
      const std::string previous = store.takeCopy(resolve->name, resolve->take);
      std::cout << resolve->name << " is now the version of " << resolve->take
                << "; the version it replaced is kept as " << previous << '\n';
    });
  });

  auto remove = std::make_shared<AdminArguments>();
  CLI::App* removeCmd = addCommand(*doc, "remove", "Remove a stored document and its known marks", remove);
  removeCmd->add_option("NAME", remove->name, "name on the server")->required();
  removeCmd->callback([remove] {
    withStore("doc remove", remove->data, Store::Open::kExisting, [&](Store& store) {
      if (!store.removeDocument(remove->name)) throw server::AdminError("no document named " + remove->name);
      std::cout << "removed " << remove->name << '\n';
    });
  });
}

const CommandRegistration registration([](CLI::App& app) {
  registerOwner(app);
  registerDoc(app);
});

}  // namespace
}  // namespace verolin::cli
