// The order of the groups, and the clean-up of what the run stored.
#include "conformance/session.h"
#include "transfer/protocol.h"

namespace verolin::conformance {
namespace {

void cleanUp(Session& s) {
  for (const auto& [name, how] : s.storedFiles()) {
    if (s.options.removeType.empty()) {
      s.report.left.push_back(name + " (" + how + ")");
      continue;
    }
    const Answer a =
        s.page.get(s.page.state().activeForm + "?RequestType=" + s.options.removeType + "&filename=" + name);
    if (a.succeeded) {
      s.report.removed.push_back(name);
    } else {
      s.report.left.push_back(name + " (" + how + "; removal answered " + StatusText(a) + ")");
    }
  }
}

}  // namespace

int Report::count(Outcome outcome) const {
  int n = 0;
  for (const auto& c : checks) n += c.outcome == outcome;
  return n;
}

Report RunConformance(const Options& options) {
  Session s(options);
  CheckDocuments(s);
  CheckUnusualNames(s);
  CheckMarks(s);
  CheckSeals(s);
  CheckClientFiles(s);
  CheckStatus(s);
  // Last: a page that hangs on a large body holds up nothing else.
  CheckRefusals(s);
  cleanUp(s);
  return std::move(s.report);
}

}  // namespace verolin::conformance
