// verolin.exe on Windows: `run` plays a web page and its user against the control, which it creates the
// way a browser does: in a single-threaded apartment, by its ProgID through CoCreateInstance, and then
// called by name through IDispatch. The script, its globals and the transcript are those of Linux; the
// control, its platform and the word processor are the real ones of this system.
#include <fcntl.h>
#include <io.h>
#include <objbase.h>
#include <shellapi.h>
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "com/dispatch_client.h"
#include "com/run_world.h"
#include "com/trace_sink.h"
#include "script/play.h"
#include "script/transcript.h"

namespace {

using namespace verolin;

constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "usage: verolin run SCRIPT.js [-- ARGS...]\n"
    "Runs a page script against the control VerolinSystem.VerolinActivex (registered with regsvr32);\n"
    "the transcript goes to standard error.\n";

// Where the transcript goes: the lines the control and the word processor trace.
std::ostream* transcript = nullptr;

void writeLine(std::string_view category, std::string_view line) {
  if (!transcript) return;
  *transcript << script::transcriptLine(category, line) << '\n';
  transcript->flush();
}

std::vector<std::string> arguments() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::vector<std::string> out;
  for (int i = 0; i < argc; ++i) out.push_back(com::narrow(argv[i]));
  LocalFree(argv);
  return out;
}

struct RunArguments {
  std::string script;
  std::vector<std::string> args;
};

[[noreturn]] void usage(const std::string& problem) {
  std::cerr << "verolin run: " << problem << "\n" << kUsage;
  std::exit(kExitUsage);
}

RunArguments parse(const std::vector<std::string>& argv) {
  if (argv.size() < 2 || argv[1] == "--help" || argv[1] == "-h") {
    std::cout << kUsage;
    std::exit(argv.size() < 2 ? kExitUsage : 0);
  }
  if (argv[1] != "run") usage("this build has the command run only, not \"" + argv[1] + "\"");
  RunArguments a;
  std::size_t i = 2;
  for (; i < argv.size() && argv[i] != "--"; ++i) {
    const std::string& word = argv[i];
    if (word == "--root" || word == "--word-version" || word == "--no-word" || word == "--codepage" ||
        word == "--cookie") {
      usage(word +
            " is for the stand-in platform: on Windows the machine, its word processor, the wire code "
            "page and the browser's cookies (host.cookies.set with a site) are the real ones");
    }
    if (word.size() > 1 && word[0] == '-') usage("unknown option " + word);
    if (!a.script.empty()) usage("one script only; its arguments go after --");
    a.script = word;
  }
  if (a.script.empty()) usage("the script is missing");
  for (++i; i < argv.size(); ++i) a.args.push_back(argv[i]);
  return a;
}

std::string readScript(const std::string& name) {
  std::ifstream in(com::wide(name).c_str(), std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + name);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string hex(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

// The page's object tag: the control by its ProgID, in this apartment.
automation::ObjectRef createControl() {
  CLSID clsid;
  HRESULT hr = CLSIDFromProgID(com::kControlProgId, &clsid);
  if (FAILED(hr)) {
    throw std::runtime_error("VerolinSystem.VerolinActivex is not registered (" + hex(hr) +
                             "); register VerolinSystem.ocx with regsvr32");
  }
  IDispatch* dispatch = nullptr;
  hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                        reinterpret_cast<void**>(&dispatch));
  if (FAILED(hr) || !dispatch) throw std::runtime_error("CoCreateInstance failed (" + hex(hr) + ")");
  automation::ObjectRef control = com::wrapDispatch(dispatch);
  dispatch->Release();
  return control;
}

int run(const RunArguments& a) {
  std::string source;
  try {
    source = readScript(a.script);
  } catch (const std::exception& e) {
    std::cerr << "verolin run: " << e.what() << '\n';
    return script::kExitScriptError;
  }
  // The browser's user-interface thread.
  if (FAILED(OleInitialize(nullptr))) {
    std::cerr << "verolin run: the apartment cannot be set up\n";
    return script::kExitCannotRun;
  }
  int code = 0;
  {
    // The transcript comes from the hosts that show the windows (the control's, the word processor's),
    // as on Linux; the watchdog only answers.
    com::WindowsWorld world(*transcript);
    script::PageControl control;
    control.create = createControl;
    control.release = [&world] { world.releaseColleague(); };
    // The page goes away when the script's last reference to the control goes with its heap; Terminate
    // runs then, its windows answered with the defaults.
    code = script::playScript(world, &world.stage(), source, a.script, a.args, control, std::cout, std::cerr);
    // What the control and the word processor still do on their way out is answered too.
    com::pumpFor(0);
  }
  CoFreeUnusedLibraries();
  OleUninitialize();
  return code;
}

}  // namespace

// The transcript's entry for the modules loaded into this process (see com/trace_sink.h).
extern "C" __declspec(dllexport) void VerolinTrace(const char* category, const char* line) {
  writeLine(category ? category : "", line ? line : "");
}

int main() {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  transcript = &std::cerr;
  const RunArguments a = parse(arguments());
  return run(a);
}
