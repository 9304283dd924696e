// The form object that host.onForm receives: one of the control's modal windows as the user reaches
// it (its controls' properties, clicks, mouse, keys, the close box). It acts only while the window is
// open; afterwards it refuses with an error.
#pragma once

#include <duktape.h>

#include "platform/form.h"

namespace verolin::script {

// Installs the methods every form object shares; once per heap.
void installFormObjects(duk_context* ctx);

// Pushes a form object for `form`, and cuts it off from the window once that is gone.
void pushForm(duk_context* ctx, platform::Form& form);
void detachForm(duk_context* ctx, duk_idx_t formIdx);

}  // namespace verolin::script
