// The status codes the control relies on (2xx success, anything else failure) and, where the page
// names versions, the version tag and the conflict answer.
#include "conformance/session.h"

namespace verolin::conformance {
namespace {

// What a proxy or a broken page may hand on in place of the document.
constexpr const char* kNotAContainer =
    "<html><head><title>502 Bad Gateway</title></head><body>502 Bad Gateway</body></html>\r\n";

}  // namespace

void CheckStatus(Session& s) {
  const TestNames& n = s.names;

  s.check("status.unknown-document", "the download of an unknown document is refused (a status outside 2xx)",
          [&](CheckResult& c) {
            const Answer a = s.download("1", n.missing);
            if (!a.completed()) return Fail(c, "an answer outside 2xx", StatusText(a), a);
            if (a.succeeded) {
              return Fail(
                  c, "a status outside 2xx (a 2xx body would be taken for the document)",
                  StatusText(a) + ": " + (a.body.empty() ? std::string("an empty body") : a.record.preview),
                  a);
            }
            Pass(c, StatusText(a));
          });

  std::string firstTag;
  s.check(
      "status.failed-upload",
      "an upload the page does not store (a body that is no container) is answered outside 2xx and keeps the "
      "stored version",
      [&](CheckResult& c) {
        const Answer first = s.upload("1", "", n.status, TestContainer(6));
        if (!first.succeeded)
          return Fail(c, "a 2xx answer to the first upload of " + n.status, StatusText(first), first);
        const Answer bad = s.upload("1", "", n.status, kNotAContainer);
        if (!bad.completed()) return Fail(c, "an answer outside 2xx", StatusText(bad), bad);
        if (bad.succeeded) {
          return Fail(
              c, "a status outside 2xx for a body that is no container (the control counts 2xx as stored)",
              StatusText(bad) + (bad.body.empty() ? "" : ": " + bad.record.preview), bad);
        }
        const Answer after = s.download("1", n.status);
        firstTag = after.versionTag;
        std::string note;
        if (!HoldsDocument(c, after, 6, note)) {
          c.expected = "the version stored before the refused upload: " + c.expected;
          return;
        }
        Pass(c, StatusText(bad) + ", the stored version kept");
      });

  s.check("status.version-tag", "the page names versions (ETag) and a new upload gets a new one",
          [&](CheckResult& c) {
            if (!s.passed("status.failed-upload"))
              return Skip(c, "needs the uploads of the status check, which did not pass");
            if (firstTag.empty())
              return Skip(c, "the page names no versions (no ETag); the control then sends none");
            const Answer up = s.upload("1", "", n.status, TestContainer(7));
            if (!up.succeeded) {
              return Fail(
                  c, "a 2xx answer to an upload based on the current version (If-Match: " + firstTag + ")",
                  StatusText(up), up);
            }
            const Answer down = s.download("1", n.status);
            std::string note;
            if (!HoldsDocument(c, down, 7, note)) return;
            if (down.versionTag.empty() || down.versionTag == firstTag) {
              return Fail(c, "a version tag other than " + firstTag + " for the new version",
                          down.versionTag.empty() ? std::string("none") : down.versionTag, down);
            }
            Pass(c, firstTag + " then " + down.versionTag);
          });

  s.check(
      "status.conflict",
      "an upload based on a replaced version is not stored over the current one (409 and a conflict copy)",
      [&](CheckResult& c) {
        if (!s.passed("status.version-tag"))
          return Skip(c, "needs version tags, which the page does not give");
        s.basedOn(n.status, firstTag);
        const Answer up = s.upload("1", "", n.status, TestContainer(8));
        if (!up.completed()) return Fail(c, "409 with X-Verolin-Conflict-Copy", StatusText(up), up);
        if (up.succeeded) {
          return Fail(c,
                      "409 (or another refusal): the upload is based on " + firstTag + ", which was replaced",
                      StatusText(up) + ": the newer version was overwritten", up);
        }
        if (!up.conflictCopy.empty()) s.stored(up.conflictCopy, "conflict copy");
        std::string note;
        if (!HoldsDocument(c, s.download("1", n.status), 7, note)) {
          c.expected = "the current version kept: " + c.expected;
          return;
        }
        if (up.status() != 409)
          return Pass(c, StatusText(up) + " (no conflict copy; the user keeps the working copy)");
        Pass(c, "409" + (up.conflictCopy.empty() ? std::string(" without X-Verolin-Conflict-Copy")
                                                 : ", kept as " + up.conflictCopy));
      });
}

}  // namespace verolin::conformance
