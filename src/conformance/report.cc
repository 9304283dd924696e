// The report as text lines for a person and as one JSON object for a pipeline.
#include <cstdio>

#include "conformance/conformance.h"

namespace verolin::conformance {
namespace {

const char* word(Outcome o) {
  switch (o) {
    case Outcome::Pass:
      return "pass";
    case Outcome::Fail:
      return "FAIL";
    case Outcome::Skip:
      return "skip";
  }
  return "?";
}

std::string exchangeLine(const ExchangeRecord& r) {
  std::string line = r.method + " " + r.url + " -> ";
  if (!r.completed)
    return line + "no answer after " + std::to_string(r.milliseconds) + " ms (" + r.error + ")";
  line += std::to_string(r.status) + ", " + std::to_string(r.bodyBytes) + " bytes";
  if (!r.preview.empty()) line += ": " + r.preview;
  return line;
}

std::string summary(const Report& report) {
  const int passed = report.count(Outcome::Pass);
  const int failed = report.count(Outcome::Fail);
  const int skipped = report.count(Outcome::Skip);
  const std::string skips = skipped ? " (" + std::to_string(skipped) + " skipped)" : "";
  if (failed == 0) return "all " + std::to_string(passed) + " checks passed" + skips;
  return std::to_string(failed) + " of " + std::to_string(passed + failed) + " checks failed" + skips;
}

std::string quoted(const std::string& s) {
  std::string out = "\"";
  for (const char ch : s) {
    const auto u = static_cast<unsigned char>(ch);
    if (ch == '"' || ch == '\\') {
      out += '\\';
      out += ch;
    } else if (u < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", u);
      out += escape;
    } else {
      out += ch;
    }
  }
  return out + "\"";
}

std::string stringArray(const std::vector<std::string>& items) {
  std::string out = "[";
  for (std::size_t i = 0; i < items.size(); ++i) out += (i ? "," : "") + quoted(items[i]);
  return out + "]";
}

}  // namespace

std::string FormatText(const Report& report) {
  std::string out = "conformance of " + report.pageUrl + " (wire code page " + report.codePage + ")\n";
  for (const auto& c : report.checks) {
    out += std::string(word(c.outcome)) + "  " + c.id + ": " + c.title;
    if (!c.note.empty()) out += (c.outcome == Outcome::Skip ? " - " : ": ") + c.note;
    out += '\n';
    if (c.outcome != Outcome::Fail) continue;
    out += "      expected: " + c.expected + "\n";
    out += "      got:      " + c.got + "\n";
    for (const auto& e : c.exchanges) out += "      exchange: " + exchangeLine(e) + "\n";
  }
  if (!report.removed.empty()) {
    out += "removed again:\n";
    for (const auto& name : report.removed) out += "  " + name + "\n";
  }
  if (!report.left.empty()) {
    out += "left on the page (the control's requests cannot remove them; see --remove-type):\n";
    for (const auto& name : report.left) out += "  " + name + "\n";
  }
  return out + summary(report) + "\n";
}

std::string FormatJson(const Report& report) {
  std::string out = "{";
  out += "\"page\":" + quoted(report.pageUrl);
  out += ",\"codePage\":" + quoted(report.codePage);
  out += ",\"passed\":" + std::string(report.passed() ? "true" : "false");
  out += ",\"counts\":{\"pass\":" + std::to_string(report.count(Outcome::Pass)) +
         ",\"fail\":" + std::to_string(report.count(Outcome::Fail)) +
         ",\"skip\":" + std::to_string(report.count(Outcome::Skip)) + "}";
  out += ",\"checks\":[";
  for (std::size_t i = 0; i < report.checks.size(); ++i) {
    const auto& c = report.checks[i];
    out += i ? "," : "";
    out += "{\"id\":" + quoted(c.id) + ",\"title\":" + quoted(c.title) + ",\"result\":" +
           quoted(c.outcome == Outcome::Pass   ? "pass"
                  : c.outcome == Outcome::Fail ? "fail"
                                               : "skip");
    if (!c.note.empty()) out += ",\"note\":" + quoted(c.note);
    if (c.outcome == Outcome::Fail) {
      out += ",\"expected\":" + quoted(c.expected) + ",\"got\":" + quoted(c.got) + ",\"exchanges\":[";
      for (std::size_t k = 0; k < c.exchanges.size(); ++k) {
        const auto& e = c.exchanges[k];
        out += k ? "," : "";
        out += "{\"method\":" + quoted(e.method) + ",\"url\":" + quoted(e.url) +
               ",\"wireUrl\":" + quoted(e.wireUrl);
        if (e.completed) {
          out += ",\"status\":" + std::to_string(e.status) + ",\"bytes\":" + std::to_string(e.bodyBytes) +
                 ",\"preview\":" + quoted(e.preview);
        } else {
          out += ",\"error\":" + quoted(e.error) + ",\"timedOut\":" + (e.timedOut ? "true" : "false");
        }
        out += ",\"milliseconds\":" + std::to_string(e.milliseconds) + "}";
      }
      out += "]";
    }
    out += "}";
  }
  out += "],\"removed\":" + stringArray(report.removed);
  out += ",\"left\":" + stringArray(report.left);
  return out + "}\n";
}

}  // namespace verolin::conformance
