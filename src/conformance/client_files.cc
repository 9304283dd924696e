// A client file: sent as it is (not encrypted) with request 8, stored and readable where the page
// serves client files.
#include "conformance/session.h"
#include "transfer/protocol.h"

namespace verolin::conformance {

void CheckClientFiles(Session& s) {
  const std::string& name = s.names.clientFile;
  const std::string bytes = TestDocument(5);

  s.check("client-files.upload", "a client file (UPLOADFILE, SERVER=" + name + ") is stored",
          [&](CheckResult& c) {
            const std::string query = transfer::ClientUploadQuery("c:\\temp\\" + name, name);
            const Answer a = s.post(s.page.state().activeForm + query, bytes);
            if (!a.succeeded) return Fail(c, "a 2xx answer: the file stored", StatusText(a), a);
            s.stored(name, "client file");
            Pass(c, StatusText(a));
          });

  const std::string url = Session::fileUrl(s.clientFilesUrl(), name);
  s.check("client-files.readable", "the client file reads back byte for byte at " + url, [&](CheckResult& c) {
    if (!s.passed("client-files.upload")) return Skip(c, "needs the client file upload, which did not pass");
    const Answer a = s.get(url);
    if (!a.succeeded && s.clientFilesUrlGuessed()) {
      return Skip(c, "nothing at " + url + " (" + StatusText(a) +
                         "); give --client-files-url with the place where the page serves client files");
    }
    const std::string expected = "the " + std::to_string(bytes.size()) + " bytes sent";
    if (!a.succeeded) return Fail(c, expected, StatusText(a), a);
    if (a.body != bytes) {
      return Fail(c, expected,
                  std::to_string(a.body.size()) + " other bytes (stored re-encoded?): " + a.record.preview,
                  a);
    }
    Pass(c, "the same " + std::to_string(bytes.size()) + " bytes");
  });
}

}  // namespace verolin::conformance
