// The transcript of a page run reaches across modules: `verolin.exe run` exports kTraceExport, and the
// control's and the word processor's hosts, loaded into the same process, hand it their trace lines.
// In a browser no module exports it, and tracing costs nothing.
#pragma once

#include <string_view>

namespace verolin::com {

// The export's name and signature: category and line, both UTF-8 and NUL-terminated.
inline constexpr const char* kTraceExport = "VerolinTrace";
using TraceFunction = void (*)(const char* category, const char* line);

// Hands one line to the program's transcript when the program keeps one. Never fails.
void traceToProgram(std::string_view category, std::string_view line) noexcept;

}  // namespace verolin::com
