// The new-mark fields of an upload and the list answers that bring them back: read with the control's
// own list parse, with whatever separators the page chose, items in the order they were placed.
#include "conformance/session.h"
#include "text/codepage.h"
#include "text/utf8.h"

namespace verolin::conformance {
namespace {

constexpr const char* kGroupNames[] = {"names", "identifiers", "times"};

std::string describe(const std::array<std::vector<std::string>, 3>& groups, const std::string& splitStr) {
  std::string out;
  for (std::size_t g = 0; g < groups.size(); ++g) {
    if (g) out += ", ";
    out += std::string(kGroupNames[g]) + " " + Joined(groups[g], splitStr);
  }
  return out;
}

bool endsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

const Mark kSeals[] = {{"张三", "3", "2006年3月5日9时7分2秒"},
                       {"李四", "5", "2006年3月5日9时8分15秒"},
                       {"孙八", "11", "2006年3月6日14时0分9秒"},
                       {"周九", "13", "2006年3月6日14时2分30秒"}};
const Mark kSignature = {"王五", "7", "2006年3月5日9时10分0秒"};

std::array<std::vector<std::string>, 3> groupsOf(std::initializer_list<Mark> marks) {
  std::array<std::vector<std::string>, 3> g;
  for (const auto& m : marks) {
    g[0].push_back(m.name);
    g[1].push_back(m.id);
    g[2].push_back(m.time);
  }
  return g;
}

// A body the control reads as "no data": four characters or fewer, whatever the status.
void expectNoData(CheckResult& c, const Answer& a, const std::string& what) {
  const std::size_t characters = text::length(text::fromWire(a.body));
  if (!a.completed()) return Fail(c, "an answer", StatusText(a), a);
  if (characters > 4) {
    return Fail(c, what + ": a body of four characters or fewer (a control reads anything longer as lists)",
                StatusText(a) + " with " + std::to_string(characters) + " characters: " + a.record.preview,
                a);
  }
  Pass(c, StatusText(a) + ", " + std::to_string(characters) + " characters");
}

}  // namespace

void ExpectLists(CheckResult& c, const ListRead& r, const std::array<std::vector<std::string>, 3>& expected) {
  const std::string wanted = describe(expected, r.used ? r.splitStr : "\xC2\xA7");
  if (!r.answer.succeeded) return Fail(c, "a 2xx list answer with " + wanted, StatusText(r.answer), r.answer);
  if (!r.used) {
    return Fail(c, wanted,
                "no data (" + std::to_string(r.answer.body.size()) + " bytes): " + r.answer.record.preview,
                r.answer);
  }
  if (r.groupCount != 3) {
    return Fail(c, "the link separator, the split separator, then three groups joined by the link separator",
                std::to_string(r.groupCount) + " group(s) when characters 1 and 2, \"" + r.linkStr +
                    "\" and \"" + r.splitStr + "\", are read as the separators: " + r.answer.record.preview,
                r.answer);
  }
  for (std::size_t g = 0; g < 3; ++g) {
    const auto items = Items(r.groups[g], r.splitStr);
    if (!endsWith(r.groups[g], r.splitStr) || items != expected[g]) {
      return Fail(c,
                  std::string(kGroupNames[g]) + " " + Joined(expected[g], r.splitStr) +
                      " (each item followed by \"" + r.splitStr + "\", character 2)",
                  std::string(kGroupNames[g]) + " \"" + r.groups[g] + "\"", r.answer);
    }
  }
  Pass(c, "separators \"" + r.linkStr + "\" \"" + r.splitStr + "\"");
}

void CheckMarks(Session& s) {
  const TestNames& n = s.names;
  s.check("marks.upload", "an upload with two new seals (Dn, Dt, Di) and a signature (Sn, St, Si) is stored",
          [&](CheckResult& c) {
            UseSeparators(s, true);
            s.placeMarks({kSeals[0], kSeals[1]}, {kSignature});
            const Answer a = s.upload("1", "", n.marks, TestContainer(4));
            s.page.state().clearMarkLists();
            if (!a.succeeded)
              return Fail(c, "a 2xx answer: the document and its marks stored", StatusText(a), a);
            Pass(c, StatusText(a));
          });

  s.check("marks.seal-list", "GetSignInfoData answers those seals: names, identifiers and times in order",
          [&](CheckResult& c) {
            if (!s.passed("marks.upload")) return Skip(c, "needs the upload with marks, which did not pass");
            ExpectLists(c, s.sealLists(n.marks), groupsOf({kSeals[0], kSeals[1]}));
          });

  s.check("marks.signature-list", "GetHandWritdData answers that signature", [&](CheckResult& c) {
    if (!s.passed("marks.upload")) return Skip(c, "needs the upload with marks, which did not pass");
    ExpectLists(c, s.signatureLists(n.marks), groupsOf({kSignature}));
  });

  s.check("marks.more-marks",
          "seals uploaded later, with the separators the page answered and then with ¤ ※, are added in order",
          [&](CheckResult& c) {
            if (!s.passed("marks.seal-list")) return Skip(c, "needs the seal list, which did not pass");
            // The separators are still those of the page's last list answer, as in the control.
            s.placeMarks({kSeals[2]}, {});
            Answer a = s.upload("1", "", n.marks, TestContainer(4));
            if (a.succeeded) {
              UseSeparators(s, false);
              s.placeMarks({kSeals[3]}, {});
              a = s.upload("1", "", n.marks, TestContainer(4));
              UseSeparators(s, true);
            }
            s.page.state().clearMarkLists();
            if (!a.succeeded)
              return Fail(c, "a 2xx answer: the document and its marks stored", StatusText(a), a);
            ExpectLists(c, s.sealLists(n.marks), groupsOf({kSeals[0], kSeals[1], kSeals[2], kSeals[3]}));
          });

  s.check("marks.no-marks", "the lists of a document without marks are empty (four characters or fewer)",
          [&](CheckResult& c) {
            if (!s.passed("documents.upload-request-mode"))
              return Skip(c, "needs the upload in request mode, which did not pass");
            const ListRead seals = s.sealLists(n.road);
            expectNoData(c, seals.answer, "GetSignInfoData");
            if (c.outcome != Outcome::Pass) return;
            expectNoData(c, s.signatureLists(n.road).answer, "GetHandWritdData");
          });

  s.check("marks.failed-list", "the list request for an unknown document answers no lists",
          [&](CheckResult& c) {
            expectNoData(c, s.sealLists(n.missing).answer, "GetSignInfoData of " + n.missing);
          });
}

}  // namespace verolin::conformance
