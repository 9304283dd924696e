// Page scripts: what `verolin run` is made of.
#pragma once

#include "script/engine.h"    // Engine: the script heap, ScriptFailure: an uncaught error with file and line
#include "script/host_api.h"  // the globals `control` and `host`
#include "script/page_run.h"  // runPageScript: a page and its user played against a fresh control
#include "script/play.h"      // playScript: one page on any system, given its world and control
#include "script/transcript.h"  // transcript lines and the HTTP exchange trace
#include "script/values.h"      // Variant <-> script values, object wrappers, by-reference boxes
#include "script/world.h"       // World: machines, clock, cookies and the user's answers around the control
