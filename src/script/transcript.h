// The transcript of a run: every message box, status-strip change, window, property change and HTTP
// exchange as one readable line, in the order a person at the screen would have seen them.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <string_view>

#include "platform/http.h"
#include "platform/standin.h"

namespace verolin::script {

// One transcript line for a trace of the stand-in host ("msgbox", "status", "http", ...).
std::string transcriptLine(std::string_view category, std::string_view line);

// Writes the host's traces to `out`, one line each.
void writeTranscript(platform::StandInHost& host, std::ostream& out);

// A request factory whose requests report each exchange to `host` as one "http" trace when it has
// ended: method, URL and bytes sent, then the status and bytes received, or the failure.
std::unique_ptr<platform::HttpFactory> traceHttp(std::unique_ptr<platform::HttpFactory> inner,
                                                 platform::Host& host);

}  // namespace verolin::script
