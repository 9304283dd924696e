#include "script/native.h"

#include <cstdio>

#include "automation/error.h"
#include "script/session.h"
#include "text/utf8.h"

namespace verolin::script {
namespace {

constexpr int kFailed = -1;
constexpr int kPending = -2;

// Error numbers as a page author looks them up: Basic errors in decimal, HRESULTs in hex.
std::string numberText(std::int32_t number) {
  if (number >= 0) return std::to_string(number);
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(number));
  return buf;
}

void pushFailure(duk_context* ctx) {
  const Session::Failure& f = sessionOf(ctx).failure;
  duk_push_error_object_raw(ctx, DUK_ERR_ERROR, nullptr, 0, "%s", f.message.c_str());
  if (f.automation) {
    duk_push_int(ctx, f.number);
    duk_put_prop_string(ctx, -2, "number");
    pushString(ctx, f.description);
    duk_put_prop_string(ctx, -2, "description");
    pushString(ctx, f.source);
    duk_put_prop_string(ctx, -2, "source");
  }
}

duk_ret_t throwPending(duk_context* ctx) {
  sessionOf(ctx).errorPending = false;
  duk_push_heap_stash(ctx);
  duk_get_prop_string(ctx, -1, kPendingErrorKey);
  duk_del_prop_string(ctx, -2, kPendingErrorKey);
  duk_remove(ctx, -2);
  return duk_throw(ctx);
}

// Joins a surrogate pair that Duktape stores as two three-byte sequences into one UTF-8 character.
std::string joinSurrogates(const char* p, std::size_t n) {
  std::string out;
  out.reserve(n);
  auto unit = [&](std::size_t i) -> unsigned {
    return ((static_cast<unsigned char>(p[i]) & 0x0F) << 12) |
           ((static_cast<unsigned char>(p[i + 1]) & 0x3F) << 6) |
           (static_cast<unsigned char>(p[i + 2]) & 0x3F);
  };
  auto isUnit = [&](std::size_t i, unsigned lo, unsigned hi) {
    if (i + 3 > n || static_cast<unsigned char>(p[i]) != 0xED) return false;
    const unsigned u = unit(i);
    return u >= lo && u <= hi;
  };
  for (std::size_t i = 0; i < n;) {
    if (isUnit(i, 0xD800, 0xDBFF) && isUnit(i + 3, 0xDC00, 0xDFFF)) {
      const char32_t cp = 0x10000 + ((unit(i) - 0xD800) << 10) + (unit(i + 3) - 0xDC00);
      out += text::fromCodePoint(cp);
      i += 6;
    } else {
      out += p[i++];
    }
  }
  return out;
}

}  // namespace

Session& sessionOf(duk_context* ctx) {
  duk_memory_functions funcs;
  duk_get_memory_functions(ctx, &funcs);
  return *static_cast<Session*>(funcs.udata);
}

int runGuarded(duk_context* ctx, NativeBody body) noexcept {
  Session::Failure& f = sessionOf(ctx).failure;
  try {
    return body(ctx);
  } catch (const ScriptAbort&) {
    return kPending;
  } catch (const automation::AutomationError& e) {
    f.automation = true;
    f.number = e.number();
    f.description = e.description().empty() ? automation::standardDescription(e.number()) : e.description();
    f.source = e.source();
    f.message =
        (f.source.empty() || f.description.find(f.source) != std::string::npos ? "" : f.source + ": ") +
        f.description + " (error " + numberText(f.number) + ")";
  } catch (const std::exception& e) {
    f = Session::Failure{};
    f.message = e.what();
  } catch (...) {
    f = Session::Failure{};
    f.message = "unexpected failure in a native function";
  }
  return kFailed;
}

duk_ret_t finishNative(duk_context* ctx, int rc) {
  if (rc == kFailed) {
    pushFailure(ctx);
    return duk_throw(ctx);
  }
  if (rc == kPending || errorPending(ctx)) return throwPending(ctx);
  return rc;
}

void holdError(duk_context* ctx) {
  duk_push_heap_stash(ctx);
  duk_dup(ctx, -2);
  duk_put_prop_string(ctx, -2, kPendingErrorKey);
  duk_pop_2(ctx);
  sessionOf(ctx).errorPending = true;
}

bool errorPending(duk_context* ctx) {
  return sessionOf(ctx).errorPending;
}

std::string readString(duk_context* ctx, duk_idx_t idx) {
  duk_size_t n = 0;
  const char* p = duk_get_lstring(ctx, idx, &n);
  if (!p) return {};
  return joinSurrogates(p, n);
}

void pushString(duk_context* ctx, std::string_view text) {
  duk_push_lstring(ctx, text.data(), text.size());
}

}  // namespace verolin::script
