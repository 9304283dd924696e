// The automation layer: values, errors and late-bound objects.
#pragma once

#include "automation/caller_abort.h"  // CallerAbort: a caller unwinding the control on purpose
#include "automation/date.h"          // DateTime and automation dates
#include "automation/dispatch.h"      // Dispatch, InvokeKind, chained get/put/call
#include "automation/error.h"         // AutomationError and the error numbers
#include "automation/object.h"        // ObjectBase: members declared in a table
#include "automation/variant.h"       // Variant and its conversions
