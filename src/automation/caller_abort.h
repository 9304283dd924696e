// CallerAbort: the one exception besides AutomationError that may leave a member.
#pragma once

namespace verolin::automation {

// Thrown by the caller's own code running inside a call (a page script's handler that failed) to unwind
// the whole call back to that caller. Not a fault of any member: every member lets it pass unchanged,
// and it is deliberately not a std::exception, so that no `catch (const std::exception&)` stops it.
struct CallerAbort {};

}  // namespace verolin::automation
