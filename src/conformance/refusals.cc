// What a page must refuse: names that leave its folder, request types it does not know, and bodies
// larger than it takes, which it answers instead of hanging.
#include <unistd.h>

#include <algorithm>
#include <fstream>

#include "conformance/session.h"
#include "transfer/protocol.h"

namespace verolin::conformance {
namespace {

constexpr const char* kUnknownType = "VerolinConformanceUnknown";

void expectRefusal(Session& s, CheckResult& c, const Answer& a, const std::string& name,
                   const std::string& what) {
  if (!a.completed()) return Fail(c, "a refusal (a status outside 2xx)", StatusText(a), a);
  if (a.succeeded) {
    s.stored(name, "accepted although it leaves the page's folder");
    return Fail(
        c, "a refusal (a status outside 2xx) of " + what,
        StatusText(a) + ": the page accepted it" + (a.body.empty() ? "" : " (" + a.record.preview + ")"), a);
  }
  Pass(c, StatusText(a));
}

// A sparse file of `size` bytes that starts like a container, so that only its size is wrong.
std::filesystem::path oversizedBody(std::uint64_t size) {
  const auto path = std::filesystem::temp_directory_path() /
                    ("verolin-conformance-" + std::to_string(::getpid()) + "-oversized.jia");
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << TestContainer(1).substr(0, 20);
  }
  std::filesystem::resize_file(path, size);
  return path;
}

}  // namespace

void CheckRefusals(Session& s) {
  const TestNames& n = s.names;
  const std::string& form = s.page.state().activeForm;

  struct WayOut {
    const char* id;
    std::string mode, fileDir, name, shown;
  };
  const WayOut ways[] = {
      {"refusals.parent-folder", "1", "", "../" + n.outside, "path=../" + n.outside},
      {"refusals.backslash", "1", "", "..\\" + n.outside, "path=..\\" + n.outside},
      {"refusals.folder-climb", "0", n.urlFolder + "/../..", n.outside,
       "path=" + n.urlFolder + "/../../" + n.outside},
  };
  for (const auto& way : ways) {
    s.check(way.id, "an upload to a name that leaves the page's folder (" + way.shown + ") is refused",
            [&](CheckResult& c) {
              const Answer a = s.upload(way.mode, way.fileDir, way.name, TestContainer(1));
              expectRefusal(s, c, a, transfer::UploadPathValue(way.mode, way.fileDir, way.name), way.shown);
            });
  }
  s.check("refusals.client-file-outside",
          "a client file to a name that leaves the page's folder (SERVER=../" + n.clientFile + ") is refused",
          [&](CheckResult& c) {
            const std::string server = "../" + n.clientFile;
            const Answer a = s.post(form + transfer::ClientUploadQuery("c:\\temp\\" + n.clientFile, server),
                                    TestDocument(5));
            expectRefusal(s, c, a, server, "SERVER=" + server);
          });

  s.check("refusals.unknown-get",
          std::string("a GET of an unknown RequestType (") + kUnknownType + ") is refused",
          [&](CheckResult& c) {
            const Answer a = s.get(form + "?RequestType=" + kUnknownType);
            if (!a.completed() || a.succeeded)
              return Fail(c, "a status outside 2xx",
                          StatusText(a) + (a.succeeded ? ": " + a.record.preview : ""), a);
            Pass(c, StatusText(a));
          });
  s.check("refusals.unknown-post",
          std::string("a POST of an unknown RequestType (") + kUnknownType + ") is refused",
          [&](CheckResult& c) {
            const Answer a = s.post(form + "?RequestType=" + kUnknownType, TestDocument(1));
            if (!a.completed() || a.succeeded)
              return Fail(c, "a status outside 2xx",
                          StatusText(a) + (a.succeeded ? ": " + a.record.preview : ""), a);
            Pass(c, StatusText(a));
          });

  const std::uint64_t size = s.options.oversizeBytes;
  s.check("refusals.oversized",
          "an upload of " + std::to_string(size) + " bytes is refused with an answer, not left hanging",
          [&](CheckResult& c) {
            const auto body = oversizedBody(size);
            auto& st = s.page.state();
            st.getSetType = "1";
            st.clearMarkLists();
            // Sending the body takes its time; only a page that stops moving is cut off early.
            const auto limit = std::max(s.options.timeout * 6, std::chrono::milliseconds(60'000));
            const Answer a = s.postFile(form + transfer::UploadQuery(st, n.big), body, limit);
            std::error_code ignored;
            std::filesystem::remove(body, ignored);
            if (a.succeeded) {
              s.stored(n.big, "oversized document");
              return Fail(
                  c, "a refusal (413) of a body over the page's limit (raise --oversize above the limit)",
                  StatusText(a) + ": the page stored it", a);
            }
            if (a.completed())
              return Pass(c, StatusText(a) + " after " + std::to_string(a.record.milliseconds) + " ms");
            if (a.record.timedOut)
              return Fail(c, "an answer while or after the body is sent", StatusText(a), a);
            // A page that answers before the body is in and closes the connection may lose its answer
            // in the client's send; what counts then is that nothing was stored.
            const Answer check = s.download("1", n.big);
            if (check.succeeded) {
              s.stored(n.big, "oversized document");
              return Fail(c, "nothing stored for a body over the page's limit", "the page serves " + n.big,
                          check);
            }
            Pass(c, "the page closed the connection while the body was sent (" + a.record.error +
                        "); nothing was stored");
          });
}

}  // namespace verolin::conformance
