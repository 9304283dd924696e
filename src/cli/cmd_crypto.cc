// `verolin encrypt`, `verolin decrypt`, `verolin encode-password`: the container and the seal password
// encoding for server administrators and scripts.
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

#include "cli/command.h"
#include "cli/conventions.h"
#include "crypto/crypto.h"

namespace verolin::cli {
namespace {

struct FileArguments {
  std::string file;
  std::string output;
  std::string password{crypto::kTransferPassword};
  bool force = false;
};

// A percentage on standard error, redrawn in place; only when a person watches (stderr is a terminal).
crypto::Progress terminalProgress(const std::string& verb) {
  if (::isatty(STDERR_FILENO) == 0) return {};
  auto shown = std::make_shared<int>(-1);
  return [verb, shown](std::uint64_t done, std::uint64_t total) {
    const int percent = total == 0 ? 100 : static_cast<int>(done * 100 / total);
    if (percent == *shown) return;
    *shown = percent;
    std::fprintf(stderr, "\r%s %3d%%", verb.c_str(), percent);
    if (done >= total) std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
  };
}

void addFileCommand(CLI::App& app, const char* name, const char* description, const char* verb,
                    bool encrypt) {
  auto args = std::make_shared<FileArguments>();
  CLI::App* command = app.add_subcommand(name, description);
  command
      ->add_option(
          "FILE", args->file,
          encrypt ? "file to encrypt (- for standard input)" : "container to decrypt (- for standard input)")
      ->required();
  command->add_option("--password,-p", args->password, "password (default: the transfer password)");
  command->add_option(
      "--output,-o", args->output,
      "folder or path of the result, - for standard output (default: beside FILE, named after "
      "its first \".\")");
  addForceFlag(*command, args->force);
  command->callback([args, verb, encrypt, name] {
    if (isStdio(args->file) && args->output.empty()) {
      usageError(name, "FILE - (standard input) has no name to derive the result's from; give --output");
    }
    crypto::FileOptions options;
    options.progress = terminalProgress(verb);
    options.replace = args->force;
    std::filesystem::path source = args->file;
    std::filesystem::path target = args->output;
    try {
      // The cipher works on named files: standard input and output pass through a private folder.
      std::optional<ScratchFolder> scratch;
      if (isStdio(args->file) || isStdio(args->output)) scratch.emplace();
      if (isStdio(args->file)) {
        source = *scratch / (encrypt ? "stdin" : "stdin.jia");
        copyStdinTo(source);
      }
      if (isStdio(args->output)) {
        target = *scratch / "result";
        options.progress = {};
        options.replace = true;
      }
      const crypto::WrittenFile written = encrypt
                                              ? crypto::encryptFile(source, target, args->password, options)
                                              : crypto::decryptFile(source, target, args->password, options);
      if (isStdio(args->output)) {
        copyToStdout(written.path);
      } else {
        std::cout << written.path.string() << '\n';
      }
    } catch (const crypto::CipherError& e) {
      if (options.progress) std::fputs("\r\033[K", stderr);
      const bool exists = e.code() == std::errc::file_exists;
      fail(std::string("verolin ") + name + ": " + e.what() + (exists ? " (--force replaces it)" : ""));
    } catch (const std::system_error& e) {
      fail(std::string("verolin ") + name + ": " + e.what());
    }
  });
}

const CommandRegistration registration([](CLI::App& app) {
  addFileCommand(app, "encrypt", "Encrypt a file into a container beside it and print the container's path",
                 "encrypting", true);
  addFileCommand(app, "decrypt", "Decrypt a container into the file it holds and print that file's path",
                 "decrypting", false);

  auto text = std::make_shared<std::string>();
  auto key = std::make_shared<std::string>(crypto::kSealKey);
  CLI::App* encode = app.add_subcommand("encode-password", "Print the encoded form of a seal password");
  encode->add_option("TEXT", *text, "the password as typed")->required();
  encode->add_option("--key,-k", *key, "key of the encoding (default: the seal key)");
  encode->callback([text, key] {
    try {
      std::cout << crypto::encodeSealPassword(*text, *key) << '\n';
    } catch (const crypto::CipherError& e) {
      fail(std::string("verolin encode-password: ") + e.what());
    }
  });
});

}  // namespace
}  // namespace verolin::cli
