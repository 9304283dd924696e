// The transcript of a run: every message box, status-strip change, window, property change and HTTP
// exchange as one readable line, in the order a person at the screen would have seen them.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <string_view>

#include "platform/http.h"
#include "platform/standin.h"
#include "script/person_host.h"

namespace verolin::script {

// One transcript line for a trace of the stand-in host ("msgbox", "status", "http", ...).
std::string transcriptLine(std::string_view category, std::string_view line);

// Writes the host's traces to `out`, one line each; with a stage, the lines of anyone but the page's
// own control begin with the name the script reaches them by ("colleague msgbox ...").
void writeTranscript(platform::StandInHost& host, std::ostream& out, const Stage* stage = nullptr);

// A request factory whose requests report each exchange to `host` as one "http" trace when it has
// ended: method, URL and bytes sent, then the status and bytes received, or the failure.
std::unique_ptr<platform::HttpFactory> traceHttp(std::unique_ptr<platform::HttpFactory> inner,
                                                 platform::Host& host);
// The same over a factory that others use too; `shared` must outlive the result.
std::unique_ptr<platform::HttpFactory> traceHttp(platform::HttpFactory& shared, platform::Host& host);

}  // namespace verolin::script
