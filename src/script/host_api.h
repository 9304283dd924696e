// The globals of a page script: `control`, the control as its page sees it, and `host`, the browser and
// the machine around it (by-reference boxes, the user's handlers, the word processor, arguments, local
// files, clock, clipboard and standard output, and the colleague with a control of their own).
#pragma once

#include <duktape.h>

#include <string>
#include <vector>

#include "automation/variant.h"

namespace verolin::script {

// Defines the global `host`, with `args` as host.args.
void installHost(duk_context* ctx, const std::vector<std::string>& args);

// Defines the global `control` over `control`.
void installControl(duk_context* ctx, automation::ObjectRef control);

}  // namespace verolin::script
