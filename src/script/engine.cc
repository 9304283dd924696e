#include "script/engine.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "script/native.h"
#include "script/session.h"

namespace verolin::script {
namespace {

// Only a bug of ours can reach this: every script runs inside a protected call.
void fatal(void*, const char* message) {
  std::fprintf(stderr, "verolin run: script engine failure: %s\n", message ? message : "");
  std::abort();
}

// [error] -> [file, line, message, stack]; a protected call, as reading the thrown value may run script code.
duk_ret_t describeThrown(duk_context* ctx, void*) {
  // A protected call runs in its caller's frame: the argument is the top value, not index 0.
  const duk_idx_t thrown = duk_get_top_index(ctx);
  if (duk_is_object(ctx, thrown)) {
    duk_get_prop_string(ctx, thrown, "fileName");
    duk_get_prop_string(ctx, thrown, "lineNumber");
    duk_dup(ctx, thrown);
    duk_safe_to_string(ctx, -1);
    duk_get_prop_string(ctx, thrown, "stack");
  } else {
    duk_push_undefined(ctx);
    duk_push_undefined(ctx);
    duk_dup(ctx, thrown);
    duk_safe_to_string(ctx, -1);
    duk_push_undefined(ctx);
  }
  return 4;
}

// The traceback lines that point into a script file; the engine's own native frames are left out.
std::string scriptFrames(const std::string& stack) {
  std::istringstream in(stack);
  std::string line, frames;
  bool first = true;
  while (std::getline(in, line)) {
    if (first) {  // the message itself
      first = false;
      continue;
    }
    if (line.find(" native") != std::string::npos || line.find(" internal") != std::string::npos) continue;
    const auto start = line.find_first_not_of(' ');
    if (start == std::string::npos) continue;
    auto end = line.find(" preventsyield");
    frames += line.substr(start, end == std::string::npos ? std::string::npos : end - start) + "\n";
  }
  return frames;
}

}  // namespace

std::string ScriptFailure::describe() const {
  std::string out = file.empty() ? std::string("script") : file;
  if (line > 0) out += ":" + std::to_string(line);
  out += ": " + message + "\n";
  std::istringstream in(frames);
  for (std::string frame; std::getline(in, frame);) out += "    " + frame + "\n";
  return out;
}

Engine::Engine(Session& session) : session_(session) {
  ctx_ = duk_create_heap(nullptr, nullptr, nullptr, &session_, fatal);
  if (!ctx_) throw std::runtime_error("cannot create the script engine");
  session_.ctx = ctx_;
}

Engine::~Engine() {
  duk_destroy_heap(ctx_);
  session_.ctx = nullptr;
}

ScriptFailure Engine::failureOnTop() {
  ScriptFailure f;
  if (duk_safe_call(ctx_, describeThrown, nullptr, 1, 4) != DUK_EXEC_SUCCESS) {
    duk_pop_n(ctx_, 4);  // a failed protected call still leaves as many values as asked for
    f.message = "Error: (a script error that cannot be shown)";
    return f;
  }
  f.file = readString(ctx_, -4);
  if (duk_is_number(ctx_, -3)) f.line = duk_get_int(ctx_, -3);
  f.message = readString(ctx_, -2);
  f.frames = scriptFrames(readString(ctx_, -1));
  duk_pop_n(ctx_, 4);
  return f;
}

std::optional<ScriptFailure> Engine::run(std::string_view source, const std::string& fileName) {
  const duk_idx_t top = duk_get_top(ctx_);
  pushString(ctx_, source);
  pushString(ctx_, fileName);
  std::optional<ScriptFailure> failure;
  if (duk_pcompile(ctx_, 0) != DUK_EXEC_SUCCESS || duk_pcall(ctx_, 0) != DUK_EXEC_SUCCESS) {
    failure = failureOnTop();
  }
  duk_set_top(ctx_, top);
  if (!failure && session_.errorPending) failure = takePendingError();
  return failure;
}

std::optional<ScriptFailure> Engine::takePendingError() {
  if (!session_.errorPending) return std::nullopt;
  session_.errorPending = false;
  duk_push_heap_stash(ctx_);
  duk_get_prop_string(ctx_, -1, kPendingErrorKey);
  duk_del_prop_string(ctx_, -2, kPendingErrorKey);
  duk_remove(ctx_, -2);
  return failureOnTop();
}

}  // namespace verolin::script
