// The conventions every subcommand of the verolin program keeps, run as a script would run them: exit
// codes of usage and runtime errors, "-" for standard input and output, --force, --json, --version.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "crypto/temp_folder.h"

namespace verolin::cli {
namespace {

using crypto::testing::TempFolder;

struct ToolRun {
  int status = -1;  // the exit code
  std::string out;
  std::string err;
};

class Conventions : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* binary = std::getenv("VEROLIN_BINARY");
    if (binary == nullptr || !std::filesystem::exists(binary)) GTEST_SKIP() << "verolin is not built";
    binary_ = binary;
  }

  // Runs `verolin ARGUMENTS` through the shell (so that ARGUMENTS may hold redirections and pipes that
  // feed standard input) in the test's folder.
  ToolRun verolin(const std::string& arguments, const std::string& input = "") const {
    std::string command = "cd '" + folder.path().string() + "' && ";
    if (!input.empty()) command += "cat '" + folder.write(".input", input).string() + "' | ";
    command += binary_ + " " + arguments + " 2>'" + (errors / "err").string() + "'";
    ToolRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, got);
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.err = TempFolder::read(errors / "err");
    return run;
  }

  std::string binary_;
  TempFolder folder;
  TempFolder errors;
};

std::size_t lines(const std::string& text) {
  std::size_t count = 0;
  for (const char c : text) count += c == '\n' ? 1 : 0;
  return count;
}

TEST_F(Conventions, UsageErrorsExitTwoWithOneLineNamingTheHelp) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"bogus", "verolin"},
      {"run", "verolin run"},
      {"run a.js --bogus", "verolin run"},
      {"serve --port eighty", "verolin serve"},
      {"serve --page nopage --data d", "verolin serve"},
      {"serve --codepage NO-SUCH-PAGE --data d", "verolin serve"},
      {"encrypt", "verolin encrypt"},
      {"encrypt - ", "verolin encrypt"},
      {"decrypt a.jia b.doc", "verolin decrypt"},
      {"encode-password", "verolin encode-password"},
      {"owner", "verolin owner"},
      {"owner add wang", "verolin owner add"},
      {"owner add wang --picture -", "verolin owner add"},
      {"owner list --bogus", "verolin owner list"},
      {"owner remove", "verolin owner remove"},
      {"doc", "verolin doc"},
      {"doc put", "verolin doc put"},
      {"doc put -", "verolin doc put"},
      {"doc get a.jia", "verolin doc get"},
      {"doc list extra", "verolin doc list"},
      {"doc conflicts --bogus", "verolin doc conflicts"},
      {"doc resolve a.jia", "verolin doc resolve"},
      {"doc remove", "verolin doc remove"},
  };
  for (const auto& [arguments, command] : cases) {
    const ToolRun run = verolin(arguments, "");
    EXPECT_EQ(run.status, 2) << arguments << ": " << run.err;
    EXPECT_EQ(lines(run.err), 1u) << arguments << ": " << run.err;
    EXPECT_EQ(run.err.rfind(command + ": ", 0), 0u) << arguments << ": " << run.err;
    EXPECT_NE(run.err.find(command + " --help"), std::string::npos) << arguments << ": " << run.err;
    EXPECT_EQ(run.out, "") << arguments;
  }
  EXPECT_FALSE(std::filesystem::exists(folder / "d")) << "a refused serve made its data folder";
}

TEST_F(Conventions, RuntimeErrorsExitOneWithTheSystemsReason) {
  folder.write("plain.jia", "not a container");
  const std::string data = " --data " + (folder / "data").string();
  ASSERT_EQ(verolin("doc put " + folder.write("a.doc", "memo").string() + data).status, 0);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"run missing.js", "No such file or directory"},
      {"encrypt missing.doc", "No such file or directory"},
      {"decrypt plain.jia", "not an encrypted container"},
      {"encode-password abc --key 张三张三张三张三张三张三张三张三张三张三张三张三张三", "cannot be seeded"},
      {"owner add wang --password p --picture missing.png" + data, "missing.png"},
      {"owner list --data nowhere", "nowhere"},
      {"owner remove nobody" + data, "nobody"},
      {"doc put missing.doc" + data, "missing.doc"},
      {"doc get nothing.jia out.doc" + data, "nothing.jia"},
      {"doc get a.jia no/such/folder/a.doc" + data, "No such file or directory"},
      {"doc list --data nowhere", "nowhere"},
      {"doc conflicts --data nowhere", "nowhere"},
      {"doc resolve a.jia --take nothing.jia" + data, "nothing.jia"},
      {"doc remove nothing.jia" + data, "nothing.jia"},
  };
  for (const auto& [arguments, reason] : cases) {
    const ToolRun run = verolin(arguments);
    EXPECT_EQ(run.status, 1) << arguments << ": " << run.err;
    EXPECT_EQ(run.err.rfind("verolin ", 0), 0u) << arguments << ": " << run.err;
    EXPECT_NE(run.err.find(reason), std::string::npos) << arguments << ": " << run.err;
  }
}

TEST_F(Conventions, ServeOnABusyPortNamesThePortAndTheCause) {
  const int busy = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(busy, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(busy, 1), 0);
  socklen_t size = sizeof address;
  ::getsockname(busy, reinterpret_cast<sockaddr*>(&address), &size);
  const std::string port = std::to_string(ntohs(address.sin_port));

  const ToolRun run = verolin("serve --quiet --port " + port + " --data data");
  ::close(busy);
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_NE(run.err.find("127.0.0.1:" + port + ": Address already in use"), std::string::npos) << run.err;
}

TEST_F(Conventions, DashStandsForStandardInputAndOutput) {
  const std::string document = std::string("{\\rtf1 memo}\n") + std::string(3000, 'x');
  const ToolRun roundTrip = verolin("encrypt - -o - | " + binary_ + " decrypt - -o -", document);
  EXPECT_EQ(roundTrip.status, 0) << roundTrip.err;
  EXPECT_TRUE(roundTrip.out == document);

  const ToolRun sealed = verolin("encrypt - --output memo.jia", document);
  ASSERT_EQ(sealed.status, 0) << sealed.err;
  EXPECT_EQ(TempFolder::read(folder / "memo.jia").rfind("LOCKED", 0), 0u);

  ASSERT_EQ(verolin("doc put - --name memo.jia --data data", document).status, 0);
  const ToolRun fetched = verolin("doc get memo.jia - --data data");
  EXPECT_EQ(fetched.status, 0) << fetched.err;
  EXPECT_TRUE(fetched.out == document);

  const ToolRun owner = verolin("owner add wang --password pw --picture - --data data",
                                std::string("\x89PNG\r\n\x1a\n", 8) + "IHDR");
  EXPECT_EQ(owner.status, 0) << owner.err;
  EXPECT_EQ(owner.out, "added wang, seal picture wang.jia\n");

  const ToolRun script = verolin("run - -- one two", "host.print('args', host.args.join(','));");
  EXPECT_EQ(script.status, 0) << script.err;
  EXPECT_EQ(script.out, "args one,two\n");
}

TEST_F(Conventions, AnExistingOutputIsReplacedOnlyWithForce) {
  const auto source = folder.write("memo.doc", "the memo");
  folder.write("memo.jia", "kept");
  ToolRun run = verolin("encrypt memo.doc");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("--force"), std::string::npos) << run.err;
  EXPECT_EQ(TempFolder::read(folder / "memo.jia"), "kept");
  EXPECT_EQ(folder.files(), (std::set<std::string>{"memo.doc", "memo.jia"})) << "no temporary file is left";
  ASSERT_EQ(verolin("encrypt memo.doc --force").status, 0);

  EXPECT_EQ(verolin("decrypt memo.jia").status, 1) << "memo.doc exists";
  EXPECT_EQ(TempFolder::read(source), "the memo");
  folder.write("memo.doc", "edited");
  EXPECT_EQ(verolin("decrypt memo.jia -f").status, 0);
  EXPECT_EQ(TempFolder::read(source), "the memo");

  ASSERT_EQ(verolin("doc put memo.doc --data data").status, 0);
  folder.write("out.doc", "mine");
  run = verolin("doc get memo.jia out.doc --data data");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("out.doc exists (--force replaces it)"), std::string::npos) << run.err;
  EXPECT_EQ(TempFolder::read(folder / "out.doc"), "mine");
  EXPECT_EQ(verolin("doc get memo.jia . --data data").status, 1) << "./memo.doc exists";
  EXPECT_EQ(verolin("doc get memo.jia out.doc --force --data data").status, 0);
  EXPECT_EQ(TempFolder::read(folder / "out.doc"), "the memo");
}

TEST_F(Conventions, ListsPrintJsonOnRequest) {
  ASSERT_EQ(verolin("doc put " + folder.write("a.doc", "memo").string() + " --data data").status, 0);
  folder.write("seal.png", std::string("\x89PNG\r\n\x1a\n", 8) + "picture");
  ASSERT_EQ(verolin("owner add 'wang \"w\"' --password p --picture seal.png --data data").status, 0);

  const ToolRun docs = verolin("doc list --json --data data");
  EXPECT_EQ(docs.status, 0) << docs.err;
  EXPECT_EQ(docs.out.rfind("[\n  {\"name\": \"a.jia\", \"size\": ", 0), 0u) << docs.out;
  EXPECT_NE(docs.out.find("\"copyOf\": null, \"seals\": [], \"signatures\": []}\n]\n"), std::string::npos)
      << docs.out;

  const ToolRun owners = verolin("owner list --json --data data");
  EXPECT_EQ(owners.status, 0) << owners.err;
  EXPECT_EQ(owners.out.rfind("[\n  {\"name\": \"wang \\\"w\\\"\", \"picture\": ", 0), 0u) << owners.out;

  const ToolRun conflicts = verolin("doc conflicts --json --data data");
  EXPECT_EQ(conflicts.status, 0) << conflicts.err;
  EXPECT_EQ(conflicts.out, "[]\n");
}

TEST_F(Conventions, VersionNamesTheBuildsOptions) {
  const ToolRun run = verolin("--version");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out.rfind("verolin ", 0), 0u);
  for (const char* line : {"\nbuild type: ", "\ncompiler: ", "\nwarnings as errors (VEROLIN_WERROR): ",
                           "\nsanitizers (VEROLIN_SANITIZE): ", "\nfolders: "}) {
    EXPECT_NE(run.out.find(line), std::string::npos) << line;
  }
}

TEST_F(Conventions, CodePageHasOneNameAndKeepsTheOldSpellingHidden) {
  for (const char* command : {"run", "serve"}) {
    const ToolRun help = verolin(std::string(command) + " --help");
    EXPECT_NE(help.out.find("--codepage"), std::string::npos) << command;
    EXPECT_EQ(help.out.find("--code-page"), std::string::npos) << command;
  }
  const ToolRun old = verolin("run - --code-page GBK", "host.print('ran');");
  EXPECT_EQ(old.status, 0) << old.err;
  EXPECT_EQ(old.out, "ran\n");
}

}  // namespace
}  // namespace verolin::cli
