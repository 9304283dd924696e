// Engine: the Duktape heap of one page script, and how a script error is reported.
#pragma once

#include <duktape.h>

#include <optional>
#include <string>
#include <string_view>

namespace verolin::script {

class Session;

// An uncaught script error: where it was raised and what it says.
struct ScriptFailure {
  std::string file;     // the script's file name ("" when the thrown value carries none)
  int line = 0;         // 0 when unknown
  std::string message;  // "Error: ..." as the engine prints the thrown value
  std::string frames;   // the script frames of the traceback, one per line, "" when none

  // "FILE:LINE: MESSAGE" followed by the frames, indented.
  std::string describe() const;
};

class Engine {
 public:
  // Creates the heap; the session's native functions find the session through it.
  explicit Engine(Session& session);
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  duk_context* context() const { return ctx_; }

  // Compiles and runs `source` as the script file `fileName`; nullopt when it ran to its end.
  std::optional<ScriptFailure> run(std::string_view source, const std::string& fileName);

  // The error of a handler that failed outside any script call (while the control was released).
  std::optional<ScriptFailure> takePendingError();

 private:
  ScriptFailure failureOnTop();

  Session& session_;
  duk_context* ctx_ = nullptr;
};

}  // namespace verolin::script
