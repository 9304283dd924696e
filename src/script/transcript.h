// The transcript of a run: every message box, status-strip change, window, property change and HTTP
// exchange as one readable line, in the order a person at the screen would have seen them.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "platform/standin.h"
#include "script/person_host.h"

namespace verolin::script {

// One transcript line for a trace of the stand-in host ("msgbox", "status", "http", ...).
std::string transcriptLine(std::string_view category, std::string_view line);

// Writes the host's traces to `out`, one line each; with a stage, the lines of anyone but the page's
// own control begin with the name the script reaches them by ("colleague msgbox ...").
void writeTranscript(platform::StandInHost& host, std::ostream& out, const Stage* stage = nullptr);

}  // namespace verolin::script
