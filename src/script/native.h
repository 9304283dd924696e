// Native functions of page scripts, and the rule they all keep: Duktape reports a script error with
// longjmp, which would skip C++ destructors and exception handlers. So every native function is a
// trampoline without C++ objects that runs its body in a frame of its own, inside a try block; the
// body ends (all destructors run) before the trampoline throws. Inside a body only Duktape calls that
// cannot raise a script error are used (reads of values, pushes, protected calls).
#pragma once

#include <duktape.h>

#include "automation/caller_abort.h"

#include <string>
#include <string_view>

namespace verolin::script {

class Session;

// Unwinds the control's C++ frames after a script handler failed inside a call of the control; the
// script's error waits in the heap stash until the outermost native call throws it. A CallerAbort, so
// neither the members it passes nor the control's own `catch (const std::exception&)` stop it.
struct ScriptAbort : automation::CallerAbort {};

// The body of a native function: reads its arguments, does its work, pushes its result and returns
// the number of results (0 or 1). Failures are C++ exceptions.
using NativeBody = int (*)(duk_context* ctx);

// Runs `body` in a try block; a C++ failure leaves an error object on the stack top.
int runGuarded(duk_context* ctx, NativeBody body) noexcept;
// Returns `rc` results, or throws the error on the stack top or the one waiting in the stash.
duk_ret_t finishNative(duk_context* ctx, int rc);

template <NativeBody Body>
duk_ret_t native(duk_context* ctx) {
  return finishNative(ctx, runGuarded(ctx, Body));
}

// Pushes a native function with `nargs` arguments (DUK_VARARGS for any number).
template <NativeBody Body>
void pushNative(duk_context* ctx, duk_idx_t nargs) {
  duk_push_c_function(ctx, native<Body>, nargs);
}

// The session that owns the heap of `ctx`.
Session& sessionOf(duk_context* ctx);

// Moves the value on the stack top into the stash as the error waiting to be thrown.
void holdError(duk_context* ctx);
// True while a handler's error waits.
bool errorPending(duk_context* ctx);

// Text of the string at `idx` as UTF-8 ("" when it is not a string). Duktape keeps characters beyond
// the basic plane as surrogate pairs; they are joined again here.
std::string readString(duk_context* ctx, duk_idx_t idx);
// Pushes UTF-8 text.
void pushString(duk_context* ctx, std::string_view text);

// Hidden keys (scripts cannot name them, and proxies pass them to their target untrapped).
inline constexpr const char* kHolderKey = DUK_HIDDEN_SYMBOL("verolinObject");
inline constexpr const char* kRefBoxKey = DUK_HIDDEN_SYMBOL("verolinRefBox");
inline constexpr const char* kRefValueKey = DUK_HIDDEN_SYMBOL("verolinRefValue");
inline constexpr const char* kSelfKey = DUK_HIDDEN_SYMBOL("verolinSelf");
inline constexpr const char* kMemberKey = DUK_HIDDEN_SYMBOL("verolinMember");
inline constexpr const char* kKindKey = DUK_HIDDEN_SYMBOL("verolinKind");
inline constexpr const char* kFormKey = DUK_HIDDEN_SYMBOL("verolinForm");
// In the heap stash: the handler error waiting to be thrown.
inline constexpr const char* kPendingErrorKey = "pendingError";
// In the heap stash: the `host` object, where the handlers are kept.
inline constexpr const char* kHostStashKey = "host";

}  // namespace verolin::script
