// The red header of an official request: a red title, a centred red document number and a red rule,
// typed at the selection with placeholders the user overwrites.
#pragma once

#include "control/control.h"

namespace verolin::commands {

// Writes one header; the first step the word processor refuses ends it with its error, and the steps
// before it stay done.
void makeRedHeard(control::Control& c);

}  // namespace verolin::commands
