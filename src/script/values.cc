#include "script/values.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "automation/dispatch.h"
#include "automation/error.h"
#include "script/native.h"

namespace verolin::script {
namespace {

using automation::AutomationError;
using automation::InvokeKind;
using automation::MemberKind;
using automation::ObjectRef;
using automation::Variant;
using automation::VarType;

// Heap stash keys.
constexpr const char* kWrapperHandler = "wrapperHandler";
constexpr const char* kRefGetter = "refGetter";
constexpr const char* kRefSetter = "refSetter";

// Names the engine itself looks up on any object (conversions, printing, JSON); a wrapper whose object
// has no such member answers them as an empty slot instead of an error.
bool engineName(const std::string& name) {
  for (const char* n : {"valueOf", "toJSON", "then", "inspect", "constructor", "prototype", "length", "name",
                        "call", "apply", "bind", "caller", "arguments", "__proto__"}) {
    if (name == n) return true;
  }
  return false;
}

// The object behind the wrapper (or wrapper target) at `idx`; null when it is none.
ObjectRef objectAt(duk_context* ctx, duk_idx_t idx) {
  idx = duk_normalize_index(ctx, idx);
  if (!duk_is_object(ctx, idx)) return nullptr;
  duk_get_prop_string(ctx, idx, kHolderKey);
  auto* holder = static_cast<ObjectRef*>(duk_get_pointer(ctx, -1));
  duk_pop(ctx);
  return holder ? *holder : nullptr;
}

duk_ret_t finalizeHolder(duk_context* ctx) {
  duk_get_prop_string(ctx, 0, kHolderKey);
  auto* holder = static_cast<ObjectRef*>(duk_get_pointer(ctx, -1));
  duk_pop(ctx);
  if (!holder) return 0;
  // Cleared first: a finalizer may run again on an object that came back to life.
  duk_push_pointer(ctx, nullptr);
  duk_put_prop_string(ctx, 0, kHolderKey);
  try {
    delete holder;
  } catch (...) {
    // Releasing an object never fails the script.
  }
  return 0;
}

// Calls `member` of `object` with the script arguments 0..argc-1. Boxes pass by reference, and what
// the callee stored in them is written back even when the call fails.
int invokeWithArguments(duk_context* ctx, const ObjectRef& object, const std::string& member, InvokeKind kind,
                        duk_idx_t argc) {
  std::vector<Variant> boxed(static_cast<std::size_t>(argc));
  std::vector<Variant> args;
  args.reserve(boxed.size());
  for (duk_idx_t i = 0; i < argc; ++i) {
    if (isRefBox(ctx, i)) {
      boxed[i] = refBoxValue(ctx, i);
      args.push_back(Variant::ref(boxed[i]));
    } else {
      args.push_back(readVariant(ctx, i, true));
    }
  }
  auto writeBack = [&] {
    for (duk_idx_t i = 0; i < argc; ++i) {
      if (isRefBox(ctx, i)) setRefBoxValue(ctx, i, boxed[i]);
    }
  };
  Variant result;
  try {
    result = object->invoke(member, kind, args, {});
  } catch (...) {
    writeBack();
    throw;
  }
  writeBack();
  pushVariant(ctx, result);
  return 1;
}

// A member function: [self = wrapper target, member name, invoke kind].
int callMember(duk_context* ctx) {
  const duk_idx_t argc = duk_get_top(ctx);
  duk_push_current_function(ctx);
  duk_get_prop_string(ctx, -1, kSelfKey);
  const ObjectRef object = objectAt(ctx, -1);
  duk_get_prop_string(ctx, -2, kMemberKey);
  const std::string member = readString(ctx, -1);
  duk_get_prop_string(ctx, -3, kKindKey);
  const auto kind = static_cast<InvokeKind>(duk_get_int(ctx, -1));
  duk_pop_n(ctx, 4);
  if (!object) throw automation::errorOf(automation::err::kObjectRequired, member);
  return invokeWithArguments(ctx, object, member, kind, argc);
}

// Calling the wrapper itself calls the default member.
int callDefault(duk_context* ctx) {
  const duk_idx_t argc = duk_get_top(ctx);
  duk_push_current_function(ctx);
  const ObjectRef object = objectAt(ctx, -1);
  duk_pop(ctx);
  if (!object) throw automation::errorOf(automation::err::kObjectRequired);
  return invokeWithArguments(ctx, object, "", InvokeKind::Method, argc);
}

int wrapperToString(duk_context* ctx) {
  duk_push_current_function(ctx);
  duk_get_prop_string(ctx, -1, kSelfKey);
  const ObjectRef object = objectAt(ctx, -1);
  duk_pop_2(ctx);
  pushString(ctx, "[object " + (object ? object->typeName() : std::string("Nothing")) + "]");
  return 1;
}

// Pushes a function bound to the wrapper target at `targetIdx` and one of its members.
void pushMember(duk_context* ctx, duk_idx_t targetIdx, const std::string& member, InvokeKind kind) {
  targetIdx = duk_normalize_index(ctx, targetIdx);
  pushNative<callMember>(ctx, DUK_VARARGS);
  duk_dup(ctx, targetIdx);
  duk_put_prop_string(ctx, -2, kSelfKey);
  pushString(ctx, member);
  duk_put_prop_string(ctx, -2, kMemberKey);
  duk_push_int(ctx, static_cast<int>(kind));
  duk_put_prop_string(ctx, -2, kKindKey);
}

// Trap get(target, key, receiver).
int getTrap(duk_context* ctx) {
  const ObjectRef object = objectAt(ctx, 0);
  if (!object || !duk_is_string(ctx, 1) || duk_is_symbol(ctx, 1)) {
    duk_push_undefined(ctx);
    return 1;
  }
  const std::string name = readString(ctx, 1);
  switch (object->memberKind(name)) {
    case MemberKind::None:
      if (name == "toString") {
        pushNative<wrapperToString>(ctx, 0);
        duk_dup(ctx, 0);
        duk_put_prop_string(ctx, -2, kSelfKey);
        return 1;
      }
      if (engineName(name)) {
        duk_push_undefined(ctx);
        return 1;
      }
      throw automation::errorOf(automation::err::kMemberNotFound, object->typeName() + "." + name);
    case MemberKind::Method:
      pushMember(ctx, 0, name, InvokeKind::Method);
      return 1;
    case MemberKind::IndexedProperty:
      pushMember(ctx, 0, name, InvokeKind::PropertyGet);
      return 1;
    case MemberKind::Property:
      pushVariant(ctx, object->invoke(name, InvokeKind::PropertyGet, {}, {}));
      return 1;
    case MemberKind::Unknown:
      break;
  }
  // The object cannot tell a property from a method: read it, and hand out a function when the member
  // wants arguments.
  bool wantsArguments = false;
  Variant value;
  try {
    value = object->invoke(name, InvokeKind::PropertyGet, {}, {});
  } catch (const AutomationError& e) {
    if (e.number() != automation::err::kArgNotOptional && e.number() != automation::err::kWrongArgCount)
      throw;
    wantsArguments = true;
  }
  if (wantsArguments) {
    pushMember(ctx, 0, name, InvokeKind::Method);
  } else {
    pushVariant(ctx, value);
  }
  return 1;
}

// Trap set(target, key, value, receiver).
int setTrap(duk_context* ctx) {
  const ObjectRef object = objectAt(ctx, 0);
  if (!object || !duk_is_string(ctx, 1) || duk_is_symbol(ctx, 1))
    throw automation::errorOf(automation::err::kMemberNotFound);
  const std::string name = readString(ctx, 1);
  Variant value = readVariant(ctx, 2, false);
  object->invoke(name, InvokeKind::PropertyPut, std::span<Variant>(&value, 1), {});
  duk_push_true(ctx);
  return 1;
}

// Trap has(target, key): `"OpenWord" in control`.
int hasTrap(duk_context* ctx) {
  const ObjectRef object = objectAt(ctx, 0);
  duk_push_boolean(ctx, object && duk_is_string(ctx, 1) && !duk_is_symbol(ctx, 1) &&
                            object->hasMember(readString(ctx, 1)));
  return 1;
}

int refGetter(duk_context* ctx) {
  duk_push_this(ctx);
  if (duk_is_object(ctx, -1)) {
    duk_get_prop_string(ctx, -1, kRefValueKey);
  } else {
    duk_push_undefined(ctx);
  }
  return 1;
}

int refSetter(duk_context* ctx) {
  duk_push_this(ctx);
  if (duk_is_object(ctx, -1)) {
    duk_dup(ctx, 0);
    duk_put_prop_string(ctx, -2, kRefValueKey);
  }
  return 0;
}

bool isIntegral(double d) {
  return std::trunc(d) == d && d >= std::numeric_limits<std::int32_t>::min() &&
         d <= std::numeric_limits<std::int32_t>::max() && !(d == 0 && std::signbit(d));
}

automation::Bytes bufferBytes(duk_context* ctx, duk_idx_t idx) {
  duk_size_t n = 0;
  const auto* p = static_cast<const std::uint8_t*>(duk_get_buffer_data(ctx, idx, &n));
  if (!p || n == 0) return {};
  return automation::Bytes(p, p + n);
}

}  // namespace

void installValues(duk_context* ctx) {
  duk_push_heap_stash(ctx);
  duk_push_object(ctx);
  pushNative<getTrap>(ctx, 3);
  duk_put_prop_string(ctx, -2, "get");
  pushNative<setTrap>(ctx, 4);
  duk_put_prop_string(ctx, -2, "set");
  pushNative<hasTrap>(ctx, 2);
  duk_put_prop_string(ctx, -2, "has");
  duk_put_prop_string(ctx, -2, kWrapperHandler);
  pushNative<refGetter>(ctx, 0);
  duk_put_prop_string(ctx, -2, kRefGetter);
  pushNative<refSetter>(ctx, 1);
  duk_put_prop_string(ctx, -2, kRefSetter);
  duk_pop(ctx);
}

void pushObject(duk_context* ctx, ObjectRef object) {
  if (!object) {
    duk_push_null(ctx);
    return;
  }
  pushNative<callDefault>(ctx, DUK_VARARGS);
  duk_push_pointer(ctx, new ObjectRef(std::move(object)));
  duk_put_prop_string(ctx, -2, kHolderKey);
  duk_push_c_function(ctx, finalizeHolder, 2);
  duk_set_finalizer(ctx, -2);
  duk_push_heap_stash(ctx);
  duk_get_prop_string(ctx, -1, kWrapperHandler);
  duk_remove(ctx, -2);
  duk_push_proxy(ctx, 0);
}

void pushVariant(duk_context* ctx, const Variant& v) {
  switch (v.type()) {
    case VarType::Empty:
    case VarType::Error:
      duk_push_undefined(ctx);
      return;
    case VarType::Null:
      duk_push_null(ctx);
      return;
    case VarType::Bool:
      duk_push_boolean(ctx, v.toBool());
      return;
    case VarType::I2:
    case VarType::I4:
    case VarType::R4:
    case VarType::R8:
      duk_push_number(ctx, v.toDouble());
      return;
    case VarType::String:
      pushString(ctx, v.toString());
      return;
    case VarType::Date:
      pushString(ctx, automation::formatIso(v.toDate()));
      return;
    case VarType::Bytes: {
      const automation::Bytes bytes = v.toBytes();
      void* p = duk_push_fixed_buffer(ctx, bytes.size());
      if (!bytes.empty()) std::memcpy(p, bytes.data(), bytes.size());
      duk_push_buffer_object(ctx, -1, 0, bytes.size(), DUK_BUFOBJ_UINT8ARRAY);
      duk_remove(ctx, -2);
      return;
    }
    case VarType::Object: {
      ObjectRef object;
      try {
        object = v.toObject();
      } catch (const AutomationError&) {
        // Nothing.
      }
      pushObject(ctx, std::move(object));
      return;
    }
  }
  duk_push_undefined(ctx);
}

Variant readVariant(duk_context* ctx, duk_idx_t idx, bool undefinedIsMissing) {
  idx = duk_normalize_index(ctx, idx);
  switch (duk_get_type(ctx, idx)) {
    case DUK_TYPE_NONE:
    case DUK_TYPE_UNDEFINED:
      return undefinedIsMissing ? Variant::missing() : Variant();
    case DUK_TYPE_NULL:
      return Variant::null();
    case DUK_TYPE_BOOLEAN:
      return Variant(duk_get_boolean(ctx, idx) != 0);
    case DUK_TYPE_NUMBER: {
      const double d = duk_get_number(ctx, idx);
      if (isIntegral(d)) return Variant(static_cast<std::int32_t>(d));
      return Variant(d);
    }
    case DUK_TYPE_STRING:
      if (!duk_is_symbol(ctx, idx)) return Variant(readString(ctx, idx));
      break;
    case DUK_TYPE_BUFFER:
      return Variant(bufferBytes(ctx, idx));
    case DUK_TYPE_OBJECT:
      if (ObjectRef object = objectAt(ctx, idx)) return Variant(std::move(object));
      if (isRefBox(ctx, idx)) return refBoxValue(ctx, idx);
      if (duk_is_buffer_data(ctx, idx)) return Variant(bufferBytes(ctx, idx));
      break;
    default:
      break;
  }
  throw AutomationError(automation::err::kTypeMismatch,
                        "this script value cannot be passed to the control (use a string, number, Boolean, "
                        "null, an object of the control, a host.ref box or a Uint8Array)");
}

void pushRefBox(duk_context* ctx, duk_idx_t valueIdx) {
  valueIdx = duk_normalize_index(ctx, valueIdx);
  duk_push_object(ctx);
  duk_push_true(ctx);
  duk_put_prop_string(ctx, -2, kRefBoxKey);
  duk_dup(ctx, valueIdx);
  duk_put_prop_string(ctx, -2, kRefValueKey);
  pushString(ctx, "value");
  duk_push_heap_stash(ctx);
  duk_get_prop_string(ctx, -1, kRefGetter);
  duk_get_prop_string(ctx, -2, kRefSetter);
  duk_remove(ctx, -3);
  duk_def_prop(ctx, -4, DUK_DEFPROP_HAVE_GETTER | DUK_DEFPROP_HAVE_SETTER | DUK_DEFPROP_SET_ENUMERABLE);
}

bool isRefBox(duk_context* ctx, duk_idx_t idx) {
  idx = duk_normalize_index(ctx, idx);
  if (!duk_is_object(ctx, idx)) return false;
  duk_get_prop_string(ctx, idx, kRefBoxKey);
  const bool box = duk_get_boolean(ctx, -1) != 0;
  duk_pop(ctx);
  return box;
}

Variant refBoxValue(duk_context* ctx, duk_idx_t boxIdx) {
  boxIdx = duk_normalize_index(ctx, boxIdx);
  duk_get_prop_string(ctx, boxIdx, kRefValueKey);
  // A box inside a box would only hide a value; it reads as its own value.
  if (isRefBox(ctx, -1)) {
    duk_pop(ctx);
    return Variant();
  }
  Variant v;
  try {
    v = readVariant(ctx, -1, false);
  } catch (...) {
    duk_pop(ctx);
    throw;
  }
  duk_pop(ctx);
  return v;
}

void setRefBoxValue(duk_context* ctx, duk_idx_t boxIdx, const Variant& v) {
  boxIdx = duk_normalize_index(ctx, boxIdx);
  pushVariant(ctx, v);
  duk_put_prop_string(ctx, boxIdx, kRefValueKey);
}

}  // namespace verolin::script
