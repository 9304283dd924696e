#include "script/form_object.h"

#include <string>
#include <vector>

#include "automation/error.h"
#include "script/native.h"
#include "script/values.h"
#include "text/utf8.h"

namespace verolin::script {
namespace {

using automation::AutomationError;

// In the heap stash: the prototype that holds the form object's methods.
constexpr const char* kFormProto = "formProto";

platform::Form& formOf(duk_context* ctx) {
  duk_push_this(ctx);
  void* form = nullptr;
  if (duk_is_object(ctx, -1)) {
    duk_get_prop_string(ctx, -1, kFormKey);
    form = duk_get_pointer(ctx, -1);
    duk_pop(ctx);
  }
  duk_pop(ctx);
  if (!form) {
    throw AutomationError(automation::err::kObjectRequired,
                          "this window is no longer open: use a form only inside host.onForm");
  }
  return *static_cast<platform::Form*>(form);
}

std::string textArg(duk_context* ctx, duk_idx_t idx, const char* what) {
  if (!duk_is_string(ctx, idx)) {
    throw AutomationError(automation::err::kTypeMismatch, std::string("form: ") + what + " must be a string");
  }
  return readString(ctx, idx);
}

int intArg(duk_context* ctx, duk_idx_t idx) {
  return duk_is_number(ctx, idx) ? duk_get_int(ctx, idx) : 0;
}

int formGet(duk_context* ctx) {
  platform::Form& form = formOf(ctx);
  pushVariant(ctx, form.control(textArg(ctx, 0, "the control")).get(textArg(ctx, 1, "the property")));
  return 1;
}

int formSet(duk_context* ctx) {
  platform::Form& form = formOf(ctx);
  form.control(textArg(ctx, 0, "the control"))
      .set(textArg(ctx, 1, "the property"), readVariant(ctx, 2, false));
  return 0;
}

int formClick(duk_context* ctx) {
  formOf(ctx).click(textArg(ctx, 0, "the control"));
  return 0;
}

int formDblClick(duk_context* ctx) {
  formOf(ctx).dblclick(textArg(ctx, 0, "the control"));
  return 0;
}

int formMouse(duk_context* ctx) {
  platform::Form& form = formOf(ctx);
  const std::string control = textArg(ctx, 0, "the control");
  const std::string action = text::toLowerAscii(textArg(ctx, 1, "the mouse action"));
  platform::MouseAction a;
  if (action == "down") {
    a = platform::MouseAction::Down;
  } else if (action == "move") {
    a = platform::MouseAction::Move;
  } else if (action == "up") {
    a = platform::MouseAction::Up;
  } else {
    throw AutomationError(automation::err::kInvalidCall,
                          "form.mouse: the action is \"down\", \"move\" or \"up\"");
  }
  form.mouse(control, a, intArg(ctx, 2), intArg(ctx, 3), duk_get_number_default(ctx, 4, 0),
             duk_get_number_default(ctx, 5, 0));
  return 0;
}

int formKey(duk_context* ctx) {
  formOf(ctx).key(textArg(ctx, 0, "the control"), intArg(ctx, 1), intArg(ctx, 2));
  return 0;
}

int formClose(duk_context* ctx) {
  formOf(ctx).close();
  return 0;
}

int formIsOpen(duk_context* ctx) {
  duk_push_boolean(ctx, formOf(ctx).isOpen());
  return 1;
}

void pushStrings(duk_context* ctx, const std::vector<std::string>& items) {
  duk_push_array(ctx);
  for (std::size_t i = 0; i < items.size(); ++i) {
    pushString(ctx, items[i]);
    duk_put_prop_index(ctx, -2, static_cast<duk_uarridx_t>(i));
  }
}

int formControls(duk_context* ctx) {
  pushStrings(ctx, formOf(ctx).controlNames());
  return 1;
}

int formItems(duk_context* ctx) {
  platform::Form& form = formOf(ctx);
  pushStrings(ctx, form.control(textArg(ctx, 0, "the control")).items());
  return 1;
}

}  // namespace

void installFormObjects(duk_context* ctx) {
  duk_push_heap_stash(ctx);
  duk_push_object(ctx);
  struct Method {
    const char* name;
    duk_c_function fn;
    duk_idx_t nargs;
  };
  const Method methods[] = {
      {"get", native<formGet>, 2},           {"set", native<formSet>, 3},
      {"click", native<formClick>, 1},       {"dblclick", native<formDblClick>, 1},
      {"mouse", native<formMouse>, 6},       {"key", native<formKey>, 3},
      {"close", native<formClose>, 0},       {"isOpen", native<formIsOpen>, 0},
      {"controls", native<formControls>, 0}, {"items", native<formItems>, 1},
  };
  for (const auto& m : methods) {
    duk_push_c_function(ctx, m.fn, m.nargs);
    duk_put_prop_string(ctx, -2, m.name);
  }
  duk_put_prop_string(ctx, -2, kFormProto);
  duk_pop(ctx);
}

void pushForm(duk_context* ctx, platform::Form& form) {
  duk_push_object(ctx);
  duk_push_heap_stash(ctx);
  duk_get_prop_string(ctx, -1, kFormProto);
  duk_set_prototype(ctx, -3);
  duk_pop(ctx);
  duk_push_pointer(ctx, &form);
  duk_put_prop_string(ctx, -2, kFormKey);
  pushString(ctx, form.name());
  duk_put_prop_string(ctx, -2, "name");
  pushString(ctx, form.caption());
  duk_put_prop_string(ctx, -2, "caption");
}

void detachForm(duk_context* ctx, duk_idx_t formIdx) {
  duk_push_pointer(ctx, nullptr);
  duk_put_prop_string(ctx, formIdx, kFormKey);
}

}  // namespace verolin::script
