// The document's road: the upload in both modes, the download in both modes, and a document and a
// mark whose names hold Chinese characters, a blank and "#".
#include <algorithm>

#include "conformance/session.h"
#include "crypto/crypto.h"

namespace verolin::conformance {
namespace {

constexpr const char* kLinkStr = "\xC7\x90";   // the control's own separators: "ǐ"
constexpr const char* kSplitStr = "\xC2\xA7";  // "§"
// Separators a page may have chosen in an earlier list answer, sent back with the next upload.
constexpr const char* kOtherLinkStr = "\xC2\xA4";       // "¤"
constexpr const char* kOtherSplitStr = "\xE2\x80\xBB";  // "※"

constexpr const char* kUnusualSealName = "钱 七#1";
constexpr const char* kMarkTime = "2006年3月5日9时7分2秒";

std::string firstDifference(const std::string& a, const std::string& b) {
  const auto at = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
  return std::to_string(at.first - a.begin() + 1);
}

}  // namespace

void UseSeparators(Session& s, bool controlsOwn) {
  s.page.state().linkStr = controlsOwn ? kLinkStr : kOtherLinkStr;
  s.page.state().splitStr = controlsOwn ? kSplitStr : kOtherSplitStr;
}

bool HoldsDocument(CheckResult& c, const Answer& a, int version, std::string& note) {
  const std::string sent = TestContainer(version);
  const std::string plain = TestDocument(version);
  const std::string expected =
      "the container uploaded (" + std::to_string(sent.size()) + " bytes, the transfer password's)";
  if (!a.succeeded) {
    Fail(c, expected, StatusText(a) + (a.body.empty() ? "" : ": " + a.record.preview), a);
    return false;
  }
  if (!crypto::isContainer(a.body)) {
    Fail(c, expected, "no container: " + (a.body.empty() ? std::string("an empty body") : a.record.preview),
         a);
    return false;
  }
  crypto::PlainBytes got;
  try {
    got = crypto::decryptBytes(a.body);
  } catch (const crypto::CipherError& e) {
    Fail(c, expected,
         std::string("a container that does not decrypt with the transfer password (") + e.what() + ")", a);
    return false;
  }
  if (got.bytes != plain) {
    std::string why = std::to_string(a.body.size()) + " bytes whose document differs from byte " +
                      firstDifference(got.bytes, plain) + " on";
    for (int other = 1; other < 10; ++other) {
      if (other != version && got.bytes == TestDocument(other)) why = "another version of the document";
    }
    Fail(c, expected, why + " (was the body stored re-encoded, or cut?)", a);
    return false;
  }
  note = a.body == sent ? "the same " + std::to_string(sent.size()) + " bytes"
                        : "a container of the same document (encrypted anew)";
  return true;
}

void CheckDocuments(Session& s) {
  const TestNames& n = s.names;
  s.page.state().clearMarkLists();

  s.check("documents.upload-request-mode",
          "upload in request mode (savetype=1, path=" + n.road + ") with the control's separators ǐ §",
          [&](CheckResult& c) {
            UseSeparators(s, true);
            const Answer a = s.upload("1", "", n.road, TestContainer(1));
            if (!a.succeeded) return Fail(c, "a 2xx answer: the document stored", StatusText(a), a);
            Pass(c, StatusText(a) + (a.versionTag.empty() ? "" : ", version " + a.versionTag));
          });

  const std::string urlPath = n.urlFolder + "/" + n.urlName;
  s.check(
      "documents.upload-url-mode",
      "upload in plain-URL mode (savetype=0, path=" + urlPath + ") with the separators ¤ ※ a page may choose",
      [&](CheckResult& c) {
        UseSeparators(s, false);
        const Answer a = s.upload("0", n.urlFolder, n.urlName, TestContainer(2));
        UseSeparators(s, true);
        if (!a.succeeded) return Fail(c, "a 2xx answer: the document stored", StatusText(a), a);
        Pass(c, StatusText(a));
      });

  s.check("documents.download-request-mode", "download in request mode (DOWN) returns the uploaded bytes",
          [&](CheckResult& c) {
            if (!s.passed("documents.upload-request-mode"))
              return Skip(c, "needs the upload in request mode, which did not pass");
            std::string note;
            if (HoldsDocument(c, s.download("1", n.road), 1, note)) Pass(c, note);
          });

  const std::string plainUrl = Session::fileUrl(s.filesUrl(), urlPath);
  s.check(
      "documents.download-url-mode",
      "download in plain-URL mode (GET " + plainUrl + ") returns the uploaded bytes", [&](CheckResult& c) {
        if (!s.passed("documents.upload-url-mode"))
          return Skip(c, "needs the upload in plain-URL mode, which did not pass");
        const Answer a = s.get(plainUrl);
        if (!a.succeeded && s.filesUrlGuessed()) {
          return Skip(c, "nothing at " + plainUrl + " (" + StatusText(a) +
                             "); give --files-url with the place where the page serves documents uploaded "
                             "in plain-URL mode");
        }
        std::string note;
        if (HoldsDocument(c, a, 2, note)) Pass(c, note);
      });
}

void CheckUnusualNames(Session& s) {
  const TestNames& n = s.names;
  s.check(
      "names.document",
      "a document named \"" + n.unusual + "\" (Chinese characters, a blank, \"#\") goes up and comes back",
      [&](CheckResult& c) {
        UseSeparators(s, true);
        s.placeMarks({{kUnusualSealName, "4", kMarkTime}}, {});
        const Answer up = s.upload("1", "", n.unusual, TestContainer(3));
        s.page.state().clearMarkLists();
        if (!up.succeeded) return Fail(c, "a 2xx answer: the document stored", StatusText(up), up);
        std::string note;
        if (HoldsDocument(c, s.download("1", n.unusual), 3, note)) Pass(c, note);
      });

  s.check("names.mark-values",
          std::string("a seal named \"") + kUnusualSealName + "\" comes back in that document's seal list",
          [&](CheckResult& c) {
            if (!s.passed("names.document"))
              return Skip(c, "needs the document with that name, which did not pass");
            const ListRead r = s.sealLists(n.unusual);
            ExpectLists(c, r, {{{kUnusualSealName}, {"4"}, {kMarkTime}}});
          });
}

}  // namespace verolin::conformance
