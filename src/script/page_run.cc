#include "script/page_run.h"

#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <random>
#include <sstream>

#include "activex/verolin_activex.h"
#include "platform/curl_http.h"
#include "script/colleague.h"
#include "script/http_trace.h"
#include "script/person_host.h"
#include "script/play.h"
#include "script/standin_world.h"
#include "script/transcript.h"
#include "text/codepage.h"

#ifdef VEROLIN_HAVE_WORDPROC
#include "wordproc/wordproc.h"
#endif

namespace verolin::script {
namespace {

// A root folder of its own for a run that names none; removed when the run ends.
class TemporaryRoot {
 public:
  TemporaryRoot() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() /
            ("verolin-run-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(path_);
  }
  ~TemporaryRoot() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TemporaryRoot(const TemporaryRoot&) = delete;
  TemporaryRoot& operator=(const TemporaryRoot&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Keeps the wire code page of the process as it was before the run.
class CodePageScope {
 public:
  explicit CodePageScope(const std::string& codePage) : saved_(text::wireCodePage()) {
    if (!codePage.empty()) text::setWireCodePage(codePage);
  }
  ~CodePageScope() {
    try {
      text::setWireCodePage(saved_);
    } catch (...) {
    }
  }
  CodePageScope(const CodePageScope&) = delete;
  CodePageScope& operator=(const CodePageScope&) = delete;

 private:
  std::string saved_;
};

// The word processor as the machine has it: registered for "Word.Application" with the version
// asked for, or not installed at all.
void installWordProcessor(platform::Platform& platform, const PageOptions& options, std::ostream& log) {
#ifdef VEROLIN_HAVE_WORDPROC
  (void)log;
  wordproc::WordOptions word;
  if (options.wordVersion) word.version = *options.wordVersion;
  word.installed = !options.noWord;
  wordproc::registerWordApplication(platform, word);
#else
  (void)platform;
  if (!options.noWord && options.wordVersion) {
    log << "verolin run: this build has no word processor; --word-version is ignored\n";
  }
#endif
}

// The colleague's machine lives in a folder of its own beside the drive folders.
constexpr const char* kColleagueFolder = "colleague";

int playPage(std::string_view source, const std::string& fileName, const PageOptions& options,
             const std::filesystem::path& root, std::ostream& out, std::ostream& log) {
  CodePageScope codePage(options.codePage);
  platform::StandInPlatform standIn(root);
  Stage stage;
  PersonHost user(standIn.host, stage, kControlName);
  writeTranscript(standIn.host, log, &stage);
  for (const auto& cookie : options.cookies) {
    const auto equals = cookie.find('=');
    if (equals == std::string::npos)
      throw std::invalid_argument("a cookie is NAME=VALUE, not \"" + cookie + "\"");
    standIn.cookies.set(cookie.substr(0, equals), cookie.substr(equals + 1));
  }
  platform::HttpOptions http;
  http.cookies = &standIn.cookies;
  standIn.http = platform::makeCurlHttpFactory(http);
  if (options.prepare) options.prepare(standIn);
  // Both people's requests go through the one factory, each traced as theirs.
  std::unique_ptr<platform::HttpFactory> network = std::move(standIn.http);
  if (network) standIn.http = traceHttp(*network, user);
  // The word processor keeps a reference to the services it was registered with.
  platform::Platform services = standIn.platform();
  services.host = &user;
  installWordProcessor(services, options, log);

  control::Apartment apartment(services);
  StandInWorld world(standIn, apartment);
  std::unique_ptr<Colleague> colleague;
  world.meetColleague = [&]() -> Colleague& {
    if (!colleague) {
      colleague = std::make_unique<Colleague>(
          root / kColleagueFolder, standIn.host, stage, network.get(),
          [&options, &log](platform::Platform& machine) { installWordProcessor(machine, options, log); });
    }
    return *colleague;
  };
  std::shared_ptr<activex::VerolinActivex> activex;
  PageControl control;
  control.create = [&] {
    activex = activex::VerolinActivex::create(apartment);
    return automation::ObjectRef(activex);
  };
  control.release = [&] {
    if (activex) activex->release();
    if (colleague) colleague->release();
  };
  const int code = playScript(world, &stage, source, fileName, options.args, control, out, log);
  activex.reset();
  colleague.reset();
  standIn.host.onTrace = nullptr;
  return code;
}

}  // namespace

int runPageSource(std::string_view source, const std::string& fileName, const PageOptions& options) {
  std::ostream& out = options.out ? *options.out : std::cout;
  std::ostream& log = options.transcript ? *options.transcript : std::cerr;
  try {
    std::optional<TemporaryRoot> temporary;
    std::filesystem::path root = options.root;
    if (root.empty()) {
      temporary.emplace();
      root = temporary->path();
    }
    return playPage(source, fileName, options, root, out, log);
  } catch (const std::exception& e) {
    log << "verolin run: " << e.what() << '\n';
    return kExitCannotRun;
  }
}

int runPageScript(const std::filesystem::path& script, const PageOptions& options) {
  std::ifstream in(script, std::ios::binary);
  if (!in) {
    (options.transcript ? *options.transcript : std::cerr)
        << "verolin run: cannot read " << script.string() << '\n';
    return kExitCannotRun;
  }
  const std::string source{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  return runPageSource(source, script.string(), options);
}

}  // namespace verolin::script
