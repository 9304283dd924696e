// Automation values in page scripts: a Variant becomes a script value and back, an automation object
// becomes a wrapper whose members are reached by name, and a by-reference box carries a value that
// the control may change.
#pragma once

#include <duktape.h>

#include "automation/variant.h"

namespace verolin::script {

// Installs what the wrappers and boxes share; once per heap, before any other call here.
void installValues(duk_context* ctx);

// Pushes `v`: Empty and an omitted argument as undefined, Null as null, numbers, Booleans and strings
// as such, a date as "YYYY-MM-DD hh:mm:ss", bytes as a Uint8Array, an object as a wrapper (Nothing as null).
void pushVariant(duk_context* ctx, const automation::Variant& v);

// The value at `idx` as a Variant; undefined reads as an omitted argument when `undefinedIsMissing`,
// as Empty otherwise. Throws AutomationError(13) for script objects automation cannot carry.
automation::Variant readVariant(duk_context* ctx, duk_idx_t idx, bool undefinedIsMissing);

// Pushes a wrapper: reading a property gets it, reading a method gives a function that calls it,
// assigning puts it, and calling the wrapper calls the object's default member (`Windows(1)`).
// Member names are matched as the object matches them (case-insensitively).
void pushObject(duk_context* ctx, automation::ObjectRef object);

// A by-reference box: { value } as `host.ref(value)` makes it.
void pushRefBox(duk_context* ctx, duk_idx_t valueIdx);
bool isRefBox(duk_context* ctx, duk_idx_t idx);
// The box's value, and storing into it.
automation::Variant refBoxValue(duk_context* ctx, duk_idx_t boxIdx);
void setRefBoxValue(duk_context* ctx, duk_idx_t boxIdx, const automation::Variant& v);

}  // namespace verolin::script
