#include "com/trace_sink.h"

#include <windows.h>

#include <string>

namespace verolin::com {

void traceToProgram(std::string_view category, std::string_view line) noexcept {
  static const auto sink = reinterpret_cast<TraceFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(nullptr), kTraceExport)));
  if (!sink) return;
  try {
    sink(std::string(category).c_str(), std::string(line).c_str());
  } catch (...) {
  }
}

}  // namespace verolin::com
