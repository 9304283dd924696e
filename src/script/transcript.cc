#include "script/transcript.h"

namespace verolin::script {
namespace {

const char* buttonName(std::string_view answer) {
  static const char* const names[] = {"OK", "Cancel", "Abort", "Retry", "Ignore", "Yes", "No"};
  if (answer.size() == 1 && answer[0] >= '1' && answer[0] <= '7') return names[answer[0] - '1'];
  return nullptr;
}

// "caption|style|text -> answer" as "[caption] text (style N) -> Button".
std::string messageBoxLine(std::string_view line) {
  const auto bar1 = line.find('|');
  const auto bar2 = bar1 == std::string_view::npos ? bar1 : line.find('|', bar1 + 1);
  const auto arrow = line.rfind(" -> ");
  if (bar2 == std::string_view::npos || arrow == std::string_view::npos || arrow < bar2)
    return std::string(line);
  const std::string_view caption = line.substr(0, bar1);
  const std::string_view style = line.substr(bar1 + 1, bar2 - bar1 - 1);
  const std::string_view text = line.substr(bar2 + 1, arrow - bar2 - 1);
  const std::string_view answer = line.substr(arrow + 4);
  const char* button = buttonName(answer);
  std::string out =
      "[" + std::string(caption) + "] " + std::string(text) + " (style " + std::string(style) + ") -> ";
  out += button ? std::string(button) : std::string(answer);
  return out;
}

}  // namespace

std::string transcriptLine(std::string_view category, std::string_view line) {
  std::string out(category);
  if (out.size() < 9)
    out.resize(9, ' ');
  else
    out += ' ';
  if (category == "msgbox") {
    out += messageBoxLine(line);
  } else if (category == "property") {
    out += std::string(line) + " changed";
  } else {
    out += line;
  }
  return out;
}

void writeTranscript(platform::StandInHost& host, std::ostream& out, const Stage* stage) {
  host.onTrace = [&out, stage](std::string_view category, std::string_view line) {
    if (stage && stage->acting != kControlName) out << stage->acting << ' ';
    out << transcriptLine(category, line) << '\n';
    out.flush();
  };
}

}  // namespace verolin::script
