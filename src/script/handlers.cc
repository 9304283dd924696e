#include "script/handlers.h"

#include <optional>
#include <string>
#include <vector>

#include "automation/error.h"
#include "platform/form.h"
#include "platform/host.h"
#include "script/form_object.h"
#include "script/native.h"
#include "script/session.h"
#include "script/values.h"
#include "text/utf8.h"

namespace verolin::script {
namespace {

using automation::AutomationError;
using automation::Variant;

enum Handler { kMessageBox, kInputBox, kForm, kDialog, kHandlerCount };
constexpr const char* kHandlerNames[kHandlerCount] = {"onMessageBox", "onInputBox", "onForm", "onDialog"};
// Heap stash keys.
constexpr const char* kHostKey = kHostStashKey;

std::string slotKey(int handler) {
  return std::string("\xFF") + kHandlerNames[handler];
}

// Raises `message` as a script error at the handler that caused it.
[[noreturn]] void scriptError(duk_context* ctx, const std::string& message) {
  duk_push_error_object_raw(ctx, DUK_ERR_TYPE_ERROR, nullptr, 0, "%s", message.c_str());
  holdError(ctx);
  throw ScriptAbort{};
}

// One call of a script handler from inside the control; the value stack is as before afterwards.
class HandlerCall {
 public:
  HandlerCall(duk_context* ctx, int handler) : ctx_(ctx), top_(duk_get_top(ctx)) {
    // A handler that already failed ends the control's call; nothing else runs in the meantime.
    if (errorPending(ctx)) throw ScriptAbort{};
    if (!duk_check_stack(ctx, 16)) throw automation::errorOf(automation::err::kOutOfMemory, "page script");
    duk_push_heap_stash(ctx);
    duk_get_prop_string(ctx, -1, kHostKey);
    duk_get_prop_string(ctx, -1, slotKey(handler).c_str());
    duk_remove(ctx, -2);
    duk_remove(ctx, -2);
    function_ = duk_get_top_index(ctx);
    present_ = duk_is_function(ctx, function_);
  }
  ~HandlerCall() { duk_set_top(ctx_, top_); }
  HandlerCall(const HandlerCall&) = delete;
  HandlerCall& operator=(const HandlerCall&) = delete;

  bool present() const { return present_; }

  // Calls the handler with the `nargs` values on the stack top; its result replaces them.
  void call(int nargs) {
    duk_dup(ctx_, function_);
    duk_insert(ctx_, -(nargs + 1));
    if (duk_pcall(ctx_, nargs) != DUK_EXEC_SUCCESS) {
      holdError(ctx_);
      throw ScriptAbort{};
    }
  }

 private:
  duk_context* ctx_;
  duk_idx_t top_;
  duk_idx_t function_ = 0;
  bool present_ = false;
};

// Answers of a message box by the low four bits of its style: the first button, and the other one.
int firstButton(int style) {
  switch (style & 0xF) {
    case 2:
      return 3;  // Abort
    case 3:
    case platform::mb::kYesNo:
      return platform::mb::kAnswerYes;
    case 5:
      return 4;  // Retry
    default:
      return platform::mb::kAnswerOk;
  }
}

int declineButton(int style) {
  switch (style & 0xF) {
    case 2:
      return 3;
    case 3:
    case platform::mb::kYesNo:
      return platform::mb::kAnswerNo;
    case 0:
      return platform::mb::kAnswerOk;
    default:
      return platform::mb::kAnswerCancel;
  }
}

int messageBoxAnswer(duk_context* ctx, int style) {
  switch (duk_get_type(ctx, -1)) {
    case DUK_TYPE_UNDEFINED:
    case DUK_TYPE_NULL:
      return firstButton(style);
    case DUK_TYPE_BOOLEAN:
      return duk_get_boolean(ctx, -1) ? firstButton(style) : declineButton(style);
    case DUK_TYPE_NUMBER:
      return duk_get_int(ctx, -1);
    case DUK_TYPE_STRING: {
      const std::string word = text::toLowerAscii(readString(ctx, -1));
      const char* names[] = {"ok", "cancel", "abort", "retry", "ignore", "yes", "no"};
      for (int i = 0; i < 7; ++i) {
        if (word == names[i]) return i + 1;
      }
      break;
    }
    default:
      break;
  }
  scriptError(
      ctx, "host.onMessageBox must return a button (\"ok\", \"cancel\", \"yes\", \"no\", ... or its number)");
}

int askMessageBox(duk_context* ctx, const std::string& text, int style, const std::string& caption) {
  HandlerCall call(ctx, kMessageBox);
  if (!call.present()) return firstButton(style);
  pushString(ctx, text);
  duk_push_int(ctx, style);
  pushString(ctx, caption);
  call.call(3);
  return messageBoxAnswer(ctx, style);
}

std::optional<std::string> askInputBox(duk_context* ctx, const std::string& prompt, const std::string& title,
                                       const std::string& defaultText) {
  HandlerCall call(ctx, kInputBox);
  if (!call.present()) return std::nullopt;
  pushString(ctx, prompt);
  pushString(ctx, title);
  pushString(ctx, defaultText);
  call.call(3);
  if (duk_is_null_or_undefined(ctx, -1)) return std::nullopt;
  if (!duk_is_string(ctx, -1)) duk_safe_to_string(ctx, -1);
  return readString(ctx, -1);
}

void showForm(duk_context* ctx, platform::Form& form) {
  HandlerCall call(ctx, kForm);
  if (!call.present()) return;
  pushForm(ctx, form);
  const duk_idx_t formIdx = duk_get_top_index(ctx);
  // Once the window is gone, a form object the script kept refuses to act.
  duk_dup(ctx, formIdx);
  try {
    call.call(1);
  } catch (...) {
    detachForm(ctx, formIdx);
    throw;
  }
  detachForm(ctx, formIdx);
}

// --- the dialog object handed to host.onDialog ---

struct FieldNames {
  const char* const* names;
  std::size_t count;
};

// [dialog] -> [array of the values of dialog.fields[name]]; protected, as the script may have put anything
// there.
duk_ret_t readFields(duk_context* ctx, void* udata) {
  const auto* f = static_cast<const FieldNames*>(udata);
  // A protected call runs in its caller's frame: the argument is the top value, not index 0.
  const duk_idx_t dialog = duk_get_top_index(ctx);
  duk_push_array(ctx);
  duk_get_prop_string(ctx, dialog, "fields");
  if (!duk_is_object(ctx, -1)) {
    duk_pop(ctx);
    return 1;
  }
  for (std::size_t i = 0; i < f->count; ++i) {
    duk_get_prop_string(ctx, -1, f->names[i]);
    duk_put_prop_index(ctx, -3, static_cast<duk_uarridx_t>(i));
  }
  duk_pop(ctx);
  return 1;
}

bool dialogConfirmed(duk_context* ctx) {
  if (duk_is_boolean(ctx, -1)) return duk_get_boolean(ctx, -1);
  if (duk_is_number(ctx, -1)) return duk_get_int(ctx, -1) == -1 || duk_get_int(ctx, -1) == 1;
  if (duk_is_string(ctx, -1)) return text::toLowerAscii(readString(ctx, -1)) == "ok";
  return false;
}

int showDialog(duk_context* ctx, platform::DialogRequest& request) {
  HandlerCall call(ctx, kDialog);
  if (!call.present()) return 0;
  duk_push_object(ctx);
  const duk_idx_t dialogIdx = duk_get_top_index(ctx);
  duk_push_int(ctx, request.id);
  duk_put_prop_string(ctx, dialogIdx, "id");
  pushString(ctx, request.caption);
  duk_put_prop_string(ctx, dialogIdx, "caption");
  duk_push_boolean(ctx, request.execute);
  duk_put_prop_string(ctx, dialogIdx, "execute");
  duk_push_object(ctx);
  std::vector<std::string> keys;
  for (const auto& [name, value] : request.fields) {
    pushVariant(ctx, value);
    duk_put_prop_string(ctx, -2, name.c_str());
    keys.push_back(name);
  }
  duk_put_prop_string(ctx, dialogIdx, "fields");
  duk_dup(ctx, dialogIdx);
  call.call(1);
  const int answer = dialogConfirmed(ctx) ? -1 : 0;

  std::vector<const char*> names;
  for (const auto& k : keys) names.push_back(k.c_str());
  FieldNames fieldNames{names.data(), names.size()};
  duk_dup(ctx, dialogIdx);
  if (duk_safe_call(ctx, readFields, &fieldNames, 1, 1) != DUK_EXEC_SUCCESS) {
    holdError(ctx);
    throw ScriptAbort{};
  }
  for (std::size_t i = 0; i < keys.size(); ++i) {
    duk_get_prop_index(ctx, -1, static_cast<duk_uarridx_t>(i));
    if (!duk_is_undefined(ctx, -1)) {
      try {
        request.fields[keys[i]] = readVariant(ctx, -1, false);
      } catch (const AutomationError& e) {
        scriptError(ctx, "host.onDialog: field " + keys[i] + ": " + e.description());
      }
    }
    duk_pop(ctx);
  }
  return answer;
}

// --- the handler properties ---

void connect(Session& s, int handler, bool on) {
  duk_context* ctx = s.ctx;
  UserAnswers& answers = s.answers;
  switch (handler) {
    case kMessageBox:
      answers.messageBox = nullptr;
      if (on) {
        answers.messageBox = [ctx](const std::string& t, int style, const std::string& c) {
          return askMessageBox(ctx, t, style, c);
        };
      }
      break;
    case kInputBox:
      answers.inputBox = nullptr;
      if (on) {
        answers.inputBox = [ctx](const std::string& p, const std::string& t, const std::string& d) {
          return askInputBox(ctx, p, t, d);
        };
      }
      break;
    case kForm:
      answers.form = nullptr;
      if (on) answers.form = [ctx](platform::Form& f) { showForm(ctx, f); };
      break;
    case kDialog:
      answers.dialog = nullptr;
      if (on) answers.dialog = [ctx](platform::DialogRequest& r) { return showDialog(ctx, r); };
      break;
  }
  s.world.answerWith(answers);
}

int handlerGet(duk_context* ctx) {
  const int handler = duk_get_current_magic(ctx);
  duk_push_heap_stash(ctx);
  duk_get_prop_string(ctx, -1, kHostKey);
  duk_get_prop_string(ctx, -1, slotKey(handler).c_str());
  return 1;
}

int handlerSet(duk_context* ctx) {
  const int handler = duk_get_current_magic(ctx);
  const bool on = duk_is_function(ctx, 0);
  if (!on && !duk_is_null_or_undefined(ctx, 0)) {
    throw AutomationError(automation::err::kTypeMismatch,
                          std::string("host.") + kHandlerNames[handler] + " takes a function or null");
  }
  duk_push_heap_stash(ctx);
  duk_get_prop_string(ctx, -1, kHostKey);
  duk_dup(ctx, 0);
  duk_put_prop_string(ctx, -2, slotKey(handler).c_str());
  duk_pop_2(ctx);
  connect(sessionOf(ctx), handler, on);
  return 0;
}

}  // namespace

void installHandlers(duk_context* ctx, duk_idx_t hostIdx) {
  hostIdx = duk_normalize_index(ctx, hostIdx);
  installFormObjects(ctx);
  for (int h = 0; h < kHandlerCount; ++h) {
    pushString(ctx, kHandlerNames[h]);
    duk_push_c_function(ctx, native<handlerGet>, 0);
    duk_set_magic(ctx, -1, h);
    duk_push_c_function(ctx, native<handlerSet>, 1);
    duk_set_magic(ctx, -1, h);
    duk_def_prop(ctx, hostIdx,
                 DUK_DEFPROP_HAVE_GETTER | DUK_DEFPROP_HAVE_SETTER | DUK_DEFPROP_SET_ENUMERABLE);
  }
}

void detachHandlers(Session& session) {
  for (int h = 0; h < kHandlerCount; ++h) connect(session, h, false);
}

}  // namespace verolin::script
