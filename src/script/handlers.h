// The user, played by the script: host.onMessageBox, host.onInputBox, host.onForm and host.onDialog.
// Setting one connects it to the world's host; without one the host answers as its defaults say
// (message boxes OK, input boxes Cancel, windows and dialogs closed).
#pragma once

#include <duktape.h>

namespace verolin::script {

class Session;

// Defines the four handler properties on the host object at `hostIdx`; the host object must already
// be in the heap stash under "host".
void installHandlers(duk_context* ctx, duk_idx_t hostIdx);

// Disconnects every handler from the world's host (before the heap goes).
void detachHandlers(Session& session);

}  // namespace verolin::script
